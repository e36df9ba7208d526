// The decoder: photometric dispatch, tag checks, palettes, strips and the bitmap built.
#include "tiff/ReadTiff.h"

#include <gtest/gtest.h>

#include "framework/graphics/Dib.h"
#include "framework/ui/Seam.h"
#include "tests/tiff/DecodeFixture.h"
#include "tests/tiff/TiffBuilder.h"

using namespace tifftest;
using gfx::RGB;
using gfx::TBitmap;
using gfx::TColor;

namespace {

TColor Grey(int v) { return RGB(uint8_t(v), uint8_t(v), uint8_t(v)); }

class DecodeTest : public MarkerDecodeTest {
protected:
    // Decodes the images into a marker bitmap; the messages shown are in seam.
    TBitmap Decode(const std::vector<ImageSpec>& images) { return DecodeBytes(MakeTiff(le(), images)); }
};

ImageSpec Grey8(uint32_t w, uint32_t h, std::vector<uint8_t> pixels, int32_t photometric = 1)
{
    ImageSpec s;
    s.Width = w;
    s.Height = h;
    s.Photometric = photometric;
    s.Bits = {8};
    s.Pixels = std::move(pixels);
    return s;
}

TEST_P(DecodeTest, GreyRowsAreReLaidWithAStride)
{
    TBitmap b = Decode({Grey8(3, 2, {0, 100, 200, 10, 20, 255})});
    EXPECT_TRUE(seam.Messages.empty());
    ASSERT_EQ(b.Width(), 3);
    ASSERT_EQ(b.Height(), 2);
    EXPECT_EQ(b.PixelFormat(), gfx::TPixelFormat::pfDevice);
    EXPECT_EQ(Pixels(b), (std::vector<TColor>{Grey(0), Grey(100), Grey(200), Grey(10), Grey(20), Grey(255)}));
}

TEST_P(DecodeTest, WhiteIsZeroInvertsTheGreyLevels)
{
    TBitmap b = Decode({Grey8(3, 1, {0, 100, 255}, 0)});
    EXPECT_EQ(Pixels(b), (std::vector<TColor>{Grey(255), Grey(155), Grey(0)}));
}

TEST_P(DecodeTest, FourBitGrey)
{
    struct Case {
        int32_t photometric;
        std::vector<TColor> expected;
    } cases[] = {{1, {Grey(255), Grey(17), Grey(0), Grey(136)}}, {0, {Grey(0), Grey(238), Grey(255), Grey(119)}}};
    for (const Case& c : cases) {
        ImageSpec s = Grey8(4, 1, {0xF1, 0x08}, c.photometric);
        s.Bits = {4};
        EXPECT_EQ(Pixels(Decode({s})), c.expected) << c.photometric;
    }
}

TEST_P(DecodeTest, Bilevel)
{
    struct Case {
        const char* name;
        std::vector<uint16_t> bits;
        int32_t photometric;
    } cases[] = {{"BlackIsZero", {1}, 1}, {"WhiteIsZero", {1}, 0}, {"no BitsPerSample", {}, 1}};
    for (const Case& c : cases) {
        // 32 pixels: rows of 4 bytes need no re-layout.
        ImageSpec s = Grey8(32, 2, {0x80, 0x00, 0x00, 0x01, 0xFF, 0xFF, 0x00, 0x00}, c.photometric);
        s.Bits = c.bits;
        TBitmap b = Decode({s});
        ASSERT_EQ(b.Width(), 32) << c.name;
        TColor on = c.photometric == 1 ? Grey(255) : Grey(0), off = c.photometric == 1 ? Grey(0) : Grey(255);
        EXPECT_EQ(gfx::GetPixel(b, 0, 0), on) << c.name;
        EXPECT_EQ(gfx::GetPixel(b, 1, 0), off) << c.name;
        EXPECT_EQ(gfx::GetPixel(b, 31, 0), on) << c.name;
        EXPECT_EQ(gfx::GetPixel(b, 15, 1), on) << c.name;
        EXPECT_EQ(gfx::GetPixel(b, 16, 1), off) << c.name;
    }
    EXPECT_TRUE(seam.Messages.empty());
}

// Grey depths the decoder does not read (2, 12, 16 bits, 32-bit floating point) are reported;
// the picture stays as it was.
TEST_P(DecodeTest, OtherGreyBitCountsAreReported)
{
    for (uint16_t bits : {2, 12, 16, 32}) {
        seam.Messages.clear();
        ImageSpec s = Grey8(2, 1, {1, 2, 3, 4, 5, 6, 7, 8});
        s.Bits = {bits};
        EXPECT_TRUE(IsMarker(Decode({s}))) << bits;
        EXPECT_EQ(seam.Texts(), std::vector<std::string>{"Error: Bits Per Sample (Gray Scale) not 1, 4 or 8"}) << bits;
    }
    // A later image still decodes.
    seam.Messages.clear();
    ImageSpec wide = Grey8(1, 1, {1, 2});
    wide.Bits = {16};
    EXPECT_EQ(Pixels(Decode({wide, Grey8(1, 1, {9})})), std::vector<TColor>{Grey(9)});
    EXPECT_EQ(seam.Messages.size(), 1u);
}

TEST_P(DecodeTest, PhotometricMissingOrOutOfRangeStopsTheFile)
{
    struct Case {
        int32_t photometric;
        const char* message;
    } cases[] = {{5, "Error evaluating Photometric interpretation: 5"},
                 {-1, "Error reading tag Photometric interpretation"}};
    for (const Case& c : cases) {
        seam.Messages.clear();
        ImageSpec bad = Grey8(1, 1, {7});
        bad.Photometric = c.photometric;
        EXPECT_TRUE(IsMarker(Decode({bad, Grey8(1, 1, {9})})));
        EXPECT_EQ(seam.Texts(), std::vector<std::string>{c.message});
        // Images before it stay.
        seam.Messages.clear();
        TBitmap b = Decode({Grey8(1, 1, {9}), bad, Grey8(1, 1, {30})});
        EXPECT_EQ(Pixels(b), std::vector<TColor>{Grey(9)});
        EXPECT_EQ(seam.Texts(), std::vector<std::string>{c.message});
    }
}

TEST_P(DecodeTest, RgbSampleSizes)
{
    struct Case {
        std::vector<uint16_t> bits;
        bool accepted;
    } cases[] = {{{8, 8, 8}, true}, {{16, 16, 16}, false}, {{8, 16, 16}, true}, {{16, 16, 8}, true}, {{8}, true}};
    for (const Case& c : cases) {
        seam.Messages.clear();
        ImageSpec s;
        s.Width = 2;
        s.Height = 2;
        s.Photometric = 2;
        s.Bits = c.bits;
        s.Pixels = {255, 0, 0, 0, 255, 0, 0, 0, 255, 10, 20, 30};
        TBitmap b = Decode({s});
        if (c.accepted) {
            EXPECT_TRUE(seam.Messages.empty());
            EXPECT_EQ(Pixels(b), (std::vector<TColor>{RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(10, 20, 30)}));
        } else {
            EXPECT_TRUE(IsMarker(b));
            EXPECT_EQ(seam.Texts(), std::vector<std::string>{"Error: Bits Per Sample (RGB) not 8"});
        }
    }
}

TEST_P(DecodeTest, RgbWithAnOddRowLength)
{
    ImageSpec s;
    s.Width = 3;
    s.Height = 2;
    s.Photometric = 2;
    s.Bits = {8, 8, 8};
    s.RowsPerStrip = 1;
    for (int i = 0; i < 18; ++i) s.Pixels.push_back(uint8_t(i * 10));
    TBitmap b = Decode({s});
    EXPECT_TRUE(seam.Messages.empty());
    EXPECT_EQ(gfx::GetPixel(b, 2, 0), RGB(60, 70, 80));
    EXPECT_EQ(gfx::GetPixel(b, 0, 1), RGB(90, 100, 110));
    EXPECT_EQ(gfx::GetPixel(b, 2, 1), RGB(150, 160, 170));
}

std::vector<uint16_t> Ramp(int n, uint16_t (*f)(int))
{
    std::vector<uint16_t> v;
    for (int a = 0; a < 3; ++a)
        for (int i = 0; i < n; ++i) v.push_back(f(a * 1000 + i));
    return v;
}

TEST_P(DecodeTest, PaletteColourMaps)
{
    // Red = index, green = 255 - index, blue = 7, each in the high byte.
    auto component = [](int code) -> uint16_t {
        int a = code / 1000, i = code % 1000;
        int v = a == 0 ? i : a == 1 ? 255 - i : 7;
        return uint16_t(v << 8 | 0x5A);
    };
    struct Case {
        const char* name;
        uint16_t bits;
        int entries;      // colour-map entries written
        int32_t count;    // ColorMap Count
        std::vector<uint8_t> pixels;
        std::vector<TColor> expected;
    } cases[] = {
        {"768", 8, 256, 768, {0, 200, 255, 3}, {RGB(0, 255, 7), RGB(200, 55, 7), RGB(255, 0, 7), RGB(3, 252, 7)}},
        {"48", 4, 16, 48, {0x0F, 0xA1}, {RGB(0, 255, 7), RGB(15, 240, 7), RGB(10, 245, 7), RGB(1, 254, 7)}},
        {"771", 8, 257, 771, {0, 200, 255, 3}, {Grey(0), Grey(200), Grey(255), Grey(3)}},
    };
    for (const Case& c : cases) {
        seam.Messages.clear();
        ImageSpec s;
        s.Width = 4;
        s.Height = 1;
        s.Photometric = 3;
        s.Bits = {c.bits};
        s.Pixels = c.pixels;
        s.ColorMap = Ramp(c.entries, +component);
        s.ColorMapCount = c.count;
        EXPECT_EQ(Pixels(Decode({s})), c.expected) << c.name;
        EXPECT_TRUE(seam.Messages.empty()) << c.name;
    }
}

TEST_P(DecodeTest, ColourMapKeepsTheHighByte)
{
    ImageSpec s;
    s.Width = 2;
    s.Height = 1;
    s.Photometric = 3;
    s.Bits = {8};
    s.Pixels = {0, 1};
    s.ColorMap = {0xFFFF, 0x00FF, 0x00FF, 0xFFFF, 0x8000, 0x7FFF};
    TBitmap b = Decode({s});
    EXPECT_EQ(Pixels(b), (std::vector<TColor>{RGB(255, 0, 128), RGB(0, 255, 127)}));
}

TEST_P(DecodeTest, TagChecksInTheirOrder)
{
    struct Case {
        const char* name;
        int32_t photometric;
        void (*change)(ImageSpec&);
        const char* message;
    } cases[] = {
        {"width", 1, [](ImageSpec& s) { s.WidthTag = false; }, "Error reading tag Image Width"},
        {"height", 2, [](ImageSpec& s) { s.HeightTag = false; }, "Error reading tag Image Height"},
        {"compression", 3, [](ImageSpec& s) { s.Compression = -1; }, "Error reading tag Compression"},
        {"width before height", 3, [](ImageSpec& s) { s.WidthTag = s.HeightTag = false; },
         "Error reading tag Image Width"},
        {"bilevel packed", 1, [](ImageSpec& s) { s.Compression = 32773; s.Bits = {1}; },
         "Cant read compressed bilevel image"},
        {"grey lzw", 0, [](ImageSpec& s) { s.Compression = 5; }, "Cant read compressed Gray Scale Image"},
        {"palette lzw", 3, [](ImageSpec& s) { s.Compression = 5; }, "Cant read compressed ColorPaletImage"},
        {"rgb lzw", 2, [](ImageSpec& s) { s.Compression = 5; }, "Cant read compressed RGB Full Color Image"},
        {"palette bits", 3, [](ImageSpec& s) { s.Bits = {}; }, "Error reading tag Bits Per Sample"},
        {"rgb bits", 2, [](ImageSpec& s) { s.Bits = {}; }, "Error reading tag Bits Per Sample"},
        {"colour map", 3, [](ImageSpec& s) { s.ColorMap.clear(); s.ColorMapCount = -1; },
         "Error reading tag Color Table Offset"},
        {"palette of 2 bits", 3, [](ImageSpec& s) { s.Bits = {2}; }, "Error reading image data"},
    };
    for (const Case& c : cases) {
        seam.Messages.clear();
        ImageSpec s;
        s.Width = 1;
        s.Height = 1;
        s.Photometric = c.photometric;
        s.Bits = c.photometric == 2 ? std::vector<uint16_t>{8, 8, 8} : std::vector<uint16_t>{8};
        s.Pixels = {1, 2, 3};
        if (c.photometric == 3) s.ColorMap = std::vector<uint16_t>(768, 0x4000);
        c.change(s);
        EXPECT_TRUE(IsMarker(Decode({s}))) << c.name;
        EXPECT_EQ(seam.Texts(), std::vector<std::string>{c.message}) << c.name;
    }
}

TEST_P(DecodeTest, ASecondImageThatIsCompressed)
{
    ImageSpec lzw = Grey8(1, 1, {50});
    lzw.Compression = 5;
    TBitmap b = Decode({Grey8(2, 1, {9, 10}), lzw});
    EXPECT_EQ(Pixels(b), (std::vector<TColor>{Grey(9), Grey(10)}));
    EXPECT_EQ(seam.Texts(), std::vector<std::string>{"Cant read compressed Gray Scale Image"});
}

// Every image's problem is shown once, in the order of the chain, until a photometric problem
// ends the file; what decoded last is the picture.
TEST_P(DecodeTest, ProblemsOfSeveralImagesInChainOrder)
{
    ImageSpec lzw = Grey8(1, 1, {50});
    lzw.Compression = 5;
    ImageSpec wide = Grey8(1, 1, {1, 2});
    wide.Bits = {16};
    ImageSpec noWidth = Grey8(1, 1, {3});
    noWidth.WidthTag = false;
    ImageSpec bad = Grey8(1, 1, {7});
    bad.Photometric = 5;
    TBitmap b = Decode({lzw, Grey8(1, 1, {20}), wide, noWidth, bad, Grey8(1, 1, {90})});
    EXPECT_EQ(Pixels(b), std::vector<TColor>{Grey(20)});
    EXPECT_EQ(seam.Texts(), (std::vector<std::string>{"Cant read compressed Gray Scale Image",
                                                      "Error: Bits Per Sample (Gray Scale) not 1, 4 or 8",
                                                      "Error reading tag Image Width",
                                                      "Error evaluating Photometric interpretation: 5"}));
}

TEST_P(DecodeTest, TheLastImageWins)
{
    TBitmap b = Decode({Grey8(2, 1, {9, 10}), Grey8(1, 2, {70, 80})});
    EXPECT_EQ(Pixels(b), (std::vector<TColor>{Grey(70), Grey(80)}));
}

TEST_P(DecodeTest, SeveralStrips)
{
    ImageSpec s = Grey8(3, 5, {});
    for (int i = 0; i < 15; ++i) s.Pixels.push_back(uint8_t(i * 17));
    s.RowsPerStrip = 2;
    TBitmap b = Decode({s});
    EXPECT_TRUE(seam.Messages.empty());
    ASSERT_EQ(b.Height(), 5);
    EXPECT_EQ(gfx::GetPixel(b, 2, 4), Grey(14 * 17));
    EXPECT_EQ(gfx::GetPixel(b, 0, 3), Grey(9 * 17));
}

// Strip data that does not hold the image, or a strip table that cannot be used.
TEST_P(DecodeTest, InconsistentStripsAreReported)
{
    struct Case {
        const char* name;
        std::vector<uint8_t> (*make)(bool le);
    } cases[] = {
        {"truncated strip", [](bool le) {
             auto bytes = MakeTiff(le, {Grey8(4, 4, std::vector<uint8_t>(16, 3))});
             // Move the strip so that it runs past the end of the file.
             TiffBuilder b(le);
             b.Bytes = bytes;
             b.SetFirstIfd(b.Ifd({{256, SHORT, 1, 4}, {257, SHORT, 1, 4}, {258, SHORT, 1, 8}, {259, SHORT, 1, 1},
                                  {262, SHORT, 1, 1}, {273, LONG, 1, b.Pos() + 100}, {278, LONG, 1, 4},
                                  {279, LONG, 1, 16}}));
             return b.Bytes;
         }},
        {"fewer rows than the image", [](bool le) { return MakeTiff(le, {Grey8(4, 4, std::vector<uint8_t>(8, 3))}); }},
        {"rows per strip 0", [](bool le) {
             ImageSpec s = Grey8(4, 2, std::vector<uint8_t>(8, 3));
             TiffBuilder b(le);
             b.SetFirstIfd(AddImage(b, s));
             b.Bytes[b.NextField - 12 * 2 + 8 + (le ? 0 : 3)] = 0;  // RowsPerStrip 2 -> 0
             return b.Bytes;
         }},
        {"rows per strip 2^31", [](bool le) {
             TiffBuilder b(le);
             uint32_t data = b.Raw(std::vector<uint8_t>(8, 3));
             b.SetFirstIfd(b.Ifd({{256, SHORT, 1, 4}, {257, SHORT, 1, 2}, {258, SHORT, 1, 8}, {259, SHORT, 1, 1},
                                  {262, SHORT, 1, 1}, {273, LONG, 1, data}, {278, LONG, 1, 0x80000000u},
                                  {279, LONG, 1, 8}}));
             return b.Bytes;
         }},
        {"no rows per strip", [](bool le) {
             ImageSpec s = Grey8(4, 2, std::vector<uint8_t>(8, 3));
             s.WriteRowsPerStrip = false;
             return MakeTiff(le, {s});
         }},
        {"no strip table", [](bool le) {
             TiffBuilder b(le);
             uint32_t data = b.Raw(std::vector<uint8_t>(8, 3));
             uint32_t counts = b.Longs({4, 4});
             b.SetFirstIfd(b.Ifd({{256, SHORT, 1, 4}, {257, SHORT, 1, 2}, {258, SHORT, 1, 8}, {259, SHORT, 1, 1},
                                  {262, SHORT, 1, 1}, {273, LONG, 1, data}, {278, LONG, 1, 1},
                                  {279, LONG, 2, counts}}));
             return b.Bytes;
         }},
        {"strips sharing bytes for more rows than the file holds", [](bool le) {
             TiffBuilder b(le);
             uint32_t data = b.Raw(std::vector<uint8_t>(64, 3));
             std::vector<uint32_t> offsets(200, data), counts(200, 64);
             uint32_t o = b.Longs(offsets), c = b.Longs(counts);
             b.SetFirstIfd(b.Ifd({{256, SHORT, 1, 64}, {257, SHORT, 1, 200}, {258, SHORT, 1, 8}, {259, SHORT, 1, 1},
                                  {262, SHORT, 1, 1}, {273, LONG, 200, o}, {278, LONG, 1, 1},
                                  {279, LONG, 200, c}}));
             return b.Bytes;
         }},
        {"a strip of rows past the end", [](bool le) {
             TiffBuilder b(le);
             uint32_t data = b.Raw(std::vector<uint8_t>(8, 3));
             uint32_t o = b.Longs({data, data + 4}), c = b.Longs({4, 0});
             b.SetFirstIfd(b.Ifd({{256, SHORT, 1, 4}, {257, SHORT, 1, 2}, {258, SHORT, 1, 8}, {259, SHORT, 1, 1},
                                  {262, SHORT, 1, 1}, {273, LONG, 2, o}, {278, LONG, 1, 1}, {279, LONG, 2, c}}));
             return b.Bytes;
         }},
        {"rgb pixels beyond the strips", [](bool le) {
             ImageSpec s;
             s.Width = 4;
             s.Height = 2;
             s.Photometric = 2;
             s.Bits = {8, 8, 8};
             s.Pixels = std::vector<uint8_t>(12, 5);  // 8 pixels need 24 bytes
             s.RowsPerStrip = 2;
             TiffBuilder b(le);
             b.SetFirstIfd(AddImage(b, s));
             return b.Bytes;
         }},
    };
    for (const Case& c : cases) {
        seam.Messages.clear();
        EXPECT_TRUE(IsMarker(DecodeBytes(c.make(le())))) << c.name;
        EXPECT_EQ(seam.Texts(), std::vector<std::string>{"Error reading image data"}) << c.name;
    }
}

TEST_P(DecodeTest, RowsPerStripForAllRows)
{
    for (uint32_t rows : {0xFFFFFFFFu, 1000u}) {
        TiffBuilder b(le());
        uint32_t data = b.Raw({1, 2, 3, 4, 5, 6});
        b.SetFirstIfd(b.Ifd({{256, SHORT, 1, 3}, {257, SHORT, 1, 2}, {258, SHORT, 1, 8}, {259, SHORT, 1, 1},
                             {262, SHORT, 1, 1}, {273, LONG, 1, data}, {278, LONG, 1, rows}, {279, LONG, 1, 6}}));
        TBitmap bmp = DecodeBytes(b.Bytes);
        EXPECT_EQ(Pixels(bmp), (std::vector<TColor>{Grey(1), Grey(2), Grey(3), Grey(4), Grey(5), Grey(6)})) << rows;
    }
    EXPECT_TRUE(seam.Messages.empty());
}

TEST_P(DecodeTest, WidthOrHeightAbove65535IsARangeError)
{
    for (bool wide : {true, false}) {
        TiffBuilder b(le());
        uint32_t data = b.Raw(std::vector<uint8_t>(70000, 1));
        b.SetFirstIfd(b.Ifd({{256, LONG, 1, wide ? 70000u : 1u}, {257, LONG, 1, wide ? 1u : 70000u},
                             {258, SHORT, 1, 8}, {259, SHORT, 1, 1}, {262, SHORT, 1, 1}, {273, LONG, 1, data},
                             {278, LONG, 1, wide ? 1u : 70000u}, {279, LONG, 1, 70000}}));
        TBitmap bmp = Marker();
        EXPECT_THROW(tif::ReadTiffFile(dir.Write("w.tif", b.Bytes), bmp), rtl::ERangeError) << wide;
    }
}

TEST_P(DecodeTest, MoreThan256ImagesIsARangeError)
{
    std::vector<ImageSpec> images;
    for (int i = 0; i < 258; ++i) images.push_back(Grey8(1, 1, {uint8_t(i)}));
    TBitmap bmp = Marker();
    EXPECT_THROW(tif::ReadTiffFile(dir.Write("many.tif", MakeTiff(le(), images)), bmp), rtl::ERangeError);
    EXPECT_EQ(Pixels(bmp), std::vector<TColor>{Grey(255)}) << "the first 256 were decoded";
}

// The decoder's steps one by one give the picture that ReadTiffFile gives (which streams the
// strips straight into the bitmap when the stored rows are the picture's rows).
TEST_P(DecodeTest, StepsGiveThePictureOfTheWholeDecode)
{
    struct Case {
        const char* name;
        int32_t photometric;
        uint16_t bits;
        uint32_t width, rowsPerStrip;
    } cases[] = {{"bilevel", 0, 1, 19, 3}, {"grey 4", 1, 4, 7, 2}, {"grey 8", 0, 8, 5, 4},
                 {"palette 8", 3, 8, 6, 1}, {"palette 4", 3, 4, 9, 5}, {"rgb", 2, 8, 7, 3}};
    for (const Case& c : cases) {
        ImageSpec s;
        s.Width = c.width;
        s.Height = 11;
        s.Photometric = c.photometric;
        s.Bits = c.photometric == 2 ? std::vector<uint16_t>{8, 8, 8} : std::vector<uint16_t>{c.bits};
        s.RowsPerStrip = c.rowsPerStrip;
        const uint32_t bitsPerPixel = c.photometric == 2 ? 24 : c.bits;
        const size_t rowBytes = (c.width * bitsPerPixel + 7) / 8;
        for (size_t i = 0; i < rowBytes * s.Height; ++i) s.Pixels.push_back(uint8_t(i * 29 + 3));
        if (c.photometric == 3)
            for (int i = 0; i < 3 * (1 << c.bits); ++i) s.ColorMap.push_back(uint16_t((i * 97) << 8));
        const std::string path = dir.Write("steps.tif", MakeTiff(le(), {s}));

        TBitmap whole;
        tif::ReadTiffFile(path, whole);

        tif::TFileTiff file;
        file.SetFileName(path);
        tif::TGraphicTiff& image = *file.GetGraphicTiff(0);
        if (c.photometric == 3)
            tif::LoadColorMap(path, image.QueryGraphicByTag(320)->Count, image.QueryGraphicByTag(320)->Value, le());
        else if (c.bits == 1)
            tif::MakeBilevelPalette(c.photometric);
        else
            tif::MakeGreyPalette(c.bits, c.photometric);
        tif::TPixelBuffer buffer;
        ASSERT_TRUE(tif::ReadStrips(path, image, rowBytes, buffer)) << c.name;
        if (c.photometric == 2) tif::SwapRedBlue(buffer, c.width * s.Height);
        ASSERT_TRUE(tif::PadRows(buffer, rowBytes, s.Height)) << c.name;
        TBitmap steps;
        tif::TTiffRead read;
        tif::BuildBitmap(uint16_t(c.width), uint16_t(s.Height), uint16_t(bitsPerPixel), steps, buffer, read);
        EXPECT_TRUE(read.Problems.empty()) << c.name;

        ASSERT_EQ(whole.Width(), int(c.width)) << c.name;
        EXPECT_EQ(Pixels(whole), Pixels(steps)) << c.name;
    }
    EXPECT_TRUE(seam.Messages.empty());
}

// A picture large enough to be read in bands side by side, with strips out of order in the file,
// gaps between them, some strips adjacent, some declaring more bytes than their rows, and an
// empty strip past the end of the file after the last one.
TEST_P(DecodeTest, LargePictureFromScatteredStrips)
{
    constexpr uint32_t width = 1500, height = 1500, rowsPerStrip = 7;
    std::vector<uint8_t> stored(size_t(width) * height);
    for (size_t i = 0; i < stored.size(); ++i) stored[i] = uint8_t(i * 31 + i / width * 7);

    const size_t strips = (height + rowsPerStrip - 1) / rowsPerStrip;
    const size_t stripBytes = size_t(width) * rowsPerStrip;
    // Groups of three strips, each group in order, the last group first in the file, gaps between.
    TiffBuilder b(le());
    std::vector<uint32_t> offsets(strips + 1), counts(strips + 1);
    for (size_t group = (strips + 2) / 3; group-- > 0;) {
        b.Raw({0xEE, 0xEE, 0xEE});
        for (size_t s = group * 3; s < std::min(strips, group * 3 + 3); ++s) {
            const auto from = stored.begin() + long(s * stripBytes);
            const auto to = stored.begin() + long(std::min(stored.size(), (s + 1) * stripBytes));
            offsets[s] = b.Raw(std::vector<uint8_t>(from, to));
            counts[s] = uint32_t(to - from);
            if (s % 5 == 1) {
                b.Raw({0xAB, 0xCD, 0xEF, 0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC});  // bytes past the rows
                counts[s] += 9;
            }
        }
    }
    std::vector<uint16_t> map(768);
    for (int i = 0; i < 256; ++i) {
        map[size_t(i)] = uint16_t(i << 8);
        map[size_t(256 + i)] = uint16_t((255 - i) << 8);
        map[size_t(512 + i)] = uint16_t((i * 5 & 0xFF) << 8);
    }
    const uint32_t mapAt = b.Shorts(map);
    offsets[strips] = 0x7FFFFF00;  // holds no rows: never read
    const uint32_t offsetsAt = b.Longs(offsets), countsAt = b.Longs(counts);
    b.SetFirstIfd(b.Ifd({{256, SHORT, 1, width}, {257, SHORT, 1, height}, {258, SHORT, 1, 8}, {259, SHORT, 1, 1},
                         {262, SHORT, 1, 3}, {273, LONG, uint32_t(strips + 1), offsetsAt},
                         {278, LONG, 1, rowsPerStrip}, {279, LONG, uint32_t(strips + 1), countsAt},
                         {320, SHORT, 768, mapAt}}));

    const TBitmap bmp = DecodeBytes(b.Bytes);
    EXPECT_TRUE(seam.Messages.empty());
    ASSERT_EQ(bmp.Width(), int(width));
    ASSERT_EQ(bmp.Height(), int(height));
    size_t wrong = 0;
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            const int i = stored[size_t(y) * width + x];
            wrong += gfx::GetPixel(bmp, int(x), int(y)) != RGB(uint8_t(i), uint8_t(255 - i), uint8_t(i * 5));
        }
    EXPECT_EQ(wrong, 0u);
}

TEST_P(DecodeTest, StripsLongerThanTheirRows)
{
    // Rows of 3 bytes for a picture 3 pixels wide, in strips of 2 rows that declare 8 bytes: each
    // strip's rows start at its own offset and follow each other at the picture's row length.
    TiffBuilder b(le());
    uint32_t first = b.Raw({10, 20, 30, 40, 50, 60, 99, 99});
    uint32_t second = b.Raw({70, 80, 90, 99, 99, 99, 99, 99});
    uint32_t offsets = b.Longs({first, second}), counts = b.Longs({8, 8});
    b.SetFirstIfd(b.Ifd({{256, SHORT, 1, 3}, {257, SHORT, 1, 3}, {258, SHORT, 1, 8}, {259, SHORT, 1, 1},
                         {262, SHORT, 1, 1}, {273, LONG, 2, offsets}, {278, LONG, 1, 2}, {279, LONG, 2, counts}}));
    TBitmap bmp = DecodeBytes(b.Bytes);
    EXPECT_EQ(Pixels(bmp), (std::vector<TColor>{Grey(10), Grey(20), Grey(30), Grey(40), Grey(50), Grey(60), Grey(70),
                                                Grey(80), Grey(90)}));
    EXPECT_TRUE(seam.Messages.empty());
}

INSTANTIATE_TEST_SUITE_P(ByteOrder, DecodeTest, ::testing::Bool(), OrderName);

TEST(ReadTiffFile, NotATiffFile)
{
    ScratchDir dir;
    ui::ScriptedSeam seam;
    TBitmap b = Marker();
    const std::string path = dir.Write("x.tif", {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0});
    tif::ReadTiffFile(path, b);
    EXPECT_TRUE(IsMarker(b));
    EXPECT_EQ(seam.Texts(), std::vector<std::string>{"<" + path + "> is not a valid TIFF file"});
    ASSERT_EQ(seam.Messages.size(), 1u);
    EXPECT_EQ(seam.Messages[0].Buttons, unsigned(ui::mbOK));
}

// A file deleted between the choice and the load is reported as one that cannot be opened, and
// is not created.
TEST(ReadTiffFile, AMissingFileIsReportedAndNotCreated)
{
    ScratchDir dir;
    ui::ScriptedSeam seam;
    TBitmap b = Marker();
    EXPECT_THROW(tif::ReadTiffFile(dir.File("gone.tif"), b), rtl::EFOpenError);
    EXPECT_TRUE(IsMarker(b));
    EXPECT_TRUE(seam.Messages.empty());
    EXPECT_FALSE(std::filesystem::exists(dir.File("gone.tif")));
}

TEST(ReadTiffFile, GreyPaletteRampsAndBilevelPalettes)
{
    tif::MakeGreyPalette(4, 1);
    EXPECT_EQ(tif::TiffPalette.Red[1], 17);
    EXPECT_EQ(tif::TiffPalette.Green[15], 255);
    EXPECT_EQ(tif::TiffPalette.Blue[16], 16) << "entries past the used ones keep the ramp";
    tif::MakeGreyPalette(8, 0);
    EXPECT_EQ(tif::TiffPalette.Red[0], 255);
    EXPECT_EQ(tif::TiffPalette.Blue[200], 55);
    tif::MakeBilevelPalette(0);
    EXPECT_EQ(tif::TiffPalette.Red[0], 255);
    EXPECT_EQ(tif::TiffPalette.Red[1], 0);
    EXPECT_EQ(tif::TiffPalette.Red[2], 2);
}

}  // namespace
