// Decoding of uncompressed TIFF images (bilevel, grey, palette colour, RGB) into a bitmap.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "framework/graphics/Graphics.h"
#include "framework/rtl/SysUtils.h"
#include "tiff/ReadTiffTags.h"

namespace tif {

// What a step of the decoding found wrong, as the reader shows it; none when all went well.
using TProblem = std::optional<String>;

// What decoding a file did: the problems met, in the order met, and whether the bitmap was
// replaced or emptied (otherwise it still holds what it held before).
struct TTiffRead {
    std::vector<String> Problems;
    bool Changed = false;
};

// Decodes every image of the file, in chain order, into bitmap (the last one decoded wins).
// Problems are shown in message boxes; range errors (more than 256 images, a width or height above
// 65535, a file that cannot be opened again) reach the caller, and a file that cannot be opened at
// all raises rtl::EFOpenError.
void ReadTiffFile(const String& fileName, gfx::TBitmap& bitmap);
// The same decoding without showing anything: the problems are collected in read, also when an
// exception ends the decoding.
void DecodeTiffFile(const String& fileName, gfx::TBitmap& bitmap, TTiffRead& read);
// Shows each problem in a message box, in order.
void ShowProblems(const TTiffRead& read);

// The colour table of the image being decoded: 8-bit components in the low bytes.
struct TTiffPalette {
    uint16_t Red[257] = {};
    uint16_t Green[257] = {};
    uint16_t Blue[257] = {};
};
extern TTiffPalette TiffPalette;

// ---- the decoders and their steps ------------------------------------------------------

// Each gives the image's problem, if it has one; read.Changed tells whether bitmap was replaced.
TProblem DecodeBilevel(const String& fileName, TGraphicTiff& image, gfx::TBitmap& bitmap, TTiffRead& read);
TProblem DecodeGrey(const String& fileName, TGraphicTiff& image, gfx::TBitmap& bitmap, TTiffRead& read);
TProblem DecodePalette(const String& fileName, TGraphicTiff& image, gfx::TBitmap& bitmap, TTiffRead& read);
TProblem DecodeRgb(const String& fileName, TGraphicTiff& image, gfx::TBitmap& bitmap, TTiffRead& read);

// The rows of one image, top row first, rowBytes each.
struct TPixelBuffer {
    std::unique_ptr<uint8_t[]> Data;
    size_t Size = 0;
};

// Reads the rows of all strips into a new buffer; false when the strip table is missing or does
// not hold every row inside the file.
bool ReadStrips(const String& fileName, const TGraphicTiff& image, size_t rowBytes, TPixelBuffer& buffer);
// Re-lays the rows with a stride padded to 4 bytes; false when the buffer does not hold the rows.
bool PadRows(TPixelBuffer& buffer, size_t rowBytes, size_t height);
// Turns pixelCount 3-byte pixels from red, green, blue into blue, green, red (never past the buffer).
void SwapRedBlue(TPixelBuffer& buffer, size_t pixelCount);
struct TSampleSizes {
    uint16_t Red = 0, Green = 0, Blue = 0;
};
TSampleSizes ReadSampleSizes(const String& fileName, int32_t fileOffset, bool littleEndian);
void LoadColorMap(const String& fileName, int32_t count, int32_t value, bool littleEndian);
void ResetPalette();
void MakeBilevelPalette(int32_t photometric);
void MakeGreyPalette(int32_t bitsPerSample, int32_t photometric);
// Makes the bitmap from the rows in buffer (top row first, padded to 4 bytes) and TiffPalette.
void BuildBitmap(uint16_t width, uint16_t height, uint16_t bitsPerPixel, gfx::TBitmap& target,
                 const TPixelBuffer& buffer, TTiffRead& read);

}  // namespace tif
