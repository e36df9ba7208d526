// Internal: row conversions between the stored pixel formats and 32-bit BGRX.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "framework/graphics/Graphics.h"

namespace gfx::detail {

// Finds the nearest palette entry for a colour; exact colours hit their entry, others are cached
// by their 5-5-5 value.
class TPaletteMatcher {
public:
    explicit TPaletteMatcher(const std::vector<TRGBQuad>& palette);
    uint8_t Index(uint8_t b, uint8_t g, uint8_t r);

private:
    uint8_t Search(uint8_t b, uint8_t g, uint8_t r) const;
    const std::vector<TRGBQuad>& FPalette;
    std::vector<uint32_t> FExactKeys;    // open addressing: colour + 1, 0 free
    std::vector<uint8_t> FExactValues;
    std::vector<int16_t> FCache;         // 32768 entries, -1 unknown
};

// The stretch filter's own loop for pictures made larger both ways; false: the general loop,
// which gives the same pixels (tests compare the two).
extern bool StretchTwoTapPath;

uint8_t NearestPaletteIndex(const std::vector<TRGBQuad>& palette, uint8_t b, uint8_t g, uint8_t r);

// Reads count pixels of row y from column x0 as B, G, R, X bytes (X: the stored fourth byte of
// 32-bit pixels, 0 otherwise). The columns must lie inside the bitmap.
void ReadRow32(const TBitmapData& data, int y, int x0, int count, uint8_t* out);
// Writes count BGRX pixels into row y from column x0 (indexed formats: nearest entries).
void WriteRow32(TBitmapData& data, int y, int x0, int count, const uint8_t* in, TPaletteMatcher* matcher);

// The pixel store converted to another format (same size); palettes follow DefaultPalette
// unless the source's entries fit into the new palette.
std::shared_ptr<TBitmapData> ConvertData(const TBitmapData& data, TPixelFormat pf);

// Copies a w x h block from (sx, sy) of src to (dx, dy) of dst, converting the format; the
// block is clipped to both stores first.
void CopyBlock(const TBitmapData& src, int sx, int sy, TBitmapData& dst, int dx, int dy, int w, int h);

// The target's store ready for drawing: indexed and 16-bit bitmaps become pfDevice first.
TBitmapData& DrawableData(TBitmap& target);

}  // namespace gfx::detail
