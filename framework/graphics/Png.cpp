// TPngImage over libpng. libpng's error callback longjmps back to the guarded step that called
// the library; the step returns false and the caller raises EInvalidGraphic, so no exception
// crosses libpng's C frames. Guarded steps keep only trivially destructible locals.
#include "framework/graphics/Png.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <png.h>

namespace gfx {

namespace {

constexpr uint64_t kMaxPixels = uint64_t(1) << 28;
// Deflate packs at most about 1032 bytes into one; a header claiming more raw data than the
// file can carry is refused before the bitmap is allocated.
constexpr uint64_t kMaxInflateRatio = 1100;
constexpr uint64_t kRawFloor = uint64_t(1) << 20;
constexpr png_alloc_size_t kMaxChunkBytes = 16u << 20;
constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

struct Reader {
    png_structp png = nullptr;
    png_infop info = nullptr;
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t pos = 0;
    char message[160] = "";
    bool hasAlpha = false;
    png_uint_32 width = 0, height = 0;
    uint64_t rawBytes = 0;
    ~Reader() { if (png) png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

struct Writer {
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::vector<uint8_t>* out = nullptr;
    char message[160] = "";
    ~Writer() { if (png) png_destroy_write_struct(&png, info ? &info : nullptr); }
};

template <class State>
void ErrorFn(png_structp png, png_const_charp message)
{
    auto* state = static_cast<State*>(png_get_error_ptr(png));
    std::snprintf(state->message, sizeof state->message, "%s", message ? message : "unknown error");
    png_longjmp(png, 1);
}

void WarningFn(png_structp, png_const_charp) {}

void ReadFn(png_structp png, png_bytep out, size_t count)
{
    auto* r = static_cast<Reader*>(png_get_io_ptr(png));
    if (count > r->size - r->pos) png_error(png, "unexpected end of data");
    std::memcpy(out, r->data + r->pos, count);
    r->pos += count;
}

void WriteFn(png_structp png, png_bytep data, size_t count)
{
    auto* w = static_cast<Writer*>(png_get_io_ptr(png));
    bool failed = false;
    try {
        w->out->insert(w->out->end(), data, data + count);
    } catch (...) {
        failed = true;
    }
    if (failed) png_error(png, "out of memory");
}

void FlushFn(png_structp) {}

[[noreturn]] void RaiseInvalidPng(const char* reason)
{
    throw rtl::EInvalidGraphic(rtl::Format("PNG image is not valid (%s)", {reason}));
}

// Reads the chunks up to the image data. Only the header, the palette and the transparency shape
// the picture, so every other ancillary chunk is skipped unread: libpng's chunk size limit is only
// a warning when reading, and text, profile and other side chunks would otherwise be allocated at
// the length they claim, however little of the file follows.
bool ReadHeaderGuarded(Reader& r)
{
    if (setjmp(png_jmpbuf(r.png))) return false;
    png_set_read_fn(r.png, &r, ReadFn);
    png_set_chunk_malloc_max(r.png, kMaxChunkBytes);
    png_set_keep_unknown_chunks(r.png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);  // all but tRNS
    png_read_info(r.png, r.info);
    r.width = png_get_image_width(r.png, r.info);
    r.height = png_get_image_height(r.png, r.info);
    int depth = png_get_bit_depth(r.png, r.info);
    int type = png_get_color_type(r.png, r.info);
    r.rawBytes = (uint64_t(r.width) * png_get_channels(r.png, r.info) * unsigned(depth) + 7) / 8 + 1;
    r.rawBytes *= r.height;
    r.hasAlpha = (type & PNG_COLOR_MASK_ALPHA) || png_get_valid(r.png, r.info, PNG_INFO_tRNS);
    return true;
}

// Sets the transformations that turn every colour type and depth into 8-bit blue, green, red and
// alpha (or filler) bytes; libpng sizes its row buffers here.
bool SetTransformsGuarded(Reader& r)
{
    if (setjmp(png_jmpbuf(r.png))) return false;
    int depth = png_get_bit_depth(r.png, r.info);
    int type = png_get_color_type(r.png, r.info);
    png_set_expand(r.png);  // palette to RGB, low grey depths to 8, tRNS to alpha
    if (depth == 16) png_set_scale_16(r.png);
    if (!(type & PNG_COLOR_MASK_COLOR)) png_set_gray_to_rgb(r.png);
    png_set_bgr(r.png);
    if (!r.hasAlpha) png_set_filler(r.png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(r.png);
    png_read_update_info(r.png, r.info);
    if (png_get_rowbytes(r.png, r.info) != size_t(r.width) * 4) png_error(r.png, "unsupported pixel layout");
    return true;
}

bool ReadRowsGuarded(Reader& r, png_bytep* rows)
{
    if (setjmp(png_jmpbuf(r.png))) return false;
    png_read_image(r.png, rows);
    return true;
}

// Straight alpha over white, rounded; the fourth byte becomes opaque.
void CompositeOnWhite(TBitmap& bitmap)
{
    int width = bitmap.Width();
    for (int y = 0; y < bitmap.Height(); ++y) {
        uint8_t* p = bitmap.ScanLineW(y);
        for (int x = 0; x < width; ++x, p += 4) {
            unsigned a = p[3];
            if (a == 255) continue;
            unsigned white = 255 * (255 - a);
            for (int c = 0; c < 3; ++c) p[c] = static_cast<uint8_t>((p[c] * a + white + 127) / 255);
            p[3] = 0xFF;
        }
    }
}

bool WriteGuarded(Writer& w, png_bytep* rows, int width, int height, bool wide)
{
    if (setjmp(png_jmpbuf(w.png))) return false;
    png_set_write_fn(w.png, &w, WriteFn, FlushFn);
    png_set_IHDR(w.png, w.info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(w.png, w.info);
    png_set_bgr(w.png);
    if (wide) png_set_filler(w.png, 0, PNG_FILLER_AFTER);  // drops the unused fourth byte
    png_write_image(w.png, rows);
    png_write_end(w.png, nullptr);
    return true;
}

TGraphic* CreatePng() { return new TPngImage; }

}  // namespace

bool IsPngSignature(const uint8_t* data, size_t size)
{
    return size >= sizeof kSignature && std::memcmp(data, kSignature, sizeof kSignature) == 0;
}

void DecodePng(const uint8_t* data, size_t size, TBitmap& target, bool keepAlpha)
{
    if (!IsPngSignature(data, size)) RaiseInvalidPng("no PNG signature");
    Reader r;
    r.data = data;
    r.size = size;
    r.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &r, ErrorFn<Reader>, WarningFn);
    if (r.png) r.info = png_create_info_struct(r.png);
    if (!r.png || !r.info) throw rtl::EOutOfMemory();
    if (!ReadHeaderGuarded(r)) RaiseInvalidPng(r.message);
    uint64_t pixels = uint64_t(r.width) * r.height;
    if (pixels > kMaxPixels || r.rawBytes > kRawFloor + uint64_t(size) * kMaxInflateRatio)
        RaiseInvalidPng("image too large for its data");
    if (!SetTransformsGuarded(r)) RaiseInvalidPng(r.message);

    TBitmap bitmap;
    bitmap.SetData(TBitmapData::Create(static_cast<int>(r.width), static_cast<int>(r.height), TPixelFormat::pfDevice,
                                       false));  // libpng writes every row or fails
    std::vector<png_bytep> rows(r.height);
    for (png_uint_32 y = 0; y < r.height; ++y) rows[y] = bitmap.UniqueData().Row(static_cast<int>(y));
    if (!ReadRowsGuarded(r, rows.data())) RaiseInvalidPng(r.message);
    if (r.hasAlpha && !keepAlpha) CompositeOnWhite(bitmap);
    target = bitmap;
}

void EncodePng(const TBitmap& source, std::vector<uint8_t>& out)
{
    TBitmap converted;
    const TBitmap* src = &source;
    TPixelFormat pf = source.PixelFormat();
    if (pf != TPixelFormat::pfDevice && pf != TPixelFormat::pf32bit && pf != TPixelFormat::pf24bit) {
        converted = source;
        converted.SetPixelFormat(TPixelFormat::pfDevice);
        src = &converted;
        pf = TPixelFormat::pfDevice;
    }
    int width = src->Width(), height = src->Height();
    if (width <= 0 || height <= 0) throw rtl::EInvalidGraphicOperation("Cannot save an empty PNG image");
    std::vector<png_bytep> rows(static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) rows[static_cast<size_t>(y)] = const_cast<png_bytep>(src->ScanLine(y));

    Writer w;
    w.out = &out;
    w.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &w, ErrorFn<Writer>, WarningFn);
    if (w.png) w.info = png_create_info_struct(w.png);
    if (!w.png || !w.info) throw rtl::EOutOfMemory();
    if (!WriteGuarded(w, rows.data(), width, height, pf != TPixelFormat::pf24bit))
        throw rtl::EInvalidGraphicOperation(rtl::Format("PNG image could not be written (%s)", {w.message}));
}

// ---- TPngImage -------------------------------------------------------------------------

const TGraphicClass& TPngImage::StaticClass()
{
    static const TGraphicClass cls{"TPngImage", CreatePng};
    return cls;
}

void TPngImage::DecodeBytes(const uint8_t* data, size_t size, TBitmap& target) { DecodePng(data, size, target); }

void TPngImage::EncodeBitmap(std::vector<uint8_t>& out) { EncodePng(FBitmap, out); }

}  // namespace gfx
