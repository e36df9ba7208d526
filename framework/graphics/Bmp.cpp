// BMP files: the reader of every common variant and the writer of the bitmap's own format.
#include <algorithm>
#include <bit>
#include <cstring>

#include "framework/graphics/Graphics.h"
#include "framework/graphics/PixelRows.h"
#include "framework/rtl/ByteReader.h"

namespace gfx {

namespace {

constexpr uint16_t kSignature = 0x4D42;  // "BM"
constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kV2HeaderSize = 52;   // info header with red, green and blue masks
constexpr uint32_t kV3HeaderSize = 56;   // and the alpha mask
constexpr uint32_t kOs2HeaderSize = 64;  // OS/2 2.x; may be cut to any length from 16
constexpr uint32_t kV4HeaderSize = 108;
constexpr uint32_t kV5HeaderSize = 124;

constexpr uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3, kBiAlphaBitfields = 6;

// Explicit limits checked before anything is allocated.
constexpr int32_t kMaxDimension = 1 << 17;
constexpr uint64_t kMaxPixels = uint64_t(1) << 31;
// Run-length data can legitimately describe far more pixels than it has bytes (runs, line ends,
// deltas), but not without bound: a file may claim kRleBasePixels plus this many per data byte.
constexpr uint64_t kRlePixelsPerByte = 1024;
constexpr uint64_t kRleBasePixels = uint64_t(1) << 24;

[[noreturn]] void RaiseInvalid() { throw rtl::EInvalidGraphic("Bitmap image is not valid"); }

inline void Put16(uint8_t* p, uint32_t v) { p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); }
inline void Put32(uint8_t* p, uint32_t v) { Put16(p, v); Put16(p + 2, v >> 16); }

void ReadExact(TStream& stream, void* buffer, int64_t count)
{
    if (count > 0 && stream.Read(buffer, count) != count)
        RaiseInvalid();
}

struct TBmpHeader {
    uint32_t PixelOffset = 0;  // from the start of the file header
    uint32_t HeaderSize = 0;
    bool Core = false;         // 12-byte header with 3-byte palette entries
    bool Os2 = false;          // OS/2 2.x header: compressions 3 and 4 mean other things there
    int32_t Width = 0;
    int32_t Height = 0;        // rows, always positive here
    bool TopDown = false;
    uint16_t BitCount = 0;
    uint32_t Compression = kBiRgb;
    uint32_t ImageSize = 0;
    uint32_t ColorsUsed = 0;
    uint32_t Masks[4] = {};    // red, green, blue, alpha
    uint32_t TablesEnd = 0;    // file offset after the headers and masks, where a palette starts
};

// ---- header ---------------------------------------------------------------------------------

void ReadFileHeader(TStream& stream, TBmpHeader& h)
{
    uint8_t b[kFileHeaderSize];
    ReadExact(stream, b, sizeof b);
    const rtl::TByteReader r(b, sizeof b);
    if (r.U16(0) != kSignature)
        RaiseInvalid();
    h.PixelOffset = r.U32(10);
}

void ReadInfoHeader(TStream& stream, TBmpHeader& h)
{
    uint8_t b[kV5HeaderSize] = {};
    ReadExact(stream, b, 4);
    h.HeaderSize = rtl::TByteReader(b, 4).U32(0);
    uint32_t size = h.HeaderSize;
    bool known = size == kCoreHeaderSize || (size >= 16 && size <= kOs2HeaderSize) || size == kV4HeaderSize ||
                 size == kV5HeaderSize;
    if (!known)
        RaiseInvalid();
    ReadExact(stream, b + 4, size - 4);
    // A header cut short reads as zeros beyond its end.
    const rtl::TByteReader r(b, sizeof b);
    if (size == kCoreHeaderSize) {
        h.Core = true;
        h.Width = r.U16(4);
        h.Height = r.U16(6);
        h.BitCount = r.U16(10);
    } else {
        h.Os2 = size < kInfoHeaderSize || size == kOs2HeaderSize ||
                (size > kInfoHeaderSize && size < kOs2HeaderSize && size != kV2HeaderSize && size != kV3HeaderSize);
        h.Width = r.I32(4);
        int32_t height = r.I32(8);
        if (height == INT32_MIN)
            RaiseInvalid();
        h.TopDown = height < 0;
        h.Height = height < 0 ? -height : height;
        h.BitCount = r.U16(14);
        h.Compression = r.U32(16);
        h.ImageSize = r.U32(20);
        h.ColorsUsed = r.U32(32);
        if (!h.Os2 && size >= kV2HeaderSize)
            for (int i = 0; i < 3; ++i)
                h.Masks[i] = r.U32(40 + 4 * i);
        if (!h.Os2 && size >= kV3HeaderSize)
            h.Masks[3] = r.U32(52);
    }
    h.TablesEnd = kFileHeaderSize + size;
    // A plain info header keeps its masks behind it.
    if (size == kInfoHeaderSize && (h.Compression == kBiBitfields || h.Compression == kBiAlphaBitfields)) {
        int n = h.Compression == kBiAlphaBitfields ? 4 : 3;
        uint8_t m[16];
        ReadExact(stream, m, 4 * n);
        const rtl::TByteReader masks(m, size_t(4 * n));
        for (int i = 0; i < n; ++i)
            h.Masks[i] = masks.U32(4 * size_t(i));
        h.TablesEnd += 4 * n;
    }
}

bool ValidMask(uint32_t mask, int bitCount)
{
    if (mask == 0)
        return true;
    if (bitCount < 32 && (mask >> bitCount) != 0)
        return false;
    uint32_t shifted = mask >> std::countr_zero(mask);
    return (shifted & (shifted + 1)) == 0;  // one run of bits
}

void ValidateHeader(const TBmpHeader& h, int64_t available)
{
    if (h.Width < 0 || h.Width > kMaxDimension || h.Height > kMaxDimension)
        RaiseInvalid();
    if (uint64_t(h.Width) * uint64_t(h.Height) > kMaxPixels)
        RaiseInvalid();
    switch (h.BitCount) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: RaiseInvalid();
    }
    switch (h.Compression) {
    case kBiRgb: break;
    case kBiRle8:
        if (h.BitCount != 8 || h.TopDown) RaiseInvalid();
        break;
    case kBiRle4:
        if (h.BitCount != 4 || h.TopDown) RaiseInvalid();
        break;
    case kBiBitfields:
    case kBiAlphaBitfields:
        // OS/2 uses 3 for Huffman coding, which no one reads any more.
        if (h.Os2 || (h.BitCount != 16 && h.BitCount != 32)) RaiseInvalid();
        if (h.Masks[0] == 0 && h.Masks[1] == 0 && h.Masks[2] == 0) RaiseInvalid();
        for (uint32_t m : h.Masks)
            if (!ValidMask(m, h.BitCount)) RaiseInvalid();
        break;
    default:
        RaiseInvalid();  // JPEG, PNG, Huffman and 24-bit RLE data
    }
    if (h.PixelOffset < h.TablesEnd || int64_t(h.PixelOffset) > available)
        RaiseInvalid();
}

// ---- palette ----------------------------------------------------------------------------

std::vector<TRGBQuad> ReadPalette(TStream& stream, const TBmpHeader& h)
{
    uint32_t full = 1u << h.BitCount;
    uint32_t count = h.Core || h.ColorsUsed == 0 || h.ColorsUsed > full ? full : h.ColorsUsed;
    uint32_t entrySize = h.Core ? 3 : 4;
    count = std::min(count, (h.PixelOffset - h.TablesEnd) / entrySize);  // never into the pixels
    std::vector<uint8_t> raw(size_t(count) * entrySize);
    ReadExact(stream, raw.data(), int64_t(raw.size()));
    std::vector<TRGBQuad> pal(full);
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* e = raw.data() + size_t(i) * entrySize;
        pal[i] = TRGBQuad{e[0], e[1], e[2], 0};
    }
    return pal;
}

// ---- uncompressed rows -------------------------------------------------------------------

struct TChannel {
    uint32_t Mask = 0;
    int Shift = 0;
    int Bits = 0;
    uint8_t Scale(uint32_t pixel, uint8_t absent) const
    {
        if (!Mask)
            return absent;
        uint32_t v = (pixel & Mask) >> Shift;
        if (Bits >= 8)
            return uint8_t(v >> (Bits - 8));
        uint32_t max = (1u << Bits) - 1;
        return uint8_t((v * 255 + max / 2) / max);
    }
};

TChannel MakeChannel(uint32_t mask)
{
    TChannel c;
    c.Mask = mask;
    if (mask) {
        c.Shift = std::countr_zero(mask);
        c.Bits = std::popcount(mask);
    }
    return c;
}

// Row i of the file is row y of the bitmap.
inline int TargetRow(const TBmpHeader& h, int i) { return h.TopDown ? i : h.Height - 1 - i; }

void ReadRows(TStream& stream, const TBmpHeader& h, TBitmapData& d, int64_t dataAvailable)
{
    int64_t rowBytes = (int64_t(h.Width) * h.BitCount + 7) / 8;
    int64_t fileStride = ((int64_t(h.Width) * h.BitCount + 31) / 32) * 4;
    // The last row may lack its padding; every other row must be whole.
    int64_t need = h.Height ? fileStride * (h.Height - 1) + rowBytes : 0;
    if (need > dataAvailable)
        RaiseInvalid();

    bool direct = BitsPerPixel(d.PixelFormat) == h.BitCount;
    if (direct && h.BitCount == 32 && h.Compression != kBiRgb)
        direct = h.Masks[0] == 0xFF0000 && h.Masks[1] == 0xFF00 && h.Masks[2] == 0xFF &&
                 (h.Masks[3] == 0 || h.Masks[3] == 0xFF000000u);
    if (direct) {
        // One row copy per row, straight into the store.
        for (int i = 0; i < h.Height; ++i) {
            int64_t n = i == h.Height - 1 ? rowBytes : fileStride;
            ReadExact(stream, d.Row(TargetRow(h, i)), n);
        }
        return;
    }

    uint32_t masks[4] = {h.Masks[0], h.Masks[1], h.Masks[2], h.Masks[3]};
    if (h.Compression == kBiRgb) {
        if (h.BitCount == 16) {
            masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F, masks[3] = 0;
        } else {
            masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF, masks[3] = 0;
        }
    }
    TChannel ch[4] = {MakeChannel(masks[0]), MakeChannel(masks[1]), MakeChannel(masks[2]), MakeChannel(masks[3])};
    int outBytes = BitsPerPixel(d.PixelFormat) / 8;
    int inBytes = h.BitCount / 8;
    std::vector<uint8_t> row(static_cast<size_t>(fileStride));
    for (int i = 0; i < h.Height; ++i) {
        ReadExact(stream, row.data(), i == h.Height - 1 ? rowBytes : fileStride);
        uint8_t* out = d.Row(TargetRow(h, i));
        const rtl::TByteReader in(row.data(), row.size());
        size_t at = 0;
        for (int x = 0; x < h.Width; ++x, at += size_t(inBytes), out += outBytes) {
            uint32_t px = inBytes == 2 ? in.U16(at) : in.U32(at);
            out[0] = ch[2].Scale(px, 0);
            out[1] = ch[1].Scale(px, 0);
            out[2] = ch[0].Scale(px, 0);
            if (outBytes == 4)
                out[3] = ch[3].Scale(px, 0);
        }
    }
}

// ---- run-length data ---------------------------------------------------------------------

// Decodes RLE8 or RLE4 data into an indexed store of the same depth; pixels not reached stay 0.
void DecodeRle(const uint8_t* data, size_t size, const TBmpHeader& h, TBitmapData& d)
{
    const bool four = h.Compression == kBiRle4;
    const int w = h.Width;
    auto put = [&](int x, int y, unsigned v) {
        uint8_t* row = d.Row(h.Height - 1 - y);
        if (!four)
            row[x] = uint8_t(v);
        else if (x & 1)
            row[x >> 1] = uint8_t((row[x >> 1] & 0xF0) | (v & 0x0F));
        else
            row[x >> 1] = uint8_t((row[x >> 1] & 0x0F) | (v & 0x0F) << 4);
    };
    int x = 0, y = 0;
    size_t p = 0;
    while (y < h.Height) {
        if (p + 2 > size)
            RaiseInvalid();  // the data ends before the bitmap does
        unsigned count = data[p], value = data[p + 1];
        p += 2;
        if (count) {
            // A run: RLE4 alternates the two nibbles of the value.
            for (unsigned i = 0; i < count && x < w; ++i, ++x)
                put(x, y, four ? (i & 1 ? value & 0x0F : value >> 4) : value);
            continue;
        }
        switch (value) {
        case 0:  // end of line
            x = 0;
            ++y;
            break;
        case 1:  // end of bitmap
            return;
        case 2:  // delta
            if (p + 2 > size)
                RaiseInvalid();
            x = std::min(x + int(data[p]), w);
            y += data[p + 1];
            p += 2;
            break;
        default: {  // absolute run, padded to a 16-bit boundary
            size_t bytes = four ? (value + 1) / 2 : value;
            if (p + bytes > size)
                RaiseInvalid();
            for (unsigned i = 0; i < value && x < w; ++i, ++x)
                put(x, y, four ? (i & 1 ? data[p + i / 2] & 0x0F : data[p + i / 2] >> 4) : data[p + i]);
            p = std::min(size, p + ((bytes + 1) & ~size_t(1)));
        }
        }
    }
}

TPixelFormat TargetFormat(const TBmpHeader& h)
{
    switch (h.BitCount) {
    case 1: return TPixelFormat::pf1bit;
    case 4: return TPixelFormat::pf4bit;
    case 8: return TPixelFormat::pf8bit;
    case 16: return h.Compression != kBiRgb && h.Masks[3] ? TPixelFormat::pf32bit : TPixelFormat::pf24bit;
    case 24: return TPixelFormat::pf24bit;
    default: return TPixelFormat::pf32bit;
    }
}

}  // namespace

void TBitmap::LoadFromStream(TStream& stream)
{
    int64_t start = stream.Position();
    int64_t available = stream.Size() - start;

    TBmpHeader h;
    ReadFileHeader(stream, h);
    ReadInfoHeader(stream, h);
    ValidateHeader(h, available);

    std::vector<TRGBQuad> palette;
    if (h.BitCount <= 8)
        palette = ReadPalette(stream, h);
    stream.SetPosition(start + h.PixelOffset);
    int64_t dataAvailable = available - h.PixelOffset;

    std::shared_ptr<TBitmapData> d;
    if (h.Compression == kBiRle8 || h.Compression == kBiRle4) {
        uint64_t size = h.ImageSize && h.ImageSize <= uint64_t(dataAvailable) ? h.ImageSize : uint64_t(dataAvailable);
        if (uint64_t(h.Width) * uint64_t(h.Height) > kRleBasePixels + size * kRlePixelsPerByte)
            RaiseInvalid();
        bool anyPixels = h.Width > 0 && h.Height > 0;
        std::vector<uint8_t> data(anyPixels ? size_t(size) : 0);
        ReadExact(stream, data.data(), int64_t(data.size()));
        d = TBitmapData::Create(h.Width, h.Height, TargetFormat(h), false);
        if (!data.empty())
            DecodeRle(data.data(), data.size(), h, *d);
    } else {
        int64_t fileStride = ((int64_t(h.Width) * h.BitCount + 31) / 32) * 4;
        if (h.Height && fileStride * (h.Height - 1) > dataAvailable)
            RaiseInvalid();
        d = TBitmapData::Create(h.Width, h.Height, TargetFormat(h), false);
        ReadRows(stream, h, *d, dataAvailable);
        // Behind the last row's padding, where a stream holding more than this bitmap goes on.
        stream.SetPosition(start + h.PixelOffset + std::min(fileStride * h.Height, dataAvailable));
    }
    if (h.BitCount <= 8)
        d->Palette = std::move(palette);
    FData = std::move(d);
}

// ---- writer --------------------------------------------------------------------------------

void TBitmap::SaveToStream(TStream& stream)
{
    const TBitmapData& d = *FData;
    uint16_t bitCount = uint16_t(BitsPerPixel(d.PixelFormat));
    bool indexed = IsIndexed(d.PixelFormat);
    bool bitfields = d.PixelFormat == TPixelFormat::pf16bit;
    uint32_t paletteEntries = indexed ? 1u << bitCount : 0;
    uint32_t offset = kFileHeaderSize + kInfoHeaderSize + (bitfields ? 12 : 0) + paletteEntries * 4;
    uint64_t imageSize = d.ByteCount();
    if (offset + imageSize > UINT32_MAX)
        throw rtl::EInvalidGraphicOperation("Bitmap too large for a BMP file");

    std::vector<uint8_t> head(offset, 0);
    uint8_t* p = head.data();
    Put16(p, kSignature);
    Put32(p + 2, uint32_t(offset + imageSize));
    Put32(p + 10, offset);
    p += kFileHeaderSize;
    Put32(p, kInfoHeaderSize);
    Put32(p + 4, uint32_t(d.Width));
    Put32(p + 8, uint32_t(d.Height));
    Put16(p + 12, 1);
    Put16(p + 14, bitCount);
    Put32(p + 16, bitfields ? kBiBitfields : kBiRgb);
    Put32(p + 20, uint32_t(imageSize));
    p += kInfoHeaderSize;
    if (bitfields) {
        Put32(p, 0xF800);
        Put32(p + 4, 0x07E0);
        Put32(p + 8, 0x001F);
        p += 12;
    }
    for (uint32_t i = 0; i < paletteEntries; ++i, p += 4) {
        TRGBQuad q = i < d.Palette.size() ? d.Palette[i] : TRGBQuad{};
        p[0] = q.Blue;
        p[1] = q.Green;
        p[2] = q.Red;
        p[3] = 0;
    }
    stream.WriteBuffer(head.data(), int64_t(head.size()));

    // Bottom-up rows, gathered into blocks so that file streams see few writes.
    constexpr size_t kBlock = size_t(1) << 20;
    std::vector<uint8_t> block;
    block.reserve(std::max(kBlock, size_t(d.Stride)));
    for (int y = d.Height - 1; y >= 0; --y) {
        const uint8_t* row = d.Row(y);
        block.insert(block.end(), row, row + d.Stride);
        if (block.size() >= kBlock || y == 0) {
            stream.WriteBuffer(block.data(), int64_t(block.size()));
            block.clear();
        }
    }
}

}  // namespace gfx
