// The split plan: columns, rows and segment size from the mode, the picture's size and the values.
#include <gtest/gtest.h>

#include "app/SplitPlan.h"

namespace {

using app::SplitMode;

struct PlanCase {
    const char* what;
    SplitMode mode;
    int32_t pictureWidth, pictureHeight, across, down;
    app::SplitPlan expected;
};

const PlanCase kPlans[] = {
    {"count, even", SplitMode::Count, 1000, 600, 4, 4, {4, 4, 250, 150, false}},
    {"count, remainder left out", SplitMode::Count, 100, 100, 3, 1, {3, 1, 33, 100, false}},
    {"count, many never asks", SplitMode::Count, 1200, 1200, 120, 120, {120, 120, 10, 10, false}},
    {"count, more than the pixels", SplitMode::Count, 3, 100, 4, 1, {0, 0, 0, 100, false}},
    {"count, zero across", SplitMode::Count, 100, 100, 0, 2, {0, 0, 0, 50, false}},
    {"count, negative values count as 0", SplitMode::Count, 100, 100, -2, -1, {0, 0, 0, 0, false}},
    {"count, no picture", SplitMode::Count, 0, 0, 4, 4, {0, 0, 0, 0, false}},
    {"pixels, whole segments", SplitMode::Pixels, 1000, 600, 35, 35, {28, 17, 35, 35, false}},
    {"pixels, exactly 3500", SplitMode::Pixels, 700, 500, 10, 10, {70, 50, 10, 10, false}},
    {"pixels, 3600 asks", SplitMode::Pixels, 600, 600, 10, 10, {60, 60, 10, 10, true}},
    {"pixels, capped at 120", SplitMode::Pixels, 2000, 2000, 5, 5, {120, 120, 5, 5, true}},
    {"pixels, capped one way", SplitMode::Pixels, 2000, 10, 5, 5, {120, 2, 5, 5, false}},
    {"pixels, wider than the picture", SplitMode::Pixels, 30, 300, 35, 35, {0, 8, 35, 35, false}},
    {"pixels, zero width", SplitMode::Pixels, 100, 100, 0, 10, {0, 0, 0, 10, false}},
    {"pixels, zero height", SplitMode::Pixels, 100, 100, 10, 0, {0, 0, 10, 0, false}},
};

TEST(SplitPlan, ColumnsRowsSizesAndTheQuestion)
{
    for (const PlanCase& k : kPlans) {
        const app::SplitPlan got = app::PlanSplit(k.mode, k.pictureWidth, k.pictureHeight, k.across, k.down);
        EXPECT_EQ(got.Cols, k.expected.Cols) << k.what;
        EXPECT_EQ(got.Rows, k.expected.Rows) << k.what;
        EXPECT_EQ(got.SegmentWidth, k.expected.SegmentWidth) << k.what;
        EXPECT_EQ(got.SegmentHeight, k.expected.SegmentHeight) << k.what;
        EXPECT_EQ(got.AskFirst, k.expected.AskFirst) << k.what;
    }
}

}  // namespace
