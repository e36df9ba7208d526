#include "tiff/Bmp2Tiff.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "framework/graphics/Dib.h"

namespace tif {

using rtl::TStream;

namespace {

struct TIfdEntry {
    uint16_t Tag;
    uint16_t Type;
    uint32_t Count;
    uint32_t Value;
};

constexpr uint16_t SHORT = 3, LONG = 4, ASCII = 2, RATIONAL = 5;
constexpr int IFD_ENTRIES = 15;

// The palette image's directory; width, rows, bits, offsets and counts are filled in on each write.
constexpr TIfdEntry kPaletteIfd[IFD_ENTRIES] = {
    {254, LONG, 1, 0},       // NewSubfileType
    {256, SHORT, 1, 0},      // ImageWidth
    {257, SHORT, 1, 0},      // ImageLength
    {258, SHORT, 1, 0},      // BitsPerSample
    {259, SHORT, 1, 1},      // Compression: none
    {262, SHORT, 1, 3},      // PhotometricInterpretation: palette
    {273, LONG, 1, 0},       // StripOffsets
    {277, SHORT, 1, 1},      // SamplesPerPixel
    {278, LONG, 1, 0},       // RowsPerStrip
    {279, LONG, 1, 0},       // StripByteCounts
    {282, RATIONAL, 1, 0},   // XResolution
    {283, RATIONAL, 1, 0},   // YResolution
    {296, SHORT, 1, 2},      // ResolutionUnit: inch
    {305, ASCII, 10, 0},     // Software
    {320, SHORT, 0, 8},      // ColorMap
};
enum PaletteSlot { pWidth = 1, pRows = 2, pBits = 3, pStripOffsets = 6, pRowsPerStrip = 8, pByteCounts = 9,
                   pXRes = 10, pYRes = 11, pSoftware = 13, pColorMap = 14 };

// The RGB image's directory.
constexpr TIfdEntry kRgbIfd[IFD_ENTRIES] = {
    {254, LONG, 1, 0},       // NewSubfileType
    {256, SHORT, 1, 0},      // ImageWidth
    {257, SHORT, 1, 0},      // ImageLength
    {258, SHORT, 3, 0},      // BitsPerSample: offset of 8, 8, 8
    {259, SHORT, 1, 1},      // Compression: none
    {262, SHORT, 1, 2},      // PhotometricInterpretation: RGB
    {273, LONG, 1, 0},       // StripOffsets
    {277, SHORT, 1, 3},      // SamplesPerPixel
    {278, LONG, 1, 0},       // RowsPerStrip
    {279, LONG, 1, 0},       // StripByteCounts
    {282, RATIONAL, 1, 0},   // XResolution
    {283, RATIONAL, 1, 0},   // YResolution
    {284, SHORT, 1, 1},      // PlanarConfiguration: chunky
    {296, SHORT, 1, 2},      // ResolutionUnit: inch
    {305, ASCII, 10, 0},     // Software
};
enum RgbSlot { rWidth = 1, rRows = 2, rBits = 3, rStripOffsets = 6, rRowsPerStrip = 8, rByteCounts = 9,
               rXRes = 10, rYRes = 11, rSoftware = 14 };

constexpr char kSoftware[10] = {'T', 'i', 'f', 'f', 'W', 'r', 'i', 't', 'e', 'r'};
constexpr uint32_t kResolution[2] = {877, 10};
constexpr uint32_t IFD_OFFSET_POSITION = 4;

void Put16(uint8_t* p, uint16_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

void Put32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = uint8_t(v >> (8 * i));
}

// Offsets in the file are stream positions; they must fit its 32-bit fields.
uint32_t Position(TStream& stream) { return rtl::CheckedCast<uint32_t>(stream.Position()); }

void WriteHeader(TStream& stream)
{
    const uint8_t header[8] = {'I', 'I', 42, 0, 0, 0, 0, 0};
    stream.WriteBuffer(header, sizeof header);
}

uint32_t WriteResolution(TStream& stream)
{
    const uint32_t at = Position(stream);
    uint8_t raw[8];
    Put32(raw, kResolution[0]);
    Put32(raw + 4, kResolution[1]);
    stream.WriteBuffer(raw, sizeof raw);
    return at;
}

uint32_t WriteSoftware(TStream& stream)
{
    const uint32_t at = Position(stream);
    stream.WriteBuffer(kSoftware, sizeof kSoftware);
    return at;
}

void WriteIfd(TStream& stream, const TIfdEntry (&entries)[IFD_ENTRIES])
{
    const uint32_t at = Position(stream);
    uint8_t raw[2 + 12 * IFD_ENTRIES + 4] = {};
    Put16(raw, IFD_ENTRIES);
    for (int i = 0; i < IFD_ENTRIES; ++i) {
        uint8_t* p = raw + 2 + 12 * i;
        Put16(p, entries[i].Tag);
        Put16(p + 2, entries[i].Type);
        Put32(p + 4, entries[i].Count);
        if (entries[i].Type == SHORT && entries[i].Count == 1)
            Put16(p + 8, static_cast<uint16_t>(entries[i].Value));
        else
            Put32(p + 8, entries[i].Value);
    }
    stream.WriteBuffer(raw, sizeof raw);
    stream.Seek(IFD_OFFSET_POSITION, rtl::TSeekOrigin::soBeginning);
    uint8_t offset[4];
    Put32(offset, at);
    stream.WriteBuffer(offset, sizeof offset);
}

// The bitmap's device-independent copy: header with colour table, and bottom-up (or top-down) rows.
struct TDibCopy {
    std::unique_ptr<uint8_t[]> Info;
    std::unique_ptr<uint8_t[]> Bits;
    uint32_t InfoSize = 0;
    uint32_t ImageSize = 0;
    const gfx::TBitmapInfoHeader& Header() const { return *reinterpret_cast<const gfx::TBitmapInfoHeader*>(Info.get()); }
    const gfx::TRGBQuad* Colors() const
    {
        return reinterpret_cast<const gfx::TRGBQuad*>(Info.get() + Header().biSize);
    }
};

constexpr uint32_t kInfoRoom = sizeof(gfx::TBitmapInfoHeader) + 256 * sizeof(gfx::TRGBQuad);

bool CopyDib(const gfx::TBitmap& bitmap, TDibCopy& dib)
{
    gfx::GetDIBSizes(bitmap, dib.InfoSize, dib.ImageSize);
    // Room for a full colour table whatever the header part claims, so reading it stays inside.
    const size_t infoRoom = std::max<size_t>(dib.InfoSize, kInfoRoom);
    dib.Info.reset(new (std::nothrow) uint8_t[infoRoom]());
    dib.Bits.reset(new (std::nothrow) uint8_t[std::max<uint32_t>(dib.ImageSize, 1)]);
    if (!dib.Info || !dib.Bits)
        throw rtl::EOutOfMemory();
    if (!gfx::GetDIB(bitmap, dib.Info.get(), dib.Bits.get()))
        return false;
    return dib.Header().biSize >= sizeof(gfx::TBitmapInfoHeader) && dib.Header().biSize <= infoRoom - 256 * 4;
}

// Stored row of the picture's row k (top row first).
const uint8_t* PictureRow(const TDibCopy& dib, uint32_t k, uint32_t rows, uint32_t stride)
{
    const uint32_t stored = dib.Header().biHeight > 0 ? rows - 1 - k : k;
    return dib.Bits.get() + size_t(stored) * stride;
}

void WritePalette(TStream& stream, const TDibCopy& dib, uint32_t width, uint32_t rows, uint32_t stride,
                  uint16_t bits)
{
    const uint32_t colors = 1u << bits;
    if (bits == 4)
        width = width / 4 * 4;
    const uint32_t rowBytes = bits == 8 ? width : width / 2;
    if (rowBytes > stride)
        return;
    TIfdEntry ifd[IFD_ENTRIES];
    std::memcpy(ifd, kPaletteIfd, sizeof ifd);
    ifd[pWidth].Value = rtl::CheckedCast<uint16_t>(width);
    ifd[pRows].Value = rtl::CheckedCast<uint16_t>(rows);
    ifd[pBits].Value = bits;
    ifd[pRowsPerStrip].Value = rows;
    ifd[pByteCounts].Value = rtl::CheckedCast<uint32_t>(int64_t(rows) * rowBytes);
    ifd[pColorMap].Count = 3 * colors;

    WriteHeader(stream);
    // Each component in the high byte, so a reader keeping the high byte gets it back exactly.
    std::vector<uint8_t> map(size_t(colors) * 6);
    const gfx::TRGBQuad* table = dib.Colors();
    for (uint32_t i = 0; i < colors; ++i) {
        Put16(map.data() + 2 * i, uint16_t(table[i].Red << 8));
        Put16(map.data() + 2 * (colors + i), uint16_t(table[i].Green << 8));
        Put16(map.data() + 2 * (2 * colors + i), uint16_t(table[i].Blue << 8));
    }
    stream.WriteBuffer(map.data(), static_cast<int64_t>(map.size()));
    ifd[pXRes].Value = WriteResolution(stream);
    ifd[pYRes].Value = WriteResolution(stream);
    ifd[pSoftware].Value = WriteSoftware(stream);
    ifd[pStripOffsets].Value = Position(stream);
    for (uint32_t k = 0; k < rows; ++k)
        stream.WriteBuffer(PictureRow(dib, k, rows, stride), rowBytes);
    WriteIfd(stream, ifd);
}

// Blue, green, red (and a fourth byte at 32 bits) becomes red, green, blue.
void ToRgbRow(const uint8_t* from, uint8_t* to, uint32_t width, uint32_t bytesPerPixel)
{
    for (uint32_t x = 0; x < width; ++x, from += bytesPerPixel, to += 3) {
        to[0] = from[2];
        to[1] = from[1];
        to[2] = from[0];
    }
}

void WriteRgb(TStream& stream, const TDibCopy& dib, uint32_t width, uint32_t rows, uint32_t stride,
              uint16_t bits)
{
    const uint32_t bytesPerPixel = bits / 8;
    if (size_t(width) * bytesPerPixel > stride)
        return;
    TIfdEntry ifd[IFD_ENTRIES];
    std::memcpy(ifd, kRgbIfd, sizeof ifd);
    ifd[rWidth].Value = rtl::CheckedCast<uint16_t>(width);
    ifd[rRows].Value = rtl::CheckedCast<uint16_t>(rows);
    ifd[rRowsPerStrip].Value = rows;
    ifd[rByteCounts].Value = rtl::CheckedCast<uint32_t>(int64_t(width) * 3 * rows);

    WriteHeader(stream);
    ifd[rXRes].Value = WriteResolution(stream);
    ifd[rYRes].Value = WriteResolution(stream);
    ifd[rBits].Value = Position(stream);
    uint8_t sampleBits[6];
    for (int i = 0; i < 3; ++i)
        Put16(sampleBits + 2 * i, 8);
    stream.WriteBuffer(sampleBits, sizeof sampleBits);
    ifd[rSoftware].Value = WriteSoftware(stream);
    ifd[rStripOffsets].Value = Position(stream);
    std::vector<uint8_t> row(size_t(width) * 3);
    for (uint32_t k = 0; k < rows; ++k) {
        ToRgbRow(PictureRow(dib, k, rows, stride), row.data(), width, bytesPerPixel);
        stream.WriteBuffer(row.data(), static_cast<int64_t>(row.size()));
    }
    WriteIfd(stream, ifd);
}

}  // namespace

void WriteTiffToStream(TStream& stream, const gfx::TBitmap& bitmap)
{
    if (!bitmap.HandleAllocated())
        return;
    TDibCopy dib;
    if (!CopyDib(bitmap, dib))
        return;
    uint16_t bits = dib.Header().biBitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) {
        // 15 and 16 bits (and any other packing) go through 24 bits.
        gfx::TBitmap wide(bitmap);
        wide.SetPixelFormat(gfx::TPixelFormat::pf24bit);
        if (!CopyDib(wide, dib))
            return;
        bits = dib.Header().biBitCount;
        if (bits != 24)
            return;
    }
    const int32_t height = dib.Header().biHeight;
    const uint32_t width = static_cast<uint32_t>(std::max(dib.Header().biWidth, 0));
    const uint32_t rows = static_cast<uint32_t>(height < 0 ? -int64_t(height) : height);
    if (rows == 0 || width == 0)
        return;
    const uint32_t stride = dib.ImageSize / rows;
    if (bits == 1)
        return;
    if (bits == 4 || bits == 8)
        WritePalette(stream, dib, width, rows, stride, bits);
    else
        WriteRgb(stream, dib, width, rows, stride, bits);
}

void WriteTiffFile(const rtl::String& fileName, const gfx::TBitmap& bitmap)
{
    rtl::TFileStream stream(fileName, rtl::fmCreate);
    WriteTiffToStream(stream, bitmap);
}

}  // namespace tif
