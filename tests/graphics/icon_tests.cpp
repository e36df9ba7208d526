// TIcon: BMP and PNG entries, the largest entry as the picture, transparency, damaged files.
#include <gtest/gtest.h>

#include <array>

#include "framework/graphics/Icon.h"
#include "framework/graphics/Png.h"
#include "tests/common/PeakMemory.h"
#include "tests/graphics/formats_support.h"

using namespace gfx;
using namespace codectest;

namespace {

void Le16(Bytes& b, uint32_t v) { b.push_back(uint8_t(v)); b.push_back(uint8_t(v >> 8)); }
void Le32(Bytes& b, uint32_t v) { Le16(b, v & 0xFFFF); Le16(b, v >> 16); }

struct Entry {
    int width, height, bitCount;
    Bytes data;
};

Bytes BuildIcon(const std::vector<Entry>& entries)
{
    Bytes out;
    Le16(out, 0);
    Le16(out, 1);
    Le16(out, uint32_t(entries.size()));
    uint32_t offset = uint32_t(6 + 16 * entries.size());
    for (const Entry& e : entries) {
        out.push_back(uint8_t(e.width & 0xFF));
        out.push_back(uint8_t(e.height & 0xFF));
        out.push_back(0);
        out.push_back(0);
        Le16(out, 1);
        Le16(out, uint32_t(e.bitCount));
        Le32(out, uint32_t(e.data.size()));
        Le32(out, offset);
        offset += uint32_t(e.data.size());
    }
    for (const Entry& e : entries) out.insert(out.end(), e.data.begin(), e.data.end());
    return out;
}

// A BMP entry: info header of double height, colour table, bottom-up XOR rows, AND mask rows.
// pixel(x, y) gives B, G, R, A (or a palette index in B for 8 bits); masked(x, y) sets the AND bit.
template <class PixelFn, class MaskFn>
Bytes BmpEntry(int w, int h, int bits, const std::vector<TRGBQuad>& palette, PixelFn pixel, MaskFn masked)
{
    Bytes out;
    Le32(out, 40);
    Le32(out, uint32_t(w));
    Le32(out, uint32_t(2 * h));
    Le16(out, 1);
    Le16(out, uint32_t(bits));
    for (int i = 0; i < 4; ++i) Le32(out, 0);
    Le32(out, uint32_t(palette.size()));  // colours used
    Le32(out, 0);
    for (const TRGBQuad& q : palette) out.insert(out.end(), {q.Blue, q.Green, q.Red, 0});
    size_t stride = ((size_t(w) * bits + 31) / 32) * 4;
    for (int y = h - 1; y >= 0; --y) {
        Bytes row(stride, 0);
        for (int x = 0; x < w; ++x) {
            std::array<uint8_t, 4> p = pixel(x, y);
            if (bits == 8) row[x] = p[0];
            else std::copy(p.begin(), p.begin() + bits / 8, row.begin() + long(x) * (bits / 8));
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    size_t maskStride = ((size_t(w) + 31) / 32) * 4;
    for (int y = h - 1; y >= 0; --y) {
        Bytes row(maskStride, 0);
        for (int x = 0; x < w; ++x)
            if (masked(x, y)) row[x / 8] |= uint8_t(0x80 >> (x % 8));
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

Bytes SolidEntry(int size, uint8_t b, uint8_t g, uint8_t r)
{
    return BmpEntry(size, size, 24, {}, [&](int, int) { return std::array<uint8_t, 4>{b, g, r, 0}; },
                    [](int, int) { return false; });
}

TIcon Load(const Bytes& data)
{
    rtl::TMemoryStream in;
    Fill(in, data);
    TIcon icon;
    icon.LoadFromStream(in);
    return icon;
}

TBitmap Picture(const TIcon& icon)
{
    TBitmap b;
    EXPECT_TRUE(icon.ToBitmap(b));
    return b;
}

}  // namespace

TEST(IconImage, TheLargestEntryIsThePicture)
{
    TBitmap pattern = Pattern(48, 48);
    Bytes png;
    EncodePng(pattern, png);
    Bytes file = BuildIcon({{16, 16, 24, SolidEntry(16, 0, 0, 255)},
                            {48, 48, 32, png},
                            {32, 32, 24, SolidEntry(32, 255, 0, 0)}});
    TIcon icon = Load(file);
    EXPECT_EQ(icon.Width(), 48);
    EXPECT_EQ(icon.Height(), 48);
    EXPECT_EQ(BitmapRgb(Picture(icon)), BitmapRgb(pattern));

    // Without the PNG entry the 32 x 32 BMP entry wins.
    TIcon bmp = Load(BuildIcon({{16, 16, 24, SolidEntry(16, 0, 0, 255)}, {32, 32, 24, SolidEntry(32, 255, 0, 0)}}));
    EXPECT_EQ(bmp.Width(), 32);
    EXPECT_EQ(Picture(bmp).GetPixel(5, 5), RGB(0, 0, 255));

    // The icon saves its own file, and the bitmap conversion gives the picture's size.
    rtl::TMemoryStream out;
    icon.SaveToStream(out);
    EXPECT_EQ(Contents(out), file);
    TBitmap converted;
    converted.Assign(icon);
    EXPECT_EQ(converted.Width(), 48);
}

TEST(IconImage, TheAndMaskMakesPixelsTransparentOnWhite)
{
    std::vector<TRGBQuad> palette = {{0, 0, 0, 0}, {0, 0, 255, 0}, {0, 255, 0, 0}};
    Bytes entry = BmpEntry(
        8, 4, 8, palette, [](int x, int) { return std::array<uint8_t, 4>{uint8_t(x % 3), 0, 0, 0}; },
        [](int x, int y) { return x == 7 || y == 0; });
    TBitmap b = Picture(Load(BuildIcon({{8, 4, 8, entry}})));
    ASSERT_EQ(b.Width(), 8);
    ASSERT_EQ(b.Height(), 4);
    EXPECT_EQ(b.GetPixel(1, 1), RGB(255, 0, 0));
    EXPECT_EQ(b.GetPixel(2, 2), RGB(0, 255, 0));
    EXPECT_EQ(b.GetPixel(0, 3), RGB(0, 0, 0));
    EXPECT_EQ(b.GetPixel(7, 2), clWhite);
    EXPECT_EQ(b.GetPixel(3, 0), clWhite);  // the top row: rows are stored bottom-up
}

TEST(IconImage, ThirtyTwoBitEntriesUseTheirAlpha)
{
    auto pixel = [](int x, int) {
        static const uint8_t alpha[] = {255, 0, 128, 255};
        return std::array<uint8_t, 4>{0, 0, 200, alpha[x]};
    };
    TBitmap b = Picture(Load(BuildIcon({{4, 1, 32, BmpEntry(4, 1, 32, {}, pixel, [](int, int) { return true; })}})));
    EXPECT_EQ(b.GetPixel(0, 0), RGB(200, 0, 0));  // opaque: the mask is ignored once alpha is used
    EXPECT_EQ(b.GetPixel(1, 0), clWhite);
    TColor half = b.GetPixel(2, 0);
    EXPECT_NEAR(GetRValue(half), (200 * 128 + 255 * 127) / 255, 1);
    EXPECT_NEAR(GetGValue(half), 127, 1);

    // All alpha bytes zero: an old-style entry whose AND mask decides.
    auto plain = [](int, int) { return std::array<uint8_t, 4>{10, 20, 30, 0}; };
    TBitmap m = Picture(Load(BuildIcon({{2, 1, 32, BmpEntry(2, 1, 32, {}, plain, [](int x, int) { return x == 1; })}})));
    EXPECT_EQ(m.GetPixel(0, 0), RGB(30, 20, 10));
    EXPECT_EQ(m.GetPixel(1, 0), clWhite);
}

struct IconCase {
    const char* name;
    const char* options;
    int size;
};

class IconFromImageMagick : public ::testing::TestWithParam<IconCase> {};

TEST_P(IconFromImageMagick, DecodesLikeImageMagick)
{
    REQUIRE_CONVERT();
    TempFolder dir;
    std::string file = dir / "in.ico";
    ASSERT_TRUE(codectest::Run(std::string("convert -size 64x64 plasma:fractal -seed 2 ") + GetParam().options + " '" +
                               file + "'"));
    Bytes expected;
    ASSERT_TRUE(ConvertToRgb(file, expected));
    TIcon icon = Load(ReadFile(file));
    EXPECT_EQ(icon.Width(), GetParam().size);
    EXPECT_EQ(icon.Height(), GetParam().size);
    EXPECT_LE(Compare(BitmapRgb(Picture(icon)), expected).max, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, IconFromImageMagick,
    ::testing::Values(IconCase{"bmp_entries", "-define icon:auto-resize=48,32,16", 48},
                      IconCase{"png_entry", "-define icon:auto-resize=256,16", 256},
                      IconCase{"palette_entry", "-colors 16 -type Palette -define icon:auto-resize=32", 32},
                      IconCase{"transparent", "-alpha set -region 30x30+0+0 -channel A -evaluate set 40% +region "
                                              "+channel -define icon:auto-resize=32",
                               32}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IconImage, DamagedFilesRaiseTheIconError)
{
    Bytes png;
    EncodePng(Pattern(20, 20), png);
    struct Case {
        Bytes good;
        bool pngEntry;
    };
    for (const auto& [good, pngEntry] : {Case{BuildIcon({{16, 16, 24, SolidEntry(16, 1, 2, 3)}}), false},
                                         Case{BuildIcon({{20, 20, 32, png}}), true}}) {
        ASSERT_EQ(Load(good).Width() > 0, true);
        for (const Bytes& bad : Truncations(good)) {
            try {
                Load(bad);
                if (pngEntry && bad.size() + 12 > good.size())
                    continue;  // a PNG entry cut in its closing IEND chunk still holds the whole picture
                ADD_FAILURE() << "a cut icon of " << bad.size() << " bytes was loaded";
            } catch (const rtl::EInvalidGraphic& e) {
                EXPECT_EQ(e.Message(), "Icon image is not valid");
            }
        }
        for (const Bytes& bad : Spoilings(good)) {
            try {
                Load(bad);
            } catch (const rtl::EInvalidGraphic& e) {
                EXPECT_EQ(e.Message(), "Icon image is not valid");
            }
        }
    }
    // A directory whose entry points outside the file, and an empty directory.
    Bytes outside = BuildIcon({{16, 16, 24, SolidEntry(16, 1, 2, 3)}});
    outside[21] = 0x7F;  // the image offset
    EXPECT_THROW(Load(outside), rtl::EInvalidGraphic);
    EXPECT_THROW(Load(Bytes{0, 0, 1, 0, 0, 0}), rtl::EInvalidGraphic);
}

TEST(IconImage, APngEntryClaimingAHugeChunkCostsLittle)
{
    SKIP_UNDER_SANITIZERS();
    Bytes icon = BuildIcon({{1, 1, 32, PngClaimingAHugeChunk("tEXt")}});
    auto outcome = testmemory::RunLimited(3 * 1024 * testmemory::MB, [&] {
        try {
            Load(icon);
        } catch (const rtl::EInvalidGraphic& e) {
            return e.Message() == "Icon image is not valid" ? 0 : 1;
        }
        return 2;
    });
    ASSERT_TRUE(outcome.Finished);
    EXPECT_EQ(outcome.Result, 0);
    EXPECT_LT(outcome.PeakBytes, 64 * testmemory::MB);
}

namespace {

// Where an entry's embedded colour profile stands.
enum class ProfileAt { BeforeTable, BeforeRows, BeforeMask, AtTheEnd };

// The entry made by BmpEntry (40-byte header) with a version 5 header and an embedded profile of
// busy bytes, placed as `at` says; tableBytes and rowBytes give the parts' sizes.
Bytes WithV5Profile(const Bytes& plain, size_t tableBytes, size_t rowBytes, ProfileAt at)
{
    Bytes profile(300);
    for (size_t i = 0; i < profile.size(); ++i) profile[i] = uint8_t(i * 37 + 11);
    Bytes header(plain.begin(), plain.begin() + 40);
    header[0] = 124;
    header.resize(124, 0);
    const size_t parts[] = {124, 124 + tableBytes, 124 + tableBytes + rowBytes, plain.size() - 40 + 124};
    size_t offset = parts[int(at)];
    header[56] = 'D'; header[57] = 'E'; header[58] = 'B'; header[59] = 'M';  // 'MBED', little-endian
    for (int i = 0; i < 4; ++i) {
        header[112 + i] = uint8_t(offset >> (8 * i));
        header[116 + i] = uint8_t(profile.size() >> (8 * i));
    }
    Bytes out = header;
    out.insert(out.end(), plain.begin() + 40, plain.end());
    out.insert(out.begin() + long(offset), profile.begin(), profile.end());
    return out;
}

}  // namespace

// The profile is stepped over wherever it stands; the picture is the one ImageMagick makes of the
// same entry with a plain header (it does not read version 5 icon headers itself).
TEST(IconImage, EntriesWithAColourProfileDecodeLikeTheirPlainTwins)
{
    REQUIRE_CONVERT();
    TempFolder dir;
    const std::vector<TRGBQuad> palette = {{0, 0, 0, 0}, {200, 10, 10, 0}, {10, 200, 10, 0}, {10, 10, 200, 0}};
    auto masked = [](int x, int y) { return (x + 2 * y) % 5 == 0; };
    struct Kind {
        int bits;
        std::vector<TRGBQuad> palette;
    };
    for (const Kind& kind : {Kind{24, {}}, Kind{8, palette}}) {
        Bytes plain = BmpEntry(13, 9, kind.bits, kind.palette,
                               [](int x, int y) { return std::array<uint8_t, 4>{uint8_t(x * 19 % 4), uint8_t(y * 25), 200, 0}; },
                               masked);
        std::string file = dir / "plain.ico";
        WriteFile(file, BuildIcon({{13, 9, kind.bits, plain}}));
        Bytes expected;
        ASSERT_TRUE(ConvertToRgb(file, expected));
        ASSERT_EQ(BitmapRgb(Picture(Load(ReadFile(file)))), expected) << kind.bits;
        const size_t rowBytes = ((13 * size_t(kind.bits) + 31) / 32) * 4 * 9;
        for (ProfileAt at : {ProfileAt::BeforeTable, ProfileAt::BeforeRows, ProfileAt::BeforeMask, ProfileAt::AtTheEnd}) {
            Bytes v5 = WithV5Profile(plain, kind.palette.size() * 4, rowBytes, at);
            EXPECT_EQ(BitmapRgb(Picture(Load(BuildIcon({{13, 9, kind.bits, v5}})))), expected) << kind.bits << " " << int(at);
        }
    }
}

// The directory's image length is not needed: the entry's header says what it holds.
TEST(IconImage, AWrongImageLengthInTheDirectoryIsOverlooked)
{
    REQUIRE_CONVERT();
    TempFolder dir;
    Bytes bmp = BmpEntry(16, 16, 24, {}, [](int x, int y) { return std::array<uint8_t, 4>{uint8_t(x * 16), uint8_t(y * 16), 90, 0}; },
                         [](int x, int y) { return x == y; });
    Bytes png;
    EncodePng(Pattern(20, 20), png);
    for (const auto& [entry, side] : {std::pair{bmp, 16}, std::pair{png, 20}}) {
        Bytes good = BuildIcon({{side, side, 32, entry}});
        Bytes expected = BitmapRgb(Picture(Load(good)));
        for (uint32_t length : {0u, 40u, uint32_t(entry.size() - 1), uint32_t(entry.size() + 1000), 0xFFFFFFFFu}) {
            Bytes wrong = good;
            for (int i = 0; i < 4; ++i) wrong[14 + i] = uint8_t(length >> (8 * i));
            EXPECT_EQ(BitmapRgb(Picture(Load(wrong))), expected) << side << " " << length;
            if (side == 16 && length < entry.size()) {  // ImageMagick reads these as well
                std::string file = dir / "wrong.ico";
                WriteFile(file, wrong);
                Bytes magick;
                ASSERT_TRUE(ConvertToRgb(file, magick));
                EXPECT_EQ(magick, expected) << length;
            }
        }
    }
}

namespace {

// A 24-bit picture of an odd width, so that every row ends in padding.
constexpr int kProfiledWidth = 127, kProfiledHeight = 64;

std::array<uint8_t, 4> ProfiledPixel(int x, int y)
{
    // Mostly black, as the pictures whose mask went wrong were.
    if ((x / 8 + y / 8) % 3) return {0, 0, 0, 0};
    return {uint8_t(x * 2), uint8_t(y * 4), uint8_t(255 - x), 0};
}

bool ProfiledMask(int x, int y) { return x % 7 == 0 && y % 3 == 0; }

// The same pixels as a plain bitmap file: file header, 40-byte header, padded bottom-up rows.
TBitmap ProfiledPictureAsPlainBitmap(bool masked)
{
    Bytes entry = BmpEntry(kProfiledWidth, kProfiledHeight, 24, {}, ProfiledPixel, [](int, int) { return false; });
    const size_t rowBytes = ((kProfiledWidth * 24 + 31) / 32) * 4 * size_t(kProfiledHeight);
    Bytes file = {'B', 'M'};
    Le32(file, uint32_t(14 + 40 + rowBytes));
    Le32(file, 0);
    Le32(file, 14 + 40);
    file.insert(file.end(), entry.begin(), entry.begin() + 40 + long(rowBytes));
    file[14 + 8] = kProfiledHeight;  // the header's height is the picture's own
    rtl::TMemoryStream in;
    Fill(in, file);
    TBitmap plain;
    plain.LoadFromStream(in);
    if (masked)
        for (int y = 0; y < kProfiledHeight; ++y)
            for (int x = 0; x < kProfiledWidth; ++x)
                if (ProfiledMask(x, y)) plain.SetPixel(x, y, RGB(255, 255, 255));
    return plain;
}

struct ProfiledCase {
    const char* name;
    size_t gap;     // bytes between the colour rows and the profile
    bool withMask;  // an AND mask after the profile; none: the entry is laid out as a bitmap file
};

class ProfiledIcon : public ::testing::TestWithParam<ProfiledCase> {};

}  // namespace

// A version 5 entry with an embedded profile after its colour rows, where the header's profile
// offset (from the header's start) and size say: those bytes are never read as the AND mask.
TEST_P(ProfiledIcon, DecodesAsTheSamePixelsInAPlainBitmap)
{
    const ProfiledCase k = GetParam();
    const Bytes plain = BmpEntry(kProfiledWidth, kProfiledHeight, 24, {}, ProfiledPixel, ProfiledMask);
    const size_t rowBytes = ((kProfiledWidth * 24 + 31) / 32) * 4 * size_t(kProfiledHeight);
    Bytes profile(3144);
    for (size_t i = 0; i < profile.size(); ++i) profile[i] = uint8_t(i * 37 + 11);
    Bytes entry(plain.begin(), plain.begin() + 40);
    entry[0] = 124;
    entry.resize(124, 0);
    entry[56] = 'D'; entry[57] = 'E'; entry[58] = 'B'; entry[59] = 'M';  // 'MBED', little-endian
    const size_t offset = 124 + rowBytes + k.gap;
    for (int i = 0; i < 4; ++i) {
        entry[112 + i] = uint8_t(offset >> (8 * i));
        entry[116 + i] = uint8_t(profile.size() >> (8 * i));
    }
    entry.insert(entry.end(), plain.begin() + 40, plain.begin() + 40 + long(rowBytes));
    entry.insert(entry.end(), k.gap, 0xFF);
    entry.insert(entry.end(), profile.begin(), profile.end());
    if (k.withMask) entry.insert(entry.end(), plain.begin() + 40 + long(rowBytes), plain.end());

    const TBitmap got = Picture(Load(BuildIcon({{kProfiledWidth, kProfiledHeight, 24, entry}})));
    const TBitmap expected = ProfiledPictureAsPlainBitmap(k.withMask);
    ASSERT_EQ(got.Width(), kProfiledWidth);
    ASSERT_EQ(got.Height(), kProfiledHeight);
    EXPECT_EQ(BitmapRgb(got), BitmapRgb(expected));
}

INSTANTIATE_TEST_SUITE_P(Layouts, ProfiledIcon,
                         ::testing::Values(ProfiledCase{"profile_right_after_the_rows", 0, false},
                                           ProfiledCase{"profile_after_a_gap", 4, false},
                                           ProfiledCase{"profile_after_a_gap_then_the_mask", 12, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// A mask that the profile leaves no room for is still required where the profile does not stand
// after the colour rows.
TEST(IconImage, AnEntryWithoutItsMaskIsRefusedUnlessAProfileFollowsTheRows)
{
    Bytes plain = BmpEntry(9, 5, 24, {}, [](int, int) { return std::array<uint8_t, 4>{1, 2, 3, 0}; },
                           [](int, int) { return false; });
    plain.resize(plain.size() - 4 * 5);  // the mask's rows cut off
    EXPECT_THROW(Load(BuildIcon({{9, 5, 24, plain}})), rtl::EInvalidGraphic);
}
