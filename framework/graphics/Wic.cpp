// TWICImage over libtiff, reading from and writing to memory. libtiff reports problems through
// handlers that only keep the first message; nothing is printed and nothing aborts.
#include "framework/graphics/Wic.h"

#include <algorithm>
#include <cstdarg>
#include <climits>
#include <cstdio>
#include <cstring>
#include <mutex>

#include <tiffio.h>

namespace gfx {

namespace {

constexpr uint64_t kMaxPixels = uint64_t(1) << 28;
// LZW and deflate runs pack a few thousand pixels into a byte at most.
constexpr uint64_t kPixelsPerInputByte = 4096;
constexpr uint64_t kPixelFloor = uint64_t(1) << 22;
constexpr tmsize_t kMaxSingleAlloc = tmsize_t(256) << 20;

struct MemFile {
    const uint8_t* data = nullptr;  // reading
    size_t size = 0;
    std::vector<uint8_t>* out = nullptr;  // writing
    uint64_t pos = 0;
    char message[256] = "";
};

const uint8_t* Bytes(MemFile& f, size_t& size)
{
    if (f.out) {
        size = f.out->size();
        return f.out->data();
    }
    size = f.size;
    return f.data;
}

tmsize_t ReadProc(thandle_t h, void* buf, tmsize_t n)
{
    auto& f = *static_cast<MemFile*>(h);
    size_t size;
    const uint8_t* data = Bytes(f, size);
    if (n <= 0 || f.pos >= size) return 0;
    size_t count = std::min<uint64_t>(uint64_t(n), size - f.pos);
    std::memcpy(buf, data + f.pos, count);
    f.pos += count;
    return static_cast<tmsize_t>(count);
}

tmsize_t WriteProc(thandle_t h, void* buf, tmsize_t n)
{
    auto& f = *static_cast<MemFile*>(h);
    if (!f.out || n < 0) return 0;
    try {
        if (f.pos + uint64_t(n) > f.out->size()) f.out->resize(size_t(f.pos + uint64_t(n)));
    } catch (...) {
        return 0;
    }
    std::memcpy(f.out->data() + f.pos, buf, size_t(n));
    f.pos += uint64_t(n);
    return n;
}

toff_t SeekProc(thandle_t h, toff_t off, int whence)
{
    auto& f = *static_cast<MemFile*>(h);
    size_t size;
    Bytes(f, size);
    uint64_t base = whence == SEEK_CUR ? f.pos : whence == SEEK_END ? size : 0;
    f.pos = base + off;
    return f.pos;
}

int CloseProc(thandle_t) { return 0; }

toff_t SizeProc(thandle_t h)
{
    size_t size;
    Bytes(*static_cast<MemFile*>(h), size);
    return size;
}

int MapProc(thandle_t h, void** base, toff_t* size)
{
    auto& f = *static_cast<MemFile*>(h);
    if (f.out) return 0;
    *base = const_cast<uint8_t*>(f.data);
    *size = f.size;
    return 1;
}

void UnmapProc(thandle_t, void*, toff_t) {}

int KeepFirstError(TIFF*, void* user, const char*, const char* fmt, va_list ap)
{
    auto& f = *static_cast<MemFile*>(user);
    if (!f.message[0]) std::vsnprintf(f.message, sizeof f.message, fmt, ap);
    return 1;
}

int IgnoreWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

// Messages that libtiff sends without a handle go nowhere either.
void SilenceGlobalHandlers()
{
    static std::once_flag once;
    std::call_once(once, [] {
        TIFFSetErrorHandler(nullptr);
        TIFFSetWarningHandler(nullptr);
    });
}

struct Tiff {
    TIFF* tif = nullptr;
    ~Tiff() { if (tif) TIFFClose(tif); }
};

TIFF* Open(MemFile& f, const char* mode)
{
    SilenceGlobalHandlers();
    TIFFOpenOptions* opts = TIFFOpenOptionsAlloc();
    if (!opts) throw rtl::EOutOfMemory();
    TIFFOpenOptionsSetMaxSingleMemAlloc(opts, kMaxSingleAlloc);
    TIFFOpenOptionsSetErrorHandlerExtR(opts, KeepFirstError, &f);
    TIFFOpenOptionsSetWarningHandlerExtR(opts, IgnoreWarning, &f);
    TIFF* tif = TIFFClientOpenExt("memory", mode, &f, ReadProc, WriteProc, SeekProc, CloseProc, SizeProc, MapProc,
                                  UnmapProc, opts);
    TIFFOpenOptionsFree(opts);
    return tif;
}

[[noreturn]] void RaiseInvalidTiff(const char* reason)
{
    throw rtl::EInvalidGraphic(rtl::Format("TIFF image is not valid (%s)", {reason[0] ? reason : "unreadable data"}));
}

TGraphic* CreateWic() { return new TWICImage; }

// 8-bit grey with alpha, samples side by side. libtiff's own routine for these hands the grey
// over as stored, where every other layout comes premultiplied; this one premultiplies an
// unassociated alpha too, so that every layout reaches the caller alike.
void PutGreyAlpha8(TIFFRGBAImage* img, uint32_t* cp, uint32_t, uint32_t, uint32_t w, uint32_t h, int32_t fromskew,
                   int32_t toskew, unsigned char* pp)
{
    const int samples = img->samplesperpixel;
    const bool unassociated = img->alpha == EXTRASAMPLE_UNASSALPHA;
    fromskew *= samples;
    for (; h > 0; --h) {
        for (uint32_t x = w; x > 0; --x, pp += samples) {
            uint32_t grey = TIFFGetR(img->BWmap[pp[0]][0]);  // the map turns min-is-white over
            const uint32_t alpha = pp[1];
            if (unassociated) grey = (grey * alpha + 127) / 255;
            *cp++ = grey | grey << 8 | grey << 16 | alpha << 24;
        }
        cp += toskew;
        pp += fromskew;
    }
}

bool IsContigGreyWithAlpha(const TIFFRGBAImage& img)
{
    return img.isContig && img.alpha && img.bitspersample == 8 && img.samplesperpixel == 2 &&
           (img.photometric == PHOTOMETRIC_MINISBLACK || img.photometric == PHOTOMETRIC_MINISWHITE) && img.BWmap;
}

// libtiff's RGBA reading, top row first, premultiplied in every layout.
bool ReadRgba(TIFF* tif, uint32_t width, uint32_t height, uint32_t* raster, char (&why)[1024])
{
    TIFFRGBAImage img{};
    if (!TIFFRGBAImageBegin(&img, tif, 1, why)) return false;
    img.req_orientation = ORIENTATION_TOPLEFT;
    if (IsContigGreyWithAlpha(img)) img.put.contig = PutGreyAlpha8;
    const bool ok = TIFFRGBAImageGet(&img, raster, width, height) != 0;
    TIFFRGBAImageEnd(&img);
    return ok;
}

}  // namespace

void DecodeTiff(const uint8_t* data, size_t size, TBitmap& target)
{
    MemFile f;
    f.data = data;
    f.size = size;
    Tiff t;
    t.tif = Open(f, "r");
    if (!t.tif) RaiseInvalidTiff(f.message);
    uint32_t width = 0, height = 0;
    if (!TIFFGetField(t.tif, TIFFTAG_IMAGEWIDTH, &width) || !TIFFGetField(t.tif, TIFFTAG_IMAGELENGTH, &height) ||
        width == 0 || height == 0)
        RaiseInvalidTiff("no image size");
    uint64_t pixels = uint64_t(width) * height;
    if (pixels > kMaxPixels || pixels > kPixelFloor + uint64_t(size) * kPixelsPerInputByte ||
        width > uint32_t(INT32_MAX / 4))
        RaiseInvalidTiff("image too large for its data");
    char why[1024] = "";
    if (!TIFFRGBAImageOK(t.tif, why)) RaiseInvalidTiff(why);

    // libtiff fills the rows in place: one 32-bit word per pixel, red in the lowest byte.
    auto store = TBitmapData::Create(int(width), int(height), TPixelFormat::pfDevice, false);
    if (!ReadRgba(t.tif, width, height, reinterpret_cast<uint32_t*>(store->Pixels()), why))
        RaiseInvalidTiff(f.message[0] ? f.message : why);
    for (uint32_t y = 0; y < height; ++y) {
        uint8_t* p = store->Row(int(y));
        for (uint32_t x = 0; x < width; ++x, p += 4) {
            unsigned r = p[0], g = p[1], b = p[2], a = p[3];
            if (a != 255) {  // libtiff premultiplies alpha, so white shows through by adding its share
                unsigned white = 255 - a;
                r = std::min(255u, r + white);
                g = std::min(255u, g + white);
                b = std::min(255u, b + white);
            }
            p[0] = uint8_t(b); p[1] = uint8_t(g); p[2] = uint8_t(r); p[3] = 0xFF;
        }
    }
    TBitmap bitmap;
    bitmap.SetData(store);
    target = bitmap;
}

void EncodeTiff(const TBitmap& source, std::vector<uint8_t>& out)
{
    TBitmap rgb = source;
    if (rgb.PixelFormat() != TPixelFormat::pf24bit && rgb.PixelFormat() != TPixelFormat::pf32bit &&
        rgb.PixelFormat() != TPixelFormat::pfDevice)
        rgb.SetPixelFormat(TPixelFormat::pfDevice);
    int width = rgb.Width(), height = rgb.Height();
    if (width <= 0 || height <= 0) throw rtl::EInvalidGraphicOperation("Cannot save an empty TIFF image");
    int bytes = rgb.PixelFormat() == TPixelFormat::pf24bit ? 3 : 4;

    std::vector<uint8_t> buffer;
    MemFile f;
    f.out = &buffer;
    Tiff t;
    t.tif = Open(f, "w");
    if (!t.tif) throw rtl::EInvalidGraphicOperation("TIFF image could not be written");
    TIFFSetField(t.tif, TIFFTAG_IMAGEWIDTH, uint32_t(width));
    TIFFSetField(t.tif, TIFFTAG_IMAGELENGTH, uint32_t(height));
    TIFFSetField(t.tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(t.tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(t.tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(t.tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t.tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    TIFFSetField(t.tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    TIFFSetField(t.tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(t.tif, 0));
    std::vector<uint8_t> row(size_t(width) * 3);
    for (int y = 0; y < height; ++y) {
        const uint8_t* src = rgb.ScanLine(y);
        for (int x = 0; x < width; ++x, src += bytes) {
            row[size_t(x) * 3] = src[2];
            row[size_t(x) * 3 + 1] = src[1];
            row[size_t(x) * 3 + 2] = src[0];
        }
        if (TIFFWriteScanline(t.tif, row.data(), uint32_t(y), 0) < 0)
            throw rtl::EInvalidGraphicOperation("TIFF image could not be written");
    }
    if (!TIFFFlush(t.tif)) throw rtl::EInvalidGraphicOperation("TIFF image could not be written");
    TIFFClose(t.tif);
    t.tif = nullptr;
    out.insert(out.end(), buffer.begin(), buffer.end());
}

// ---- TWICImage ---------------------------------------------------------------------------

const TGraphicClass& TWICImage::StaticClass()
{
    static const TGraphicClass cls{"TWICImage", CreateWic};
    return cls;
}

void TWICImage::DecodeBytes(const uint8_t* data, size_t size, TBitmap& target) { DecodeTiff(data, size, target); }

void TWICImage::EncodeBitmap(std::vector<uint8_t>& out) { EncodeTiff(FBitmap, out); }

}  // namespace gfx
