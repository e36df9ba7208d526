#include "tiff/Bmp2Tiff.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <tmmintrin.h>
#endif


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

// Blue, green, red (and a fourth byte at 32 bits) becomes red, green, blue.
void BgrToRgbPlain(const uint8_t* from, uint8_t* to, uint32_t width, uint32_t bytesPerPixel)
{
    for (uint32_t x = 0; x < width; ++x, from += bytesPerPixel, to += 3) {
        to[0] = from[2];
        to[1] = from[1];
        to[2] = from[0];
    }
}

#if defined(__x86_64__) || defined(__i386__)
// The same, 16 bytes at a time. Every block load and store stays inside the row; the last pixels
// go through the plain loop.
__attribute__((target("ssse3"))) void BgrToRgbSsse3(const uint8_t* from, uint8_t* to, uint32_t width,
                                                     uint32_t bytesPerPixel)
{
    uint32_t x = 0;
    if (bytesPerPixel == 3) {
        const __m128i order = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, 15);
        for (; x + 6 <= width; x += 5)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(to + 3 * x),
                             _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 3 * x)), order));
    } else {
        const __m128i order = _mm_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1);
        for (; x + 6 <= width; x += 4)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(to + 3 * x),
                             _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 4 * x)), order));
    }
    BgrToRgbPlain(from + size_t(x) * bytesPerPixel, to + size_t(x) * 3, width - x, bytesPerPixel);
}
#endif

void BgrToRgbRow(const uint8_t* from, uint8_t* to, uint32_t width, uint32_t bytesPerPixel)
{
#if defined(__x86_64__) || defined(__i386__)
    static const bool ssse3 = __builtin_cpu_supports("ssse3");
    if (ssse3)
        return BgrToRgbSsse3(from, to, width, bytesPerPixel);
#endif
    BgrToRgbPlain(from, to, width, bytesPerPixel);
}

// The bitmap in device-independent form: colour table and rows padded to 4 bytes, top row first.
// The bitmap's own store already holds its rows in that form for 1, 4, 8, 24 and 32 bits, so they
// are read in place rather than copied first.
struct TDibView {
    uint32_t Width = 0;
    uint32_t Rows = 0;
    uint16_t Bits = 0;
    const gfx::TBitmapData* Store = nullptr;
    const uint8_t* Row(uint32_t k) const { return Store->Row(int(k)); }
    gfx::TRGBQuad Color(uint32_t i) const { return i < Store->Palette.size() ? Store->Palette[i] : gfx::TRGBQuad{}; }
};

bool DibBits(gfx::TPixelFormat pf, uint16_t& bits)
{
    switch (pf) {
    case gfx::TPixelFormat::pf1bit: bits = 1; return true;
    case gfx::TPixelFormat::pf4bit: bits = 4; return true;
    case gfx::TPixelFormat::pf8bit: bits = 8; return true;
    case gfx::TPixelFormat::pf24bit: bits = 24; return true;
    case gfx::TPixelFormat::pf32bit:
    case gfx::TPixelFormat::pfDevice: bits = 32; return true;
    default: return false;
    }
}

constexpr int64_t kIfdBytes = 2 + 12 * IFD_ENTRIES + 4;

uint32_t PaletteWidth(const TDibView& dib) { return dib.Bits == 4 ? dib.Width / 4 * 4 : dib.Width; }
uint32_t PaletteRowBytes(const TDibView& dib) { return dib.Bits == 8 ? PaletteWidth(dib) : PaletteWidth(dib) / 2; }

// Bytes of the file that WritePalette or WriteRgb writes.
int64_t FileSize(const TDibView& dib, bool palette)
{
    if (palette) {
        const int64_t colors = int64_t(1) << dib.Bits;
        return 34 + 6 * colors + int64_t(PaletteRowBytes(dib)) * dib.Rows + kIfdBytes;
    }
    return 40 + int64_t(dib.Width) * 3 * dib.Rows + kIfdBytes;
}

// The directories' sizes and counts; a range error for any that does not fit its field.
void FillPaletteIfd(const TDibView& dib, TIfdEntry (&ifd)[IFD_ENTRIES])
{
    std::memcpy(ifd, kPaletteIfd, sizeof ifd);
    ifd[pWidth].Value = rtl::CheckedCast<uint16_t>(PaletteWidth(dib));
    ifd[pRows].Value = rtl::CheckedCast<uint16_t>(dib.Rows);
    ifd[pBits].Value = dib.Bits;
    ifd[pRowsPerStrip].Value = dib.Rows;
    ifd[pByteCounts].Value = rtl::CheckedCast<uint32_t>(int64_t(dib.Rows) * PaletteRowBytes(dib));
    ifd[pColorMap].Count = 3 * (1u << dib.Bits);
}

void FillRgbIfd(const TDibView& dib, TIfdEntry (&ifd)[IFD_ENTRIES])
{
    std::memcpy(ifd, kRgbIfd, sizeof ifd);
    ifd[rWidth].Value = rtl::CheckedCast<uint16_t>(dib.Width);
    ifd[rRows].Value = rtl::CheckedCast<uint16_t>(dib.Rows);
    ifd[rRowsPerStrip].Value = dib.Rows;
    ifd[rByteCounts].Value = rtl::CheckedCast<uint32_t>(int64_t(dib.Width) * 3 * dib.Rows);
}

void WritePalette(TStream& stream, const TDibView& dib, TIfdEntry (&ifd)[IFD_ENTRIES])
{
    const uint32_t colors = 1u << dib.Bits;
    const uint32_t rowBytes = PaletteRowBytes(dib);
    WriteHeader(stream);
    // Each component in the high byte, so a reader keeping the high byte gets it back exactly.
    std::vector<uint8_t> map(size_t(colors) * 6);
    for (uint32_t i = 0; i < colors; ++i) {
        const gfx::TRGBQuad c = dib.Color(i);
        Put16(map.data() + 2 * i, uint16_t(c.Red << 8));
        Put16(map.data() + 2 * (colors + i), uint16_t(c.Green << 8));
        Put16(map.data() + 2 * (2 * colors + i), uint16_t(c.Blue << 8));
    }
    stream.WriteBuffer(map.data(), static_cast<int64_t>(map.size()));
    ifd[pXRes].Value = WriteResolution(stream);
    ifd[pYRes].Value = WriteResolution(stream);
    ifd[pSoftware].Value = WriteSoftware(stream);
    ifd[pStripOffsets].Value = Position(stream);
    for (uint32_t k = 0; k < dib.Rows; ++k)
        stream.WriteBuffer(dib.Row(k), rowBytes);
    WriteIfd(stream, ifd);
}

void WriteRgb(TStream& stream, const TDibView& dib, TIfdEntry (&ifd)[IFD_ENTRIES])
{
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
    // Rows go out in blocks of about 256 KB: few stream calls, and the block stays in the cache.
    const size_t rowBytes = size_t(dib.Width) * 3;
    const uint32_t rowsPerBlock = uint32_t(std::max<size_t>(1, (size_t(1) << 18) / std::max<size_t>(rowBytes, 1)));
    std::vector<uint8_t> block(rowBytes * std::min(rowsPerBlock, dib.Rows));
    for (uint32_t k = 0; k < dib.Rows;) {
        const uint32_t n = std::min(rowsPerBlock, dib.Rows - k);
        for (uint32_t i = 0; i < n; ++i)
            BgrToRgbRow(dib.Row(k + i), block.data() + i * rowBytes, dib.Width, dib.Bits / 8);
        stream.WriteBuffer(block.data(), static_cast<int64_t>(n * rowBytes));
        k += n;
    }
    WriteIfd(stream, ifd);
}

}  // namespace

void WriteTiffToStream(TStream& stream, const gfx::TBitmap& bitmap)
{
    if (!bitmap.HandleAllocated())
        return;
    TDibView dib;
    gfx::TBitmap wide;
    const gfx::TBitmap* source = &bitmap;
    if (!DibBits(bitmap.PixelFormat(), dib.Bits)) {
        // 15 and 16 bits (and any other packing) go through 24 bits.
        wide = bitmap;
        wide.SetPixelFormat(gfx::TPixelFormat::pf24bit);
        source = &wide;
        if (!DibBits(wide.PixelFormat(), dib.Bits))
            return;
    }
    dib.Store = source->Data().get();
    dib.Width = static_cast<uint32_t>(dib.Store->Width);
    dib.Rows = static_cast<uint32_t>(dib.Store->Height);
    if (dib.Width == 0 || dib.Rows == 0 || dib.Bits == 1)
        return;
    const bool palette = dib.Bits == 4 || dib.Bits == 8;
    // Every range check comes before the first byte, so a bitmap that does not fit leaves the
    // stream as it was.
    TIfdEntry ifd[IFD_ENTRIES];
    if (palette)
        FillPaletteIfd(dib, ifd);
    else
        FillRgbIfd(dib, ifd);
    rtl::CheckedCast<uint32_t>(FileSize(dib, palette) - kIfdBytes);  // the directory's own offset
    // A memory stream gets its whole size at once rather than growing (and copying) with each block.
    if (auto* memory = dynamic_cast<rtl::TMemoryStream*>(&stream); memory && memory->Size() == 0)
        memory->SetSize(FileSize(dib, palette));
    if (palette)
        WritePalette(stream, dib, ifd);
    else
        WriteRgb(stream, dib, ifd);
}

void WriteTiffFile(const rtl::String& fileName, const gfx::TBitmap& bitmap)
{
    rtl::TFileStream stream(fileName, rtl::fmCreate);
    WriteTiffToStream(stream, bitmap);
}

}  // namespace tif
