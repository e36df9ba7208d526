#include <gtest/gtest.h>

#include "gif/ColorTbl.h"

using namespace gif;

TEST(ColorTable, DefaultsBySize)
{
    TColorTable none(0);
    EXPECT_EQ(none.Count(), 0);
    EXPECT_EQ(none.GetColor(0), 0u);
    EXPECT_EQ(none.GetColor(1), 16777215u);
    EXPECT_EQ(none.GetColor(2), 0u);

    TColorTable two(2);
    EXPECT_EQ(two.Count(), 2);
    EXPECT_EQ(two.GetColor(1), gfx::clWhite);

    TColorTable four(4);
    EXPECT_EQ(four.Count(), 4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(four.GetColor(static_cast<uint8_t>(i)), 0u);

    TColorTable sixteen(16);
    EXPECT_EQ(sixteen.GetColor(8), 12632256u);
    EXPECT_EQ(sixteen.GetColor(1), gfx::RGB(128, 0, 0));
    EXPECT_EQ(sixteen.GetColor(12), gfx::RGB(0, 0, 255));
    EXPECT_EQ(sixteen.GetColor(15), gfx::clWhite);
    EXPECT_EQ(sixteen.GetColor(16), 0u);

    TColorTable grey(256);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(grey.GetColor(static_cast<uint8_t>(i)), static_cast<TColor>(i * 65793));

    TColorTable other(7);
    EXPECT_EQ(other.Count(), 7);
    EXPECT_EQ(other.GetColor(1), 0u);
}

TEST(ColorTable, FastTableIsNotFilledByDefault)
{
    // FCT is all zero, and the search runs downward: black is found at the highest index.
    TColorTable t(2);
    EXPECT_EQ(t.GetColorIndex(gfx::clBlack), 1);
    EXPECT_EQ(t.GetColorIndex(gfx::clWhite), -1);
    EXPECT_EQ(TColorTable(0).GetColorIndex(gfx::clBlack), -1);
}

TEST(ColorTable, SearchFindsTheHighestIndex)
{
    TColorTable t(0);
    t.FCT.Colors[0] = 0x123456;
    t.FCT.Colors[1] = 0x00FF00;
    t.FCT.Colors[2] = 0x123456;
    t.SetCount(3);
    EXPECT_EQ(t.GetColorIndex(0x123456), 2);
    EXPECT_EQ(t.GetColorIndex(0x00FF00), 1);
    t.SetCount(2);
    EXPECT_EQ(t.GetColorIndex(0x123456), 0);
    t.SetCount(257);
    EXPECT_THROW(t.GetColorIndex(0), rtl::ERangeError);
}

TEST(ColorTable, AdjustColorCount)
{
    const struct {
        int32_t before, after;
    } cases[] = {{-3, -3}, {0, 0}, {1, 1}, {2, 2}, {3, 4}, {4, 4}, {5, 8}, {9, 16}, {17, 32},
                 {33, 64}, {65, 128}, {128, 128}, {129, 256}, {200, 256}, {255, 256}, {256, 256}, {300, 300}};
    for (const auto& c : cases) {
        TColorTable t(0);
        t.SetCount(c.before);
        t.AdjustColorCount();
        EXPECT_EQ(t.Count(), c.after) << c.before;
    }
}

TEST(ColorTable, CountPropertyKeepsEntries)
{
    TColorTable t(2);
    t.SetCount(8);
    EXPECT_EQ(t.GetColor(0), gfx::clBlack);
    EXPECT_EQ(t.GetColor(1), gfx::clWhite);
    for (int i = 2; i < 8; ++i) EXPECT_EQ(t.GetColor(static_cast<uint8_t>(i)), 0u);
}

TEST(ColorTable, CompactColors)
{
    TColorTable t(0);
    t.FCT.Colors[0] = 255;
    t.FCT.Colors[1] = gfx::RGB(1, 2, 3);
    t.SetCount(1);
    t.CompactColors();
    EXPECT_EQ(t.CT.Colors[0].Red, 255);
    EXPECT_EQ(t.CT.Colors[0].Green, 0);
    EXPECT_EQ(t.CT.Colors[0].Blue, 0);
    EXPECT_EQ(t.GetColor(1), gfx::clWhite);  // beyond Count: untouched

    t.SetCount(2);
    t.CompactColors();
    EXPECT_EQ(t.GetColor(1), gfx::RGB(1, 2, 3));

    // The byte form is the layout of a GIF colour table.
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(t.CT.Colors);
    EXPECT_EQ(bytes[3], 1);
    EXPECT_EQ(bytes[4], 2);
    EXPECT_EQ(bytes[5], 3);

    TColorTable big(0);
    big.FCT.Colors[255] = gfx::RGB(9, 9, 9);
    big.SetCount(257);
    EXPECT_THROW(big.CompactColors(), rtl::ERangeError);
    EXPECT_EQ(big.GetColor(255), gfx::RGB(9, 9, 9));  // 0..255 converted before the error
}
