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

using rtl::TFileStream;
using rtl::TSeekOrigin;

TTiffPalette TiffPalette;

namespace {

constexpr int32_t PHOTOMETRIC_WHITE_IS_ZERO = 0;
constexpr int32_t PHOTOMETRIC_BLACK_IS_ZERO = 1;
constexpr int32_t PHOTOMETRIC_RGB = 2;
constexpr int32_t PHOTOMETRIC_PALETTE = 3;
constexpr int32_t COMPRESSION_NONE = 1;
// RowsPerStrip's "one strip for all rows".
constexpr uint32_t ROWS_PER_STRIP_ALL = 0xFFFFFFFFu;

const char* const kErrorImageData = "Error reading image data";

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

void ReadAtOffset(TFileStream& file, int64_t offset, void* buffer, int64_t count)
{
    if (offset < 0 || offset >= file.Size()) {
        std::memset(buffer, 0, static_cast<size_t>(count));
        return;
    }
    file.Seek(offset, TSeekOrigin::soBeginning);
    ReadZeroFilled(file, buffer, count);
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

// The checks that every decoder starts with; shows the first failure.
bool CheckImageTags(const TGraphicTiff& image, const char* compressedMessage)
{
    if (!image.QueryGraphicByTag(TAG_IMAGE_WIDTH)) {
        ui::ShowMessage("Error reading tag Image Width");
        return false;
    }
    if (!image.QueryGraphicByTag(TAG_IMAGE_LENGTH)) {
        ui::ShowMessage("Error reading tag Image Height");
        return false;
    }
    const PTagTiff compression = image.QueryGraphicByTag(TAG_COMPRESSION);
    if (!compression) {
        ui::ShowMessage("Error reading tag Compression");
        return false;
    }
    if (compression->Value != COMPRESSION_NONE) {
        ui::ShowMessage(compressedMessage);
        return false;
    }
    return true;
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
    std::vector<uint8_t> raw(size_t(n) * 6);
    ReadAtOffset(*file, value, raw.data(), static_cast<int64_t>(raw.size()));
    uint16_t* arrays[3] = {TiffPalette.Red, TiffPalette.Green, TiffPalette.Blue};
    for (int a = 0; a < 3; ++a)
        for (int i = 0; i < n; ++i)
            arrays[a][i] = Get16(raw.data() + 2 * (size_t(a) * n + i), littleEndian) >> 8;
}

TSampleSizes ReadSampleSizes(const String& fileName, int32_t fileOffset, bool littleEndian)
{
    auto file = OpenAgain(fileName);
    uint8_t raw[6];
    ReadAtOffset(*file, fileOffset, raw, sizeof raw);
    return {Get16(raw, littleEndian), Get16(raw + 2, littleEndian), Get16(raw + 4, littleEndian)};
}

// ---- pixel data ---------------------------------------------------------------------

namespace {

// Every strip must lie inside the file, and together they cannot hold more than the file does;
// so no buffer is ever sized beyond the file. Gives the bytes of all strips.
bool StripsFitFile(const TGraphicTiff& image, int64_t fileSize, int64_t& total)
{
    const int strips = image.GetNoOfOffsets();
    total = 0;
    if (strips == 0)
        return false;
    for (int s = 0; s < strips; ++s) {
        const TStripInfo& strip = *image.QueryGraphicByOffsets(static_cast<uint16_t>(s));
        if (strip.StripOffsets < 0 || strip.StripByteCounts < 0 ||
            int64_t(strip.StripOffsets) + strip.StripByteCounts > fileSize)
            return false;
        total += strip.StripByteCounts;
        if (total > fileSize)
            return false;
    }
    return true;
}

// The length of one stored row: the first strip's bytes over its rows.
bool StripRowLength(const TGraphicTiff& image, size_t& rowLength)
{
    const PTagTiff rowsTag = image.QueryGraphicByTag(TAG_ROWS_PER_STRIP);
    const PTagTiff lengthTag = image.QueryGraphicByTag(TAG_IMAGE_LENGTH);
    const PStripInfo first = image.QueryGraphicByOffsets(0);
    if (!rowsTag || !lengthTag || !first)
        return false;
    uint32_t rowsPerStrip = static_cast<uint32_t>(rowsTag->Value);
    // 2^32 - 1 is the format's "all rows in one strip"; a count above the image's rows means the same.
    if (rowsPerStrip == 0 || (rowsPerStrip >= 0x80000000u && rowsPerStrip != ROWS_PER_STRIP_ALL))
        return false;
    const int64_t height = std::max<int32_t>(lengthTag->Value, 1);
    rowsPerStrip = static_cast<uint32_t>(std::min<int64_t>(rowsPerStrip, height));
    rowLength = static_cast<size_t>(first->StripByteCounts) / rowsPerStrip;
    return true;
}

}  // namespace

bool ReadStrips(const String& fileName, const TGraphicTiff& image, TPixelBuffer& buffer)
{
    if (image.GetNoOfOffsets() == 0)
        return false;
    auto file = OpenAgain(fileName);
    int64_t total = 0;
    if (!StripsFitFile(image, file->Size(), total))
        return false;
    TPixelBuffer result;
    result.Data = AllocatePixels(static_cast<size_t>(total));
    result.Size = static_cast<size_t>(total);
    size_t at = 0;
    for (int s = 0; s < image.GetNoOfOffsets(); ++s) {
        const TStripInfo& strip = *image.QueryGraphicByOffsets(static_cast<uint16_t>(s));
        if (strip.StripByteCounts == 0)
            continue;
        file->Seek(strip.StripOffsets, TSeekOrigin::soBeginning);
        if (ReadZeroFilled(*file, result.Data.get() + at, strip.StripByteCounts) != strip.StripByteCounts)
            return false;
        at += static_cast<size_t>(strip.StripByteCounts);
    }
    buffer = std::move(result);
    return true;
}

bool PadRows(TPixelBuffer& buffer, const TGraphicTiff& image)
{
    size_t rowLength = 0;
    if (!StripRowLength(image, rowLength))
        return false;
    const size_t height = size_t(std::max<int32_t>(image.QueryGraphicByTag(TAG_IMAGE_LENGTH)->Value, 0));
    const size_t stride = PaddedRow(rowLength);
    if (rowLength == stride || height == 0)
        return true;
    if (rowLength * height > buffer.Size)
        return false;
    TPixelBuffer padded;
    padded.Size = stride * height;
    padded.Data = AllocatePixels(padded.Size);
    const uint8_t* from = buffer.Data.get();
    uint8_t* to = padded.Data.get();
    for (size_t r = 0; r < height; ++r, from += rowLength, to += stride) {
        std::memcpy(to, from, rowLength);
        std::memset(to + rowLength, 0, stride - rowLength);
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
                 const TPixelBuffer& buffer)
{
    // Rows the buffer cannot hold, or a bit count no bitmap has, would be read from outside it.
    if (!DibBitCount(bitsPerPixel) || DibStride(width, bitsPerPixel) * height > buffer.Size) {
        ui::ShowMessage(kErrorImageData);
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
        ui::ShowMessage("Out Of Memory ");
    }
}

// ---- rows straight into the bitmap's store -----------------------------------------------

// When the stored rows are exactly the picture's rows, they are read a chunk at a time and
// converted straight into the 32-bit store: no whole-image buffer, no second pass. Bands of rows
// are read and converted side by side on large pictures; only the bytes and the store are shared.
// The picture is the one that ReadStrips, SwapRedBlue, PadRows and BuildBitmap give.
namespace {

constexpr size_t kStreamChunk = size_t(1) << 18;
// Bytes of the picture that make a thread of its own worth starting.
constexpr int64_t kThreadBytes = int64_t(1) << 21;

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

// One stored row (top row first) to blue, green, red, 0 pixels.
class TRowConverter {
public:
    TRowConverter(uint16_t width, uint16_t bits) : FWidth(width), FBits(bits)
    {
        for (int i = 0; i < 256; ++i)
            FColours[i] = uint32_t(uint8_t(TiffPalette.Blue[i])) | uint32_t(uint8_t(TiffPalette.Green[i])) << 8 |
                          uint32_t(uint8_t(TiffPalette.Red[i])) << 16;
    }

    void operator()(const uint8_t* src, uint8_t* dst) const
    {
        uint32_t* out = reinterpret_cast<uint32_t*>(dst);
        switch (FBits) {
        case 24:
            RgbToDevice(src, out, FWidth);
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
    uint16_t FBits;
    uint32_t FColours[256];
};

// Strips that follow each other in the file, as one run of the stored bytes (all strips
// concatenated in strip order).
struct TStoredRun {
    int64_t Stored = 0;
    int64_t File = 0;
    int64_t Length = 0;
};

std::vector<TStoredRun> StoredRuns(const TGraphicTiff& image)
{
    std::vector<TStoredRun> runs;
    int64_t stored = 0;
    for (int s = 0; s < image.GetNoOfOffsets(); ++s) {
        const TStripInfo& strip = *image.QueryGraphicByOffsets(static_cast<uint16_t>(s));
        if (strip.StripByteCounts == 0)
            continue;
        if (!runs.empty() && runs.back().File + runs.back().Length == strip.StripOffsets)
            runs.back().Length += strip.StripByteCounts;
        else
            runs.push_back({stored, strip.StripOffsets, strip.StripByteCounts});
        stored += strip.StripByteCounts;
    }
    return runs;
}

// Reads count stored bytes from stored offset at; false on a short read.
bool ReadStored(const TFileStream& file, const std::vector<TStoredRun>& runs, int64_t at, int64_t count,
                uint8_t* to)
{
    auto run = std::upper_bound(runs.begin(), runs.end(), at,
                                [](int64_t stored, const TStoredRun& r) { return stored < r.Stored; });
    if (run == runs.begin())
        return false;
    for (--run; count > 0; ++run) {
        if (run == runs.end())
            return false;
        const int64_t skip = at - run->Stored;
        const int64_t n = std::min(count, run->Length - skip);
        if (file.ReadAt(run->File + skip, to, n) != n)
            return false;
        at += n;
        to += n;
        count -= n;
    }
    return true;
}

// Reads and converts the stored rows [first, last) of the picture into the store, a chunk at a time.
bool ConvertBand(const TFileStream& file, const std::vector<TStoredRun>& runs, size_t rowBytes,
                 const TRowConverter& convert, gfx::TBitmapData& store, int first, int last)
{
    const int chunkRows = int(std::max<size_t>(1, kStreamChunk / rowBytes));
    std::vector<uint8_t> chunk(size_t(chunkRows) * rowBytes);
    for (int row = first; row < last; row += chunkRows) {
        const int rows = std::min(chunkRows, last - row);
        if (!ReadStored(file, runs, int64_t(row) * int64_t(rowBytes), int64_t(rows) * int64_t(rowBytes), chunk.data()))
            return false;
        for (int r = 0; r < rows; ++r)
            convert(chunk.data() + size_t(r) * rowBytes, store.Row(row + r));
    }
    return true;
}

// Converts every row; bands of rows go side by side on large pictures.
bool ConvertRows(const TFileStream& file, const TGraphicTiff& image, size_t rowBytes, const TRowConverter& convert,
                 gfx::TBitmapData& store)
{
    const std::vector<TStoredRun> runs = StoredRuns(image);
    const int threads = rtl::ThreadCount(int64_t(store.ByteCount()), kThreadBytes);
    std::atomic<bool> whole{true};
    rtl::ParallelBands(store.Height, threads * 4, threads, [&](int first, int last) {
        if (!ConvertBand(file, runs, rowBytes, convert, store, first, last))
            whole = false;
    });
    return whole;
}

bool BuildStraight(const String& fileName, const TGraphicTiff& image, uint16_t width, uint16_t height,
                   uint16_t bits, size_t rowBytes, gfx::TBitmap& target)
{
    if (width == 0 || height == 0) {
        target.AssignNothing();  // no bitmap can be made: left empty, as the platform would
        return true;
    }
    auto file = OpenAgain(fileName);
    std::shared_ptr<gfx::TBitmapData> store;
    try {
        // Every row is written below (the 32-bit rows have no padding), or the store is dropped.
        store = gfx::TBitmapData::CreateUnset(width, height, gfx::TPixelFormat::pfDevice);
    } catch (const rtl::Exception&) {
        target.AssignNothing();
        ui::ShowMessage("Out Of Memory ");
        return true;
    }
    if (!ConvertRows(*file, image, rowBytes, TRowConverter(width, bits), *store))
        return false;
    try {
        target.AssignNothing();
        gfx::TBitmap made;
        gfx::SetBitmapHandle(made, store);
        target.Assign(made);
    } catch (const std::exception&) {
        ui::ShowMessage("Out Of Memory ");
    }
    return true;
}

// Strips, row layout and bitmap: the common end of every decoder.
void ReadAndBuild(const String& fileName, TGraphicTiff& image, gfx::TBitmap& bitmap, uint16_t bitsPerPixel,
                  bool swapRedBlue)
{
    int64_t total = 0;
    {
        auto file = OpenAgain(fileName);
        if (!StripsFitFile(image, file->Size(), total)) {
            ui::ShowMessage(kErrorImageData);
            return;
        }
    }
    const int32_t width = TagValue(image, TAG_IMAGE_WIDTH);
    const int32_t height = TagValue(image, TAG_IMAGE_LENGTH);
    // The strips must hold every row of the image.
    const size_t rowBytes = (size_t(std::max(width, 0)) * bitsPerPixel + 7) / 8;
    size_t rowLength = 0;
    if ((height > 0 && rowBytes > size_t(total) / size_t(height)) || !StripRowLength(image, rowLength)) {
        ui::ShowMessage(kErrorImageData);
        return;
    }
    if (rowLength == rowBytes && DibBitCount(bitsPerPixel)) {
        if (!BuildStraight(fileName, image, ImageSize(width), ImageSize(height), bitsPerPixel, rowBytes, bitmap))
            ui::ShowMessage(kErrorImageData);
        return;
    }

    TPixelBuffer buffer;
    if (!ReadStrips(fileName, image, buffer)) {
        ui::ShowMessage(kErrorImageData);
        return;
    }
    if (swapRedBlue) {
        const size_t pixels = size_t(std::max(width, 0)) * size_t(std::max(height, 0));
        if (pixels > buffer.Size / 3) {
            ui::ShowMessage(kErrorImageData);
            return;
        }
        SwapRedBlue(buffer, pixels);
    }
    if (!PadRows(buffer, image)) {
        ui::ShowMessage(kErrorImageData);
        return;
    }
    BuildBitmap(ImageSize(width), ImageSize(height), bitsPerPixel, bitmap, buffer);
}

}  // namespace

// ---- decoders ---------------------------------------------------------------------------

void DecodeBilevel(const String& fileName, TGraphicTiff& image, gfx::TBitmap& bitmap)
{
    if (!CheckImageTags(image, "Cant read compressed bilevel image"))
        return;
    MakeBilevelPalette(TagValue(image, TAG_PHOTOMETRIC));
    ReadAndBuild(fileName, image, bitmap, 1, false);
}

void DecodeGrey(const String& fileName, TGraphicTiff& image, gfx::TBitmap& bitmap)
{
    if (!CheckImageTags(image, "Cant read compressed Gray Scale Image"))
        return;
    const int32_t bits = TagValue(image, TAG_BITS_PER_SAMPLE);
    MakeGreyPalette(bits, TagValue(image, TAG_PHOTOMETRIC));
    ReadAndBuild(fileName, image, bitmap, static_cast<uint16_t>(bits), false);
}

void DecodePalette(const String& fileName, TGraphicTiff& image, gfx::TBitmap& bitmap)
{
    if (!CheckImageTags(image, "Cant read compressed ColorPaletImage"))
        return;
    const PTagTiff bits = image.QueryGraphicByTag(TAG_BITS_PER_SAMPLE);
    if (!bits) {
        ui::ShowMessage("Error reading tag Bits Per Sample");
        return;
    }
    const PTagTiff colorMap = image.QueryGraphicByTag(TAG_COLOR_MAP);
    if (!colorMap) {
        ui::ShowMessage("Error reading tag Color Table Offset");
        return;
    }
    // A bit count that does not fit 16 bits is no bit count a bitmap has.
    const uint16_t bitsPerPixel = (bits->Value >= 0 && bits->Value <= 0xFFFF) ? uint16_t(bits->Value) : 0;
    LoadColorMap(fileName, colorMap->Count, colorMap->Value, image.FileTiff()->LittleEndian());
    ReadAndBuild(fileName, image, bitmap, bitsPerPixel, false);
}

void DecodeRgb(const String& fileName, TGraphicTiff& image, gfx::TBitmap& bitmap)
{
    if (!CheckImageTags(image, "Cant read compressed RGB Full Color Image"))
        return;
    const PTagTiff bits = image.QueryGraphicByTag(TAG_BITS_PER_SAMPLE);
    if (!bits) {
        ui::ShowMessage("Error reading tag Bits Per Sample");
        return;
    }
    TSampleSizes sizes;
    if (bits->Count == 1) {
        sizes.Red = sizes.Green = sizes.Blue = static_cast<uint16_t>(bits->Value);
    } else {
        sizes = ReadSampleSizes(fileName, bits->Value, image.FileTiff()->LittleEndian());
    }
    if (sizes.Red != 8 && sizes.Green != 8 && sizes.Blue != 8) {
        ui::ShowMessage("Error: Bits Per Sample (RGB) not 8");
        return;
    }
    ReadAndBuild(fileName, image, bitmap, 24, true);
}

// ---- entry ------------------------------------------------------------------------------

void ReadTiffFile(const String& fileName, gfx::TBitmap& bitmap)
{
    TFileTiff file;
    file.SetFileName(fileName);
    if (!file.Valid()) {
        ui::ShowMessage("<" + fileName + "> is not a valid TIFF file");
        return;
    }
    for (int i = 0; i < file.GraphicCount(); ++i) {
        rtl::RangeCheck(i, 0, 255);
        TGraphicTiff& image = *file.GetGraphicTiff(static_cast<uint8_t>(i));
        const PTagTiff photometric = image.QueryGraphicByTag(TAG_PHOTOMETRIC);
        if (!photometric) {
            ui::ShowMessage("Error reading tag Photometric interpretation");
            return;
        }
        const int32_t kind = photometric->Value;
        if (kind < PHOTOMETRIC_WHITE_IS_ZERO || kind > PHOTOMETRIC_PALETTE) {
            ui::ShowMessage("Error evaluating Photometric interpretation: " + rtl::IntToStr(kind));
            return;
        }
        if (kind == PHOTOMETRIC_WHITE_IS_ZERO || kind == PHOTOMETRIC_BLACK_IS_ZERO) {
            const PTagTiff bits = image.QueryGraphicByTag(TAG_BITS_PER_SAMPLE);
            if (!bits || bits->Value == 1)
                DecodeBilevel(fileName, image, bitmap);
            else if (bits->Value == 4 || bits->Value == 8)
                DecodeGrey(fileName, image, bitmap);
        } else if (kind == PHOTOMETRIC_PALETTE) {
            DecodePalette(fileName, image, bitmap);
        } else if (kind == PHOTOMETRIC_RGB) {
            DecodeRgb(fileName, image, bitmap);
        }
    }
}

}  // namespace tif
