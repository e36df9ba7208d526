// DIB routines: sizes, the copy into header, colour table and bottom-up rows, and device bitmaps
// made from such copies.
#include <gtest/gtest.h>

#include <cstring>

#include "framework/graphics/Dib.h"
#include "tests/graphics/bitmap_fixtures.h"

using namespace gfxtest;
using gfx::TBitmapInfoHeader;

namespace {

struct Dib {
    std::vector<uint8_t> Info, Bits;
    TBitmapInfoHeader& Header() { return *reinterpret_cast<TBitmapInfoHeader*>(Info.data()); }
};

Dib DibOf(const TBitmap& b)
{
    uint32_t infoSize = 0, imageSize = 0;
    gfx::GetDIBSizes(b, infoSize, imageSize);
    Dib d;
    d.Info.resize(infoSize);
    d.Bits.resize(imageSize);
    EXPECT_TRUE(gfx::GetDIB(b, d.Info.data(), d.Bits.data()));
    return d;
}

}  // namespace

TEST(Dib, SizesAndHeaderFollowTheBitmapsOwnFormat)
{
    struct Case {
        TPixelFormat Format;
        int Width;
        uint32_t InfoSize, ImageSize;
        uint16_t BitCount;
    } cases[] = {
        {TPixelFormat::pf1bit, 9, 40 + 8, 4 * 3, 1},      {TPixelFormat::pf4bit, 9, 40 + 64, 8 * 3, 4},
        {TPixelFormat::pf8bit, 9, 40 + 1024, 12 * 3, 8},  {TPixelFormat::pf24bit, 9, 40, 28 * 3, 24},
        {TPixelFormat::pfDevice, 9, 40, 36 * 3, 32},      {TPixelFormat::pf16bit, 9, 40, 28 * 3, 24},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.Format));
        TBitmap b = Patterned(c.Width, 3, c.Format);
        uint32_t infoSize = 0, imageSize = 0;
        gfx::GetDIBSizes(b, infoSize, imageSize);
        EXPECT_EQ(infoSize, c.InfoSize);
        EXPECT_EQ(imageSize, c.ImageSize);
        Dib d = DibOf(b);
        EXPECT_EQ(d.Header().biSize, 40u);
        EXPECT_EQ(d.Header().biWidth, c.Width);
        EXPECT_EQ(d.Header().biHeight, 3);  // bottom-up
        EXPECT_EQ(d.Header().biBitCount, c.BitCount);
        EXPECT_EQ(d.Header().biCompression, gfx::BI_RGB);
    }
    TBitmap empty;
    uint32_t infoSize = 1, imageSize = 1;
    gfx::GetDIBSizes(empty, infoSize, imageSize);
    EXPECT_EQ(infoSize, 0u);
    EXPECT_EQ(imageSize, 0u);
    uint8_t dummy[64];
    EXPECT_FALSE(gfx::GetDIB(empty, dummy, dummy));
}

TEST(Dib, RowsAreBottomUp)
{
    TBitmap b(2, 2, TPixelFormat::pf24bit);
    b.SetPixel(0, 0, gfx::RGB(10, 20, 30));
    b.SetPixel(0, 1, gfx::RGB(40, 50, 60));
    Dib d = DibOf(b);
    EXPECT_EQ(d.Bits[0], 60);  // the bottom row comes first, blue byte first
    EXPECT_EQ(d.Bits[8 + 2], 10);
}

TEST(Dib, CopyAndDeviceBitmapRoundTrip)
{
    for (TPixelFormat pf : {TPixelFormat::pf1bit, TPixelFormat::pf4bit, TPixelFormat::pf8bit, TPixelFormat::pf24bit,
                            TPixelFormat::pf32bit}) {
        for (bool topDown : {false, true}) {
            SCOPED_TRACE(testing::Message() << int(pf) << (topDown ? " top-down" : ""));
            TBitmap b = Patterned(11, 5, pf);
            Dib d = DibOf(b);
            if (topDown) {
                // The same rows top-down with a negative height.
                size_t stride = d.Bits.size() / 5;
                std::vector<uint8_t> flipped(d.Bits.size());
                for (int r = 0; r < 5; ++r)
                    std::memcpy(&flipped[r * stride], &d.Bits[(4 - r) * stride], stride);
                d.Bits = flipped;
                d.Header().biHeight = -5;
            }
            gfx::HBITMAP h = gfx::CreateDIBitmap(gfx::GetDC(nullptr), &d.Header(), gfx::CBM_INIT, d.Bits.data(),
                                                 d.Info.data(), gfx::DIB_RGB_COLORS, d.Bits.size());
            ASSERT_TRUE(h);
            TBitmap made;
            gfx::SetBitmapHandle(made, h);
            EXPECT_EQ(made.PixelFormat(), TPixelFormat::pfDevice);
            ExpectSamePixels(made, b);
            EXPECT_EQ(gfx::GetPixel(made, 3, 2), b.GetPixel(3, 2));
            EXPECT_EQ(gfx::GetPixel(made, 11, 0), 0xFFFFFFFFu);
        }
    }
}

TEST(Dib, InconsistentInputGivesNoBitmap)
{
    TBitmap b = Patterned(6, 4, TPixelFormat::pf8bit);
    Dib good = DibOf(b);
    auto make = [](Dib& d, size_t size) {
        return gfx::CreateDIBitmap(nullptr, &d.Header(), gfx::CBM_INIT, d.Bits.data(), d.Info.data(),
                                   gfx::DIB_RGB_COLORS, size);
    };
    ASSERT_TRUE(make(good, good.Bits.size()));
    EXPECT_TRUE(make(good, good.Bits.size() - 2)) << "the last row's padding may be missing";
    EXPECT_FALSE(make(good, good.Bits.size() - 3));

    struct Case {
        const char* Name;
        void (*Damage)(TBitmapInfoHeader&);
    } cases[] = {
        {"width 0", [](TBitmapInfoHeader& h) { h.biWidth = 0; }},
        {"height 0", [](TBitmapInfoHeader& h) { h.biHeight = 0; }},
        {"huge", [](TBitmapInfoHeader& h) { h.biWidth = 1 << 30; }},
        {"bit count", [](TBitmapInfoHeader& h) { h.biBitCount = 7; }},
        {"compression", [](TBitmapInfoHeader& h) { h.biCompression = 1; }},
        {"planes", [](TBitmapInfoHeader& h) { h.biPlanes = 2; }},
        {"colours", [](TBitmapInfoHeader& h) { h.biClrUsed = 257; }},
        {"header size", [](TBitmapInfoHeader& h) { h.biSize = 4000; }},
        {"more rows than given", [](TBitmapInfoHeader& h) { h.biHeight = 40; }},
    };
    for (const Case& c : cases) {
        Dib d = good;
        c.Damage(d.Header());
        EXPECT_FALSE(make(d, d.Bits.size())) << c.Name;
    }
    Dib d = good;
    EXPECT_FALSE(gfx::CreateDIBitmap(nullptr, &d.Header(), gfx::CBM_INIT, nullptr, d.Info.data(), gfx::DIB_RGB_COLORS));
    EXPECT_FALSE(gfx::CreateDIBitmap(nullptr, &d.Header(), gfx::CBM_INIT, d.Bits.data(), d.Info.data(), 1));

    // Without CBM_INIT a white bitmap of the header's size, the rows unread.
    gfx::HBITMAP blank = gfx::CreateDIBitmap(nullptr, &d.Header(), 0, nullptr, nullptr, gfx::DIB_RGB_COLORS);
    ASSERT_TRUE(blank);
    TBitmap w;
    gfx::SetBitmapHandle(w, blank);
    EXPECT_EQ(w.Width(), 6);
    EXPECT_EQ(w.GetPixel(5, 3), gfx::clWhite);
}

TEST(Dib, HandleSharesUntilWritten)
{
    TBitmap b = Patterned(3, 3, TPixelFormat::pf24bit);
    Dib d = DibOf(b);
    gfx::HBITMAP h = gfx::CreateDIBitmap(gfx::GetDC(nullptr), &d.Header(), gfx::CBM_INIT, d.Bits.data(),
                                         d.Info.data(), gfx::DIB_RGB_COLORS);
    TBitmap made;
    gfx::SetBitmapHandle(made, h);
    EXPECT_EQ(made.Data(), h);
    made.SetPixel(0, 0, gfx::clBlack);
    EXPECT_NE(made.Data(), h);
    TBitmap other;
    gfx::SetBitmapHandle(other, h);
    EXPECT_EQ(other.GetPixel(0, 0), b.GetPixel(0, 0));
}
