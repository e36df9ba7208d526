// BMP files: round trips of every pixel format, the reader variants (ImageMagick's files and
// hand-made ones), and damaged files.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "tests/graphics/bitmap_fixtures.h"

using namespace gfxtest;
using gfx::TRGBQuad;

namespace {

void Put16(std::vector<uint8_t>& v, size_t at, uint32_t x) { v[at] = uint8_t(x); v[at + 1] = uint8_t(x >> 8); }
void Put32(std::vector<uint8_t>& v, size_t at, uint32_t x) { Put16(v, at, x); Put16(v, at + 2, x >> 16); }
uint32_t Get32(const std::vector<uint8_t>& v, size_t at)
{
    return uint32_t(v[at]) | uint32_t(v[at + 1]) << 8 | uint32_t(v[at + 2]) << 16 | uint32_t(v[at + 3]) << 24;
}

// A BMP file assembled from its parts, as a writer other than ours would make it.
struct BmpSpec {
    uint32_t HeaderSize = 40;
    int32_t Width = 0, Height = 0;
    uint16_t BitCount = 8;
    uint32_t Compression = 0;
    uint32_t ColorsUsed = 0;
    std::vector<uint8_t> Masks;    // behind a 40-byte header, or inside a longer one
    std::vector<uint8_t> Palette;  // raw entries
    std::vector<uint8_t> Pixels;
};

std::vector<uint8_t> MakeBmp(const BmpSpec& s)
{
    size_t masksBehind = s.HeaderSize == 40 ? s.Masks.size() : 0;
    size_t offset = 14 + s.HeaderSize + masksBehind + s.Palette.size();
    std::vector<uint8_t> f(offset, 0);
    f[0] = 'B';
    f[1] = 'M';
    Put32(f, 2, uint32_t(offset + s.Pixels.size()));
    Put32(f, 10, uint32_t(offset));
    Put32(f, 14, s.HeaderSize);
    if (s.HeaderSize == 12) {
        Put16(f, 18, uint32_t(s.Width));
        Put16(f, 20, uint32_t(s.Height));
        Put16(f, 22, 1);
        Put16(f, 24, s.BitCount);
    } else {
        Put32(f, 18, uint32_t(s.Width));
        Put32(f, 22, uint32_t(s.Height));
        Put16(f, 26, 1);
        Put16(f, 28, s.BitCount);
        Put32(f, 30, s.Compression);
        Put32(f, 34, uint32_t(s.Pixels.size()));
        Put32(f, 46, s.ColorsUsed);
        if (!s.Masks.empty())
            std::memcpy(&f[54], s.Masks.data(), s.Masks.size());  // behind or inside the header
    }
    if (!s.Palette.empty())
        std::memcpy(&f[14 + s.HeaderSize + masksBehind], s.Palette.data(), s.Palette.size());
    f.insert(f.end(), s.Pixels.begin(), s.Pixels.end());
    return f;
}

std::vector<uint8_t> Quads(std::initializer_list<TColor> colours)
{
    std::vector<uint8_t> v;
    for (TColor c : colours)
        v.insert(v.end(), {gfx::GetBValue(c), gfx::GetGValue(c), gfx::GetRValue(c), 0});
    return v;
}

std::vector<uint8_t> Masks(std::initializer_list<uint32_t> masks)
{
    std::vector<uint8_t> v(masks.size() * 4);
    size_t i = 0;
    for (uint32_t m : masks)
        Put32(v, 4 * i++, m);
    return v;
}

void ExpectInvalid(const std::vector<uint8_t>& bytes, const char* what)
{
    try {
        Loaded(bytes);
        ADD_FAILURE() << what << ": loaded";
    } catch (const rtl::EInvalidGraphic& e) {
        EXPECT_EQ(e.Message(), "Bitmap image is not valid") << what;
    } catch (const std::exception& e) {
        ADD_FAILURE() << what << ": " << e.what();
    }
}

}  // namespace

// ---- round trips ---------------------------------------------------------------------------

TEST(BmpRoundTrip, EveryPixelFormatComesBackWithItsPixels)
{
    struct Case {
        TPixelFormat Saved, Loaded;
    } cases[] = {
        {TPixelFormat::pf1bit, TPixelFormat::pf1bit},   {TPixelFormat::pf4bit, TPixelFormat::pf4bit},
        {TPixelFormat::pf8bit, TPixelFormat::pf8bit},   {TPixelFormat::pf15bit, TPixelFormat::pf24bit},
        {TPixelFormat::pf16bit, TPixelFormat::pf24bit}, {TPixelFormat::pf24bit, TPixelFormat::pf24bit},
        {TPixelFormat::pf32bit, TPixelFormat::pf32bit}, {TPixelFormat::pfDevice, TPixelFormat::pf32bit},
    };
    for (const Case& c : cases) {
        for (int w : {1, 5, 13}) {
            SCOPED_TRACE(testing::Message() << "format " << int(c.Saved) << " width " << w);
            TBitmap original = Patterned(w, 3, c.Saved);
            auto s = Saved(original);
            TBitmap back;
            back.LoadFromStream(s);
            EXPECT_EQ(back.PixelFormat(), c.Loaded);
            EXPECT_EQ(s.Position(), s.Size());
            ExpectSamePixels(original, back);
            if (gfx::IsIndexed(c.Saved)) {
                for (size_t i = 0; i < original.Palette().size(); ++i)
                    EXPECT_EQ(back.Palette()[i].Red, original.Palette()[i].Red);
            }
        }
    }
}

TEST(BmpRoundTrip, WriterLaysOutHeaderPaletteAndBottomUpRows)
{
    TBitmap b(5, 3, TPixelFormat::pf8bit);
    b.ScanLineW(0)[0] = 7;  // top row
    b.ScanLineW(2)[0] = 9;  // bottom row
    auto s = Saved(b);
    auto f = BytesOf(s);
    ASSERT_EQ(f.size(), 1078u + 3 * 8);
    EXPECT_EQ(f[0], 'B');
    EXPECT_EQ(Get32(f, 2), 1078u + 24);
    EXPECT_EQ(Get32(f, 10), 1078u);
    EXPECT_EQ(Get32(f, 14), 40u);
    EXPECT_EQ(Get32(f, 18), 5u);
    EXPECT_EQ(Get32(f, 22), 3u);
    EXPECT_EQ(f[28], 8);
    EXPECT_EQ(Get32(f, 30), 0u);
    EXPECT_EQ(f[1078], 9);      // first stored row is the bottom one
    EXPECT_EQ(f[1078 + 16], 7);

    TBitmap device(2, 2);
    auto d = BytesOf(*std::make_unique<rtl::TMemoryStream>(Saved(device)));
    EXPECT_EQ(d[28], 32);
    EXPECT_EQ(Get32(d, 30), 0u);  // BI_RGB
}

TEST(BmpRoundTrip, EmptyAndRowlessBitmapsLoad)
{
    TBitmap empty;
    auto s = Saved(empty);
    TBitmap back(3, 3);
    back.LoadFromStream(s);
    EXPECT_EQ(back.Width(), 0);
    EXPECT_EQ(back.Height(), 0);

    // The GIF codec's stream for a sub-image of height 0: headers and a 256-entry palette only.
    BmpSpec spec;
    spec.Width = 7;
    spec.Height = 0;
    spec.Palette.assign(1024, 0);
    TBitmap rowless = Loaded(MakeBmp(spec));
    EXPECT_EQ(rowless.Width(), 7);
    EXPECT_EQ(rowless.Height(), 0);
    EXPECT_FALSE(rowless.HandleAllocated());
}

// ---- ImageMagick's files ---------------------------------------------------------------

struct MagickCase {
    const char* Name;
    const char* Args;  // source and options, before the output file
    const char* Format;
    TPixelFormat Expected;
    bool Alpha = false;
    int Tolerance = 1;  // per channel
};

class BmpFromImageMagick : public testing::TestWithParam<MagickCase> {};

TEST_P(BmpFromImageMagick, ReadsAsImageMagickDoes)
{
    if (ConvertTool().empty())
        FAIL() << "ImageMagick's convert is not installed (Debian package imagemagick; scripts/test installs it)";
    const MagickCase& c = GetParam();
    std::string dir = TestFolder(std::string("magick-") + c.Name);
    std::string bmp = dir + "/x.bmp", raw = dir + "/x.rgba";
    ASSERT_TRUE(RunConvert(std::string("-seed 7 ") + c.Args + " " + c.Format + ":" + bmp));
    ASSERT_TRUE(RunConvert(bmp + " -depth 8 RGBA:" + raw));
    auto bytes = ReadFileBytes(bmp);
    auto ref = ReadFileBytes(raw);

    TBitmap b = Loaded(bytes);
    EXPECT_EQ(b.PixelFormat(), c.Expected);
    ASSERT_EQ(ref.size(), size_t(b.Width()) * b.Height() * 4);
    int bad = 0;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) {
            const uint8_t* r = &ref[(size_t(y) * b.Width() + x) * 4];
            TColor p = b.GetPixel(x, y);
            int t = c.Tolerance;
            bool same = std::abs(gfx::GetRValue(p) - r[0]) <= t && std::abs(gfx::GetGValue(p) - r[1]) <= t &&
                        std::abs(gfx::GetBValue(p) - r[2]) <= t;
            if (c.Alpha)
                same = same && std::abs(b.ScanLine(y)[x * 4 + 3] - r[3]) <= t;
            if (!same && bad++ < 5)
                ADD_FAILURE() << x << "," << y << std::hex << ": ours " << p << ", ImageMagick " << int(r[0]) << " "
                              << int(r[1]) << " " << int(r[2]) << " " << int(r[3]);
        }
    EXPECT_EQ(bad, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Variants, BmpFromImageMagick,
    testing::Values(
        MagickCase{"pal8", "-size 21x11 plasma:fractal -colors 200 -type palette -compress None", "BMP3",
                   TPixelFormat::pf8bit},
        MagickCase{"pal4", "-size 9x4 gradient:red-blue -colors 16 -type palette -compress None", "BMP3",
                   TPixelFormat::pf4bit},
        MagickCase{"grey4", "-size 7x5 gradient: -type palette", "BMP3", TPixelFormat::pf4bit},
        MagickCase{"mono", "-size 13x3 pattern:checkerboard -monochrome", "BMP3", TPixelFormat::pf1bit},
        MagickCase{"rgb24", "-size 5x6 gradient:red-blue -type truecolor", "BMP3", TPixelFormat::pf24bit},
        MagickCase{"v5rgb24", "-size 6x5 gradient:yellow-navy -type truecolor", "BMP", TPixelFormat::pf24bit},
        MagickCase{"v5alpha32", "-size 6x4 gradient:red-blue -alpha set -channel A -evaluate set 50%", "BMP",
                   TPixelFormat::pf32bit, true},
        MagickCase{"bmp4define", "-size 6x5 gradient:yellow-navy -type truecolor -define bmp:format=bmp4", "BMP",
                   TPixelFormat::pf24bit},
        MagickCase{"core24", "-size 6x4 gradient:red-blue -type truecolor", "BMP2", TPixelFormat::pf24bit},
        MagickCase{"core8", "-size 10x3 plasma:fractal -colors 100 -type palette", "BMP2", TPixelFormat::pf8bit},
        MagickCase{"rle8", "-size 37x9 plasma:fractal -colors 60 -type palette -compress RLE", "BMP3",
                   TPixelFormat::pf8bit},
        MagickCase{"rle8flat", "-size 300x4 xc:navy -fill red -draw 'point 3,1' -type palette -compress RLE", "BMP3",
                   TPixelFormat::pf8bit},
        MagickCase{"rgb565", "-size 5x3 gradient:red-blue -define bmp:subtype=RGB565", "BMP", TPixelFormat::pf24bit},
        MagickCase{"rgb555", "-size 5x3 gradient:lime-blue -define bmp:subtype=RGB555", "BMP", TPixelFormat::pf24bit},
        // ImageMagick widens 4-bit fields by shifting (15 -> 240); we scale them to the full range (15 -> 255).
        MagickCase{"argb4444",
                   "-size 5x3 gradient:red-blue -alpha set -channel A -evaluate set 50% -define bmp:subtype=ARGB4444",
                   "BMP", TPixelFormat::pf32bit, true, 16}),
    [](const testing::TestParamInfo<MagickCase>& info) { return std::string(info.param.Name); });

// ---- hand-made variants ---------------------------------------------------------------------

TEST(BmpRead, Rle4RunsAbsoluteDeltaAndLineEnds)
{
    BmpSpec s;
    s.Width = 8;
    s.Height = 3;
    s.BitCount = 4;
    s.Compression = 2;
    for (int i = 0; i < 16; ++i)
        s.Palette.insert(s.Palette.end(), {uint8_t(i), uint8_t(i * 16), 0, 0});
    s.Pixels = {
        4, 0x12,             // bottom row: 1 2 1 2
        0, 3, 0x34, 0x50,    // absolute 3, 4, 5 (padded to a word)
        0, 0,                // end of line
        0, 2, 2, 1,          // delta: right 2, up 1 -> row 2 column 2
        3, 0xCD,             // C D C
        0, 1,                // end of bitmap
    };
    TBitmap b = Loaded(MakeBmp(s));
    ASSERT_EQ(b.PixelFormat(), TPixelFormat::pf4bit);
    auto index = [&](int x, int y) { return (b.ScanLine(y)[x / 2] >> (x % 2 ? 0 : 4)) & 15; };
    int bottom[] = {1, 2, 1, 2, 3, 4, 5, 0};
    for (int x = 0; x < 8; ++x)
        EXPECT_EQ(index(x, 2), bottom[x]) << x;
    int top[] = {0, 0, 0xC, 0xD, 0xC, 0, 0, 0};
    for (int x = 0; x < 8; ++x) {
        EXPECT_EQ(index(x, 0), top[x]) << x;
        EXPECT_EQ(index(x, 1), 0) << x;  // the middle row's start was skipped by the delta
    }
    EXPECT_EQ(b.GetPixel(4, 2), gfx::RGB(0, 3 * 16, 3));
}

TEST(BmpRead, Rle8RunsClippedAtTheRowEnd)
{
    BmpSpec s;
    s.Width = 3;
    s.Height = 2;
    s.Compression = 1;
    s.Palette = Quads({gfx::clBlack, gfx::RGB(255, 0, 0), gfx::RGB(0, 255, 0)});
    s.ColorsUsed = 3;
    s.Pixels = {5, 1, 0, 0, 0, 3, 2, 1, 2, 0, 0, 1};  // run longer than the row; absolute 2 1 2
    TBitmap b = Loaded(MakeBmp(s));
    for (int x = 0; x < 3; ++x)
        EXPECT_EQ(b.GetPixel(x, 1), gfx::RGB(255, 0, 0));
    EXPECT_EQ(b.GetPixel(0, 0), gfx::RGB(0, 255, 0));
    EXPECT_EQ(b.GetPixel(1, 0), gfx::RGB(255, 0, 0));
    EXPECT_EQ(b.Palette().size(), 256u);
}

TEST(BmpRead, HeaderVariants)
{
    const TColor red = gfx::RGB(255, 0, 0), blue = gfx::RGB(0, 0, 255);
    struct Case {
        const char* Name;
        std::function<BmpSpec()> Make;
        TPixelFormat Expected;
        TColor TopLeft, BottomRight;
    };
    auto topDown24 = [&] {
        BmpSpec s;
        s.Width = 2;
        s.Height = -2;
        s.BitCount = 24;
        s.Pixels = {0, 0, 255, 9, 9, 9, 0, 0, 9, 9, 9, 255, 0, 0, 0, 0};  // first row is the top
        return s;
    };
    auto bitfields565 = [&] {
        BmpSpec s;
        s.Width = 2;
        s.Height = 1;
        s.BitCount = 16;
        s.Compression = 3;
        s.Masks = Masks({0xF800, 0x07E0, 0x001F});
        s.Pixels = {0x00, 0xF8, 0x1F, 0x00};
        return s;
    };
    auto alphaBitfields = [&] {
        BmpSpec s;
        s.Width = 2;
        s.Height = 1;
        s.BitCount = 32;
        s.Compression = 6;
        s.Masks = Masks({0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000});  // R and B swapped
        s.Pixels = {255, 0, 0, 128, 0, 0, 255, 255};
        return s;
    };
    auto rgb555 = [&] {
        BmpSpec s;
        s.Width = 2;
        s.Height = 1;
        s.BitCount = 16;
        s.Pixels = {0x00, 0x7C, 0x1F, 0x00};
        return s;
    };
    auto fewColours = [&] {
        BmpSpec s;
        s.Width = 2;
        s.Height = 1;
        s.ColorsUsed = 2;
        s.Palette = Quads({red, blue});
        s.Pixels = {0, 1, 0, 0};
        return s;
    };
    auto core8 = [&] {
        BmpSpec s;
        s.HeaderSize = 12;
        s.Width = 2;
        s.Height = 1;
        s.Palette.assign(256 * 3, 0);
        s.Palette[3 * 4 + 2] = 255;  // entry 4 red
        s.Palette[3 * 5 + 0] = 255;  // entry 5 blue
        s.Pixels = {4, 5, 0, 0};
        return s;
    };
    auto os2v2 = [&] {
        BmpSpec s = fewColours();
        s.HeaderSize = 64;
        return s;
    };
    auto v4 = [&] {
        BmpSpec s = bitfields565();
        s.HeaderSize = 108;
        return s;
    };
    auto v3 = [&] {
        BmpSpec s = alphaBitfields();
        s.HeaderSize = 56;
        s.Compression = 3;
        return s;
    };
    Case cases[] = {
        {"top-down 24", topDown24, TPixelFormat::pf24bit, red, blue},
        {"bitfields 565", bitfields565, TPixelFormat::pf24bit, red, blue},
        {"alpha bitfields", alphaBitfields, TPixelFormat::pf32bit, red, blue},
        {"16-bit 555", rgb555, TPixelFormat::pf24bit, red, blue},
        {"two used colours", fewColours, TPixelFormat::pf8bit, red, blue},
        {"core header", core8, TPixelFormat::pf8bit, red, blue},
        {"OS/2 2.x header", os2v2, TPixelFormat::pf8bit, red, blue},
        {"V4 header", v4, TPixelFormat::pf24bit, red, blue},
        {"V3 header with alpha mask", v3, TPixelFormat::pf32bit, red, blue},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TBitmap b = Loaded(MakeBmp(c.Make()));
        EXPECT_EQ(b.PixelFormat(), c.Expected);
        EXPECT_EQ(b.GetPixel(0, 0), c.TopLeft);
        EXPECT_EQ(b.GetPixel(b.Width() - 1, b.Height() - 1), c.BottomRight);
    }
    TBitmap alpha = Loaded(MakeBmp(alphaBitfields()));
    EXPECT_EQ(alpha.ScanLine(0)[3], 128);
}

TEST(BmpRead, GifCodecStreamLoadsAsIndexedRows)
{
    // 8 bits, 1078-byte header with a 256-entry palette, bottom-up rows padded to 4.
    BmpSpec s;
    s.Width = 5;
    s.Height = 2;
    s.Palette.assign(1024, 0);
    s.Palette[4 * 200 + 1] = 255;  // entry 200 green
    s.Pixels = {200, 1, 2, 3, 4, 0, 0, 0, 9, 8, 7, 6, 200, 0, 0, 0};
    auto bytes = MakeBmp(s);
    ASSERT_EQ(Get32(bytes, 10), 1078u);
    TBitmap b = Loaded(bytes);
    EXPECT_EQ(b.PixelFormat(), TPixelFormat::pf8bit);
    EXPECT_EQ(std::vector<uint8_t>(b.ScanLine(0), b.ScanLine(0) + 5), (std::vector<uint8_t>{9, 8, 7, 6, 200}));
    EXPECT_EQ(std::vector<uint8_t>(b.ScanLine(1), b.ScanLine(1) + 5), (std::vector<uint8_t>{200, 1, 2, 3, 4}));
    EXPECT_EQ(b.GetPixel(4, 0), gfx::RGB(0, 255, 0));
}

// ---- damaged files ----------------------------------------------------------------------

TEST(BmpRead, DamagedFilesRaiseBitmapImageIsNotValid)
{
    BmpSpec good;
    good.Width = 4;
    good.Height = 4;
    good.Palette = Quads({gfx::clBlack, gfx::clWhite});
    good.ColorsUsed = 2;
    good.Pixels.assign(16, 1);
    const auto base = MakeBmp(good);
    ASSERT_NO_THROW(Loaded(base));

    BmpSpec rle = good;
    rle.Compression = 1;
    rle.Pixels = {4, 1, 0, 0, 4, 1, 0, 0, 4, 1, 0, 0, 4, 1, 0, 1};
    const auto rleBase = MakeBmp(rle);
    ASSERT_NO_THROW(Loaded(rleBase));

    struct Case {
        const char* Name;
        std::function<std::vector<uint8_t>()> Make;
    } cases[] = {
        {"empty", [] { return std::vector<uint8_t>(); }},
        {"signature", [&] { auto f = base; f[1] = 'X'; return f; }},
        {"cut in the file header", [&] { return std::vector<uint8_t>(base.begin(), base.begin() + 10); }},
        {"cut in the info header", [&] { return std::vector<uint8_t>(base.begin(), base.begin() + 30); }},
        {"cut in the palette", [&] { return std::vector<uint8_t>(base.begin(), base.begin() + 58); }},
        {"cut in the rows", [&] { return std::vector<uint8_t>(base.begin(), base.end() - 5); }},
        {"pixel offset past the end", [&] { auto f = base; Put32(f, 10, 100000); return f; }},
        {"pixel offset inside the header", [&] { auto f = base; Put32(f, 10, 20); return f; }},
        {"header size", [&] { auto f = base; Put32(f, 14, 99); return f; }},
        {"bit count", [&] { auto f = base; Put16(f, 28, 7); return f; }},
        {"compression", [&] { auto f = base; Put32(f, 30, 9); return f; }},
        {"JPEG inside", [&] { auto f = base; Put32(f, 30, 4); return f; }},
        {"RLE8 on 24 bits", [&] { auto f = base; Put16(f, 28, 24); Put32(f, 30, 1); return f; }},
        {"bit fields on 8 bits", [&] { auto f = base; Put32(f, 30, 3); return f; }},
        {"negative width", [&] { auto f = base; Put32(f, 18, uint32_t(-4)); return f; }},
        {"huge dimensions", [&] { auto f = base; Put32(f, 18, 60000); Put32(f, 22, 60000); return f; }},
        {"rows beyond the data", [&] { auto f = base; Put32(f, 22, 5000); return f; }},
        {"lowest height", [&] { auto f = base; Put32(f, 22, 0x80000000u); return f; }},
        {"huge RLE dimensions", [&] { auto f = rleBase; Put32(f, 18, 60000); Put32(f, 22, 60000); return f; }},
        {"RLE cut short", [&] { return std::vector<uint8_t>(rleBase.begin(), rleBase.end() - 6); }},
        {"RLE absolute run past the data", [&] { auto f = rleBase; f[f.size() - 2] = 0; f[f.size() - 1] = 40; return f; }},
        {"top-down RLE", [&] { auto f = rleBase; Put32(f, 22, uint32_t(-4)); return f; }},
        {"bit fields without masks", [&] {
             BmpSpec s;
             s.Width = 1; s.Height = 1; s.BitCount = 32; s.Compression = 3;
             s.Masks = Masks({0, 0, 0}); s.Pixels.assign(4, 0);
             return MakeBmp(s);
         }},
        {"scattered mask", [&] {
             BmpSpec s;
             s.Width = 1; s.Height = 1; s.BitCount = 16; s.Compression = 3;
             s.Masks = Masks({0xF00F, 0x07E0, 0x001F}); s.Pixels.assign(4, 0);
             return MakeBmp(s);
         }},
    };
    for (const Case& c : cases)
        ExpectInvalid(c.Make(), c.Name);
}

TEST(BmpRead, FailedLoadKeepsTheBitmap)
{
    TBitmap b = Patterned(3, 2, TPixelFormat::pf24bit);
    TBitmap before = b;
    auto bad = StreamOf({'B', 'M', 1, 2, 3});
    EXPECT_THROW(b.LoadFromStream(bad), rtl::EInvalidGraphic);
    EXPECT_EQ(b.PixelFormat(), TPixelFormat::pf24bit);
    ExpectSamePixels(b, before);
}

TEST(BmpRead, StartsAtTheStreamPosition)
{
    TBitmap original = Patterned(3, 3, TPixelFormat::pf24bit);
    auto saved = Saved(original);
    rtl::TMemoryStream s;
    s.WriteBuffer("junk", 4);
    s.CopyFrom(saved, 0);
    s.SetPosition(4);
    TBitmap b;
    b.LoadFromStream(s);
    ExpectSamePixels(b, original);
}
