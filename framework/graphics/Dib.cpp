// Device-independent bitmap copies and device bitmaps made from them.
#include "framework/graphics/Dib.h"

#include <cstring>

#include "framework/graphics/PixelRows.h"

namespace gfx {

namespace {

constexpr int32_t kMaxDimension = 1 << 17;
constexpr uint64_t kMaxPixels = uint64_t(1) << 31;

// The bit count of a bitmap's DIB copy.
int DibBitCount(TPixelFormat pf)
{
    switch (pf) {
    case TPixelFormat::pf1bit: return 1;
    case TPixelFormat::pf4bit: return 4;
    case TPixelFormat::pf8bit: return 8;
    case TPixelFormat::pfDevice:
    case TPixelFormat::pf32bit: return 32;
    default: return 24;
    }
}

inline size_t DibStride(int64_t width, int bits) { return size_t(((width * bits + 31) / 32) * 4); }

TDeviceContext& ScreenContext()
{
    static TDeviceContext screen;
    return screen;
}

}  // namespace

HDC GetDC(void* window) { return &ScreenContext(); }
void ReleaseDC(void* window, HDC dc) {}

void GetDIBSizes(const TBitmap& bitmap, uint32_t& infoHeaderSize, uint32_t& imageSize)
{
    infoHeaderSize = imageSize = 0;
    if (!bitmap.HandleAllocated())
        return;
    int bits = DibBitCount(bitmap.PixelFormat());
    infoHeaderSize = uint32_t(sizeof(TBitmapInfoHeader) + (bits <= 8 ? (size_t(1) << bits) * sizeof(TRGBQuad) : 0));
    uint64_t size = uint64_t(DibStride(bitmap.Width(), bits)) * uint64_t(bitmap.Height());
    if (size > UINT32_MAX)
        throw rtl::EOutOfMemory();
    imageSize = uint32_t(size);
}

bool GetDIB(const TBitmap& bitmap, void* bitmapInfo, void* bits)
{
    if (!bitmap.HandleAllocated() || !bitmapInfo || !bits)
        return false;
    const TBitmapData& d = *bitmap.Data();
    int bitCount = DibBitCount(d.PixelFormat);
    uint32_t infoSize, imageSize;
    GetDIBSizes(bitmap, infoSize, imageSize);

    TBitmapInfoHeader h;
    h.biWidth = d.Width;
    h.biHeight = d.Height;
    h.biBitCount = uint16_t(bitCount);
    h.biSizeImage = imageSize;
    std::memcpy(bitmapInfo, &h, sizeof h);
    if (bitCount <= 8) {
        auto* table = static_cast<uint8_t*>(bitmapInfo) + sizeof h;
        size_t entries = size_t(1) << bitCount;
        for (size_t i = 0; i < entries; ++i) {
            TRGBQuad q = i < d.Palette.size() ? d.Palette[i] : TRGBQuad{};
            q.Reserved = 0;
            std::memcpy(table + i * sizeof q, &q, sizeof q);
        }
    }
    size_t stride = DibStride(d.Width, bitCount);
    auto* out = static_cast<uint8_t*>(bits);
    std::vector<uint8_t> wide;
    for (int i = 0; i < d.Height; ++i, out += stride) {
        int y = d.Height - 1 - i;
        if (bitCount == BitsPerPixel(d.PixelFormat)) {
            std::memcpy(out, d.Row(y), stride);
            continue;
        }
        // 15- and 16-bit rows go out as 24 bits.
        wide.resize(size_t(d.Width) * 4);
        detail::ReadRow32(d, y, 0, d.Width, wide.data());
        std::memset(out, 0, stride);
        for (int x = 0; x < d.Width; ++x)
            std::memcpy(out + size_t(x) * 3, &wide[size_t(x) * 4], 3);
    }
    return true;
}

namespace {

HBITMAP MakeDeviceBitmap(const TBitmapInfoHeader* header, uint32_t init, const void* bits, const void* bitmapInfo,
                         uint32_t usage, size_t bitsSize)
{
    if (!header)
        return nullptr;
    int32_t width = header->biWidth;
    int64_t height = header->biHeight < 0 ? -int64_t(header->biHeight) : header->biHeight;
    if (width <= 0 || height <= 0 || !DeviceBitmapFits(width, height))
        return nullptr;
    if (!(init & CBM_INIT))
        return TBitmapData::Create(width, int(height), TPixelFormat::pfDevice);

    TBitmapInfoHeader format;  // the layout of the rows, with its colour table behind it
    std::memcpy(&format, bitmapInfo ? bitmapInfo : header, sizeof format);
    int bitCount = format.biBitCount;
    bool topDown = format.biHeight < 0;
    int64_t formatHeight = format.biHeight < 0 ? -int64_t(format.biHeight) : format.biHeight;
    if (!bits || format.biSize < sizeof(TBitmapInfoHeader) || format.biSize > 124 || format.biPlanes != 1 || format.biCompression != BI_RGB ||
        usage != DIB_RGB_COLORS || format.biWidth != width || formatHeight != height)
        return nullptr;
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
        return nullptr;
    const auto* table =
        static_cast<const uint8_t*>(bitmapInfo ? bitmapInfo : static_cast<const void*>(header)) + format.biSize;

    uint32_t colours[256] = {};
    if (bitCount <= 8) {
        uint32_t full = 1u << bitCount;
        uint32_t used = format.biClrUsed ? format.biClrUsed : full;
        if (used > full)
            return nullptr;
        for (uint32_t i = 0; i < used; ++i) {
            const uint8_t* q = table + 4 * i;
            colours[i] = uint32_t(q[0]) | uint32_t(q[1]) << 8 | uint32_t(q[2]) << 16;
        }
    }
    size_t stride = DibStride(width, bitCount);
    size_t rowBytes = (size_t(width) * bitCount + 7) / 8;
    if (bitsSize < stride * size_t(height - 1) + rowBytes)
        return nullptr;

    auto d = TBitmapData::Create(width, int(height), TPixelFormat::pfDevice, false);
    const auto* src = static_cast<const uint8_t*>(bits);
    for (int64_t i = 0; i < height; ++i, src += stride) {
        uint8_t* out = d->Row(int(topDown ? i : height - 1 - i));
        if (bitCount == 32) {
            std::memcpy(out, src, size_t(width) * 4);
            continue;
        }
        for (int x = 0; x < width; ++x, out += 4) {
            uint32_t c;
            switch (bitCount) {
            case 1: c = colours[(src[x >> 3] >> (7 - (x & 7))) & 1]; break;
            case 4: c = colours[(src[x >> 1] >> (x & 1 ? 0 : 4)) & 0x0F]; break;
            case 8: c = colours[src[x]]; break;
            case 16: {
                unsigned v = unsigned(src[2 * x]) | unsigned(src[2 * x + 1]) << 8;
                auto five = [](unsigned f) { return uint32_t((f * 255 + 15) / 31); };
                c = five(v & 31) | five((v >> 5) & 31) << 8 | five((v >> 10) & 31) << 16;
                break;
            }
            default: c = uint32_t(src[3 * x]) | uint32_t(src[3 * x + 1]) << 8 | uint32_t(src[3 * x + 2]) << 16;
            }
            out[0] = uint8_t(c);
            out[1] = uint8_t(c >> 8);
            out[2] = uint8_t(c >> 16);
            out[3] = 0;
        }
    }
    return d;
}

}  // namespace

HBITMAP CreateDIBitmap(HDC dc, const TBitmapInfoHeader* header, uint32_t init, const void* bits,
                       const void* bitmapInfo, uint32_t usage)
{
    return MakeDeviceBitmap(header, init, bits, bitmapInfo, usage, SIZE_MAX);
}

HBITMAP CreateDIBitmap(HDC dc, const TBitmapInfoHeader* header, uint32_t init, const void* bits,
                       const void* bitmapInfo, uint32_t usage, size_t bitsSize)
{
    return MakeDeviceBitmap(header, init, bits, bitmapInfo, usage, bitsSize);
}

bool DeviceBitmapFits(int64_t width, int64_t height)
{
    return width >= 0 && height >= 0 && width <= kMaxDimension && height <= kMaxDimension &&
           uint64_t(width) * uint64_t(height) <= kMaxPixels;
}

void SetBitmapHandle(TBitmap& bitmap, const HBITMAP& handle) { bitmap.SetData(handle); }

TColor GetPixel(const TBitmap& bitmap, int x, int y) { return bitmap.GetPixel(x, y); }

}  // namespace gfx
