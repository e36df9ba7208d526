// Writing a bitmap as a single-image, uncompressed, little-endian TIFF file.
#pragma once

#include "framework/graphics/Graphics.h"
#include "framework/rtl/Classes.h"

namespace tif {

// Creates (or empties) the file and writes the bitmap into it.
void WriteTiffFile(const rtl::String& fileName, const gfx::TBitmap& bitmap);
// Writes the bitmap from the stream's start: 4 or 8 bits per pixel as a palette image, 1 bit not at
// all, anything else as 8-bit RGB. The stream must be empty and at position 0.
void WriteTiffToStream(rtl::TStream& stream, const gfx::TBitmap& bitmap);

}  // namespace tif
