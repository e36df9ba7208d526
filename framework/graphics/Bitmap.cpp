// TBitmap and its shared pixel store, pixel formats and their conversions.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <unordered_map>

#include <sys/mman.h>

#include "framework/graphics/Graphics.h"
#include "framework/graphics/PixelRows.h"

namespace gfx {

namespace {

// Above this a store is refused whatever memory the machine has: it guards the byte count of
// width x height x bits from overflow and from sizes no machine of ours can hold.
constexpr uint64_t kMaxStoreBytes = uint64_t(1) << 34;

// Picture-sized stores ask for huge pages where the system gives them: a fresh page then costs
// one fault per 2 MB instead of one per 4 KB. Memory the allocator hands back warm is unchanged.
constexpr size_t kHugeStoreBytes = size_t(8) << 20;
constexpr uintptr_t kHugePage = uintptr_t(2) << 20;

void AskHugePages(uint8_t* bits, size_t bytes)
{
    const auto start = reinterpret_cast<uintptr_t>(bits);
    const uintptr_t first = (start + kHugePage - 1) & ~(kHugePage - 1);
    const uintptr_t last = (start + bytes) & ~(kHugePage - 1);
    if (last > first)
        madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

// Every row of from, padding included, into to (same size and stride): one block where both
// are contiguous.
void CopyRows(const TBitmapData& from, TBitmapData& to)
{
    if (from.Contiguous() && to.Contiguous()) {
        if (from.ByteCount())
            std::memcpy(to.Pixels(), from.Pixels(), from.ByteCount());
        return;
    }
    for (int y = 0; y < from.Height; ++y)
        std::memcpy(to.Row(y), from.Row(y), size_t(from.Stride));
}

[[noreturn]] void RaiseScanLineRange()
{
    throw rtl::EInvalidGraphicOperation("Scan line index out of range");
}

}  // namespace

int BitsPerPixel(TPixelFormat pf)
{
    switch (pf) {
    case TPixelFormat::pf1bit: return 1;
    case TPixelFormat::pf4bit: return 4;
    case TPixelFormat::pf8bit: return 8;
    case TPixelFormat::pf15bit:
    case TPixelFormat::pf16bit: return 16;
    case TPixelFormat::pf24bit: return 24;
    case TPixelFormat::pfDevice:
    case TPixelFormat::pf32bit: return 32;
    case TPixelFormat::pfCustom: break;
    }
    return 0;
}

std::vector<TRGBQuad> DefaultPalette(TPixelFormat pf)
{
    auto quad = [](uint8_t r, uint8_t g, uint8_t b) { return TRGBQuad{b, g, r, 0}; };
    std::vector<TRGBQuad> p;
    switch (pf) {
    case TPixelFormat::pf1bit:
        p = {quad(0, 0, 0), quad(255, 255, 255)};
        break;
    case TPixelFormat::pf4bit:
        p = {quad(0, 0, 0),       quad(128, 0, 0),     quad(0, 128, 0),   quad(128, 128, 0),
             quad(0, 0, 128),     quad(128, 0, 128),   quad(0, 128, 128), quad(192, 192, 192),
             quad(128, 128, 128), quad(255, 0, 0),     quad(0, 255, 0),   quad(255, 255, 0),
             quad(0, 0, 255),     quad(255, 0, 255),   quad(0, 255, 255), quad(255, 255, 255)};
        break;
    case TPixelFormat::pf8bit:
        for (int r = 0; r < 6; ++r)
            for (int g = 0; g < 6; ++g)
                for (int b = 0; b < 6; ++b)
                    p.push_back(quad(uint8_t(r * 51), uint8_t(g * 51), uint8_t(b * 51)));
        for (int i = 0; i < 40; ++i) {
            auto v = uint8_t((i * 255 + 19) / 39);
            p.push_back(quad(v, v, v));
        }
        break;
    default:
        break;
    }
    return p;
}

String PlatformFontFamily(const String& name)
{
    // Liberation Sans has Arial's widths; "MS Sans Serif" is as narrow, so its designed list boxes
    // and captions hold their texts.
    if (rtl::SameText(name, "Arial") || rtl::SameText(name, "MS Sans Serif")) return "Liberation Sans";
    return "DejaVu Sans";
}

// ---- the pixel store ----------------------------------------------------------------------

void TBitmapData::FreeBits::operator()(uint8_t* p) const { std::free(p); }

int TBitmapData::StrideFor(int width, TPixelFormat pf)
{
    int64_t bits = int64_t(width) * BitsPerPixel(pf);
    int64_t stride = ((bits + 31) / 32) * 4;
    if (width < 0 || stride > INT32_MAX)
        throw rtl::EOutOfMemory();
    return int(stride);
}

namespace {

void FillWhite(TBitmapData& d)
{
    if (d.ByteCount() == 0)
        return;
    uint8_t pattern[2] = {0xFF, 0xFF};
    switch (d.PixelFormat) {
    case TPixelFormat::pf15bit: pattern[1] = 0x7F; break;
    case TPixelFormat::pf1bit:
    case TPixelFormat::pf4bit:
    case TPixelFormat::pf8bit: {
        uint8_t i = detail::NearestPaletteIndex(d.Palette, 255, 255, 255);
        uint8_t v = d.PixelFormat == TPixelFormat::pf8bit ? i
                    : d.PixelFormat == TPixelFormat::pf4bit ? uint8_t(i << 4 | i)
                    : uint8_t(i ? 0xFF : 0);
        std::memset(d.Pixels(), v, d.ByteCount());
        return;
    }
    default: break;
    }
    if (pattern[1] == 0xFF) {
        std::memset(d.Pixels(), 0xFF, d.ByteCount());
        return;
    }
    for (int y = 0; y < d.Height; ++y) {
        uint8_t* row = d.Row(y);
        for (int i = 0; i + 1 < d.Stride; i += 2) {
            row[i] = pattern[0];
            row[i + 1] = pattern[1];
        }
    }
}

}  // namespace

std::shared_ptr<TBitmapData> TBitmapData::Create(int width, int height, TPixelFormat pf, bool fill)
{
    return Make(width, height, pf, fill ? TStart::White : TStart::Zero);
}

std::shared_ptr<TBitmapData> TBitmapData::CreateUnset(int width, int height, TPixelFormat pf)
{
    return Make(width, height, pf, TStart::Unset);
}

std::shared_ptr<TBitmapData> TBitmapData::Make(int width, int height, TPixelFormat pf, TStart start)
{
    if (pf == TPixelFormat::pfCustom)
        throw rtl::EInvalidGraphicOperation("Invalid pixel format");
    if (width < 0 || height < 0)
        throw rtl::EOutOfMemory();
    int stride = StrideFor(width, pf);
    uint64_t bytes = uint64_t(stride) * uint64_t(height);
    if (bytes > kMaxStoreBytes)
        throw rtl::EOutOfMemory();
    std::shared_ptr<TBitmapData> d;
    try {
        d = std::make_shared<TBitmapData>();
    } catch (const std::bad_alloc&) {
        throw rtl::EOutOfMemory();
    }
    // Stores that are not filled white start zeroed (calloc maps large ones lazily), unless their
    // maker writes every byte itself.
    size_t n = std::max<size_t>(size_t(bytes), 1);
    auto* bits = static_cast<uint8_t*>(start == TStart::Zero ? std::calloc(n, 1) : std::malloc(n));
    if (!bits)
        throw rtl::EOutOfMemory();
    if (n >= kHugeStoreBytes)
        AskHugePages(bits, n);
    d->FBits.reset(bits);
    d->FBase = bits;
    d->FPitch = size_t(stride);
    d->Width = width;
    d->Height = height;
    d->PixelFormat = pf;
    d->Stride = stride;
    d->Palette = DefaultPalette(pf);
    if (start == TStart::White)
        FillWhite(*d);
    return d;
}

std::shared_ptr<TBitmapData> TBitmapData::Copy() const
{
    auto d = CreateUnset(Width, Height, PixelFormat);
    CopyRows(*this, *d);
    d->Palette = Palette;
    return d;
}

std::shared_ptr<TBitmapData> TBitmapData::View(const std::shared_ptr<TBitmapData>& store, int x, int y, int w, int h)
{
    if (BitsPerPixel(store->PixelFormat) != 32 || x < 0 || y < 0 || w < 0 || h < 0 || x + w > store->Width ||
        y + h > store->Height)
        throw rtl::EInvalidGraphicOperation("Invalid view of a bitmap");
    // Rows of their own sit apart from the others: such a store is copied first.
    const std::shared_ptr<TBitmapData> whole = store->FOwnRows > 0 ? store->Copy() : store;
    auto d = Make(0, 0, whole->PixelFormat, TStart::Unset);
    d->Width = w;
    d->Height = h;
    d->Stride = StrideFor(w, whole->PixelFormat);
    d->FPitch = whole->FPitch;
    d->FBase = const_cast<uint8_t*>(whole->FBase) + size_t(y) * whole->FPitch + size_t(x) * 4;
    d->FShared = whole;
    d->Palette = whole->Palette;
    return d;
}

struct TBitmapData::TTopRows {
    std::once_flag Made;
    TDrawRows Draw;
    std::shared_ptr<TBitmapData> Rows;
};

std::shared_ptr<TBitmapData> TBitmapData::WithTopRows(const std::shared_ptr<TBitmapData>& store, int rows,
                                                      TDrawRows draw)
{
    if (rows < 0 || rows > store->Height || store->FOwnRows > 0)
        throw rtl::EInvalidGraphicOperation("Invalid rows for a bitmap");
    auto d = Make(0, 0, store->PixelFormat, TStart::Unset);
    d->Width = store->Width;
    d->Height = store->Height;
    d->Stride = store->Stride;
    d->FPitch = store->FPitch;
    d->FBase = store->FBase;
    d->FShared = store;
    d->Palette = store->Palette;
    d->FTop = std::make_shared<TTopRows>();
    d->FTop->Draw = std::move(draw);
    d->FOwnRows = rows;
    return d;
}

uint8_t* TBitmapData::OwnRow(int y) const
{
    TTopRows& top = *FTop;
    std::call_once(top.Made, [&] {
        TBitmap rows;
        rows.SetData(CreateUnset(Width, FOwnRows, PixelFormat));
        TBitmapData& own = *rows.Data();
        own.Palette = Palette;
        for (int i = 0; i < FOwnRows; ++i)
            std::memcpy(own.Row(i), FBase + size_t(i) * FPitch, size_t(Stride));
        if (top.Draw)
            top.Draw(rows);
        top.Rows = rows.Data();
        top.Draw = nullptr;
    });
    return top.Rows->FBase + size_t(y) * top.Rows->FPitch;
}

// ---- row conversions ----------------------------------------------------------------------

namespace detail {

TPaletteMatcher::TPaletteMatcher(const std::vector<TRGBQuad>& palette)
    : FPalette(palette), FExactKeys(512, 0), FExactValues(512, 0), FCache(32768, -1)
{
    for (size_t i = 0; i < std::min<size_t>(palette.size(), 256); ++i) {
        uint32_t key = (uint32_t(palette[i].Red) << 16 | uint32_t(palette[i].Green) << 8 | palette[i].Blue) + 1;
        size_t slot = (key * 2654435761u) >> 23;
        while (FExactKeys[slot] != 0 && FExactKeys[slot] != key)
            slot = (slot + 1) & 511;
        if (FExactKeys[slot] == 0) {  // the first of equal entries wins
            FExactKeys[slot] = key;
            FExactValues[slot] = uint8_t(i);
        }
    }
}

uint8_t TPaletteMatcher::Search(uint8_t b, uint8_t g, uint8_t r) const
{
    return NearestPaletteIndex(FPalette, b, g, r);
}

uint8_t TPaletteMatcher::Index(uint8_t b, uint8_t g, uint8_t r)
{
    uint32_t key = (uint32_t(r) << 16 | uint32_t(g) << 8 | b) + 1;
    size_t slot = (key * 2654435761u) >> 23;
    while (FExactKeys[slot] != 0) {
        if (FExactKeys[slot] == key)
            return FExactValues[slot];
        slot = (slot + 1) & 511;
    }
    int q = (r >> 3) << 10 | (g >> 3) << 5 | (b >> 3);
    if (FCache[q] < 0)
        FCache[q] = Search(b, g, r);
    return uint8_t(FCache[q]);
}

uint8_t NearestPaletteIndex(const std::vector<TRGBQuad>& palette, uint8_t b, uint8_t g, uint8_t r)
{
    int best = 0;
    int bestDist = INT32_MAX;
    size_t n = std::min<size_t>(palette.size(), 256);
    for (size_t i = 0; i < n; ++i) {
        int db = int(palette[i].Blue) - b, dg = int(palette[i].Green) - g, dr = int(palette[i].Red) - r;
        int dist = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
        if (dist < bestDist) {
            bestDist = dist;
            best = int(i);
            if (dist == 0)
                break;
        }
    }
    return uint8_t(best);
}

namespace {

// Scaled with rounding, as the BMP reader scales any bit field.
inline uint8_t Expand5(unsigned v) { return uint8_t((v * 255 + 15) / 31); }
inline uint8_t Expand6(unsigned v) { return uint8_t((v * 255 + 31) / 63); }

inline unsigned IndexAt(const uint8_t* row, int x, int bpp)
{
    switch (bpp) {
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4: return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F;
    default: return row[x];
    }
}

inline void SetIndexAt(uint8_t* row, int x, int bpp, unsigned v)
{
    switch (bpp) {
    case 1: {
        uint8_t mask = uint8_t(0x80 >> (x & 7));
        row[x >> 3] = uint8_t(v & 1 ? row[x >> 3] | mask : row[x >> 3] & ~mask);
        break;
    }
    case 4:
        if (x & 1)
            row[x >> 1] = uint8_t((row[x >> 1] & 0xF0) | (v & 0x0F));
        else
            row[x >> 1] = uint8_t((row[x >> 1] & 0x0F) | (v & 0x0F) << 4);
        break;
    default: row[x] = uint8_t(v);
    }
}

}  // namespace

void ReadRow32(const TBitmapData& data, int y, int x0, int count, uint8_t* out)
{
    const uint8_t* row = data.Row(y);
    switch (data.PixelFormat) {
    case TPixelFormat::pfDevice:
    case TPixelFormat::pf32bit:
        std::memcpy(out, row + size_t(x0) * 4, size_t(count) * 4);
        return;
    case TPixelFormat::pf24bit: {
        const uint8_t* s = row + size_t(x0) * 3;
        for (int i = 0; i < count; ++i, s += 3, out += 4) {
            out[0] = s[0];
            out[1] = s[1];
            out[2] = s[2];
            out[3] = 0;
        }
        return;
    }
    case TPixelFormat::pf15bit:
    case TPixelFormat::pf16bit: {
        bool is565 = data.PixelFormat == TPixelFormat::pf16bit;
        const uint8_t* s = row + size_t(x0) * 2;
        for (int i = 0; i < count; ++i, s += 2, out += 4) {
            unsigned v = unsigned(s[0]) | unsigned(s[1]) << 8;
            if (is565) {
                out[0] = Expand5(v & 31);
                out[1] = Expand6((v >> 5) & 63);
                out[2] = Expand5((v >> 11) & 31);
            } else {
                out[0] = Expand5(v & 31);
                out[1] = Expand5((v >> 5) & 31);
                out[2] = Expand5((v >> 10) & 31);
            }
            out[3] = 0;
        }
        return;
    }
    case TPixelFormat::pf1bit:
    case TPixelFormat::pf4bit:
    case TPixelFormat::pf8bit: {
        int bpp = BitsPerPixel(data.PixelFormat);
        const auto& pal = data.Palette;
        for (int i = 0; i < count; ++i, out += 4) {
            unsigned idx = IndexAt(row, x0 + i, bpp);
            if (idx < pal.size()) {
                out[0] = pal[idx].Blue;
                out[1] = pal[idx].Green;
                out[2] = pal[idx].Red;
            } else {
                out[0] = out[1] = out[2] = 0;
            }
            out[3] = 0;
        }
        return;
    }
    case TPixelFormat::pfCustom: break;
    }
    std::memset(out, 0, size_t(count) * 4);
}

void WriteRow32(TBitmapData& data, int y, int x0, int count, const uint8_t* in, TPaletteMatcher* matcher)
{
    uint8_t* row = data.Row(y);
    switch (data.PixelFormat) {
    case TPixelFormat::pfDevice:
    case TPixelFormat::pf32bit:
        std::memcpy(row + size_t(x0) * 4, in, size_t(count) * 4);
        return;
    case TPixelFormat::pf24bit: {
        uint8_t* d = row + size_t(x0) * 3;
        for (int i = 0; i < count; ++i, d += 3, in += 4) {
            d[0] = in[0];
            d[1] = in[1];
            d[2] = in[2];
        }
        return;
    }
    case TPixelFormat::pf15bit:
    case TPixelFormat::pf16bit: {
        bool is565 = data.PixelFormat == TPixelFormat::pf16bit;
        uint8_t* d = row + size_t(x0) * 2;
        for (int i = 0; i < count; ++i, d += 2, in += 4) {
            unsigned v = is565 ? unsigned(in[2] >> 3) << 11 | unsigned(in[1] >> 2) << 5 | unsigned(in[0] >> 3)
                               : unsigned(in[2] >> 3) << 10 | unsigned(in[1] >> 3) << 5 | unsigned(in[0] >> 3);
            d[0] = uint8_t(v);
            d[1] = uint8_t(v >> 8);
        }
        return;
    }
    case TPixelFormat::pf1bit:
    case TPixelFormat::pf4bit:
    case TPixelFormat::pf8bit: {
        int bpp = BitsPerPixel(data.PixelFormat);
        TPaletteMatcher local(data.Palette);
        TPaletteMatcher& m = matcher ? *matcher : local;
        for (int i = 0; i < count; ++i, in += 4)
            SetIndexAt(row, x0 + i, bpp, m.Index(in[0], in[1], in[2]));
        return;
    }
    case TPixelFormat::pfCustom: break;
    }
}

std::shared_ptr<TBitmapData> ConvertData(const TBitmapData& src, TPixelFormat pf)
{
    auto dst = TBitmapData::Create(src.Width, src.Height, pf, false);
    if (src.ByteCount() == 0)
        return dst;
    if (BitsPerPixel(src.PixelFormat) == 32 && BitsPerPixel(pf) == 32) {
        CopyRows(src, *dst);
        return dst;
    }
    if (IsIndexed(src.PixelFormat) && IsIndexed(pf) && src.Palette.size() <= dst->Palette.size()) {
        // Widening an indexed format keeps every index and its colour.
        std::fill(dst->Palette.begin(), dst->Palette.end(), TRGBQuad{});
        std::copy(src.Palette.begin(), src.Palette.end(), dst->Palette.begin());
        int sb = BitsPerPixel(src.PixelFormat), db = BitsPerPixel(pf);
        for (int y = 0; y < src.Height; ++y) {
            const uint8_t* s = src.Row(y);
            uint8_t* d = dst->Row(y);
            std::memset(d, 0, size_t(dst->Stride));
            for (int x = 0; x < src.Width; ++x)
                SetIndexAt(d, x, db, IndexAt(s, x, sb));
        }
        return dst;
    }
    std::vector<uint8_t> buf(size_t(src.Width) * 4);
    TPaletteMatcher matcher(dst->Palette);
    for (int y = 0; y < src.Height; ++y) {
        ReadRow32(src, y, 0, src.Width, buf.data());
        if (IsIndexed(pf))
            std::memset(dst->Row(y), 0, size_t(dst->Stride));
        WriteRow32(*dst, y, 0, src.Width, buf.data(), &matcher);
    }
    return dst;
}

}  // namespace detail

// ---- TBitmap --------------------------------------------------------------------------------

TBitmap::TBitmap() : FData(TBitmapData::Create(0, 0, TPixelFormat::pfDevice)) {}

TBitmap::TBitmap(int width, int height, TPixelFormat pf) : FData(TBitmapData::Create(width, height, pf)) {}

TBitmap::TBitmap(const TBitmap& other) : TGraphic(), FData(other.FData) {}

TBitmap& TBitmap::operator=(const TBitmap& other)
{
    FData = other.FData;
    return *this;
}

TBitmap::~TBitmap() = default;

const TGraphicClass& TBitmap::StaticClass()
{
    static const TGraphicClass cls{"TBitmap", []() -> TGraphic* { return new TBitmap; }};
    return cls;
}

int TBitmap::Width() const { return FData->Width; }
int TBitmap::Height() const { return FData->Height; }
TPixelFormat TBitmap::PixelFormat() const { return FData->PixelFormat; }
int TBitmap::RowStride() const { return FData->Stride; }

void TBitmap::SetWidth(int w) { SetSize(w, Height()); }
void TBitmap::SetHeight(int h) { SetSize(Width(), h); }

void TBitmap::SetSize(int w, int h)
{
    const TBitmapData& old = *FData;
    if (w == old.Width && h == old.Height)
        return;
    // New pixels are white; the old ones that stay inside are kept.
    auto d = TBitmapData::Create(w, h, old.PixelFormat, false);
    d->Palette = old.Palette;
    if (d->ByteCount()) {
        std::vector<uint8_t> whiteRow(size_t(w) * 4, 0xFF);
        detail::TPaletteMatcher matcher(d->Palette);
        for (int y = 0; y < h; ++y) {
            std::memset(d->Row(y), 0, size_t(d->Stride));
            detail::WriteRow32(*d, y, 0, w, whiteRow.data(), &matcher);
        }
        int cw = std::min(w, old.Width), ch = std::min(h, old.Height);
        int bpp = BitsPerPixel(old.PixelFormat);
        for (int y = 0; y < ch && cw > 0; ++y) {
            size_t whole = size_t(cw) * size_t(bpp) / 8;
            std::memcpy(d->Row(y), old.Row(y), whole);
            for (int x = int(whole * 8 / size_t(bpp)); x < cw; ++x)
                detail::SetIndexAt(d->Row(y), x, bpp, detail::IndexAt(old.Row(y), x, bpp));
        }
    }
    FData = std::move(d);
}

void TBitmap::SetPixelFormat(TPixelFormat pf)
{
    if (pf == FData->PixelFormat)
        return;
    FData = detail::ConvertData(*FData, pf);
}

const uint8_t* TBitmap::ScanLine(int y) const
{
    if (y < 0 || y >= FData->Height)
        RaiseScanLineRange();
    return FData->Row(y);
}

uint8_t* TBitmap::ScanLineW(int y)
{
    if (y < 0 || y >= FData->Height)
        RaiseScanLineRange();
    MakeUnique();
    return FData->Row(y);
}

std::vector<TRGBQuad>& TBitmap::Palette()
{
    MakeUnique();
    return FData->Palette;
}

const std::vector<TRGBQuad>& TBitmap::Palette() const { return FData->Palette; }

TColor TBitmap::GetPixel(int x, int y) const
{
    const TBitmapData& d = *FData;
    if (x < 0 || y < 0 || x >= d.Width || y >= d.Height)
        return 0xFFFFFFFF;
    uint8_t px[4];
    detail::ReadRow32(d, y, x, 1, px);
    return RGB(px[2], px[1], px[0]);
}

void TBitmap::SetPixel(int x, int y, TColor c)
{
    if (x < 0 || y < 0 || x >= Width() || y >= Height())
        return;
    MakeUnique();
    uint8_t px[4] = {GetBValue(c), GetGValue(c), GetRValue(c), 0};
    detail::WriteRow32(*FData, y, x, 1, px, nullptr);
}

TCanvas& TBitmap::Canvas()
{
    if (!FCanvas)
        FCanvas = std::make_unique<TCanvas>(*this);
    return *FCanvas;
}

void TBitmap::Assign(const TGraphic& source)
{
    if (auto* b = dynamic_cast<const TBitmap*>(&source)) {
        FData = b->FData;
        return;
    }
    TBitmap converted;
    if (!source.ToBitmap(converted))
        RaiseCannotAssign(source.ClassName(), ClassName());
    FData = converted.FData;
}

void TBitmap::AssignNothing() { FData = TBitmapData::Create(0, 0, FData->PixelFormat); }

void TBitmap::Draw(TCanvas& canvas, const TRect& rect) const { canvas.StretchDraw(rect, *this); }

void TBitmap::SetData(std::shared_ptr<TBitmapData> data)
{
    FData = data ? std::move(data) : TBitmapData::Create(0, 0, TPixelFormat::pfDevice);
}

void TBitmap::MakeUnique()
{
    if (FData.use_count() > 1 || FData->SharesRows())
        FData = FData->Copy();
}

}  // namespace gfx
