// Bitmaps that show a rectangle of another store, and ones that own only their first rows: what
// they read, that writing never reaches the pixels they share, and what they save.
#include <gtest/gtest.h>

#include <cstring>

#include "framework/graphics/Graphics.h"
#include "framework/rtl/Classes.h"

namespace {

using gfx::TBitmap;
using gfx::TBitmapData;
using gfx::TPixelFormat;

gfx::TColor At(int x, int y) { return gfx::RGB(uint8_t(x * 9 + y), uint8_t(y * 5), uint8_t(x ^ y)); }

TBitmap Pattern(int w, int h)
{
    TBitmap b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) b.SetPixel(x, y, At(x, y));
    return b;
}

TBitmap ViewOf(const TBitmap& whole, int x, int y, int w, int h)
{
    TBitmap v;
    v.SetData(TBitmapData::View(whole.Data(), x, y, w, h));
    return v;
}

void ExpectShows(const TBitmap& b, int x0, int y0)
{
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) ASSERT_EQ(b.GetPixel(x, y), At(x0 + x, y0 + y)) << x << "," << y;
}

std::string Saved(TBitmap& b)
{
    rtl::TMemoryStream s;
    b.SaveToStream(s);
    return std::string(reinterpret_cast<const char*>(s.Memory()), size_t(s.Size()));
}

TEST(BitmapView, ShowsItsRectangleAndSavesAsACopyWould)
{
    TBitmap whole = Pattern(23, 17);
    TBitmap view = ViewOf(whole, 5, 3, 11, 9);
    EXPECT_EQ(view.Width(), 11);
    EXPECT_EQ(view.Height(), 9);
    EXPECT_TRUE(view.Data()->SharesRows());
    ExpectShows(view, 5, 3);
    TBitmap copy(11, 9);
    for (int y = 0; y < 9; ++y) std::memcpy(copy.ScanLineW(y), whole.ScanLine(y + 3) + 5 * 4, 11 * 4);
    EXPECT_EQ(Saved(view), Saved(copy));
    TBitmap converted = view;
    converted.SetPixelFormat(TPixelFormat::pf24bit);
    converted.SetPixelFormat(TPixelFormat::pfDevice);
    ExpectShows(converted, 5, 3);
    TBitmap stretched(22, 18);
    stretched.Canvas().StretchDraw(gfx::Rect(0, 0, 22, 18), view);
    EXPECT_EQ(stretched.GetPixel(21, 17), At(15, 11));
}

TEST(BitmapView, WritingNeverReachesTheSharedPixels)
{
    TBitmap whole = Pattern(20, 10);
    TBitmap view = ViewOf(whole, 4, 2, 8, 6);
    TBitmap other = view;
    view.SetPixel(0, 0, gfx::clBlack);
    view.Canvas().TextOut(1, 1, "7");
    ExpectShows(whole, 0, 0);
    ExpectShows(other, 4, 2);
    EXPECT_FALSE(view.Data()->SharesRows());
    // Written, the whole picture keeps the view's pixels as they were.
    TBitmap again = ViewOf(whole, 4, 2, 8, 6);
    whole.SetPixel(5, 3, gfx::clBlack);
    ExpectShows(again, 4, 2);
    // The view outlives the bitmap it was cut from.
    TBitmap last = ViewOf(Pattern(9, 9), 1, 1, 3, 3);
    ExpectShows(last, 1, 1);
}

TEST(BitmapView, OwnTopRowsOverSharedOnes)
{
    TBitmap whole = Pattern(30, 20);
    TBitmap view = ViewOf(whole, 6, 4, 12, 10);
    int drawn = 0;
    TBitmap joined;
    joined.SetData(TBitmapData::WithTopRows(view.Data(), 3, [&](TBitmap& top) {
        ++drawn;
        EXPECT_EQ(top.Height(), 3);
        EXPECT_EQ(top.GetPixel(2, 1), At(8, 5));  // the shared rows' pixels to draw on
        top.SetPixel(2, 1, gfx::clBlack);
    }));
    EXPECT_TRUE(joined.Data()->SharesRows());
    EXPECT_EQ(joined.GetPixel(5, 7), At(11, 11));
    EXPECT_EQ(drawn, 0);  // rows below the own ones do not make them
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 12; ++x)
            EXPECT_EQ(joined.GetPixel(x, y), x == 2 && y == 1 ? gfx::clBlack : At(6 + x, 4 + y)) << x << "," << y;
    EXPECT_EQ(drawn, 1);
    TBitmap copy = joined;
    copy.SetPixel(0, 9, gfx::clBlack);
    EXPECT_EQ(joined.GetPixel(0, 9), At(6, 13));
    EXPECT_EQ(copy.GetPixel(2, 1), gfx::clBlack);
    ExpectShows(whole, 0, 0);
    // A view of such a store is cut from a copy of it.
    TBitmap inner = ViewOf(joined, 1, 0, 4, 5);
    EXPECT_EQ(inner.GetPixel(1, 1), gfx::clBlack);
    EXPECT_EQ(inner.GetPixel(0, 4), At(7, 8));
    EXPECT_EQ(drawn, 1);
}

TEST(BitmapView, RectanglesOutsideOrStoresNotOf32BitsAreRefused)
{
    TBitmap whole = Pattern(10, 10);
    EXPECT_THROW(TBitmapData::View(whole.Data(), 5, 5, 6, 1), rtl::EInvalidGraphicOperation);
    EXPECT_THROW(TBitmapData::View(whole.Data(), -1, 0, 2, 2), rtl::EInvalidGraphicOperation);
    TBitmap narrow(10, 10, TPixelFormat::pf24bit);
    EXPECT_THROW(TBitmapData::View(narrow.Data(), 0, 0, 2, 2), rtl::EInvalidGraphicOperation);
    EXPECT_THROW(TBitmapData::WithTopRows(ViewOf(whole, 0, 0, 4, 10).Data(), 11, nullptr),
                 rtl::EInvalidGraphicOperation);
}

}  // namespace
