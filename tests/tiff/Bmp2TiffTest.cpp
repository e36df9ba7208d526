// The writer: byte-exact layouts of both kinds, the refusals, and files read back.
#include "tiff/Bmp2Tiff.h"

#include <gtest/gtest.h>

#include "framework/graphics/Dib.h"
#include "framework/ui/Seam.h"
#include "tests/tiff/LibTiffPeer.h"
#include "tests/tiff/TiffBuilder.h"
#include "tiff/ReadTiff.h"

using namespace tifftest;
using gfx::RGB;
using gfx::TBitmap;
using gfx::TPixelFormat;

namespace {

uint16_t U16(const std::vector<uint8_t>& f, size_t at) { return uint16_t(f.at(at) | f.at(at + 1) << 8); }
uint32_t U32(const std::vector<uint8_t>& f, size_t at) { return U16(f, at) | uint32_t(U16(f, at + 2)) << 16; }

std::vector<uint8_t> Write(const TBitmap& bitmap)
{
    rtl::TMemoryStream stream;
    tif::WriteTiffToStream(stream, bitmap);
    const uint8_t* p = stream.Memory();
    return std::vector<uint8_t>(p, p + stream.Size());
}

TBitmap Palette8(int w, int h)
{
    TBitmap b(w, h, TPixelFormat::pf8bit);
    auto& pal = b.Palette();
    // Blue i, green 255 - i, red i / 2.
    for (int i = 0; i < 256; ++i) pal[i] = gfx::TRGBQuad{uint8_t(i), uint8_t(255 - i), uint8_t(i / 2), 0};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) b.ScanLineW(y)[x] = uint8_t(y * 16 + x);
    return b;
}

TBitmap Colour(int w, int h, TPixelFormat pf)
{
    TBitmap b(w, h, pf);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) b.SetPixel(x, y, RGB(uint8_t(10 + x * 40), uint8_t(200 - y * 30), uint8_t(x * y + 5)));
    return b;
}

struct Expect {
    uint16_t tag, type;
    uint32_t count, value;
};

void CheckIfd(const std::vector<uint8_t>& f, uint32_t at, const std::vector<Expect>& entries)
{
    ASSERT_EQ(U16(f, at), entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        size_t e = at + 2 + 12 * i;
        const Expect& x = entries[i];
        EXPECT_EQ(U16(f, e), x.tag) << i;
        EXPECT_EQ(U16(f, e + 2), x.type) << x.tag;
        EXPECT_EQ(U32(f, e + 4), x.count) << x.tag;
        EXPECT_EQ(U32(f, e + 8), x.value) << x.tag;
    }
    EXPECT_EQ(U32(f, at + 2 + 12 * entries.size()), 0u);
    EXPECT_EQ(f.size(), at + 2 + 12 * entries.size() + 4);
}

void CheckCommon(const std::vector<uint8_t>& f, uint32_t xres, uint32_t software)
{
    EXPECT_EQ(f[0], 'I');
    EXPECT_EQ(f[1], 'I');
    EXPECT_EQ(U16(f, 2), 42);
    EXPECT_EQ(U32(f, xres), 877u);
    EXPECT_EQ(U32(f, xres + 4), 10u);
    EXPECT_EQ(U32(f, xres + 8), 877u);
    EXPECT_EQ(U32(f, xres + 12), 10u);
    EXPECT_EQ(std::string(f.begin() + software, f.begin() + software + 10), "TiffWriter");
}

TEST(WriteTiff, EightBitPaletteLayout)
{
    const std::vector<uint8_t> f = Write(Palette8(10, 3));
    ASSERT_EQ(f.size(), 1786u);
    EXPECT_EQ(U32(f, 4), 1600u);
    CheckCommon(f, 1544, 1560);
    for (int i : {0, 1, 128, 255}) {
        EXPECT_EQ(U16(f, 8 + 2 * i), uint16_t((i / 2) << 8)) << i;
        EXPECT_EQ(U16(f, 8 + 512 + 2 * i), uint16_t((255 - i) << 8)) << i;
        EXPECT_EQ(U16(f, 8 + 1024 + 2 * i), uint16_t(i << 8)) << i;
    }
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 10; ++x) EXPECT_EQ(f[1570 + 10 * y + x], y * 16 + x);
    CheckIfd(f, 1600,
             {{254, 4, 1, 0}, {256, 3, 1, 10}, {257, 3, 1, 3}, {258, 3, 1, 8}, {259, 3, 1, 1}, {262, 3, 1, 3},
              {273, 4, 1, 1570}, {277, 3, 1, 1}, {278, 4, 1, 3}, {279, 4, 1, 30}, {282, 5, 1, 1544},
              {283, 5, 1, 1552}, {296, 3, 1, 2}, {305, 2, 10, 1560}, {320, 3, 768, 8}});
}

TEST(WriteTiff, RgbLayout)
{
    for (TPixelFormat pf : {TPixelFormat::pf24bit, TPixelFormat::pf32bit, TPixelFormat::pfDevice}) {
        const std::vector<uint8_t> f = Write(Colour(2, 2, pf));
        ASSERT_EQ(f.size(), 238u);
        EXPECT_EQ(U32(f, 4), 52u);
        CheckCommon(f, 8, 30);
        EXPECT_EQ(U16(f, 24), 8);
        EXPECT_EQ(U16(f, 26), 8);
        EXPECT_EQ(U16(f, 28), 8);
        const std::vector<uint8_t> pixels(f.begin() + 40, f.begin() + 52);
        EXPECT_EQ(pixels, (std::vector<uint8_t>{10, 200, 5, 50, 200, 5, 10, 170, 5, 50, 170, 6}));
        CheckIfd(f, 52,
                 {{254, 4, 1, 0}, {256, 3, 1, 2}, {257, 3, 1, 2}, {258, 3, 3, 24}, {259, 3, 1, 1}, {262, 3, 1, 2},
                  {273, 4, 1, 40}, {277, 3, 1, 3}, {278, 4, 1, 2}, {279, 4, 1, 12}, {282, 5, 1, 8}, {283, 5, 1, 16},
                  {284, 3, 1, 1}, {296, 3, 1, 2}, {305, 2, 10, 30}});
    }
}

TEST(WriteTiff, ThirtyTwoBitsGiveTheFileOfTwentyFour)
{
    for (int w : {7, 37}) {
        TBitmap b24 = Colour(w, 5, TPixelFormat::pf24bit);
        TBitmap b32 = Colour(w, 5, TPixelFormat::pf32bit);
        const std::vector<uint8_t> f = Write(b24);
        EXPECT_EQ(f, Write(b32)) << w;
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < w; ++x) {
                const gfx::TColor c = gfx::GetPixel(b24, x, y);
                const size_t at = 40 + (size_t(y) * w + x) * 3;
                ASSERT_EQ(gfx::RGB(f[at], f[at + 1], f[at + 2]), c) << w << " " << x << "," << y;
            }
    }
    TBitmap b16 = Colour(7, 5, TPixelFormat::pf24bit);
    b16.SetPixelFormat(TPixelFormat::pf16bit);
    TBitmap back(b16);
    back.SetPixelFormat(TPixelFormat::pf24bit);
    EXPECT_EQ(Write(b16), Write(back)) << "16 bits are written through 24";
}

TEST(WriteTiff, OnePixelPutsTheDirectoryAtAnOddOffset)
{
    const std::vector<uint8_t> f = Write(Colour(1, 1, TPixelFormat::pf24bit));
    EXPECT_EQ(U32(f, 4), 43u);
    EXPECT_EQ(U16(f, 43), 15);
    EXPECT_EQ(f.size(), 43u + 186u);
}

TEST(WriteTiff, FourBitsAreCutToAMultipleOfFourPixels)
{
    TBitmap b(5, 2, TPixelFormat::pf4bit);
    for (int i = 0; i < 16; ++i) b.Palette()[i] = gfx::TRGBQuad{uint8_t(i * 16), uint8_t(i * 8), uint8_t(i), 0};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 5; ++x) b.SetPixel(x, y, gfx::RGB(uint8_t(x + y), uint8_t((x + y) * 8), uint8_t((x + y) * 16)));
    const std::vector<uint8_t> f = Write(b);
    // Header, 3 x 32 bytes of map, 2 x 8 resolution, 10 text: image at 130, 2 rows of 2 bytes.
    EXPECT_EQ(U32(f, 4), 134u);
    EXPECT_EQ(f.size(), 134u + 186u);
    EXPECT_EQ(U16(f, 134 + 2 + 12 * 1 + 8), 4) << "width";
    EXPECT_EQ(U32(f, 134 + 2 + 12 * 6 + 8), 130u) << "strip offset";
    EXPECT_EQ(U32(f, 134 + 2 + 12 * 9 + 8), 4u) << "byte counts";
    EXPECT_EQ(U32(f, 134 + 2 + 12 * 14 + 4), 48u) << "colour map count";
    EXPECT_EQ((std::vector<uint8_t>(f.begin() + 130, f.begin() + 134)), (std::vector<uint8_t>{0x01, 0x23, 0x12, 0x34}));
}

TEST(WriteTiff, NothingForOneBitOrAnEmptyBitmap)
{
    EXPECT_TRUE(Write(TBitmap(8, 8, TPixelFormat::pf1bit)).empty());
    EXPECT_TRUE(Write(TBitmap()).empty());
    ScratchDir dir;
    const std::string path = dir.Write("old.tif", {1, 2, 3});
    tif::WriteTiffFile(path, TBitmap(3, 3, TPixelFormat::pf1bit));
    EXPECT_TRUE(ScratchDir::Read(path).empty()) << "the file is emptied";
}

TEST(WriteTiff, AFileThatCannotBeCreatedRaises)
{
    ScratchDir dir;
    EXPECT_THROW(tif::WriteTiffFile(dir.File("missing/x.tif"), Colour(2, 2, TPixelFormat::pf24bit)), rtl::Exception);
}

// Written files read back by the decoder and by libtiff give the picture written.
TEST(WriteTiff, RoundTrip)
{
    ScratchDir dir;
    TBitmap pal4(9, 3, TPixelFormat::pf4bit);
    for (int i = 0; i < 16; ++i) pal4.Palette()[i] = gfx::TRGBQuad{uint8_t(255 - i * 3), uint8_t(i * 17), uint8_t(i * 5), 0};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 9; ++x) {
            uint8_t* row = pal4.ScanLineW(y);
            uint8_t index = uint8_t((x + 3 * y) % 16);
            row[x / 2] = uint8_t(x % 2 ? (row[x / 2] & 0xF0) | index : (row[x / 2] & 0x0F) | index << 4);
        }
    struct Case {
        const char* name;
        TBitmap bitmap;
        int width;
    } cases[] = {
        {"palette 8", Palette8(13, 7), 13},
        {"palette 4", pal4, 8},
        {"rgb 24", Colour(11, 6, TPixelFormat::pf24bit), 11},
        {"rgb device", Colour(5, 9, TPixelFormat::pfDevice), 5},
        {"rgb wide", Colour(43, 4, TPixelFormat::pf24bit), 43},
    };
    for (const Case& c : cases) {
        const std::string path = dir.File("rt.tif");
        tif::WriteTiffFile(path, c.bitmap);
        ui::ScriptedSeam seam;
        TBitmap back;
        tif::ReadTiffFile(path, back);
        EXPECT_TRUE(seam.Messages.empty()) << c.name;
        ASSERT_EQ(back.Width(), c.width) << c.name;
        ASSERT_EQ(back.Height(), c.bitmap.Height()) << c.name;
        for (int y = 0; y < back.Height(); ++y)
            for (int x = 0; x < back.Width(); ++x)
                ASSERT_EQ(gfx::GetPixel(back, x, y), gfx::GetPixel(c.bitmap, x, y)) << c.name << " " << x << "," << y;
        std::vector<RgbaImage> ref = LibTiffImages(path);
        ASSERT_EQ(ref.size(), 1u) << c.name;
        EXPECT_EQ(Difference(back, ref[0]), "") << c.name;
    }
}

// A bitmap whose sizes do not fit the file's fields is refused with a range error before anything
// is written: a memory stream stays empty, a file stays empty.
TEST(WriteTiff, SizesOutOfRangeLeaveTheStreamEmpty)
{
    ScratchDir dir;
    for (TPixelFormat pf : {TPixelFormat::pf8bit, TPixelFormat::pf24bit, TPixelFormat::pfDevice}) {
        for (bool wide : {true, false}) {
            TBitmap bitmap(wide ? 70000 : 1, wide ? 1 : 70000, pf);
            rtl::TMemoryStream stream;
            EXPECT_THROW(tif::WriteTiffToStream(stream, bitmap), rtl::ERangeError) << int(pf) << wide;
            EXPECT_EQ(stream.Size(), 0) << int(pf) << wide;
            EXPECT_EQ(stream.Position(), 0) << int(pf) << wide;
            const std::string path = dir.File("wide.tif");
            EXPECT_THROW(tif::WriteTiffFile(path, bitmap), rtl::ERangeError);
            EXPECT_EQ(ScratchDir::Read(path).size(), 0u);
        }
    }
}

}  // namespace
