#include "gif/GifUnit.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "framework/graphics/Dib.h"
#include "framework/graphics/PixelRows.h"
#include "framework/ui/Application.h"
#include "gif/FmCanSav.h"
#include "gif/FmProgr.h"

namespace gif {

static_assert(std::endian::native == std::endian::little, "records are read and written as stored");

namespace {

// ---- small helpers ------------------------------------------------------------------------------

bool ReadByte(TStream& stream, uint8_t& value)
{
    return stream.Read(&value, 1) == 1;
}

void WriteByte(TStream& stream, uint8_t value)
{
    stream.WriteBuffer(&value, 1);
}

void Report(double fraction)
{
    if (ProgressCallback) ProgressCallback(static_cast<float>(fraction));
}

// Sets the hourglass and puts the default cursor back when the scope ends.
class THourGlass {
public:
    THourGlass() { ui::Screen().SetCursor(ui::crHourGlass); }
    ~THourGlass() { ui::Screen().SetCursor(ui::crDefault); }
    THourGlass(const THourGlass&) = delete;
    THourGlass& operator=(const THourGlass&) = delete;
};

// Bits per pixel for a colour count of 2, 4, ..., 256; 0 for any other count.
uint8_t BitsForPowerOfTwo(int32_t count)
{
    for (uint8_t bits = 1; bits <= 8; ++bits)
        if (count == (1 << bits)) return bits;
    return 0;
}

constexpr int32_t BmpFileHeaderSize = 14;
constexpr int32_t BmpPaletteEntries = 256;
constexpr int32_t BmpPixelOffset = BmpFileHeaderSize + 40 + BmpPaletteEntries * 4;  // 1078
constexpr int32_t BmpPixelsPerMetre = 143;

// Images taller than these report progress while decoding and while becoming a bitmap.
constexpr int32_t DecodeProgressHeight = 200;
constexpr int32_t BitmapProgressHeight = 500;

// Every code has at least 3 bits and no string is longer than the code table, so this many
// pixels is the most that a number of data bytes can describe.
constexpr int64_t MinCodeBits = 3;
int64_t MostPixelsFor(int64_t dataBytes)
{
    return dataBytes * 8 / MinCodeBits * CodeTableSize;
}

bool DataCanDescribe(int32_t width, int32_t height, int64_t dataBytes)
{
    return static_cast<int64_t>(width) * height <= MostPixelsFor(dataBytes);
}

// Interlace passes 1..4: row step and first row.
constexpr int32_t InterlaceStep[5] = {0, 8, 8, 4, 2};
constexpr int32_t InterlaceFirstRow[5] = {0, 0, 4, 2, 1};

// ---- LZW decoder ----------------------------------------------------------------------------------

// Decodes one image's code stream into rows. Each string is written straight into the row being
// filled, last pixel first, by following a flat table of (prefix, suffix) entries; a string that
// runs past the end of the row goes through the pixel stack and is split over the rows.
// A row of the matrix is filled in place; a row beyond it goes to the row buffer, whose storing
// raises the matrix's index error. A row left unfinished is cleared again when decoding stops,
// so rows that the data never completes hold 0.
class TLzwDecoder {
public:
    TLzwDecoder(TDecoderState& state, const TByteBuffer& data, TByteArray2D& pixels, TBigByteArray& rowBuffer,
                int32_t height, bool interlaced)
        : St(state), FData(data), FPixels(pixels), FRowBuffer(rowBuffer), FWidth(rowBuffer.Count()),
          FHeight(height), FInterlaced(interlaced), FStringCount(data.StringCount())
    {
        FRow = RowTarget();
        // Reading starts in the first string, as the buffer's Reset left it.
        const std::string& s = FData.GetString(1);
        FNext = reinterpret_cast<const uint8_t*>(s.data());
        FEnd = FNext + s.size();
        FStringNo = 1;
    }

    ~TLzwDecoder()
    {
        if (FInMatrix && FColumn > 0) std::memset(FRow, 0, static_cast<size_t>(FColumn));
    }
    TLzwDecoder(const TLzwDecoder&) = delete;
    TLzwDecoder& operator=(const TLzwDecoder&) = delete;

    // Returns when the end code is read or the data runs out.
    void Run()
    {
        uint32_t code;
        if (!ReadCode(code)) return;
        // A stream that does not open with a clear code is read as if one came first.
        // Treating a missing first clear code this way also makes a stream that is only an end
        // code "Bad code", as an end code right after a clear code is: such a stream describes
        // no pixel of an image that has some.
        bool cleared = false;
        for (;;) {
            if (code == static_cast<uint32_t>(St.ClearCode) || !cleared) {
                cleared = true;
                ResetTable();
                while (code == static_cast<uint32_t>(St.ClearCode))
                    if (!ReadCode(code)) return;
                if (code == static_cast<uint32_t>(St.EndCode)) throw EGifException("Bad code");
                if (code >= FNextFree) code = 0;
                FPrevious = code;
                PushCodeString(code);
            } else if (code == static_cast<uint32_t>(St.EndCode)) {
                return;
            } else if (code < FNextFree) {
                uint8_t first = PushCodeString(code);
                AddEntry(FPrevious, first);
                FPrevious = code;
            } else if (code == FNextFree) {
                AddEntry(FPrevious, FirstPixel(FPrevious));
                PushCodeString(code);
                FPrevious = code;
            } else {
                throw EGifException("Bad code");
            }
            if (!ReadCode(code)) return;
            if (FOverflow && code != static_cast<uint32_t>(St.ClearCode)) throw EGifException("Code size overflow");
            FOverflow = false;
        }
    }

private:
    // The next data byte across sub-block strings; false once the last string is used up.
    bool TakeByte(uint32_t& value)
    {
        if (FNext == FEnd) {
            if (FStringNo >= FStringCount) return false;
            const std::string& s = FData.GetString(++FStringNo);
            if (s.empty()) throw rtl::ERangeError();  // a byte asked of an empty string
            FNext = reinterpret_cast<const uint8_t*>(s.data());
            FEnd = FNext + s.size();
        }
        value = *FNext++;
        return true;
    }

    // Codes are packed least significant bit first. Bits wait in a 64-bit reservoir; it is
    // refilled several bytes at a time while the current sub-block has them, and otherwise one
    // byte at a time, so the end of the data and the move to the next sub-block come exactly
    // when a code needs a byte that is not there.
    bool ReadCode(uint32_t& code)
    {
        if (FBitCount < St.CodeSize) {
            if (FEnd - FNext >= 8) {
                const int take = (63 - FBitCount) >> 3;
                uint64_t bytes;
                std::memcpy(&bytes, FNext, 8);
                FBits |= (bytes & ((uint64_t{1} << (8 * take)) - 1)) << FBitCount;
                FNext += take;
                FBitCount += 8 * take;
            } else {
                while (FBitCount < St.CodeSize) {
                    uint32_t byte;
                    if (!TakeByte(byte)) return false;
                    FBits |= uint64_t{byte} << FBitCount;
                    FBitCount += 8;
                }
            }
        }
        code = static_cast<uint32_t>(FBits) & CodeMasks[static_cast<size_t>(St.CodeSize)];
        FBits >>= St.CodeSize;
        FBitCount -= St.CodeSize;
        return true;
    }

    void ResetTable()
    {
        St.CodeSize = St.MinCodeSize + 1;
        FNextFree = static_cast<uint32_t>(St.EndCode) + 1;
        FLimit = 1u << St.CodeSize;
    }

    uint32_t Length(uint32_t code) const { return code <= St.MaxLiteral ? 1 : FLength[code]; }
    uint8_t FirstPixel(uint32_t code) const
    {
        return code <= St.MaxLiteral ? static_cast<uint8_t>(code) : FFirst[code];
    }

    void AddEntry(uint32_t prefix, uint8_t suffix)
    {
        FEntry[FNextFree] = prefix | (uint32_t(suffix) << 16);
        FFirst[FNextFree] = FirstPixel(prefix);
        FLength[FNextFree] = static_cast<uint16_t>(Length(prefix) + 1);
        ++FNextFree;
        GrowCodeSize();
    }

    // The width grows once the next free code reaches 2^CodeSize; after code 4095 the next
    // code must be a clear code.
    void GrowCodeSize()
    {
        if (FNextFree < FLimit) return;
        if (St.CodeSize < MaxCodeSize) {
            FLimit <<= 1;
            ++St.CodeSize;
        } else {
            FOverflow = true;
        }
    }

    // Puts the code's string into the rows; returns its first pixel.
    uint8_t PushCodeString(uint32_t code)
    {
        if (code <= St.MaxLiteral && code > 255) throw rtl::ERangeError();  // a pixel must fit a byte
        const uint32_t length = Length(code);
        if (length <= static_cast<uint32_t>(FWidth - FColumn)) {
            uint8_t* out = FRow + FColumn + length - 1;
            uint32_t c = code;
            while (c > St.MaxLiteral) {
                uint32_t e = FEntry[c];
                *out-- = static_cast<uint8_t>(e >> 16);
                c = e & 0xFFFF;
            }
            *out = static_cast<uint8_t>(c);
            FColumn += static_cast<int32_t>(length);
            if (FColumn == FWidth) FlushRow();
            return static_cast<uint8_t>(c);
        }
        uint8_t* out = FStack + CodeTableSize - 1;
        uint32_t c = code;
        while (c > St.MaxLiteral) {
            uint32_t e = FEntry[c];
            *out-- = static_cast<uint8_t>(e >> 16);
            c = e & 0xFFFF;
        }
        *out = static_cast<uint8_t>(c);
        FlushPixelStack(out, length);
        return static_cast<uint8_t>(c);
    }

    // Spreads pixels over the current row and the rows after it.
    void FlushPixelStack(const uint8_t* pixels, uint32_t count)
    {
        while (count > 0) {
            if (FWidth == 0) FRowBuffer.SetVal(1, *pixels);  // no pixel fits a row of width 0
            uint32_t n = std::min(count, static_cast<uint32_t>(FWidth - FColumn));
            std::memcpy(FRow + FColumn, pixels, n);
            FColumn += static_cast<int32_t>(n);
            pixels += n;
            count -= n;
            if (FColumn == FWidth) FlushRow();
        }
    }

    // A complete row: report, let messages run, store it, go to the next row.
    void FlushRow()
    {
        if (FHeight > DecodeProgressHeight) Report(static_cast<double>(St.Row + 1) / FHeight);
        ui::ProcessMessages();
        if (!FInMatrix) FPixels.SetRow(St.Row + 1, FRowBuffer);
        FColumn = 0;  // the row is stored
        St.Row = FInterlaced ? NextInterlacedRow(St.Row, FHeight, St.Pass) : St.Row + 1;
        FRow = RowTarget();
    }

    // Where row St.Row is filled: in the matrix when it holds that row, else in the row buffer.
    uint8_t* RowTarget()
    {
        const int64_t start = static_cast<int64_t>(St.Row) * FWidth;
        FInMatrix = St.Row >= 0 && St.Row < FPixels.Count2() && FPixels.Count1() == FWidth && FWidth > 0 &&
                    start + FWidth <= FPixels.TotalCount();
        return FInMatrix ? FPixels.Values->Address() + start : FRowBuffer.Address();
    }

    TDecoderState& St;
    const TByteBuffer& FData;
    TByteArray2D& FPixels;
    TBigByteArray& FRowBuffer;
    uint8_t* FRow = nullptr;
    bool FInMatrix = false;
    const int32_t FWidth;
    const int32_t FHeight;
    const bool FInterlaced;
    const int32_t FStringCount;
    int32_t FStringNo = 0;
    const uint8_t* FNext = nullptr;
    const uint8_t* FEnd = nullptr;

    uint64_t FBits = 0;
    int32_t FBitCount = 0;
    int32_t FColumn = 0;  // 0-based here
    uint32_t FPrevious = 0;
    uint32_t FNextFree = 0;
    uint32_t FLimit = 0;
    bool FOverflow = false;

    // Entry c: prefix code in bits 0-15, last pixel in bits 16-23.
    uint32_t FEntry[CodeTableSize];
    uint8_t FFirst[CodeTableSize];
    uint16_t FLength[CodeTableSize];
    uint8_t FStack[CodeTableSize];
};

void InitDecoderState(TDecoderState& st, uint8_t lzwCodeSize)
{
    if (lzwCodeSize < 2 || lzwCodeSize > 9) throw EGifException("Bad code Size");
    st.MinCodeSize = lzwCodeSize;
    st.CodeSize = st.MinCodeSize + 1;
    st.ClearCode = 1 << st.MinCodeSize;
    st.EndCode = st.ClearCode + 1;
    st.MaxLiteral = static_cast<uint16_t>(st.ClearCode - 1);
    st.BitsLeft = 0;
    st.Row = 0;
    st.Pass = 1;
}

// Index of each colour met so far; the colours of a table being built are all different, so
// this answers what the downward search of the table would.
class TColorIndex {
public:
    int32_t Find(TColor c) const
    {
        for (uint32_t s = Slot(c);; s = (s + 1) & Mask) {
            if (FIndex[s] < 0) return -1;
            if (FColor[s] == c) return FIndex[s];
        }
    }
    void Add(TColor c, int32_t index)
    {
        uint32_t s = Slot(c);
        while (FIndex[s] >= 0) s = (s + 1) & Mask;
        FColor[s] = c;
        FIndex[s] = static_cast<int16_t>(index);
    }

private:
    static constexpr uint32_t Size = 1024, Mask = Size - 1;
    static uint32_t Slot(TColor c) { return (c * 2654435761u) >> 22; }
    TColor FColor[Size] = {};
    int16_t FIndex[Size];

public:
    TColorIndex() { std::fill(std::begin(FIndex), std::end(FIndex), int16_t{-1}); }
};

}  // namespace

// ---- interlace and bit counts ---------------------------------------------------------------------

int32_t NextInterlacedRow(int32_t Row, int32_t Height, int32_t& Pass)
{
    int32_t r = Row + (Pass >= 1 && Pass <= 4 ? InterlaceStep[Pass] : InterlaceStep[4]);
    while (r >= Height && Pass <= 4) {
        ++Pass;
        if (Pass <= 4) r = InterlaceFirstRow[Pass];
    }
    return r;
}

void BitsForCount(int32_t Count, uint8_t& Bits)
{
    while (Bits < 31 && (int64_t{1} << Bits) < Count) ++Bits;
}

// ---- TGifSubImage ---------------------------------------------------------------------------------

TGifSubImage::TGifSubImage(uint16_t NColors, TGifFile* Parent) : FGifFile(Parent)
{
    FExtensions = std::make_unique<TExtensionList>();
    CompressedRasterData = std::make_unique<TByteBuffer>();
    Pixels = std::make_unique<TByteArray2D>(0, 0);
    BitsPerPixel = BitsForPowerOfTwo(NColors);
    if (BitsPerPixel == 0)
        throw EGifException("Number of colors (" + rtl::IntToStr(NColors) + ") wrong; must be a power of 2");
    LZWCodeSize = std::max<uint8_t>(BitsPerPixel, 2);
    LocalColorMap = std::make_unique<TColorTable>(NColors);
    EncodeStatusbyte();
}

std::unique_ptr<TGifSubImage> TGifSubImage::CreateEmpty()
{
    return std::unique_ptr<TGifSubImage>(new TGifSubImage());
}

TGifSubImage::~TGifSubImage()
{
    LocalColorMap.reset();
    Pixels.reset();
    CompressedRasterData.reset();
    FExtensions.reset();
    FBitmap.reset();
}

void TGifSubImage::SetExtensions(std::unique_ptr<TExtensionList> Value)
{
    FExtensions = std::move(Value);
    FDisposalMethod = dmNone;
    FIsTransparent = false;
    if (!FExtensions) return;
    for (TExtension* ext : *FExtensions) {
        if (ext->ExtRec.ExtensionType != etGCE) continue;
        uint8_t packed = ext->ExtRec.GCE.PackedFields;
        FDisposalMethod = static_cast<TDisposalMethod>((packed >> 2) & 7);
        FIsTransparent = (packed & 1) == 1;
    }
}

uint16_t TGifSubImage::AnimateInterval() const
{
    uint16_t result = 0;
    if (!FExtensions) return result;
    for (TExtension* ext : *FExtensions)
        if (ext->ExtRec.ExtensionType == etGCE) result = ext->ExtRec.GCE.DelayTime;
    return result;
}

void TGifSubImage::SetAnimateInterval(uint16_t Value)
{
    if (!FExtensions) return;
    for (TExtension* ext : *FExtensions)
        if (ext->ExtRec.ExtensionType == etGCE) ext->ExtRec.GCE.DelayTime = Value;
}

const TGraphicControlExtension* TGifSubImage::FirstTransparentGCE() const
{
    if (!FExtensions) return nullptr;
    for (TExtension* ext : *FExtensions)
        if (ext->ExtRec.ExtensionType == etGCE && (ext->ExtRec.GCE.PackedFields & 1) == 1) return &ext->ExtRec.GCE;
    return nullptr;
}

const TColorTable* TGifSubImage::ActiveColorMap() const
{
    if (HasLocalColorMap && LocalColorMap) return LocalColorMap.get();
    if (FGifFile && FGifFile->GlobalColorMap) return FGifFile->GlobalColorMap.get();
    return nullptr;
}

int32_t TGifSubImage::TransparentColorIndex() const
{
    const TGraphicControlExtension* gce = FirstTransparentGCE();
    return gce ? gce->TransparentColorIndex : -1;
}

TColor TGifSubImage::TransparentColor() const
{
    const TGraphicControlExtension* gce = FirstTransparentGCE();
    const TColorTable* table = ActiveColorMap();
    if (!gce || !table) return static_cast<TColor>(-1);
    return table->GetColor(gce->TransparentColorIndex);
}

TColor TGifSubImage::BackgroundColor() const
{
    const TColorTable* table = ActiveColorMap();
    if (!table || !FGifFile) return static_cast<TColor>(-1);  // a placeholder has no screen
    return table->GetColor(FGifFile->ScreenDescriptor.BackGroundColorIndex);
}

void TGifSubImage::EncodeStatusbyte()
{
    uint8_t packed = 0;
    if (HasLocalColorMap) packed |= 0x80 | ((BitsPerPixel - 1) & 7);
    if (Interlaced) packed |= 0x40;
    ImageDescriptor.PackedFields = packed;
}

// ---- reading one image ------------------------------------------------------------------------------

// The matrix is reserved only for a descriptor read whole whose image the rest of the stream could
// describe; otherwise it stays empty, and decoding fails before it would store a pixel (no data,
// or data too short for the image).
void TGifSubImage::ReadImage(TStream& Stream)
{
    const bool whole = ReadImageDescriptor(Stream);
    ReadLocalColorMap(Stream);
    Pixels.reset();
    const int32_t width = ImageDescriptor.ImageWidth, height = ImageDescriptor.ImageHeight;  // packed fields
    const bool sized = whole && DataCanDescribe(width, height, Stream.Size() - Stream.Position());
    Pixels = std::make_unique<TByteArray2D>(sized ? width : 0, sized ? height : 0);
    ReadRasterData(Stream);
    DecodeRasterData();
}

// A short read leaves the rest of the record as it was; false then.
bool TGifSubImage::ReadImageDescriptor(TStream& Stream)
{
    const bool whole = Stream.Read(&ImageDescriptor, sizeof(ImageDescriptor)) == sizeof(ImageDescriptor);
    DecodeStatusbyte();
    return whole;
}

void TGifSubImage::DecodeStatusbyte()
{
    uint8_t packed = ImageDescriptor.PackedFields;
    HasLocalColorMap = (packed & 0x80) != 0;
    Interlaced = (packed & 0x40) != 0;
    BitsPerPixel = static_cast<uint8_t>((packed & 7) + 1);
    LocalColorMap->SetCount(1 << BitsPerPixel);
}

void TGifSubImage::ReadLocalColorMap(TStream& Stream)
{
    if (HasLocalColorMap) Stream.Read(LocalColorMap->CT.Colors, LocalColorMap->Count() * 3);
}

void TGifSubImage::ReadRasterData(TStream& Stream)
{
    ReadByte(Stream, LZWCodeSize);
    uint8_t n = 0;
    ReadByte(Stream, n);
    while (n != 0 && Stream.Position() < Stream.Size()) {
        std::string block(n, '\0');
        int64_t m = Stream.Read(block.data(), n);
        if (m < n) {
            block.resize(static_cast<size_t>(std::max<int64_t>(m, 0)));  // the stream has ended
        } else {
            n = 0;
            ReadByte(Stream, n);
        }
        CompressedRasterData->AddString(std::move(block));
    }
}

void TGifSubImage::DecodeRasterData()
{
    TDecoderState state;
    InitDecoderState(state, LZWCodeSize);
    CompressedRasterData->Reset();
    const int32_t width = ImageDescriptor.ImageWidth, height = ImageDescriptor.ImageHeight;  // packed fields
    // Data that stops early ends decoding quietly, but data that could not describe the image
    // even at the best ratio is refused before anything is sized from the image.
    if (!DataCanDescribe(width, height, CompressedRasterData->TotalSize()))
        throw EGifException("Image data too short for " + rtl::IntToStr(width) + " x " + rtl::IntToStr(height) +
                            " pixels");
    TBigByteArray rowBuffer(width);
    try {
        TLzwDecoder decoder(state, *CompressedRasterData, *Pixels, rowBuffer, height, Interlaced);
        decoder.Run();
    } catch (const rtl::EStringListError&) {
        // the data ran out: the rows completed so far stay
    } catch (const rtl::EListError&) {
    }
}

// ---- sub-image to bitmap ------------------------------------------------------------------------------

void FillBmpInfoHeader(const TGifSubImage& SubImage, gfx::TBitmapInfoHeader& Header)
{
    Header = gfx::TBitmapInfoHeader();
    Header.biSize = 40;
    Header.biWidth = SubImage.ImageDescriptor.ImageWidth;
    Header.biHeight = SubImage.ImageDescriptor.ImageHeight;
    Header.biPlanes = 1;
    Header.biBitCount = 8;
    Header.biCompression = gfx::BI_RGB;
    Header.biSizeImage = 0;
    Header.biXPelsPerMeter = BmpPixelsPerMetre;
    Header.biYPelsPerMeter = BmpPixelsPerMetre;
    Header.biClrUsed = 0;
    Header.biClrImportant = 0;
}

void TGifSubImage::WriteBmpStream(TMemoryStream& Stream) const
{
    if (!Pixels) throw EGifException("Image has no pixels");  // a placeholder not yet converted
    const int32_t width = ImageDescriptor.ImageWidth;
    const int32_t height = ImageDescriptor.ImageHeight;
    const int32_t stride = (width + 3) / 4 * 4;
    const int64_t fileSize = BmpPixelOffset + static_cast<int64_t>(height) * stride;
    rtl::RangeCheck(fileSize, INT32_MIN, INT32_MAX);

    gfx::TBitmapInfoHeader info;
    FillBmpInfoHeader(*this, info);

    Stream.SetPosition(0);
    if (Stream.Size() < fileSize) Stream.SetSize(fileSize);  // one allocation for the whole image
    uint8_t fileHeader[BmpFileHeaderSize] = {'B', 'M'};
    for (int i = 0; i < 4; ++i) {
        fileHeader[2 + i] = static_cast<uint8_t>(fileSize >> (8 * i));
        fileHeader[10 + i] = static_cast<uint8_t>(BmpPixelOffset >> (8 * i));
    }
    Stream.WriteBuffer(fileHeader, sizeof(fileHeader));
    Stream.WriteBuffer(&info, sizeof(info));

    uint8_t palette[BmpPaletteEntries * 4] = {};
    if (const TColorTable* table = ActiveColorMap()) {
        for (int i = 0; i < BmpPaletteEntries; ++i) {
            palette[4 * i] = table->CT.Colors[i].Blue;
            palette[4 * i + 1] = table->CT.Colors[i].Green;
            palette[4 * i + 2] = table->CT.Colors[i].Red;
        }
    }
    Stream.WriteBuffer(palette, sizeof(palette));

    // Rows go straight from the matrix into the stream's memory, sized above; a matrix of other
    // sizes goes through row copies.
    const bool direct = Pixels->Count1() == width && Pixels->Count2() == height &&
                        static_cast<int64_t>(width) * height <= Pixels->TotalCount();
    const uint8_t zeros[4] = {0, 0, 0, 0};
    for (int32_t r = height; r >= 1; --r) {
        if (direct) {
            uint8_t* out = Stream.Memory() + Stream.Position();
            if (width > 0)
                std::memcpy(out, Pixels->Values->Address() + static_cast<int64_t>(r - 1) * width, static_cast<size_t>(width));
            std::memset(out + width, 0, static_cast<size_t>(stride - width));
            Stream.Seek(stride, rtl::TSeekOrigin::soCurrent);
        } else {
            auto row = Pixels->CopyRow(r);
            int32_t n = std::min(width, row->Count());
            if (n > 0) Stream.WriteBuffer(row->Address(), n);
            for (int32_t rest = stride - n; rest > 0; rest -= std::min(rest, 4)) Stream.WriteBuffer(zeros, std::min(rest, 4));
        }
        if (height > BitmapProgressHeight) Report(1.0 - static_cast<double>(r - 1) / height);
    }
    Stream.SetPosition(0);
}

// The bitmap that loading the image's in-memory BMP gives (8 bits, the 256 palette entries, the
// rows as they stand), built straight from the matrix without the BMP bytes between. Images the
// fast path does not cover (no pixel, a matrix of other sizes) take the BMP route.
bool TGifSubImage::BuildBitmap(TBitmap& Bitmap) const
{
    const int32_t width = ImageDescriptor.ImageWidth, height = ImageDescriptor.ImageHeight;
    if (!Pixels || width == 0 || height == 0 || Pixels->Count1() != width || Pixels->Count2() != height ||
        static_cast<int64_t>(width) * height > Pixels->TotalCount())
        return false;
    auto data = gfx::TBitmapData::Create(width, height, gfx::TPixelFormat::pf8bit, false);
    const uint8_t* rows = Pixels->Values->Address();
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* out = data->Row(y);
        std::memcpy(out, rows + static_cast<int64_t>(y) * width, static_cast<size_t>(width));
        std::memset(out + width, 0, static_cast<size_t>(data->Stride - width));
    }
    data->Palette.assign(BmpPaletteEntries, gfx::TRGBQuad{});
    if (const TColorTable* table = ActiveColorMap())
        for (int i = 0; i < BmpPaletteEntries; ++i)
            data->Palette[i] = gfx::TRGBQuad{table->CT.Colors[i].Blue, table->CT.Colors[i].Green, table->CT.Colors[i].Red, 0};
    Bitmap.SetData(std::move(data));
    return true;
}

void TGifSubImage::LoadBitmap(TBitmap& Bitmap) const
{
    const int64_t stride = (ImageDescriptor.ImageWidth + 3) / 4 * 4;
    rtl::RangeCheck(BmpPixelOffset + ImageDescriptor.ImageHeight * stride, INT32_MIN, INT32_MAX);
    if (BuildBitmap(Bitmap)) {
        // The reports that writing the rows would give.
        const int32_t height = ImageDescriptor.ImageHeight;
        if (height > BitmapProgressHeight)
            for (int32_t r = height; r >= 1; --r) Report(1.0 - static_cast<double>(r - 1) / height);
        return;
    }
    TMemoryStream stream;
    WriteBmpStream(stream);
    Bitmap.TBitmap::LoadFromStream(stream);
}

TBitmap* TGifSubImage::AsBitmap()
{
    if (FBitmap) return FBitmap.get();
    FBitmap = std::make_unique<TBitmap>();
    LoadBitmap(*FBitmap);
    return FBitmap.get();
}

// ---- writing one image ----------------------------------------------------------------------------------

void TGifSubImage::EncodeRasterData()
{
    std::unique_ptr<TBigByteArray> data;
    PixelsInStreamOrder(*Pixels, Interlaced, data);
    const int32_t n = data->Count();
    const uint8_t m = LZWCodeSize;

    auto table = std::make_unique<TCodeTable>();
    table->Clear(static_cast<uint8_t>(m + 1));
    const uint16_t clearCode = static_cast<uint16_t>(1u << m);
    const uint16_t endCode = static_cast<uint16_t>(clearCode + 1);
    TEncodedBytes packer;
    auto emit = [&](int32_t code) { packer.AppendCode(code, table->CodeSize); };

    emit(clearCode);
    emit(data->GetVal(1));
    int32_t prefix = data->GetVal(1);
    const uint8_t* d = data->Address();
    auto pixel = [d](int32_t i) { return d[i - 1]; };  // Data(i)
    int32_t i = 2;
    Report(0);
    while (i <= n) {
        uint8_t first = pixel(i++);
        table->AddEntry(prefix, first);
        int32_t code = first;
        while (i <= n) {
            int32_t longer = table->Find(code, pixel(i));
            if (longer < 0) break;
            code = longer;
            ++i;
        }
        emit(code);
        if (table->TableFull && i <= n) {
            emit(clearCode);
            table->Clear(static_cast<uint8_t>(m + 1));
            emit(pixel(i));
            prefix = pixel(i);
            ++i;
            Report(static_cast<double>(i) / n);
        } else {
            prefix = code;
        }
    }
    packer.Finish(endCode, table->CodeSize);
    CompressedRasterData = std::move(packer.Value);
    Report(1);
}

void TGifSubImage::WriteImageDescriptor(TStream& Stream)
{
    EncodeStatusbyte();
    Stream.WriteBuffer(&ImageDescriptor, sizeof(ImageDescriptor));
}

void TGifSubImage::WriteLocalColorMap(TStream& Stream)
{
    if (!HasLocalColorMap) return;
    rtl::RangeCheck(LocalColorMap->Count(), 0, 256);
    Stream.WriteBuffer(LocalColorMap->CT.Colors, LocalColorMap->Count() * 3);
}

void TGifSubImage::WriteRasterData(TStream& Stream) const
{
    WriteByte(Stream, LZWCodeSize);
    for (int32_t k = 1; k <= CompressedRasterData->StringCount(); ++k) {
        const std::string& block = CompressedRasterData->GetString(k);
        if (block.empty()) continue;  // a count of 0 would end the data here
        WriteByte(Stream, static_cast<uint8_t>(block.size()));
        Stream.WriteBuffer(block.data(), static_cast<int64_t>(block.size()));
    }
    WriteByte(Stream, 0);
}

// ---- the writer's conversions -----------------------------------------------------------------------------

void BitmapToIndexedPixels(const TBitmap& Bitmap, std::unique_ptr<TColorTable>& ColorTable,
                           std::unique_ptr<TByteArray2D>& Pixels)
{
    ColorTable = std::make_unique<TColorTable>(0);
    Report(0);
    const int32_t width = Bitmap.Width(), height = Bitmap.Height();
    Pixels = std::make_unique<TByteArray2D>(width, height);
    TColorTable& table = *ColorTable;
    auto known = std::make_unique<TColorIndex>();
    bool remembered = false;
    TColor lastColor = 0;
    uint8_t lastIndex = 0;
    // Too large for one store (and for a GIF image, whose sizes are 16-bit).
    if (static_cast<int64_t>(width) * height != Pixels->TotalCount()) throw rtl::ERangeError();
    // Each row is read at once through the conversion that GetPixel applies to one pixel.
    std::vector<uint8_t> row(static_cast<size_t>(std::max(width, 0)) * 4);
    for (int32_t y = 1; y <= height; ++y) {
        gfx::detail::ReadRow32(*Bitmap.Data(), y - 1, 0, width, row.data());
        uint8_t* out = Pixels->Values->Address() + static_cast<int64_t>(y - 1) * width;
        for (int32_t x = 1; x <= width; ++x) {
            const uint8_t* px = &row[static_cast<size_t>(x - 1) * 4];
            TColor c = gfx::RGB(px[2], px[1], px[0]);
            if (!remembered || c != lastColor) {
                int32_t index = known->Find(c);
                if (index < 0) {
                    index = table.Count();
                    rtl::RangeCheck(index, 0, 255);
                    table.FCT.Colors[index] = c;
                    table.SetCount(index + 1);
                    known->Add(c, index);
                }
                remembered = true;
                lastColor = c;
                lastIndex = static_cast<uint8_t>(index);
            }
            out[x - 1] = lastIndex;
        }
        Report(static_cast<double>(y) / height);
    }
    table.AdjustColorCount();
    table.CompactColors();
}

void PixelsInStreamOrder(const TByteArray2D& Pixels, bool Interlaced, std::unique_ptr<TBigByteArray>& Data)
{
    Data = std::make_unique<TBigByteArray>(Pixels.TotalCount());
    const int32_t width = Pixels.Count1(), height = Pixels.Count2();
    int32_t k = 1;
    int32_t r = 0;
    int32_t pass = 1;
    for (int32_t n = 0; n < height; ++n) {
        auto row = Pixels.CopyRow(r + 1);
        if (width > 0) std::memcpy(Data->Address() + (k - 1), row->Address(), static_cast<size_t>(width));
        k += width;
        r = Interlaced ? NextInterlacedRow(r, height, pass) : r + 1;
    }
}

// ---- TGifFile -----------------------------------------------------------------------------------------------

TGifFile::TGifFile() : GlobalColorMap(std::make_unique<TColorTable>(0))
{
}

TGifFile::~TGifFile()
{
    GlobalColorMap.reset();
    for (TGifSubImage* image : SubImages) delete image;
    SubImages.Clear();
}

TGifSubImage* TGifFile::GetSubImage(int Index) const
{
    return SubImages[Index - 1];
}

void TGifFile::LoadFromFile(const String& filename)
{
    TMemoryStream stream;
    stream.LoadFromFile(filename);
    LoadFromStream(stream);
}

void TGifFile::LoadFromStream(TStream& Stream)
{
    THourGlass cursor;
    Stream.SetPosition(0);
    int64_t passStart = 0;
    ReadHeader(Stream);
    ReadScreenDescriptor(Stream);
    ReadGlobalColorMap(Stream);

    uint8_t introducer = 0;
    ReadByte(Stream, introducer);
    for (;;) {
        if (introducer == Trailer) break;
        int64_t position = Stream.Position();
        if (position >= Stream.Size() || position == passStart) break;
        passStart = position;
        auto extensions = ReadExtensions(Stream, introducer);
        if (introducer != ImageSeparator) continue;  // extensions without an image are dropped

        auto image = std::make_unique<TGifSubImage>(rtl::CheckedCast<uint16_t>(GlobalColorMap->Count()), this);
        image->SetExtensions(std::move(extensions));
        image->ReadImage(Stream);
        SubImages.Add(image.get());
        image.release();
        if (Stream.Position() < Stream.Size())
            ReadByte(Stream, introducer);
        else
            introducer = Trailer;
    }
}

void TGifFile::ReadHeader(TStream& Stream)
{
    Stream.Read(&Header, sizeof(Header));
    static constexpr const char* Versions[] = {"87a", "89a", "87A", "89A"};
    for (const char* version : Versions)
        if (std::memcmp(Header.Version, version, 3) == 0) return;
    throw EGifException("Gif Version must be 87a or 89a");
}

void TGifFile::ReadScreenDescriptor(TStream& Stream)
{
    Stream.Read(&ScreenDescriptor, sizeof(ScreenDescriptor));
    DecodeStatusbyte();
}

void TGifFile::DecodeStatusbyte()
{
    uint8_t packed = ScreenDescriptor.PackedFields;
    HasGlobalColorMap = (packed & 0x80) != 0;
    BitsPerPixel = static_cast<uint8_t>((packed & 7) + 1);
    GlobalColorMap->SetCount(1 << BitsPerPixel);
}

void TGifFile::ReadGlobalColorMap(TStream& Stream)
{
    if (HasGlobalColorMap) Stream.Read(GlobalColorMap->CT.Colors, GlobalColorMap->Count() * 3);
}

std::unique_ptr<rtl::TStringList> ReadSubBlocks(TStream& Stream)
{
    auto result = std::make_unique<rtl::TStringList>();
    uint8_t n = 0;
    while (ReadByte(Stream, n) && n != 0) {
        std::string block(n, '\0');
        int64_t m = Stream.Read(block.data(), n);
        if (m > 0) {
            block.resize(static_cast<size_t>(m));
            result->Add(block);
        }
        if (m < n) break;  // the stream ended inside the sub-block
    }
    return result;
}

// A stream that ends anywhere inside the run of extensions ends the reading: the introducer
// becomes the trailer, and what was read before stays.
std::unique_ptr<TExtensionList> TGifFile::ReadExtensions(TStream& Stream, uint8_t& Introducer)
{
    auto list = std::make_unique<TExtensionList>();
    while (Introducer == ExtensionIntroducer) {
        auto* ext = new TExtension();
        list->Add(ext);
        TExtensionRecord& rec = ext->ExtRec;
        uint8_t label = 0;
        if (!ReadByte(Stream, label)) {
            Introducer = Trailer;
            break;
        }
        switch (label) {
        case LabelPlainText:
            rec.ExtensionType = etPTE;
            Stream.Read(&rec.PTE, PTEFixedSize);
            rec.PTE.PlainTextData = ReadSubBlocks(Stream).release();
            break;
        case LabelGraphicControl:
            rec.ExtensionType = etGCE;
            Stream.Read(&rec.GCE, GCEFixedSize);
            break;
        case LabelComment:
            rec.ExtensionType = etCE;
            rec.Comment = ReadSubBlocks(Stream).release();
            break;
        case LabelApplication:
            rec.ExtensionType = etAPPE;
            Stream.Read(&rec.APPE, APPEFixedSize);
            rec.APPE.AppData = ReadSubBlocks(Stream).release();
            break;
        default:
            throw EGifException("Unrecognized extension block.\r\nCode = $" + rtl::IntToHex(label, 2));
        }
        if (!ReadByte(Stream, Introducer)) Introducer = Trailer;
    }
    return list;
}

void TGifFile::AddBitmap(std::unique_ptr<TBitmap> Bitmap)
{
    auto image = TGifSubImage::CreateEmpty();
    image->FBitmap = std::move(Bitmap);
    SubImages.Add(image.get());
    image.release();
}

// Every placeholder is converted wherever it stands; the list is walked once from its start,
// each item moving to its end, so the order is kept.
void TGifFile::ConvertBitmaps()
{
    const int n = SubImages.Count();
    for (int k = 0; k < n; ++k) {
        TGifSubImage* item = SubImages[0];
        if (item->FGifFile) {
            SubImages.Delete(0);
            SubImages.Add(item);
            continue;
        }
        std::unique_ptr<TColorTable> table;
        std::unique_ptr<TByteArray2D> pixels;
        const TBitmap noPixels;
        BitmapToIndexedPixels(item->FBitmap ? *item->FBitmap : noPixels, table, pixels);
        SubImages.Delete(0);
        delete item;

        auto converted = std::make_unique<TGifSubImage>(rtl::CheckedCast<uint16_t>(table->Count()), this);
        TGifSubImage& s = *converted;
        SubImages.Add(converted.release());
        if (GlobalColorMap->Count() == 0) {
            GlobalColorMap = std::move(table);
        } else {
            s.HasLocalColorMap = true;
            s.LocalColorMap = std::move(table);
        }
        BitsForCount(GlobalColorMap->Count(), BitsPerPixel);
        s.EncodeStatusbyte();
        const int32_t width = pixels->Count1(), height = pixels->Count2();
        s.Pixels = std::move(pixels);
        s.ImageDescriptor.ImageWidth = rtl::CheckedCast<uint16_t>(width);
        s.ImageDescriptor.ImageHeight = rtl::CheckedCast<uint16_t>(height);
        if (width > ScreenDescriptor.ScreenWidth) ScreenDescriptor.ScreenWidth = static_cast<uint16_t>(width);
        if (height > ScreenDescriptor.ScreenHeight) ScreenDescriptor.ScreenHeight = static_cast<uint16_t>(height);
        EncodeStatusbyte();
    }
}

void TGifFile::EncodeStatusbyte()
{
    uint8_t resolution = BitsForPowerOfTwo(GlobalColorMap->Count());
    if (resolution == 0) throw EGifException("unexpected number of colors");
    int32_t packed = (HasGlobalColorMap ? 0x80 : 0) + (resolution - 1) * 16 + BitsPerPixel - 1;
    ScreenDescriptor.PackedFields = rtl::CheckedCast<uint8_t>(packed);
}

void TGifFile::WriteHeader(TStream& Stream)
{
    Stream.WriteBuffer(&Header, sizeof(Header));
}

void TGifFile::WriteScreenDescriptor(TStream& Stream)
{
    EncodeStatusbyte();
    Stream.WriteBuffer(&ScreenDescriptor, sizeof(ScreenDescriptor));
}

void TGifFile::WriteGlobalColorMap(TStream& Stream)
{
    if (HasGlobalColorMap) Stream.WriteBuffer(GlobalColorMap->CT.Colors, GlobalColorMap->Count() * 3);
}

void TGifFile::SaveToStream(TStream& Stream)
{
    ui::Screen().SetCursor(ui::crHourGlass);  // stays the hourglass when the save fails
    GetSubImage(1);
    bool placeholders = false;
    for (TGifSubImage* image : SubImages) placeholders = placeholders || !image->FGifFile;
    if (placeholders) ConvertBitmaps();
    WriteHeader(Stream);
    WriteScreenDescriptor(Stream);
    WriteGlobalColorMap(Stream);
    for (TGifSubImage* image : SubImages) {
        WriteByte(Stream, ImageSeparator);
        if (image->CompressedRasterData->TotalSize() == 0) image->EncodeRasterData();
        image->WriteImageDescriptor(Stream);
        image->WriteLocalColorMap(Stream);
        image->WriteRasterData(Stream);
    }
    WriteByte(Stream, Trailer);
    ui::Screen().SetCursor(ui::crDefault);
}

void TGifFile::SaveToFile(const String& filename)
{
    TMemoryStream stream;
    SaveToStream(stream);
    stream.SaveToFile(filename);
}

std::unique_ptr<TBitmap> TGifFile::AsBitmap() const
{
    TGifSubImage* image = SubImages[0];
    auto bitmap = std::make_unique<TBitmap>();
    image->LoadBitmap(*bitmap);
    return bitmap;
}

// ---- the picture class ---------------------------------------------------------------------------------------

const gfx::TGraphicClass& TGifBitmap::StaticClass()
{
    static const gfx::TGraphicClass cls{"TGifBitmap", []() -> gfx::TGraphic* { return new TGifBitmap(); }};
    return cls;
}

void TGifBitmap::LoadFromStream(TStream& stream)
{
    TGifFile gif;
    gif.LoadFromStream(stream);
    gif.GetSubImage(1)->LoadBitmap(*this);
}

void InitGifUnit()
{
    InitFmCanSav();
    InitFmProgr();
    gfx::TPicture::RegisterFileFormat("gif", "GIF-Format", TGifBitmap::StaticClass());
}

void DoneGifUnit()
{
    gfx::TPicture::UnregisterGraphicClass(TGifBitmap::StaticClass());
    DoneFmCanSav();
}

}  // namespace gif
