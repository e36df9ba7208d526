// TCanvas: exact block copies, stretching, drawing of graphics, rectangles and text.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "framework/graphics/PixelRows.h"
#include "tests/graphics/bitmap_fixtures.h"

using namespace gfxtest;
using gfx::Rect;

namespace {

TBitmap Filled(int w, int h, TColor c, TPixelFormat pf = TPixelFormat::pfDevice)
{
    TBitmap b(w, h, pf);
    b.Canvas().Brush.Color = c;
    b.Canvas().FillRect(Rect(0, 0, w, h));
    b.Canvas().Brush = gfx::TBrush{};
    return b;
}

int Luma(TColor c) { return (gfx::GetRValue(c) * 3 + gfx::GetGValue(c) * 6 + gfx::GetBValue(c)) / 10; }

}  // namespace

TEST(CanvasCopyRect, SameSizeCopiesExactlyFromEveryFormat)
{
    for (TPixelFormat src : {TPixelFormat::pf1bit, TPixelFormat::pf4bit, TPixelFormat::pf8bit, TPixelFormat::pf24bit,
                             TPixelFormat::pf32bit, TPixelFormat::pfDevice}) {
        for (TPixelFormat dst : {TPixelFormat::pf24bit, TPixelFormat::pfDevice}) {
            SCOPED_TRACE(testing::Message() << int(src) << " -> " << int(dst));
            TBitmap source = Patterned(20, 12, src);
            TBitmap target = Filled(8, 6, gfx::RGB(1, 2, 3), dst);
            target.Canvas().CopyRect(Rect(1, 1, 6, 5), source.Canvas(), Rect(10, 5, 15, 9));
            EXPECT_EQ(target.PixelFormat(), dst);
            for (int y = 0; y < 6; ++y)
                for (int x = 0; x < 8; ++x) {
                    bool inside = x >= 1 && x < 6 && y >= 1 && y < 5;
                    TColor want = inside ? source.GetPixel(x + 9, y + 4) : gfx::RGB(1, 2, 3);
                    EXPECT_EQ(target.GetPixel(x, y), want) << x << "," << y;
                }
        }
    }
}

TEST(CanvasCopyRect, ClipsAtBothBitmapsEdges)
{
    TBitmap source = Patterned(6, 6, TPixelFormat::pf24bit);
    TBitmap target = Filled(4, 4, gfx::clBlack);
    target.Canvas().CopyRect(Rect(-2, 2, 4, 8), source.Canvas(), Rect(0, 0, 6, 6));
    EXPECT_EQ(target.GetPixel(0, 2), source.GetPixel(2, 0));
    EXPECT_EQ(target.GetPixel(3, 3), source.GetPixel(5, 1));
    EXPECT_EQ(target.GetPixel(0, 1), gfx::clBlack);
    // A source rectangle reaching past the source copies what exists.
    TBitmap t2 = Filled(4, 4, gfx::clBlack);
    t2.Canvas().CopyRect(Rect(0, 0, 4, 4), source.Canvas(), Rect(4, 4, 8, 8));
    EXPECT_EQ(t2.GetPixel(1, 1), source.GetPixel(5, 5));
    EXPECT_EQ(t2.GetPixel(2, 2), gfx::clBlack);
    // Rectangles at the ends of the coordinate range copy nothing.
    t2.Canvas().CopyRect(Rect(INT_MIN, INT_MIN, INT_MIN + 4, INT_MIN + 4), source.Canvas(), Rect(INT_MAX - 4, 0, INT_MAX, 4));
    t2.Canvas().CopyRect(Rect(INT_MAX - 4, 0, INT_MAX, 4), source.Canvas(), Rect(INT_MIN, INT_MIN, INT_MIN + 4, INT_MIN + 4));
    EXPECT_EQ(t2.GetPixel(1, 1), source.GetPixel(5, 5));
}

TEST(CanvasCopyRect, IndexedTargetBecomesDeviceFormat)
{
    TBitmap source = Patterned(4, 4, TPixelFormat::pf24bit);
    TBitmap target(4, 4, TPixelFormat::pf8bit);
    target.Canvas().CopyRect(Rect(0, 0, 4, 4), source.Canvas(), Rect(0, 0, 4, 4));
    EXPECT_EQ(target.PixelFormat(), TPixelFormat::pfDevice);
    ExpectSamePixels(target, source);
}

TEST(CanvasCopyRect, WithinOneBitmapOverlapping)
{
    TBitmap b = Patterned(6, 6, TPixelFormat::pf24bit);
    TBitmap before = b;
    b.Canvas().CopyRect(Rect(1, 1, 6, 6), b.Canvas(), Rect(0, 0, 5, 5));
    for (int y = 1; y < 6; ++y)
        for (int x = 1; x < 6; ++x)
            EXPECT_EQ(b.GetPixel(x, y), before.GetPixel(x - 1, y - 1));
}

TEST(CanvasStretch, FlatAreasStayExactAndDetailAverages)
{
    struct Case {
        int SrcW, SrcH, DstW, DstH;
    } cases[] = {{10, 10, 3, 7}, {3, 2, 17, 9}, {100, 1, 7, 1}, {1, 1, 5, 5}, {640, 480, 156, 78}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.SrcW << "x" << c.SrcH << " -> " << c.DstW << "x" << c.DstH);
        TBitmap src = Filled(c.SrcW, c.SrcH, gfx::RGB(200, 100, 50), TPixelFormat::pf24bit);
        TBitmap dst = Filled(c.DstW + 2, c.DstH + 2, gfx::clBlack);
        dst.Canvas().StretchDraw(Rect(1, 1, c.DstW + 1, c.DstH + 1), src);
        for (int y = 0; y < c.DstH + 2; ++y)
            for (int x = 0; x < c.DstW + 2; ++x) {
                bool inside = x >= 1 && x <= c.DstW && y >= 1 && y <= c.DstH;
                ASSERT_EQ(dst.GetPixel(x, y), inside ? gfx::RGB(200, 100, 50) : gfx::clBlack) << x << "," << y;
            }
    }
    // A one-pixel checkerboard halved is an even grey.
    TBitmap board(8, 8, TPixelFormat::pf24bit);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            board.SetPixel(x, y, (x + y) % 2 ? gfx::clWhite : gfx::clBlack);
    TBitmap half(4, 4);
    half.Canvas().StretchDraw(Rect(0, 0, 4, 4), board);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_NEAR(gfx::GetGValue(half.GetPixel(x, y)), 128, 1);
}

TEST(CanvasStretch, GradientsStayOrdered)
{
    TBitmap ramp(64, 4, TPixelFormat::pf24bit);
    for (int x = 0; x < 64; ++x)
        for (int y = 0; y < 4; ++y)
            ramp.SetPixel(x, y, gfx::RGB(uint8_t(x * 4), uint8_t(x * 4), uint8_t(x * 4)));
    for (int w : {5, 19, 64 + 37, 300}) {
        TBitmap out(w, 2);
        out.Canvas().StretchDraw(Rect(0, 0, w, 2), ramp);
        for (int x = 1; x < w; ++x)
            ASSERT_GE(Luma(out.GetPixel(x, 0)), Luma(out.GetPixel(x - 1, 0))) << "width " << w << " at " << x;
        EXPECT_LE(Luma(out.GetPixel(0, 0)), 30);
        EXPECT_GE(Luma(out.GetPixel(w - 1, 0)), 220);
    }
}

TEST(CanvasStretch, LargePicturesMatchSmallOnesAcrossThreads)
{
    // Big enough to be split across threads; every row must match the single-threaded result.
    TBitmap src = Patterned(1200, 900, TPixelFormat::pfDevice);
    TBitmap big(3000, 1700);
    big.Canvas().StretchDraw(Rect(0, 0, 3000, 1700), src);
    TBitmap strip(3000, 1);
    // Row 1234 of the big result computed alone: stretch into a one-row window of the same geometry.
    strip.Canvas().StretchDraw(Rect(0, -1234, 3000, 1700 - 1234), src);
    for (int x = 0; x < 3000; x += 7)
        ASSERT_EQ(strip.GetPixel(x, 0), big.GetPixel(x, 1234)) << x;
}

TEST(CanvasStretch, TwoTapLoopGivesTheGeneralLoopsPixels)
{
    struct Case { int SrcW, SrcH, DstW, DstH; TPixelFormat Pf; };
    const Case cases[] = {{7, 5, 14, 10, TPixelFormat::pfDevice}, {3, 3, 4, 4, TPixelFormat::pf24bit},
                          {1, 1, 9, 6, TPixelFormat::pfDevice}, {640, 480, 1601, 1203, TPixelFormat::pfDevice},
                          {100, 60, 201, 61, TPixelFormat::pf8bit}, {40, 30, 41, 31, TPixelFormat::pf24bit}};
    for (const Case& k : cases) {
        TBitmap src = Patterned(k.SrcW, k.SrcH, k.Pf);
        TBitmap fast(k.DstW, k.DstH), general(k.DstW, k.DstH);
        fast.Canvas().StretchDraw(Rect(0, 0, k.DstW, k.DstH), src);
        gfx::detail::StretchTwoTapPath = false;
        general.Canvas().StretchDraw(Rect(0, 0, k.DstW, k.DstH), src);
        gfx::detail::StretchTwoTapPath = true;
        for (int y = 0; y < k.DstH; ++y)
            ASSERT_EQ(std::memcmp(fast.ScanLine(y), general.ScanLine(y), size_t(k.DstW) * 4), 0)
                << k.SrcW << "x" << k.SrcH << " to " << k.DstW << "x" << k.DstH << " row " << y;
    }
}

TEST(CanvasDraw, DrawsGraphicsAtTheirSize)
{
    TBitmap src = Patterned(3, 2, TPixelFormat::pf8bit);
    TBitmap target = Filled(6, 6, gfx::clBlack);
    target.Canvas().Draw(2, 3, src);
    EXPECT_EQ(target.GetPixel(2, 3), src.GetPixel(0, 0));
    EXPECT_EQ(target.GetPixel(4, 4), src.GetPixel(2, 1));
    EXPECT_EQ(target.GetPixel(5, 5), gfx::clBlack);
}

TEST(CanvasText, DefaultFontDrawsBlackOnAWhiteBox)
{
    TBitmap b = Filled(60, 30, gfx::RGB(255, 0, 0));
    gfx::TCanvas& c = b.Canvas();
    EXPECT_EQ(c.Font.Name, "Tahoma");
    EXPECT_EQ(c.Font.Height, -11);
    EXPECT_EQ(c.Font.SizePt(), 8);
    int w = c.TextWidth("12"), h = c.TextHeight("12");
    EXPECT_GE(w, 8);
    EXPECT_LE(w, 20);
    EXPECT_GE(h, 11);
    EXPECT_LE(h, 16);
    c.TextOut(1, 1, "12");
    int dark = 0, white = 0;
    for (int y = 1; y < 1 + h; ++y)
        for (int x = 1; x < 1 + w; ++x) {
            TColor p = b.GetPixel(x, y);
            EXPECT_TRUE(gfx::GetRValue(p) == gfx::GetGValue(p) && gfx::GetGValue(p) == gfx::GetBValue(p))
                << "only grey inside the box at " << x << "," << y;
            dark += Luma(p) < 100;
            white += p == gfx::clWhite;
        }
    EXPECT_GT(dark, 5);
    EXPECT_GT(white, w * h / 3);
    EXPECT_EQ(b.GetPixel(0, 0), gfx::RGB(255, 0, 0));
    EXPECT_EQ(b.GetPixel(1 + w, 1), gfx::RGB(255, 0, 0));
    EXPECT_EQ(b.GetPixel(1, 1 + h), gfx::RGB(255, 0, 0));
}

TEST(CanvasText, ClearBrushLeavesTheBackgroundAndEdgesClip)
{
    TBitmap b = Filled(30, 20, gfx::RGB(0, 0, 255), TPixelFormat::pf24bit);
    b.Canvas().Brush.Clear = true;
    b.Canvas().TextOut(1, 1, "8");
    int blue = 0, white = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x) {
            blue += b.GetPixel(x, y) == gfx::RGB(0, 0, 255);
            white += b.GetPixel(x, y) == gfx::clWhite;
        }
    EXPECT_EQ(white, 0);
    EXPECT_LT(blue, 600);

    TBitmap small(3, 3, TPixelFormat::pf8bit);  // text larger than the bitmap, on an indexed one
    small.Canvas().TextOut(-2, -2, "Wide text");
    EXPECT_EQ(small.PixelFormat(), TPixelFormat::pfDevice);
    small.Canvas().TextOut(INT_MAX - 2, INT_MAX - 2, "far away");  // nothing to draw, no overflow
    EXPECT_EQ(small.Width(), 3);
}

TEST(CanvasText, FontNamesMapToThisPlatformsFamilies)
{
    EXPECT_EQ(gfx::PlatformFontFamily("Arial"), "Liberation Sans");
    EXPECT_EQ(gfx::PlatformFontFamily("arial"), "Liberation Sans");
    EXPECT_EQ(gfx::PlatformFontFamily("Tahoma"), "DejaVu Sans");
    EXPECT_EQ(gfx::PlatformFontFamily("MS Sans Serif"), "Liberation Sans");
    EXPECT_EQ(gfx::PlatformFontFamily("System"), "DejaVu Sans");
    gfx::TFont f;
    f.SetSizePt(9);
    EXPECT_EQ(f.Height, -12);
    f.SetSizePt(8);
    EXPECT_EQ(f.Height, -11);
}
