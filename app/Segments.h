// A segment's pixels: cut from the picture, and its running number drawn on the shown copy.
#pragma once

#include "framework/graphics/Graphics.h"

namespace app {

// Rectangle (x, y, w, h) of a device-format source as a device-format bitmap: sharing the
// source's pixels where it lies inside (written, it copies them first), else copied with the
// parts outside white.
gfx::TBitmap CutSegment(const gfx::TBitmap& source, int x, int y, int w, int h);

// Draws the number at x 1, y 1 with the canvas's default font and brush, exactly as the canvas's
// own text output would. A target sharing another's pixels keeps sharing the rows below the
// number, and makes the rows under it when they are first read.
void DrawSegmentNumber(gfx::TBitmap& target, int number);

}  // namespace app
