// TPngImage: every colour type and bit depth, interlacing, transparency, encoding, damaged files.
#include <gtest/gtest.h>

#include <zlib.h>

#include "framework/graphics/Png.h"
#include "tests/common/PeakMemory.h"
#include "tests/graphics/formats_support.h"

using namespace gfx;
using namespace codectest;

namespace {

TPngImage Load(const Bytes& data)
{
    rtl::TMemoryStream in;
    Fill(in, data);
    TPngImage png;
    png.LoadFromStream(in);
    return png;
}

Bytes Save(TPngImage& png)
{
    rtl::TMemoryStream out;
    png.SaveToStream(out);
    return Contents(out);
}

uint32_t Be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]; }

// A PNG made here chunk by chunk, so the tests can spoil exactly one thing.
struct Chunk {
    std::string type;
    Bytes data;
};

Bytes BuildPng(const std::vector<Chunk>& chunks)
{
    Bytes out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    for (const Chunk& c : chunks) {
        uint32_t n = uint32_t(c.data.size());
        for (int s = 24; s >= 0; s -= 8) out.push_back(uint8_t(n >> s));
        size_t start = out.size();
        out.insert(out.end(), c.type.begin(), c.type.end());
        out.insert(out.end(), c.data.begin(), c.data.end());
        uint32_t crc = uint32_t(crc32(0, out.data() + start, uInt(out.size() - start)));
        for (int s = 24; s >= 0; s -= 8) out.push_back(uint8_t(crc >> s));
    }
    return out;
}

Bytes Ihdr(uint32_t w, uint32_t h, uint8_t depth, uint8_t type)
{
    Bytes d;
    for (uint32_t v : {w, h})
        for (int s = 24; s >= 0; s -= 8) d.push_back(uint8_t(v >> s));
    d.insert(d.end(), {depth, type, 0, 0, 0});
    return d;
}

Bytes Deflate(const Bytes& raw)
{
    uLongf n = compressBound(uLong(raw.size()));
    Bytes out(n);
    compress(out.data(), &n, raw.data(), uLong(raw.size()));
    out.resize(n);
    return out;
}

}  // namespace

struct PngCase {
    const char* name;
    const char* options;  // for convert, on a 37 x 23 picture
    int maxDifference;
};

class PngFromImageMagick : public ::testing::TestWithParam<PngCase> {};

TEST_P(PngFromImageMagick, DecodesLikeImageMagick)
{
    REQUIRE_CONVERT();
    TempFolder dir;
    std::string file = dir / "in.png";
    // A trailing "PNG24:" style option is the output's prefix.
    std::string options = GetParam().options, prefix;
    if (!options.empty() && options.back() == ':') {
        size_t space = options.rfind(' ');
        prefix = options.substr(space == std::string::npos ? 0 : space + 1);
        options.resize(space == std::string::npos ? 0 : space);
    }
    ASSERT_TRUE(codectest::Run("convert -size 37x23 plasma:fractal -seed 7 " + options + " " + prefix + "'" + file + "'"));
    Bytes expected;
    ASSERT_TRUE(ConvertToRgb(file, expected));
    TPngImage png = Load(ReadFile(file));
    ASSERT_EQ(png.Width(), 37);
    ASSERT_EQ(png.Height(), 23);
    TBitmap bitmap;
    ASSERT_TRUE(png.ToBitmap(bitmap));
    EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pfDevice);
    Difference d = Compare(BitmapRgb(bitmap), expected);
    EXPECT_LE(d.max, GetParam().maxDifference) << "mean " << d.mean;
}

// The alpha cases halve the opacity of a part of the picture; ImageMagick puts it on white too.
#define HALF_ALPHA "-alpha set -region 20x23+0+0 -channel A -evaluate set 50% +region +channel "
INSTANTIATE_TEST_SUITE_P(
    ColourTypes, PngFromImageMagick,
    ::testing::Values(
        PngCase{"palette", "-colors 200 PNG8:", 0}, PngCase{"rgb8", "PNG24:", 0}, PngCase{"rgb16", "PNG48:", 1},
        PngCase{"rgba8", HALF_ALPHA "PNG32:", 1}, PngCase{"rgba16", HALF_ALPHA "PNG64:", 1},
        PngCase{"grey1", "-colorspace Gray -define png:bit-depth=1 -define png:color-type=0", 0},
        PngCase{"grey2", "-colorspace Gray -define png:bit-depth=2 -define png:color-type=0", 0},
        PngCase{"grey4", "-colorspace Gray -define png:bit-depth=4 -define png:color-type=0", 0},
        PngCase{"grey8", "-colorspace Gray -define png:bit-depth=8 -define png:color-type=0", 0},
        PngCase{"grey16", "-colorspace Gray -define png:bit-depth=16 -define png:color-type=0", 1},
        PngCase{"grey_alpha8", "-colorspace Gray " HALF_ALPHA "-define png:color-type=4 -define png:bit-depth=8", 1},
        PngCase{"grey_alpha16", "-colorspace Gray " HALF_ALPHA "-define png:color-type=4 -define png:bit-depth=16", 1},
        PngCase{"palette4", "-colors 12 -define png:bit-depth=4 -define png:color-type=3", 0},
        PngCase{"palette_trns", "-colors 30 -transparent-color white -fuzz 10% -transparent '#c08040' PNG8:", 1},
        PngCase{"interlaced_rgb", "-interlace PNG PNG24:", 0},
        PngCase{"interlaced_grey2", "-interlace PNG -colorspace Gray -define png:bit-depth=2 -define png:color-type=0", 0},
        PngCase{"interlaced_rgba16", "-interlace PNG " HALF_ALPHA "PNG64:", 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PngImage, TransparencyLiesOnWhite)
{
    // A 2 x 1 RGBA picture: opaque red, fully transparent black.
    Bytes raw = {0, 255, 0, 0, 255, 0, 0, 0, 0};
    TPngImage png = Load(BuildPng({{"IHDR", Ihdr(2, 1, 8, 6)}, {"IDAT", Deflate(raw)}, {"IEND", {}}}));
    TBitmap b;
    png.ToBitmap(b);
    EXPECT_EQ(b.GetPixel(0, 0), RGB(255, 0, 0));
    EXPECT_EQ(b.GetPixel(1, 0), clWhite);

    // Palette with tRNS: entry 1 half transparent blue.
    Bytes rawp = {0, 0x01};  // 8-bit indexes: filter byte, index 1
    TPngImage pal = Load(BuildPng({{"IHDR", Ihdr(1, 1, 8, 3)},
                                   {"PLTE", {0, 0, 0, 0, 0, 255}},
                                   {"tRNS", {255, 128}},
                                   {"IDAT", Deflate(rawp)},
                                   {"IEND", {}}}));
    pal.ToBitmap(b);
    TColor c = b.GetPixel(0, 0);
    EXPECT_NEAR(GetRValue(c), 127, 1);
    EXPECT_NEAR(GetBValue(c), 255, 1);
}

TEST(PngImage, EncodesAsEightBitRgbAndReadsBack)
{
    TBitmap source = Pattern(45, 31);
    for (TPixelFormat pf : {TPixelFormat::pfDevice, TPixelFormat::pf24bit, TPixelFormat::pf8bit, TPixelFormat::pf4bit}) {
        TBitmap b = source;
        b.SetPixelFormat(pf);
        TPngImage png;
        png.Assign(b);
        Bytes file = Save(png);
        ASSERT_GT(file.size(), 33u);
        EXPECT_EQ(Be32(file.data() + 16), 45u);  // IHDR width
        EXPECT_EQ(file[24], 8);                   // bit depth
        EXPECT_EQ(file[25], 2);                   // colour type RGB
        TBitmap back;
        Load(file).ToBitmap(back);
        EXPECT_EQ(BitmapRgb(back), BitmapRgb(b)) << int(pf);
    }
}

TEST(PngImage, ImageMagickReadsOurFiles)
{
    REQUIRE_CONVERT();
    TempFolder dir;
    TBitmap source = Pattern(29, 17);
    TPngImage png;
    png.Assign(source);
    WriteFile(dir / "ours.png", Save(png));
    Bytes theirs;
    ASSERT_TRUE(ConvertToRgb(dir / "ours.png", theirs));
    EXPECT_EQ(theirs, BitmapRgb(source));
}

TEST(PngImage, SavingAnUnchangedPictureWritesItsOwnBytes)
{
    Bytes raw = {0, 10, 20, 30};
    Bytes file = BuildPng({{"IHDR", Ihdr(1, 1, 8, 2)}, {"tEXt", {'a', 0, 'b'}}, {"IDAT", Deflate(raw)}, {"IEND", {}}});
    TPngImage png = Load(file);
    EXPECT_EQ(Save(png), file);
    TPngImage copy;
    copy.Assign(png);
    EXPECT_EQ(Save(copy), file);
}

TEST(PngImage, DamagedFilesRaiseInvalidGraphic)
{
    Bytes raw(1 + 16 * 3, 7);
    raw[0] = 0;
    Bytes good = BuildPng({{"IHDR", Ihdr(16, 1, 8, 2)}, {"IDAT", Deflate(raw)}, {"IEND", {}}});
    ASSERT_EQ(Load(good).Width(), 16);

    // Every cut, and every header fault, is refused.
    std::vector<Bytes> bad = Truncations(good);
    Bytes crc = good;
    crc[29] ^= 1;  // IHDR's checksum
    bad.push_back(crc);
    bad.push_back(BuildPng({{"IHDR", Ihdr(0, 1, 8, 2)}, {"IDAT", Deflate(raw)}, {"IEND", {}}}));
    bad.push_back(BuildPng({{"IHDR", Ihdr(16, 1, 3, 2)}, {"IDAT", Deflate(raw)}, {"IEND", {}}}));  // depth 3
    bad.push_back(BuildPng({{"IHDR", Ihdr(16, 1, 8, 3)}, {"IDAT", Deflate(raw)}, {"IEND", {}}}));  // no palette
    bad.push_back(BuildPng({{"IHDR", Ihdr(16, 1, 8, 2)}, {"IDAT", {1, 2, 3, 4}}, {"IEND", {}}}));  // not zlib
    bad.push_back(BuildPng({{"IHDR", Ihdr(16, 9, 8, 2)}, {"IDAT", Deflate(raw)}, {"IEND", {}}}));  // rows missing
    // A size that the data cannot hold is refused before anything is allocated for it.
    bad.push_back(BuildPng({{"IHDR", Ihdr(60000, 60000, 8, 6)}, {"IDAT", Deflate(raw)}, {"IEND", {}}}));
    for (const Bytes& b : bad) {
        try {
            Load(b);
            if (b.size() + 12 > good.size()) continue;  // only the closing IEND chunk is cut
            ADD_FAILURE() << "a damaged file of " << b.size() << " bytes was loaded";
        } catch (const rtl::EInvalidGraphic& e) {
            EXPECT_EQ(e.Message().rfind("PNG image is not valid (", 0), 0u) << e.Message();
        }
    }
    // Spoiled bytes either still make a picture or give the same error; nothing else.
    for (const Bytes& b : Spoilings(good)) {
        try {
            Load(b);
        } catch (const rtl::EInvalidGraphic& e) {
            EXPECT_EQ(e.Message().rfind("PNG image is not valid (", 0), 0u) << e.Message();
        }
    }
}

// Side chunks are never allocated at the length they claim: each 54-byte file is refused with
// little memory. libpng survives a failed allocation of its own, so the address space is left
// wide and the peak is what counts.
TEST(PngImage, SideChunksCostNoMoreThanTheFileHolds)
{
    SKIP_UNDER_SANITIZERS();
    for (const char* type : {"tEXt", "zTXt", "iTXt", "iCCP", "sPLT", "eXIf", "pCAL", "prVt"}) {
        Bytes file = PngClaimingAHugeChunk(type);
        ASSERT_EQ(file.size(), 54u);
        auto outcome = testmemory::RunLimited(3 * 1024 * testmemory::MB, [&] {
            try {
                Load(file);
            } catch (const rtl::EInvalidGraphic& e) {
                return e.Message() == "PNG image is not valid (unexpected end of data)" ? 0 : 1;
            }
            return 2;
        });
        ASSERT_TRUE(outcome.Finished) << type;
        EXPECT_EQ(outcome.Result, 0) << type;
        EXPECT_LT(outcome.PeakBytes, 64 * testmemory::MB) << type;
    }
}

TEST(PngImage, SideChunksDoNotChangeThePicture)
{
    Bytes raw = {0, 10, 20, 30, 40, 50, 60, 0, 70, 80, 90, 100, 110, 120};
    std::vector<Chunk> plain = {{"IHDR", Ihdr(2, 2, 8, 2)}, {"IDAT", Deflate(raw)}, {"IEND", {}}};
    std::vector<Chunk> decorated = plain;
    Bytes text = {'C', 'o', 'm', 'm', 'e', 'n', 't', 0};
    text.resize(70000, 'x');
    Bytes ztext = {'T', 'i', 't', 'l', 'e', 0, 0};
    Bytes packed = Deflate(Bytes(100000, 'y'));
    ztext.insert(ztext.end(), packed.begin(), packed.end());
    decorated.insert(decorated.begin() + 1, {{"tEXt", text}, {"zTXt", ztext}, {"gAMA", {0, 0, 0xB1, 0x8F}}, {"prVt", {1, 2, 3}}});
    TBitmap a, b;
    ASSERT_TRUE(Load(BuildPng(plain)).ToBitmap(a));
    ASSERT_TRUE(Load(BuildPng(decorated)).ToBitmap(b));
    EXPECT_EQ(BitmapRgb(a), BitmapRgb(b));
    EXPECT_EQ(b.GetPixel(1, 1), RGB(100, 110, 120));
}
