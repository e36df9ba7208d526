// TBitmap: shared pixels until written, sizes, formats and their conversions, pixels, assignment.
#include <gtest/gtest.h>

#include <climits>
#include <functional>

#include "tests/graphics/bitmap_fixtures.h"

using namespace gfxtest;

namespace {

// A graphic of another class: gives a 2 x 1 bitmap, or none when Convertible is false.
class TFakeGraphic : public gfx::TGraphic {
public:
    bool Convertible = true;
    static const gfx::TGraphicClass& StaticClass()
    {
        static const gfx::TGraphicClass cls{"TFakeGraphic", []() -> gfx::TGraphic* { return new TFakeGraphic; }};
        return cls;
    }
    const gfx::TGraphicClass& ClassType() const override { return StaticClass(); }
    int Width() const override { return 2; }
    int Height() const override { return 1; }
    void LoadFromStream(rtl::TStream&) override {}
    void SaveToStream(rtl::TStream&) override {}
    gfx::TGraphic* Clone() const override { return new TFakeGraphic(*this); }
    void Draw(gfx::TCanvas&, const gfx::TRect&) const override {}
    bool ToBitmap(TBitmap& target) const override
    {
        if (!Convertible)
            return false;
        target = TBitmap(2, 1, TPixelFormat::pf24bit);
        target.SetPixel(1, 0, gfx::RGB(1, 2, 3));
        return true;
    }
};

}  // namespace

TEST(Bitmap, NewBitmapsAreDeviceFormatAndWhite)
{
    TBitmap empty;
    EXPECT_EQ(empty.PixelFormat(), TPixelFormat::pfDevice);
    EXPECT_FALSE(empty.HandleAllocated());
    TBitmap b(3, 2);
    EXPECT_EQ(b.PixelFormat(), TPixelFormat::pfDevice);
    EXPECT_EQ(b.BitCount(), 32);
    EXPECT_EQ(b.RowStride(), 12);
    EXPECT_EQ(b.GetPixel(2, 1), gfx::clWhite);
    EXPECT_EQ(TBitmap(5, 1, TPixelFormat::pf24bit).RowStride(), 16);
    EXPECT_EQ(TBitmap(9, 1, TPixelFormat::pf1bit).RowStride(), 4);
    EXPECT_EQ(TBitmap(9, 1, TPixelFormat::pf1bit).GetPixel(8, 0), gfx::clWhite);
}

TEST(Bitmap, CopiesShareUntilOneIsWritten)
{
    struct Write {
        const char* Name;
        std::function<void(TBitmap&)> Apply;
    } writes[] = {
        {"ScanLineW", [](TBitmap& b) { b.ScanLineW(1)[0] = 0x11; }},
        {"SetPixel", [](TBitmap& b) { b.SetPixel(0, 1, gfx::RGB(0x11, 0, 0)); }},
        {"canvas", [](TBitmap& b) { b.Canvas().Brush.Color = gfx::clBlack; b.Canvas().FillRect(gfx::Rect(0, 0, 2, 2)); }},
        {"SetSize", [](TBitmap& b) { b.SetSize(5, 5); }},
        {"SetPixelFormat", [](TBitmap& b) { b.SetPixelFormat(TPixelFormat::pf8bit); }},
        {"Palette", [](TBitmap& b) { b.Palette(); }},
    };
    for (const Write& w : writes) {
        SCOPED_TRACE(w.Name);
        TBitmap a = Patterned(4, 3, TPixelFormat::pf24bit);
        TBitmap b = a;
        TBitmap c;
        c.Assign(a);
        EXPECT_EQ(a.Data(), b.Data());
        EXPECT_EQ(a.Data(), c.Data());
        EXPECT_EQ(a.ScanLine(2), b.ScanLine(2));  // reading shares
        TBitmap before = Patterned(4, 3, TPixelFormat::pf24bit);
        w.Apply(b);
        EXPECT_NE(a.Data(), b.Data());
        EXPECT_EQ(a.Data(), c.Data());
        ExpectSamePixels(a, before);
        EXPECT_EQ(a.PixelFormat(), TPixelFormat::pf24bit);
    }
}

TEST(Bitmap, SoleOwnerWritesInPlace)
{
    TBitmap a(4, 4);
    const void* store = a.Data().get();
    a.ScanLineW(0)[0] = 1;
    a.SetPixel(1, 1, gfx::clBlack);
    EXPECT_EQ(a.Data().get(), store);
}

TEST(Bitmap, SetSizeKeepsThePixelsThatStayInside)
{
    for (TPixelFormat pf : {TPixelFormat::pf1bit, TPixelFormat::pf4bit, TPixelFormat::pf8bit, TPixelFormat::pf24bit,
                            TPixelFormat::pfDevice}) {
        SCOPED_TRACE(int(pf));
        TBitmap a = Patterned(7, 5, pf);
        TBitmap b = a;
        b.SetSize(5, 7);
        EXPECT_EQ(b.Width(), 5);
        EXPECT_EQ(b.Height(), 7);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 5; ++x)
                EXPECT_EQ(b.GetPixel(x, y), a.GetPixel(x, y)) << x << "," << y;
        TColor white = b.Palette().empty() ? gfx::clWhite
                                           : b.GetPixel(0, 6);  // indexed: the entry nearest white
        EXPECT_EQ(b.GetPixel(4, 6), white);
        if (b.Palette().empty()) {
            EXPECT_EQ(b.GetPixel(0, 6), gfx::clWhite);
        }
    }
}

TEST(Bitmap, PixelFormatConversionsKeepColours)
{
    struct Case {
        TPixelFormat From, To;
    } cases[] = {
        {TPixelFormat::pf8bit, TPixelFormat::pf24bit},  {TPixelFormat::pf8bit, TPixelFormat::pfDevice},
        {TPixelFormat::pf4bit, TPixelFormat::pf8bit},   {TPixelFormat::pf1bit, TPixelFormat::pf4bit},
        {TPixelFormat::pf24bit, TPixelFormat::pf32bit}, {TPixelFormat::pfDevice, TPixelFormat::pf24bit},
        {TPixelFormat::pf24bit, TPixelFormat::pf16bit}, {TPixelFormat::pf24bit, TPixelFormat::pf15bit},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.From) << " -> " << int(c.To));
        TBitmap a = Patterned(9, 4, c.From);
        TBitmap b = a;
        b.SetPixelFormat(c.To);
        EXPECT_EQ(b.PixelFormat(), c.To);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 9; ++x)
                EXPECT_EQ(b.GetPixel(x, y), Quantised(a.GetPixel(x, y), c.To)) << x << "," << y;
    }
    // Down to an indexed format: the nearest entries of the default palette.
    TBitmap t(2, 1, TPixelFormat::pf24bit);
    t.SetPixel(0, 0, gfx::RGB(250, 5, 5));
    t.SetPixel(1, 0, gfx::RGB(102, 153, 204));  // on the colour cube
    t.SetPixelFormat(TPixelFormat::pf8bit);
    EXPECT_EQ(t.GetPixel(0, 0), gfx::RGB(255, 0, 0));
    EXPECT_EQ(t.GetPixel(1, 0), gfx::RGB(102, 153, 204));
    t.SetPixelFormat(TPixelFormat::pf1bit);
    EXPECT_EQ(t.GetPixel(0, 0), gfx::clBlack);
    EXPECT_EQ(t.GetPixel(1, 0), gfx::clWhite);
}

TEST(Bitmap, PixelsOutsideAndScanLineRange)
{
    TBitmap b(3, 2);
    for (auto [x, y] : {std::pair{-1, 0}, {3, 0}, {0, -1}, {0, 2}}) {
        EXPECT_EQ(b.GetPixel(x, y), 0xFFFFFFFFu);
        b.SetPixel(x, y, gfx::clBlack);  // ignored
    }
    EXPECT_THROW(b.ScanLine(2), rtl::EInvalidGraphicOperation);
    EXPECT_THROW(b.ScanLineW(-1), rtl::EInvalidGraphicOperation);
    TBitmap pal(4, 1, TPixelFormat::pf8bit);
    pal.SetPixel(0, 0, gfx::RGB(0, 51, 102));
    EXPECT_EQ(pal.GetPixel(0, 0), gfx::RGB(0, 51, 102));
}

TEST(Bitmap, SizesWhoseBytesOverflowRaiseOutOfMemory)
{
    TBitmap b(2, 2);
    EXPECT_THROW(b.SetSize(INT_MAX, INT_MAX), rtl::EOutOfMemory);
    EXPECT_THROW(b.SetSize(1 << 20, 1 << 20), rtl::EOutOfMemory);
    EXPECT_THROW(b.SetSize(-1, 3), rtl::EOutOfMemory);
    EXPECT_THROW(TBitmap(INT_MAX, 1, TPixelFormat::pf32bit), rtl::EOutOfMemory);
    EXPECT_EQ(b.Width(), 2);  // unchanged after the failure
}

TEST(Bitmap, AssignConvertsOtherClassesOrRefuses)
{
    TFakeGraphic fake;
    TBitmap b;
    b.Assign(fake);
    EXPECT_EQ(b.Width(), 2);
    EXPECT_EQ(b.GetPixel(1, 0), gfx::RGB(1, 2, 3));

    fake.Convertible = false;
    TBitmap kept(1, 1);
    try {
        kept.Assign(fake);
        FAIL() << "assigned";
    } catch (const rtl::EConvertError& e) {
        EXPECT_EQ(e.Message(), "Cannot assign a TFakeGraphic to a TBitmap");
    }
    EXPECT_EQ(kept.Width(), 1);

    TFakeGraphic other;
    EXPECT_THROW(other.Assign(b), rtl::EConvertError);
}

TEST(Bitmap, CloneAndEmptying)
{
    TBitmap a = Patterned(3, 3, TPixelFormat::pf24bit);
    std::unique_ptr<gfx::TGraphic> c(a.Clone());
    EXPECT_EQ(&c->ClassType(), &TBitmap::StaticClass());
    EXPECT_EQ(c->ClassName(), "TBitmap");
    ExpectSamePixels(dynamic_cast<TBitmap&>(*c), a);
    a.AssignNothing();
    EXPECT_TRUE(a.Empty());
    EXPECT_EQ(dynamic_cast<TBitmap&>(*c).Width(), 3);
}
