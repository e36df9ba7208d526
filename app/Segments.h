// A segment's pixels: cut from the picture, and its running number drawn on the shown copy.
#pragma once

#include "framework/graphics/Graphics.h"

namespace app {

// Copies rectangle (x, y, w, h) of a device-format source into a new device-format bitmap, one
// row copy per row. Parts outside the source stay white.
gfx::TBitmap CutSegment(const gfx::TBitmap& source, int x, int y, int w, int h);

// Draws the number at x 1, y 1 with the canvas's default font and brush, exactly as the canvas's
// own text output would.
void DrawSegmentNumber(gfx::TBitmap& target, int number);

}  // namespace app
