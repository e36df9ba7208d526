// The split's geometry: how many segments across and down, and their size, from the split mode,
// the picture's size and the two values the user chose.
#pragma once

#include <cstdint>

namespace app {

// Most segments across and down.
constexpr int MaxSplitCells = 120;

// A pixel split of more segments than this asks before it cuts.
constexpr int64_t ManySegments = 3500;

enum class SplitMode {
    Count,   // the values are the segments across and down
    Pixels,  // the values are a segment's width and height
};

struct SplitPlan {
    int32_t Cols = 0;
    int32_t Rows = 0;
    int32_t SegmentWidth = 0;
    int32_t SegmentHeight = 0;
    bool AskFirst = false;  // a pixel split of more than ManySegments segments
};

// Columns and rows are whole quotients: what does not fill a whole segment at the right and the
// bottom is left out. A pixel split has at most MaxSplitCells across and down. A plan whose
// segment would have no pixels has no columns and no rows.
SplitPlan PlanSplit(SplitMode mode, int32_t pictureWidth, int32_t pictureHeight, int32_t across, int32_t down);

}  // namespace app
