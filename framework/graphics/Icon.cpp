// TIcon and the DIB reader. Every read is checked against the bytes that remain.
#include "framework/graphics/Icon.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#include "framework/graphics/Png.h"

namespace gfx {

using rtl::TByteReader;

namespace {

constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kV5HeaderSize = 124;
constexpr uint32_t kProfileEmbedded = 0x4D424544;  // 'MBED'
constexpr uint32_t BI_BITFIELDS = 3, BI_ALPHABITFIELDS = 6;
constexpr int kMaxDimension = 1 << 16;

constexpr size_t kIconDirSize = 6, kIconEntrySize = 16;
constexpr uint16_t kIconType = 1, kCursorType = 2;

struct Channel {
    uint32_t mask = 0;
    int shift = 0, bits = 0;
    explicit Channel(uint32_t m) : mask(m)
    {
        if (m) {
            shift = std::countr_zero(m);
            bits = std::popcount(m >> shift);
        }
    }
    uint8_t operator()(uint32_t v) const
    {
        if (!bits) return 0;
        uint32_t x = (v & mask) >> shift;
        if (bits >= 8) return static_cast<uint8_t>(x >> (bits - 8));
        return static_cast<uint8_t>(x * 255 / ((1u << bits) - 1));
    }
};

[[noreturn]] void RaiseInvalidIcon() { throw rtl::EInvalidGraphic("Icon image is not valid"); }

struct IconEntry {
    int width = 0, height = 0, bitCount = 0;
    uint32_t offset = 0;
};

// The largest entry by area, then by colour depth; the first of equals.
bool PickLargestEntry(const TByteReader& file, IconEntry& best)
{
    if (file.Size() < kIconDirSize || file.U16(0) != 0) return false;
    uint16_t type = file.U16(2), count = file.U16(4);
    if ((type != kIconType && type != kCursorType) || count == 0) return false;
    if (kIconDirSize + size_t(count) * kIconEntrySize > file.Size()) return false;
    bool found = false;
    for (int i = 0; i < count; ++i) {
        const TByteReader e = file.Part(kIconDirSize + size_t(i) * kIconEntrySize, kIconEntrySize);
        IconEntry entry;
        entry.width = e.U8(0) ? e.U8(0) : 256;
        entry.height = e.U8(1) ? e.U8(1) : 256;
        entry.bitCount = e.U16(6);
        entry.offset = e.U32(12);  // the image length before it is not needed (see DecodeIcon)
        if (entry.offset >= file.Size()) continue;
        long area = long(entry.width) * entry.height, bestArea = long(best.width) * best.height;
        if (!found || area > bestArea || (area == bestArea && entry.bitCount > best.bitCount)) {
            best = entry;
            found = true;
        }
    }
    return found;
}

// Where the embedded colour profile lies in an entry, from the header's start; empty when the
// entry has none, or when the header puts it over the header itself or past the entry's end.
struct ProfileSpan {
    size_t begin = 0, end = 0;
    bool Overlaps(size_t at, size_t count) const { return begin < end && at < end && begin < at + count; }
};

ProfileSpan ProfileOf(const TDibHeader& h, const TByteReader& image)
{
    if (h.ProfileSize == 0 || h.ProfileOffset < h.HeaderSize || !image.Has(h.ProfileOffset, h.ProfileSize)) return {};
    return {h.ProfileOffset, h.ProfileOffset + h.ProfileSize};
}

// Colour table, colour rows and AND mask follow one another. The profile is none of them, wherever
// the header puts it: a part that would overlap it starts after it.
size_t Place(const ProfileSpan& profile, size_t at, size_t count)
{
    return profile.Overlaps(at, count) ? profile.end : at;
}

// Colours from the XOR rows, transparency from 32-bit alpha when the entry has any, else from
// the AND mask behind the colour rows, which every BMP entry must carry; only where the profile
// follows the colour rows and nothing follows it (a bitmap file's layout) is there no mask, and
// the entry is opaque.
void DecodeBmpEntry(const TByteReader& image, TBitmap& out)
{
    TDibHeader h;
    if (!ReadDibHeader(image, h)) RaiseInvalidIcon();
    int rows = h.Height / 2;
    if (rows <= 0) RaiseInvalidIcon();
    const ProfileSpan profile = ProfileOf(h, image);
    const size_t colourBytes = h.Stride() * size_t(rows);
    const size_t maskStride = ((size_t(h.Width) + 31) / 32) * 4;
    const size_t maskBytes = maskStride * size_t(rows);
    const size_t tableOffset = Place(profile, h.HeaderSize, h.TableSize());
    const size_t bitsOffset = Place(profile, tableOffset + h.TableSize(), colourBytes);
    const size_t maskOffset = Place(profile, bitsOffset + colourBytes, maskBytes);
    const bool hasMask = image.Has(maskOffset, maskBytes);
    if (!hasMask && !(profile.end != 0 && profile.begin >= bitsOffset + colourBytes)) RaiseInvalidIcon();
    if (!DecodeDibRows(h, image.Part(tableOffset, h.TableSize()), image.Part(bitsOffset, colourBytes), rows, out))
        RaiseInvalidIcon();

    int width = h.Width;
    bool useAlpha = false;
    if (h.BitCount == 32)
        for (int y = 0; y < rows && !useAlpha; ++y) {
            const uint8_t* p = out.ScanLine(y);
            for (int x = 0; x < width; ++x)
                if (p[x * 4 + 3]) { useAlpha = true; break; }
        }
    for (int i = 0; i < rows; ++i) {
        int y = h.TopDown ? i : rows - 1 - i;
        uint8_t* p = out.ScanLineW(y);
        const TByteReader mask = hasMask ? image.Part(maskOffset + maskStride * size_t(i), maskStride) : TByteReader();
        for (int x = 0; x < width; ++x, p += 4) {
            unsigned a = 255;
            if (useAlpha) a = p[3];
            else if (hasMask && (mask.U8(size_t(x) >> 3) & (0x80 >> (x & 7)))) a = 0;
            if (a != 255) {
                unsigned white = 255 * (255 - a);
                for (int c = 0; c < 3; ++c) p[c] = static_cast<uint8_t>((p[c] * a + white + 127) / 255);
            }
            p[3] = 0xFF;
        }
    }
}

void CompositeOnWhite(TBitmap& bitmap)
{
    for (int y = 0; y < bitmap.Height(); ++y) {
        uint8_t* p = bitmap.ScanLineW(y);
        for (int x = 0; x < bitmap.Width(); ++x, p += 4) {
            unsigned a = p[3];
            unsigned white = 255 * (255 - a);
            for (int c = 0; c < 3; ++c) p[c] = static_cast<uint8_t>((p[c] * a + white + 127) / 255);
            p[3] = 0xFF;
        }
    }
}

void DecodeIcon(const TByteReader& file, TBitmap& out)
{
    IconEntry entry;
    if (!PickLargestEntry(file, entry)) RaiseInvalidIcon();
    // The entry's own header decides how many bytes it uses. Directories with a wrong image
    // length are common, and other decoders read such entries as their header describes them.
    const TByteReader image = file.From(entry.offset);
    if (IsPngSignature(image.Data(), image.Size())) {
        try {
            DecodePng(image.Data(), image.Size(), out, true);
        } catch (const rtl::EInvalidGraphic&) {
            RaiseInvalidIcon();
        }
        CompositeOnWhite(out);
    } else {
        DecodeBmpEntry(image, out);
    }
}

TGraphic* CreateIcon() { return new TIcon; }

}  // namespace

// ---- DIB reader ---------------------------------------------------------------------------

bool ReadDibHeader(const TByteReader& data, TDibHeader& h)
{
    const size_t size = data.Size();
    if (size < 4) return false;
    uint32_t headerSize = data.U32(0);
    if (headerSize == kCoreHeaderSize) {
        if (size < kCoreHeaderSize) return false;
        h.Width = data.U16(4);
        h.Height = data.U16(6);
        h.BitCount = data.U16(10);
        h.ColorEntrySize = 3;
        h.HeaderSize = kCoreHeaderSize;
        h.Colors = h.BitCount <= 8 ? 1 << h.BitCount : 0;
    } else {
        if (headerSize < kInfoHeaderSize || headerSize > kV5HeaderSize || size < headerSize) return false;
        h.Width = data.I32(4);
        int32_t height = data.I32(8);
        if (height == INT32_MIN) return false;
        h.TopDown = height < 0;
        h.Height = height < 0 ? -height : height;
        h.BitCount = data.U16(14);
        h.Compression = data.U32(16);
        uint32_t used = data.U32(32);
        h.HeaderSize = headerSize;
        if (headerSize >= kV5HeaderSize && data.U32(56) == kProfileEmbedded) {
            h.ProfileOffset = data.U32(112);
            h.ProfileSize = data.U32(116);
        }
        if (h.Compression == BI_BITFIELDS || h.Compression == BI_ALPHABITFIELDS) {
            if (h.BitCount != 16 && h.BitCount != 32) return false;
            if (headerSize == kInfoHeaderSize) {
                h.HeaderSize += h.Compression == BI_BITFIELDS ? 12 : 16;
                if (size < h.HeaderSize) return false;
            } else if (headerSize < kInfoHeaderSize + 12) {
                return false;
            }
            for (int i = 0; i < 3; ++i) h.Masks[i] = data.U32(kInfoHeaderSize + 4 * size_t(i));
        } else if (h.Compression != 0) {
            return false;  // RLE and embedded JPEG/PNG are not read here
        }
        if (h.BitCount <= 8) {
            uint32_t full = 1u << h.BitCount;
            h.Colors = static_cast<int>(used == 0 || used > full ? full : used);
        } else {
            if (used > 256) return false;
            h.Colors = static_cast<int>(used);
        }
    }
    switch (h.BitCount) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: return false;
    }
    return h.Width > 0 && h.Height > 0 && h.Width <= kMaxDimension && h.Height <= kMaxDimension;
}

bool DecodeDibRows(const TDibHeader& h, const TByteReader& table, const TByteReader& bits, int rows, TBitmap& out)
{
    if (rows <= 0 || rows > h.Height || table.Size() < h.TableSize()) return false;
    size_t stride = h.Stride();
    if (stride * size_t(rows) > bits.Size()) return false;
    int width = h.Width;
    TBitmap bitmap(width, rows, TPixelFormat::pfDevice);

    uint32_t masks[3] = {h.Masks[0], h.Masks[1], h.Masks[2]};
    bool fields = h.Compression == BI_BITFIELDS || h.Compression == BI_ALPHABITFIELDS;
    if (!fields && h.BitCount == 16) { masks[0] = 0x7C00; masks[1] = 0x03E0; masks[2] = 0x001F; }
    Channel red(masks[0]), green(masks[1]), blue(masks[2]);

    for (int i = 0; i < rows; ++i) {
        // Width times the pixel's bytes fits the stride, so no read below leaves the row.
        const TByteReader row = bits.Part(stride * size_t(i), stride);
        const uint8_t* src = row.Data();
        uint8_t* dst = bitmap.ScanLineW(h.TopDown ? i : rows - 1 - i);
        for (int x = 0; x < width; ++x, dst += 4) {
            switch (h.BitCount) {
            case 1: case 4: case 8: {
                int perByte = 8 / h.BitCount;
                unsigned byte = row.U8(size_t(x / perByte));
                unsigned shift = unsigned(8 - h.BitCount * (x % perByte + 1));
                int index = int((byte >> shift) & ((1u << h.BitCount) - 1));
                if (index < h.Colors) {
                    const size_t e = size_t(index) * h.ColorEntrySize;
                    dst[0] = table.U8(e); dst[1] = table.U8(e + 1); dst[2] = table.U8(e + 2);
                } else {
                    dst[0] = dst[1] = dst[2] = 0;
                }
                dst[3] = 0xFF;
                break;
            }
            case 16: {
                uint32_t v = row.U16(2 * size_t(x));
                dst[0] = blue(v); dst[1] = green(v); dst[2] = red(v); dst[3] = 0xFF;
                break;
            }
            case 24:
                std::memcpy(dst, src + 3 * x, 3);
                dst[3] = 0xFF;
                break;
            case 32:
                if (fields) {
                    uint32_t v = row.U32(4 * size_t(x));
                    dst[0] = blue(v); dst[1] = green(v); dst[2] = red(v); dst[3] = 0xFF;
                } else {
                    std::memcpy(dst, src + 4 * x, 4);
                }
                break;
            }
        }
    }
    out = bitmap;
    return true;
}

// ---- TIcon -----------------------------------------------------------------------------

const TGraphicClass& TIcon::StaticClass()
{
    static const TGraphicClass cls{"TIcon", CreateIcon};
    return cls;
}

void TIcon::LoadFromStream(TStream& stream)
{
    int64_t remaining = stream.Size() - stream.Position();
    std::vector<uint8_t> data(static_cast<size_t>(remaining > 0 ? remaining : 0));
    data.resize(static_cast<size_t>(stream.Read(data.data(), static_cast<int64_t>(data.size()))));
    TBitmap bitmap;
    DecodeIcon(TByteReader(data.data(), data.size()), bitmap);
    FBitmap = bitmap;
    FData = std::move(data);
}

void TIcon::SaveToStream(TStream& stream)
{
    if (!FData.empty()) stream.WriteBuffer(FData.data(), static_cast<int64_t>(FData.size()));
}

void TIcon::Assign(const TGraphic& source)
{
    if (auto* icon = dynamic_cast<const TIcon*>(&source)) {
        if (icon != this) *this = *icon;
    } else {
        TGraphic::Assign(source);
    }
}

void TIcon::Draw(TCanvas& canvas, const TRect& rect) const
{
    if (!FBitmap.Empty()) FBitmap.Draw(canvas, rect);
}

bool TIcon::ToBitmap(TBitmap& target) const
{
    target = FBitmap;
    return true;
}

}  // namespace gfx
