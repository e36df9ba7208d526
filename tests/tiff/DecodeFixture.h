// Test side: a marker bitmap, so that "unchanged" can be told from "emptied", a bitmap's pixels, and
// a fixture that decodes file bytes into a marker in either byte order.
#pragma once

#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "framework/graphics/Dib.h"
#include "framework/graphics/Graphics.h"
#include "framework/ui/Seam.h"
#include "tests/tiff/TiffBuilder.h"
#include "tiff/ReadTiff.h"

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

// The parameter: little-endian ("II") files, else big-endian ("MM").
class MarkerDecodeTest : public ::testing::TestWithParam<bool> {
protected:
    bool le() const { return GetParam(); }
    // Decodes the bytes into a marker bitmap; the messages shown are in seam.
    gfx::TBitmap DecodeBytes(const std::vector<uint8_t>& bytes)
    {
        gfx::TBitmap bitmap = Marker();
        tif::ReadTiffFile(dir.Write("t.tif", bytes), bitmap);
        return bitmap;
    }
    ScratchDir dir;
    ui::ScriptedSeam seam;
};

}  // namespace tifftest
