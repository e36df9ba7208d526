// Device-independent bitmap routines and the GDI stand-ins.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "framework/graphics/Graphics.h"

namespace gfx {

#pragma pack(push, 1)
struct TBitmapInfoHeader {
    uint32_t biSize = 40;
    int32_t biWidth = 0;
    int32_t biHeight = 0;       // positive: bottom-up rows; negative: top-down
    uint16_t biPlanes = 1;
    uint16_t biBitCount = 0;
    uint32_t biCompression = 0; // BI_RGB
    uint32_t biSizeImage = 0;
    int32_t biXPelsPerMeter = 0;
    int32_t biYPelsPerMeter = 0;
    uint32_t biClrUsed = 0;
    uint32_t biClrImportant = 0;
};
#pragma pack(pop)
static_assert(sizeof(TBitmapInfoHeader) == 40);

constexpr uint32_t BI_RGB = 0;
constexpr uint32_t CBM_INIT = 4;
constexpr uint32_t DIB_RGB_COLORS = 0;
constexpr uint32_t SRCCOPY = 0x00CC0020;

// A bitmap handle: the pixel store of a device bitmap.
using HBITMAP = std::shared_ptr<TBitmapData>;
// A device context: the screen's (GetDC(0)), a bitmap's canvas or a printer page.
struct TDeviceContext {
    TCanvas* Canvas = nullptr;  // what drawing goes to; nullptr for the screen
    int BitsPerPixel = 32;
    int PixelsPerInch = 96;
};
using HDC = TDeviceContext*;

HDC GetDC(void* window);  // nullptr window: the screen (32 bits per pixel)
void ReleaseDC(void* window, HDC dc);

// Sizes of the header-and-colour-table block and of the pixel block of the bitmap's DIB copy.
// The copy has the bitmap's own bit count (pfDevice as 32; 15 and 16 bits as 24) and, for 1, 4
// and 8 bits, a colour table of 2^bits entries. Both sizes are 0 for a bitmap without pixels.
void GetDIBSizes(const TBitmap& bitmap, uint32_t& infoHeaderSize, uint32_t& imageSize);
// Fills the header (with its colour table behind it) and bottom-up rows padded to 4 bytes;
// false for a bitmap without pixels.
bool GetDIB(const TBitmap& bitmap, void* bitmapInfo, void* bits);

// Makes a device bitmap (32 bits) from a DIB header, colour table and rows; nullptr on failure.
// bitmapInfo is a header followed by its colour table (biClrUsed entries, or 2^bits when 0) for
// 1, 4 and 8 bits; 24 and 32 bits need none. header gives the size; it may be bitmapInfo itself.
// Rows are bottom-up (top-down when biHeight is negative) and padded to 4 bytes. Without CBM_INIT
// the bitmap is made white and bits is not read. This form trusts bits to hold every row.
HBITMAP CreateDIBitmap(HDC dc, const TBitmapInfoHeader* header, uint32_t init, const void* bits,
                       const void* bitmapInfo, uint32_t usage);
// Likewise, reading at most bitsSize bytes of bits; nullptr when the rows do not fit in them.
HBITMAP CreateDIBitmap(HDC dc, const TBitmapInfoHeader* header, uint32_t init, const void* bits,
                       const void* bitmapInfo, uint32_t usage, size_t bitsSize);
// True when a device bitmap of this size can be made (the limits CreateDIBitmap applies).
bool DeviceBitmapFits(int64_t width, int64_t height);
// Gives a bitmap object the device bitmap behind a handle.
void SetBitmapHandle(TBitmap& bitmap, const HBITMAP& handle);

// Reads one pixel of a bitmap as TColor; 0xFFFFFFFF outside the bitmap.
TColor GetPixel(const TBitmap& bitmap, int x, int y);

}  // namespace gfx
