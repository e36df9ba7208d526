// Test side: a marker bitmap, so that "unchanged" can be told from "emptied", and a bitmap's pixels.
#pragma once

#include <vector>

#include "framework/graphics/Graphics.h"

namespace tifftest {

inline gfx::TBitmap Marker()
{
    gfx::TBitmap b(2, 1, gfx::TPixelFormat::pfDevice);
    b.SetPixel(0, 0, gfx::RGB(1, 2, 3));
    b.SetPixel(1, 0, gfx::RGB(4, 5, 6));
    return b;
}

inline bool IsMarker(const gfx::TBitmap& b)
{
    return b.Width() == 2 && b.Height() == 1 && gfx::GetPixel(b, 0, 0) == gfx::RGB(1, 2, 3) &&
           gfx::GetPixel(b, 1, 0) == gfx::RGB(4, 5, 6);
}

// Row by row.
inline std::vector<gfx::TColor> Pixels(const gfx::TBitmap& b)
{
    std::vector<gfx::TColor> out;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) out.push_back(gfx::GetPixel(b, x, y));
    return out;
}

}  // namespace tifftest
