#include "tiff/ReadTiff.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <tmmintrin.h>
#endif

#include "framework/graphics/Dib.h"
#include "framework/rtl/Parallel.h"
#include "framework/ui/Dialogs.h"

namespace tif {

using rtl::TByteReader;
using rtl::TFileStream;

TTiffPalette TiffPalette;

namespace {

constexpr int32_t PHOTOMETRIC_WHITE_IS_ZERO = 0;
constexpr int32_t PHOTOMETRIC_BLACK_IS_ZERO = 1;
constexpr int32_t PHOTOMETRIC_RGB = 2;
constexpr int32_t PHOTOMETRIC_PALETTE = 3;
constexpr int32_t COMPRESSION_NONE = 1;
// RowsPerStrip's "one strip for all rows".
constexpr uint32_t ROWS_PER_STRIP_ALL = 0xFFFFFFFFu;
// FillOrder 2: the first pixel of a byte is in its lowest bit.
constexpr int32_t FILL_ORDER_REVERSED = 2;
constexpr uint16_t EXTRA_ASSOCIATED_ALPHA = 1;
constexpr uint16_t EXTRA_UNASSOCIATED_ALPHA = 2;
constexpr uint16_t RGB_SAMPLES = 3;

const char* const kErrorImageData = "Error reading image data";
const char* const kOutOfMemory = "Out Of Memory ";
// Grey images of other depths (2, 12, 16 bits, floating point) are not decoded.
const char* const kGreyBitsNotDecoded = "Error: Bits Per Sample (Gray Scale) not 1, 4 or 8";

// The decoders' own files: a file that was read a moment ago and cannot be opened again
// is a range error for the caller.
std::unique_ptr<TFileStream> OpenAgain(const String& fileName)
{
    try {
        return std::make_unique<TFileStream>(fileName, rtl::fmOpenRead | rtl::fmShareDenyNone);
    } catch (const rtl::Exception&) {
        throw rtl::ERangeError();
    }
}

std::unique_ptr<uint8_t[]> AllocatePixels(size_t size)
{
    auto* p = new (std::nothrow) uint8_t[std::max<size_t>(size, 1)];
    if (!p)
        throw rtl::EOutOfMemory();
    return std::unique_ptr<uint8_t[]>(p);
}

constexpr size_t PaddedRow(size_t bytes) { return (bytes + 3) & ~size_t(3); }

// Row bytes of a bitmap of this width and bit count, padded to 4 bytes.
constexpr size_t DibStride(uint32_t width, uint32_t bits) { return ((size_t(width) * bits + 31) / 32) * 4; }

uint16_t ImageSize(int32_t value) { return rtl::CheckedCast<uint16_t>(value); }

// The checks that every decoder starts with; the first failure is the problem.
TProblem CheckImageTags(const TGraphicTiff& image, const char* compressedMessage)
{
    if (!image.QueryGraphicByTag(TAG_IMAGE_WIDTH))
        return "Error reading tag Image Width";
    if (!image.QueryGraphicByTag(TAG_IMAGE_LENGTH))
        return "Error reading tag Image Height";
    const PTagTiff compression = image.QueryGraphicByTag(TAG_COMPRESSION);
    if (!compression)
        return "Error reading tag Compression";
    if (compression->Value != COMPRESSION_NONE)
        return compressedMessage;
    return {};
}

// The same checks, then the BitsPerSample entry that the palette and RGB decoders need.
TProblem CheckImageTagsAndBits(const TGraphicTiff& image, const char* compressedMessage, PTagTiff& bits)
{
    if (TProblem problem = CheckImageTags(image, compressedMessage))
        return problem;
    bits = image.QueryGraphicByTag(TAG_BITS_PER_SAMPLE);
    if (!bits)
        return "Error reading tag Bits Per Sample";
    return {};
}

int32_t TagValue(const TGraphicTiff& image, uint16_t tag) { return image.QueryGraphicByTag(tag)->Value; }

}  // namespace

// ---- palettes -------------------------------------------------------------------------

void ResetPalette()
{
    for (int i = 0; i < 256; ++i)
        TiffPalette.Red[i] = TiffPalette.Green[i] = TiffPalette.Blue[i] = static_cast<uint16_t>(i);
}

static void SetGrey(int index, int level)
{
    TiffPalette.Red[index] = TiffPalette.Green[index] = TiffPalette.Blue[index] = static_cast<uint16_t>(level);
}

void MakeBilevelPalette(int32_t photometric)
{
    ResetPalette();
    if (photometric == PHOTOMETRIC_BLACK_IS_ZERO) {
        SetGrey(0, 0);
        SetGrey(1, 255);
    } else if (photometric == PHOTOMETRIC_WHITE_IS_ZERO) {
        SetGrey(0, 255);
        SetGrey(1, 0);
    }
}

void MakeGreyPalette(int32_t bitsPerSample, int32_t photometric)
{
    ResetPalette();
    int used = 256;
    if (bitsPerSample == 4) {
        used = 16;
        for (int i = 0; i < 16; ++i)
            SetGrey(i, i * 255 / 15);
    }
    if (photometric == PHOTOMETRIC_WHITE_IS_ZERO)
        for (int i = 0; i < used; ++i)
            SetGrey(i, 255 - TiffPalette.Red[i]);
}

void LoadColorMap(const String& fileName, int32_t count, int32_t value, bool littleEndian)
{
    ResetPalette();
    const int32_t n = count / 3;
    if (n < 1 || n > 256)
        return;
    auto file = OpenAgain(fileName);
    const TByteReader raw = TByteReader::FromStreamPaddedAt(*file, value, size_t(n) * 6, ByteOrder(littleEndian));
    // A map whose values all lie below 256 was written with 8-bit values; libtiff and other
    // readers take such a map as it stands, and so do we. Any other map keeps its high bytes.
    std::vector<uint16_t> values(size_t(n) * 3);
    for (size_t i = 0; i < values.size(); ++i)
        values[i] = raw.U16(2 * i);
    const bool eightBit = std::all_of(values.begin(), values.end(), [](uint16_t v) { return v < 256; });
    uint16_t* arrays[3] = {TiffPalette.Red, TiffPalette.Green, TiffPalette.Blue};
    for (int a = 0; a < 3; ++a)
        for (int i = 0; i < n; ++i) {
            const uint16_t v = values[size_t(a) * n + i];
            arrays[a][i] = eightBit ? v : uint16_t(v >> 8);
        }
}

TSampleSizes ReadSampleSizes(const String& fileName, int32_t fileOffset, bool littleEndian)
{
    auto file = OpenAgain(fileName);
    const TByteReader raw = TByteReader::FromStreamPaddedAt(*file, fileOffset, 6, ByteOrder(littleEndian));
    return {raw.U16(0), raw.U16(2), raw.U16(4)};
}

// ---- pixel data ---------------------------------------------------------------------

namespace {

// Where each row of an image lies in the file: strip s holds the rows from s × RowsPerStrip on,
// one after the other from the strip's own offset, RowBytes each (as every other reader takes
// them, whatever more bytes a strip's count declares).
struct TRowLayout {
    size_t RowBytes = 0;
    uint32_t Height = 0;
    uint32_t RowsPerStrip = 1;
    std::vector<int64_t> StripStart;

    int64_t RowOffset(uint32_t row) const
    {
        return StripStart[row / RowsPerStrip] + int64_t(row % RowsPerStrip) * int64_t(RowBytes);
    }
};

bool ReadRowsPerStrip(const TGraphicTiff& image, uint32_t height, uint32_t& rowsPerStrip)
{
    const PTagTiff rowsTag = image.QueryGraphicByTag(TAG_ROWS_PER_STRIP);
    if (!rowsTag)
        return false;
    uint32_t rows = static_cast<uint32_t>(rowsTag->Value);
    // 2^32 - 1 is the format's "all rows in one strip"; a count above the image's rows means the same.
    if (rows == 0 || (rows >= 0x80000000u && rows != ROWS_PER_STRIP_ALL))
        return false;
    rowsPerStrip = std::min(rows, std::max<uint32_t>(height, 1));
    return true;
}

// Every strip that holds rows must hold all of them, inside the file. Strips may share bytes,
// and strips that hold no rows (such as an empty one past the end) are not looked at. The rows
// together cannot be more than the file holds, so strips that share bytes cannot make a small file
// ask for a large picture.
bool LayOutRows(const TGraphicTiff& image, int64_t fileSize, size_t rowBytes, TRowLayout& layout)
{
    const PTagTiff lengthTag = image.QueryGraphicByTag(TAG_IMAGE_LENGTH);
    if (!lengthTag || image.GetNoOfOffsets() == 0)
        return false;
    layout.RowBytes = rowBytes;
    layout.Height = static_cast<uint32_t>(std::max<int32_t>(lengthTag->Value, 0));
    if (uint64_t(rowBytes) * layout.Height > uint64_t(fileSize))
        return false;
    if (!ReadRowsPerStrip(image, layout.Height, layout.RowsPerStrip))
        return false;
    const uint32_t strips = (layout.Height + layout.RowsPerStrip - 1) / layout.RowsPerStrip;
    if (strips > image.GetNoOfOffsets())
        return false;
    layout.StripStart.clear();
    for (uint32_t s = 0; s < strips; ++s) {
        const TStripInfo& strip = *image.QueryGraphicByOffsets(static_cast<uint16_t>(s));
        const uint32_t rows = std::min(layout.RowsPerStrip, layout.Height - s * layout.RowsPerStrip);
        const int64_t bytes = int64_t(rows) * int64_t(rowBytes);
        if (strip.StripOffsets < 0 || strip.StripByteCounts < bytes || strip.StripOffsets + bytes > fileSize)
            return false;
        layout.StripStart.push_back(strip.StripOffsets);
    }
    return true;
}

// Reads count rows from row first on; rows that follow each other in the file are read in one go.
bool ReadRows(const TFileStream& file, const TRowLayout& layout, uint32_t first, uint32_t count, uint8_t* to)
{
    const int64_t rowBytes = int64_t(layout.RowBytes);
    for (uint32_t row = first, end = first + count; row < end;) {
        const int64_t at = layout.RowOffset(row);
        uint32_t n = 1;
        while (row + n < end && layout.RowOffset(row + n) == at + int64_t(n) * rowBytes)
            ++n;
        const int64_t bytes = int64_t(n) * rowBytes;
        if (file.ReadAt(at, to, bytes) != bytes)
            return false;
        to += bytes;
        row += n;
    }
    return true;
}

struct TBitReversal {
    uint8_t Table[256];
    constexpr TBitReversal() : Table()
    {
        for (int i = 0; i < 256; ++i) {
            int r = 0;
            for (int b = 0; b < 8; ++b)
                r |= ((i >> b) & 1) << (7 - b);
            Table[i] = static_cast<uint8_t>(r);
        }
    }
};
constexpr TBitReversal kBitReversal;

void ReverseBits(uint8_t* data, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        data[i] = kBitReversal.Table[data[i]];
}

bool FillOrderReversed(const TGraphicTiff& image)
{
    const PTagTiff fillOrder = image.QueryGraphicByTag(TAG_FILL_ORDER);
    return fillOrder && fillOrder->Value == FILL_ORDER_REVERSED;
}

}  // namespace

bool ReadStrips(const String& fileName, const TGraphicTiff& image, size_t rowBytes, TPixelBuffer& buffer)
{
    if (image.GetNoOfOffsets() == 0)
        return false;
    auto file = OpenAgain(fileName);
    TRowLayout layout;
    if (!LayOutRows(image, file->Size(), rowBytes, layout))
        return false;
    TPixelBuffer result;
    result.Size = rowBytes * layout.Height;
    result.Data = AllocatePixels(result.Size);
    if (!ReadRows(*file, layout, 0, layout.Height, result.Data.get()))
        return false;
    if (FillOrderReversed(image))
        ReverseBits(result.Data.get(), result.Size);
    buffer = std::move(result);
    return true;
}

bool PadRows(TPixelBuffer& buffer, size_t rowBytes, size_t height)
{
    const size_t stride = PaddedRow(rowBytes);
    if (rowBytes * height > buffer.Size)
        return false;
    if (rowBytes == stride || height == 0)
        return true;
    TPixelBuffer padded;
    padded.Size = stride * height;
    padded.Data = AllocatePixels(padded.Size);
    const uint8_t* from = buffer.Data.get();
    uint8_t* to = padded.Data.get();
    for (size_t r = 0; r < height; ++r, from += rowBytes, to += stride) {
        std::memcpy(to, from, rowBytes);
        std::memset(to + rowBytes, 0, stride - rowBytes);
    }
    buffer = std::move(padded);
    return true;
}

void SwapRedBlue(TPixelBuffer& buffer, size_t pixelCount)
{
    pixelCount = std::min(pixelCount, buffer.Size / 3);
    uint8_t* p = buffer.Data.get();
    uint8_t* end = p + pixelCount * 3;
    for (; p != end; p += 3)
        std::swap(p[0], p[2]);
}

// ---- bitmap -------------------------------------------------------------------------

namespace {

#pragma pack(push, 1)
struct TBitmapInfoBlock {
    gfx::TBitmapInfoHeader Header;
    gfx::TRGBQuad Colors[256];
};
#pragma pack(pop)
static_assert(sizeof(TBitmapInfoBlock) == 1064);

bool DibBitCount(uint16_t bits) { return bits == 1 || bits == 4 || bits == 8 || bits == 24; }

}  // namespace

void BuildBitmap(uint16_t width, uint16_t height, uint16_t bitsPerPixel, gfx::TBitmap& target,
                 const TPixelBuffer& buffer, TTiffRead& read)
{
    // Rows the buffer cannot hold, or a bit count no bitmap has, would be read from outside it.
    if (!DibBitCount(bitsPerPixel) || DibStride(width, bitsPerPixel) * height > buffer.Size) {
        read.Problems.push_back(kErrorImageData);
        return;
    }
    auto info = std::make_unique<TBitmapInfoBlock>();
    info->Header.biWidth = width;
    info->Header.biHeight = -int32_t(height);
    info->Header.biBitCount = bitsPerPixel;
    info->Header.biCompression = gfx::BI_RGB;
    for (int i = 0; i < 256; ++i) {
        info->Colors[i].Blue = static_cast<uint8_t>(TiffPalette.Blue[i]);
        info->Colors[i].Green = static_cast<uint8_t>(TiffPalette.Green[i]);
        info->Colors[i].Red = static_cast<uint8_t>(TiffPalette.Red[i]);
    }
    try {
        read.Changed = true;
        target.AssignNothing();
        gfx::TBitmap made;
        gfx::HDC dc = gfx::GetDC(nullptr);
        gfx::HBITMAP handle = gfx::CreateDIBitmap(dc, &info->Header, gfx::CBM_INIT, buffer.Data.get(), info.get(),
                                                  gfx::DIB_RGB_COLORS, buffer.Size);
        gfx::ReleaseDC(nullptr, dc);
        if (handle) {
            gfx::SetBitmapHandle(made, handle);
            target.Assign(made);
        }
    } catch (const std::exception&) {
        read.Problems.push_back(kOutOfMemory);
    }
}

// ---- rows straight into the bitmap's store -----------------------------------------------

// The stored rows are read a chunk at a time and converted straight into the 32-bit store: no
// whole-image buffer, no second pass. Bands of rows are read and converted side by side on large
// pictures; only the file and the store are shared. The picture is the one that ReadStrips,
// SwapRedBlue, PadRows and BuildBitmap give.
namespace {

constexpr size_t kStreamChunk = size_t(1) << 18;
// Bytes of the picture that make a thread of its own worth starting.
constexpr int64_t kThreadBytes = int64_t(1) << 21;

enum class TAlpha { None, Associated, Unassociated };

// How the stored pixels of an image are laid out.
struct TStoredPixels {
    // Bits of one stored pixel: 1, 4 or 8 (an index), 24 (blue, green, red: a palette image's
    // bit count taken as it stands) or 8 × Samples for RGB.
    uint32_t Bits = 8;
    // RGB: samples per pixel, red, green and blue first; 0 for the other kinds.
    uint32_t Samples = 0;
    TAlpha Alpha = TAlpha::None;

    size_t RowBytes(uint32_t width) const { return (size_t(width) * Bits + 7) / 8; }
};

// Red first in the file; the store is blue, green, red, 0.
void RgbToDevicePlain(const uint8_t* src, uint32_t* out, uint32_t width)
{
    for (uint32_t x = 0; x < width; ++x, src += 3)
        out[x] = uint32_t(src[2]) | uint32_t(src[1]) << 8 | uint32_t(src[0]) << 16;
}

#if defined(__x86_64__) || defined(__i386__)
// Four pixels at a time; every 16-byte load stays inside the row, the last pixels go the plain way.
__attribute__((target("ssse3"))) void RgbToDeviceSsse3(const uint8_t* src, uint32_t* out, uint32_t width)
{
    const __m128i order = _mm_setr_epi8(2, 1, 0, -1, 5, 4, 3, -1, 8, 7, 6, -1, 11, 10, 9, -1);
    uint32_t x = 0;
    for (; x < width && (reinterpret_cast<uintptr_t>(out + x) & 15) != 0; ++x)
        out[x] = uint32_t(src[3 * x + 2]) | uint32_t(src[3 * x + 1]) << 8 | uint32_t(src[3 * x]) << 16;
    for (; x + 6 <= width; x += 4)
        _mm_stream_si128(reinterpret_cast<__m128i*>(out + x),
                         _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 3 * x)), order));
    _mm_sfence();
    RgbToDevicePlain(src + 3 * size_t(x), out + x, width - x);
}
#endif

void RgbToDevice(const uint8_t* src, uint32_t* out, uint32_t width)
{
#if defined(__x86_64__) || defined(__i386__)
    static const bool ssse3 = __builtin_cpu_supports("ssse3");
    if (ssse3)
        return RgbToDeviceSsse3(src, out, width);
#endif
    RgbToDevicePlain(src, out, width);
}

// One colour sample over white. Unassociated alpha is blended, rounded; associated alpha has the
// colour already weighed, so white's share is added. Both give what libtiff's premultiplied
// picture shows over white.
uint32_t OverWhite(uint32_t c, uint32_t a, TAlpha alpha)
{
    if (alpha == TAlpha::Unassociated)
        return (c * a + 255 * (255 - a) + 127) / 255;
    return std::min<uint32_t>(255, c + 255 - a);
}

// RGB pixels with extra samples after the three colours: the extras are skipped, and a first
// extra that is alpha is composited on white.
void RgbExtraToDevice(const uint8_t* src, uint32_t* out, uint32_t width, uint32_t samples, TAlpha alpha)
{
    for (uint32_t x = 0; x < width; ++x, src += samples) {
        uint32_t r = src[0], g = src[1], b = src[2];
        if (alpha != TAlpha::None && src[3] != 255) {
            r = OverWhite(r, src[3], alpha);
            g = OverWhite(g, src[3], alpha);
            b = OverWhite(b, src[3], alpha);
        }
        out[x] = b | g << 8 | r << 16;
    }
}

// One stored row (top row first) to blue, green, red, 0 pixels.
class TRowConverter {
public:
    TRowConverter(uint16_t width, const TStoredPixels& pixels) : FWidth(width), FPixels(pixels)
    {
        for (int i = 0; i < 256; ++i)
            FColours[i] = uint32_t(uint8_t(TiffPalette.Blue[i])) | uint32_t(uint8_t(TiffPalette.Green[i])) << 8 |
                          uint32_t(uint8_t(TiffPalette.Red[i])) << 16;
    }

    void operator()(const uint8_t* src, uint8_t* dst) const
    {
        uint32_t* out = reinterpret_cast<uint32_t*>(dst);
        if (FPixels.Samples == RGB_SAMPLES)
            return RgbToDevice(src, out, FWidth);
        if (FPixels.Samples > RGB_SAMPLES)
            return RgbExtraToDevice(src, out, FWidth, FPixels.Samples, FPixels.Alpha);
        switch (FPixels.Bits) {
        case 24:
            for (uint32_t x = 0; x < FWidth; ++x, src += 3)
                out[x] = uint32_t(src[0]) | uint32_t(src[1]) << 8 | uint32_t(src[2]) << 16;
            break;
        case 8:
            for (uint32_t x = 0; x < FWidth; ++x)
                out[x] = FColours[src[x]];
            break;
        case 4:
            for (uint32_t x = 0; x < FWidth; ++x)
                out[x] = FColours[(src[x >> 1] >> (x & 1 ? 0 : 4)) & 0x0F];
            break;
        default:
            for (uint32_t x = 0; x < FWidth; ++x)
                out[x] = FColours[(src[x >> 3] >> (7 - (x & 7))) & 1];
            break;
        }
    }

private:
    uint32_t FWidth;
    TStoredPixels FPixels;
    uint32_t FColours[256];
};

struct TRowSource {
    const TFileStream& File;
    const TRowLayout& Layout;
    bool ReverseBits;
};

// Reads and converts the rows [first, last) of the picture into the store, a chunk at a time.
bool ConvertBand(const TRowSource& source, const TRowConverter& convert, gfx::TBitmapData& store, int first,
                 int last)
{
    const size_t rowBytes = source.Layout.RowBytes;
    const int chunkRows = int(std::max<size_t>(1, kStreamChunk / rowBytes));
    std::vector<uint8_t> chunk(size_t(chunkRows) * rowBytes);
    for (int row = first; row < last; row += chunkRows) {
        const int rows = std::min(chunkRows, last - row);
        if (!ReadRows(source.File, source.Layout, uint32_t(row), uint32_t(rows), chunk.data()))
            return false;
        if (source.ReverseBits)
            ReverseBits(chunk.data(), size_t(rows) * rowBytes);
        for (int r = 0; r < rows; ++r)
            convert(chunk.data() + size_t(r) * rowBytes, store.Row(row + r));
    }
    return true;
}

// Converts every row; bands of rows go side by side on large pictures.
bool ConvertRows(const TRowSource& source, const TRowConverter& convert, gfx::TBitmapData& store)
{
    const int threads = rtl::ThreadCount(int64_t(store.ByteCount()), kThreadBytes);
    std::atomic<bool> whole{true};
    rtl::ParallelBands(store.Height, threads * 4, threads, [&](int first, int last) {
        if (!ConvertBand(source, convert, store, first, last))
            whole = false;
    });
    return whole;
}

// Makes the picture from the stored rows.
TProblem BuildStraight(const TRowSource& source, uint16_t width, uint16_t height, const TStoredPixels& pixels,
                       gfx::TBitmap& target, TTiffRead& read)
{
    if (width == 0 || height == 0) {
        read.Changed = true;
        target.AssignNothing();  // no bitmap can be made: left empty, as the platform would
        return {};
    }
    std::shared_ptr<gfx::TBitmapData> store;
    try {
        // Every row is written below (the 32-bit rows have no padding), or the store is dropped.
        store = gfx::TBitmapData::CreateUnset(width, height, gfx::TPixelFormat::pfDevice);
    } catch (const rtl::Exception&) {
        read.Changed = true;
        target.AssignNothing();
        return kOutOfMemory;
    }
    if (!ConvertRows(source, TRowConverter(width, pixels), *store))
        return kErrorImageData;
    try {
        read.Changed = true;
        target.AssignNothing();
        gfx::TBitmap made;
        gfx::SetBitmapHandle(made, store);
        target.Assign(made);
    } catch (const std::exception&) {
        return kOutOfMemory;
    }
    return {};
}

// Rows, pixels and bitmap: the common end of every decoder.
TProblem ReadAndBuild(const String& fileName, TGraphicTiff& image, gfx::TBitmap& bitmap, const TStoredPixels& pixels,
                      TTiffRead& read)
{
    const int32_t width = TagValue(image, TAG_IMAGE_WIDTH);
    const int32_t height = TagValue(image, TAG_IMAGE_LENGTH);
    if (pixels.Samples == 0 && !DibBitCount(static_cast<uint16_t>(pixels.Bits)))
        return kErrorImageData;
    auto file = OpenAgain(fileName);
    TRowLayout layout;
    if (!LayOutRows(image, file->Size(), pixels.RowBytes(static_cast<uint32_t>(std::max(width, 0))), layout))
        return kErrorImageData;
    const uint16_t w = ImageSize(width), h = ImageSize(height);
    // A picture larger than any bitmap can be is refused before its store is asked for.
    if (!gfx::DeviceBitmapFits(w, h))
        return kOutOfMemory;
    const TRowSource source{*file, layout, FillOrderReversed(image)};
    return BuildStraight(source, w, h, pixels, bitmap, read);
}

TStoredPixels IndexedPixels(uint32_t bits) { return TStoredPixels{bits, 0, TAlpha::None}; }

// The first of the ExtraSamples values, 0 (unspecified) when there is none.
uint16_t FirstExtraSample(const String& fileName, const TGraphicTiff& image)
{
    const PTagTiff extra = image.QueryGraphicByTag(TAG_EXTRA_SAMPLES);
    if (!extra || extra->Count < 1)
        return 0;
    const bool le = image.FileTiff()->LittleEndian();
    if (extra->Count == 1)
        return static_cast<uint16_t>(extra->Value);
    if (extra->Count == 2)  // two SHORTs in the entry itself: the first in its first two bytes
        return le ? uint16_t(uint32_t(extra->Value) & 0xFFFF) : uint16_t(uint32_t(extra->Value) >> 16);
    auto file = OpenAgain(fileName);
    return TByteReader::FromStreamPaddedAt(*file, extra->Value, 2, ByteOrder(le)).U16(0);
}

// RGB with the samples per pixel the file states (three when it states fewer or none).
TStoredPixels RgbPixels(const String& fileName, const TGraphicTiff& image)
{
    const PTagTiff samplesTag = image.QueryGraphicByTag(TAG_SAMPLES_PER_PIXEL);
    const uint32_t samples =
        samplesTag ? uint32_t(std::clamp<int32_t>(samplesTag->Value, RGB_SAMPLES, 0xFFFF)) : RGB_SAMPLES;
    TStoredPixels pixels{8 * samples, samples, TAlpha::None};
    if (samples > RGB_SAMPLES) {
        const uint16_t extra = FirstExtraSample(fileName, image);
        if (extra == EXTRA_ASSOCIATED_ALPHA)
            pixels.Alpha = TAlpha::Associated;
        else if (extra == EXTRA_UNASSOCIATED_ALPHA)
            pixels.Alpha = TAlpha::Unassociated;
    }
    return pixels;
}

}  // namespace

// ---- decoders ---------------------------------------------------------------------------

TProblem DecodeBilevel(const String& fileName, TGraphicTiff& image, gfx::TBitmap& bitmap, TTiffRead& read)
{
    if (TProblem problem = CheckImageTags(image, "Cant read compressed bilevel image"))
        return problem;
    MakeBilevelPalette(TagValue(image, TAG_PHOTOMETRIC));
    return ReadAndBuild(fileName, image, bitmap, IndexedPixels(1), read);
}

TProblem DecodeGrey(const String& fileName, TGraphicTiff& image, gfx::TBitmap& bitmap, TTiffRead& read)
{
    if (TProblem problem = CheckImageTags(image, "Cant read compressed Gray Scale Image"))
        return problem;
    const int32_t bits = TagValue(image, TAG_BITS_PER_SAMPLE);
    MakeGreyPalette(bits, TagValue(image, TAG_PHOTOMETRIC));
    return ReadAndBuild(fileName, image, bitmap, IndexedPixels(uint32_t(bits)), read);
}

TProblem DecodePalette(const String& fileName, TGraphicTiff& image, gfx::TBitmap& bitmap, TTiffRead& read)
{
    PTagTiff bits = nullptr;
    if (TProblem problem = CheckImageTagsAndBits(image, "Cant read compressed ColorPaletImage", bits))
        return problem;
    const PTagTiff colorMap = image.QueryGraphicByTag(TAG_COLOR_MAP);
    if (!colorMap)
        return "Error reading tag Color Table Offset";
    // A bit count that does not fit 16 bits is no bit count a bitmap has.
    const uint16_t bitsPerPixel = (bits->Value >= 0 && bits->Value <= 0xFFFF) ? uint16_t(bits->Value) : 0;
    LoadColorMap(fileName, colorMap->Count, colorMap->Value, image.FileTiff()->LittleEndian());
    return ReadAndBuild(fileName, image, bitmap, IndexedPixels(bitsPerPixel), read);
}

TProblem DecodeRgb(const String& fileName, TGraphicTiff& image, gfx::TBitmap& bitmap, TTiffRead& read)
{
    PTagTiff bits = nullptr;
    if (TProblem problem = CheckImageTagsAndBits(image, "Cant read compressed RGB Full Color Image", bits))
        return problem;
    TSampleSizes sizes;
    if (bits->Count == 1) {
        // A value that does not fit 16 bits is no sample size, not its low half.
        const uint16_t size = (bits->Value >= 0 && bits->Value <= 0xFFFF) ? uint16_t(bits->Value) : 0;
        sizes.Red = sizes.Green = sizes.Blue = size;
    } else {
        sizes = ReadSampleSizes(fileName, bits->Value, image.FileTiff()->LittleEndian());
    }
    if (sizes.Red != 8 && sizes.Green != 8 && sizes.Blue != 8)
        return "Error: Bits Per Sample (RGB) not 8";
    return ReadAndBuild(fileName, image, bitmap, RgbPixels(fileName, image), read);
}

// ---- entry ------------------------------------------------------------------------------

namespace {

// A photometric interpretation that cannot be read or evaluated; it ends the file's decoding.
TProblem CheckPhotometric(const TGraphicTiff& image)
{
    const PTagTiff photometric = image.QueryGraphicByTag(TAG_PHOTOMETRIC);
    if (!photometric)
        return "Error reading tag Photometric interpretation";
    const int32_t kind = photometric->Value;
    if (kind < PHOTOMETRIC_WHITE_IS_ZERO || kind > PHOTOMETRIC_PALETTE)
        return "Error evaluating Photometric interpretation: " + rtl::IntToStr(kind);
    return {};
}

// The decoder for the image's photometric interpretation (checked before).
TProblem DecodeImage(const String& fileName, TGraphicTiff& image, gfx::TBitmap& bitmap, TTiffRead& read)
{
    const int32_t kind = TagValue(image, TAG_PHOTOMETRIC);
    if (kind == PHOTOMETRIC_PALETTE)
        return DecodePalette(fileName, image, bitmap, read);
    if (kind == PHOTOMETRIC_RGB)
        return DecodeRgb(fileName, image, bitmap, read);
    const PTagTiff bits = image.QueryGraphicByTag(TAG_BITS_PER_SAMPLE);
    if (!bits || bits->Value == 1)
        return DecodeBilevel(fileName, image, bitmap, read);
    if (bits->Value == 4 || bits->Value == 8)
        return DecodeGrey(fileName, image, bitmap, read);
    return kGreyBitsNotDecoded;
}

}  // namespace

// Every problem of the file is recorded here, in the order of the chain: at most one for each
// image, and a photometric problem ends the decoding.
void DecodeTiffFile(const String& fileName, gfx::TBitmap& bitmap, TTiffRead& read)
{
    // A file that is gone is reported as such; the reader never creates one.
    {
        TFileStream probe(fileName, rtl::fmOpenRead | rtl::fmShareDenyNone);
    }
    TFileTiff file;
    file.SetFileName(fileName);
    if (!file.Valid()) {
        read.Problems.push_back("<" + fileName + "> is not a valid TIFF file");
        return;
    }
    for (int i = 0; i < file.GraphicCount(); ++i) {
        rtl::RangeCheck(i, 0, 255);
        TGraphicTiff& image = *file.GetGraphicTiff(static_cast<uint8_t>(i));
        if (TProblem problem = CheckPhotometric(image)) {
            read.Problems.push_back(*problem);
            return;
        }
        if (TProblem problem = DecodeImage(fileName, image, bitmap, read))
            read.Problems.push_back(*problem);
    }
}

void ShowProblems(const TTiffRead& read)
{
    for (const String& text : read.Problems)
        ui::ShowMessage(text);
}

void ReadTiffFile(const String& fileName, gfx::TBitmap& bitmap)
{
    TTiffRead read;
    try {
        DecodeTiffFile(fileName, bitmap, read);
    } catch (...) {
        ShowProblems(read);
        throw;
    }
    ShowProblems(read);
}

}  // namespace tif
