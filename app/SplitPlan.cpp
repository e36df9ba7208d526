#include "app/SplitPlan.h"

#include <algorithm>

namespace app {

namespace {

int32_t WholeQuotient(int32_t a, int32_t b) { return b > 0 ? a / b : 0; }

}  // namespace

SplitPlan PlanSplit(SplitMode mode, int32_t pictureWidth, int32_t pictureHeight, int32_t across, int32_t down)
{
    SplitPlan plan;
    if (mode == SplitMode::Count) {
        plan.Cols = std::max(across, 0);
        plan.Rows = std::max(down, 0);
        plan.SegmentWidth = WholeQuotient(pictureWidth, plan.Cols);
        plan.SegmentHeight = WholeQuotient(pictureHeight, plan.Rows);
    } else {
        // After a failed first load the limits let the boxes hold 0: no divisor, no segment.
        plan.SegmentWidth = across;
        plan.SegmentHeight = down;
        plan.Cols = std::min(WholeQuotient(pictureWidth, across), MaxSplitCells);
        plan.Rows = std::min(WholeQuotient(pictureHeight, down), MaxSplitCells);
        plan.AskFirst = int64_t(plan.Cols) * plan.Rows > ManySegments;
    }
    // A segment without pixels is no segment.
    if (plan.SegmentWidth <= 0 || plan.SegmentHeight <= 0) plan.Cols = plan.Rows = 0;
    return plan;
}

}  // namespace app
