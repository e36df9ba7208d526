// TJPEGImage over libjpeg. libjpeg reports errors through error_exit, which must not return:
// we longjmp back to the guarded step that called the library and raise EJPEG there, so no
// exception ever crosses libjpeg's C frames. Each guarded step keeps only trivially destructible
// locals, and everything it needs is allocated before it starts.
#include "framework/graphics/Jpeg.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

#include <jpeglib.h>
#include <jerror.h>

namespace gfx {

namespace {

// Pixel budget of one picture. A JPEG packs at most a few hundred pixels into a byte of Huffman
// data, so a claim far beyond that is refused before anything is allocated from it.
constexpr uint64_t kMaxPixels = uint64_t(1) << 28;
constexpr uint64_t kPixelsPerInputByte = 1024;
constexpr uint64_t kPixelFloor = uint64_t(1) << 22;
constexpr long kMaxLibraryMemory = 1L << 30;  // coefficient buffers of progressive pictures
constexpr int kMaxScans = 500;                // progressive files with more scans are hostile

struct ErrorManager {
    jpeg_error_mgr pub;
    jmp_buf jump;
};

void ErrorExit(j_common_ptr cinfo)
{
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}

// Warnings (corrupt data, premature end) do not stop decoding, and nothing is printed.
void EmitMessage(j_common_ptr, int) {}
void OutputMessage(j_common_ptr) {}

void LimitScans(j_common_ptr cinfo)
{
    if (cinfo->is_decompressor && reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxScans) {
        cinfo->err->msg_code = JERR_BAD_PROGRESSION;
        cinfo->err->error_exit(cinfo);
    }
}

void InitErrors(ErrorManager& err)
{
    jpeg_std_error(&err.pub);
    err.pub.error_exit = ErrorExit;
    err.pub.emit_message = EmitMessage;
    err.pub.output_message = OutputMessage;
}

struct Decoder {
    jpeg_decompress_struct cinfo{};
    ErrorManager err{};
    jpeg_progress_mgr progress{};
    bool created = false;
    bool cmyk = false;
    Decoder() { InitErrors(err); cinfo.err = &err.pub; }
    ~Decoder() { if (created) jpeg_destroy_decompress(&cinfo); }
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;
};

// Reads the header and chooses the output layout; false after a libjpeg error.
bool ReadHeaderGuarded(Decoder& d, const uint8_t* data, size_t size)
{
    if (setjmp(d.err.jump)) return false;
    jpeg_create_decompress(&d.cinfo);
    d.created = true;
    d.progress.progress_monitor = LimitScans;
    d.cinfo.progress = &d.progress;
    d.cinfo.mem->max_memory_to_use = kMaxLibraryMemory;
    jpeg_mem_src(&d.cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&d.cinfo, TRUE);
    if (d.cinfo.jpeg_color_space == JCS_CMYK || d.cinfo.jpeg_color_space == JCS_YCCK) {
        d.cmyk = true;
        d.cinfo.out_color_space = JCS_CMYK;
    } else {
        d.cinfo.out_color_space = JCS_EXT_BGRX;  // straight into the device layout
    }
    return true;
}

bool StartGuarded(Decoder& d)
{
    if (setjmp(d.err.jump)) return false;
    jpeg_start_decompress(&d.cinfo);
    return true;
}

// Decodes every row into rows[y]; CMYK rows go through scratch and are converted.
bool ReadRowsGuarded(Decoder& d, JSAMPROW* rows, uint8_t* scratch)
{
    if (setjmp(d.err.jump)) return false;
    j_decompress_ptr c = &d.cinfo;
    while (c->output_scanline < c->output_height) {
        JDIMENSION y = c->output_scanline;
        if (!d.cmyk) {
            if (jpeg_read_scanlines(c, rows + y, c->output_height - y) == 0) break;
            continue;
        }
        JSAMPROW in = scratch;
        if (jpeg_read_scanlines(c, &in, 1) == 0) break;
        uint8_t* out = rows[y];
        for (JDIMENSION x = 0; x < c->output_width; ++x, in += 4, out += 4) {
            // Stored inverted (255 is no ink), as Adobe writes CMYK. A file without the Adobe
            // marker is read the same way: such files are nearly always Adobe's with the marker
            // stripped, and ImageMagick and the browsers read them so.
            unsigned cc = in[0], m = in[1], yy = in[2], k = in[3];
            out[0] = static_cast<uint8_t>((yy * k + 127) / 255);
            out[1] = static_cast<uint8_t>((m * k + 127) / 255);
            out[2] = static_cast<uint8_t>((cc * k + 127) / 255);
            out[3] = 0xFF;
        }
    }
    return true;
}

[[noreturn]] void RaiseJpegError(int code) { throw EJPEG(code); }

struct Encoder {
    jpeg_compress_struct cinfo{};
    ErrorManager err{};
    bool created = false;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    Encoder() { InitErrors(err); cinfo.err = &err.pub; }
    ~Encoder()
    {
        if (created) jpeg_destroy_compress(&cinfo);
        std::free(buffer);
    }
    Encoder(const Encoder&) = delete;
    Encoder& operator=(const Encoder&) = delete;
};

bool EncodeGuarded(Encoder& e, JSAMPROW* rows, int width, int height, J_COLOR_SPACE space, int components,
                   int quality)
{
    if (setjmp(e.err.jump)) return false;
    jpeg_create_compress(&e.cinfo);
    e.created = true;
    jpeg_mem_dest(&e.cinfo, &e.buffer, &e.size);
    e.cinfo.image_width = static_cast<JDIMENSION>(width);
    e.cinfo.image_height = static_cast<JDIMENSION>(height);
    e.cinfo.input_components = components;
    e.cinfo.in_color_space = space;
    jpeg_set_defaults(&e.cinfo);  // baseline YCbCr, three components
    jpeg_set_quality(&e.cinfo, quality, TRUE);
    jpeg_start_compress(&e.cinfo, TRUE);
    while (e.cinfo.next_scanline < e.cinfo.image_height) {
        JDIMENSION y = e.cinfo.next_scanline;
        if (jpeg_write_scanlines(&e.cinfo, rows + y, e.cinfo.image_height - y) == 0) break;
    }
    jpeg_finish_compress(&e.cinfo);
    return true;
}

TGraphic* CreateJpeg() { return new TJPEGImage; }

}  // namespace

EJPEG::EJPEG(int code) : rtl::EInvalidGraphic(rtl::Format("JPEG error #%d", {code})), FCode(code) {}

namespace {

// Decodes at 1/reduction of the full size (1, 2, 4 or 8), rounded up.
void DecodeJpegAt(const uint8_t* data, size_t size, TBitmap& target, const std::function<int(int, int)>& reduction)
{
    Decoder d;
    if (!ReadHeaderGuarded(d, data, size)) RaiseJpegError(d.err.pub.msg_code);
    uint64_t pixels = uint64_t(d.cinfo.image_width) * d.cinfo.image_height;
    if (pixels > kMaxPixels || pixels > kPixelFloor + uint64_t(size) * kPixelsPerInputByte)
        RaiseJpegError(JERR_IMAGE_TOO_BIG);
    d.cinfo.scale_num = 1;
    d.cinfo.scale_denom = unsigned(reduction(int(d.cinfo.image_width), int(d.cinfo.image_height)));
    if (!StartGuarded(d)) RaiseJpegError(d.err.pub.msg_code);

    int width = static_cast<int>(d.cinfo.output_width), height = static_cast<int>(d.cinfo.output_height);
    // Every row is written by the decoder (libjpeg pads a short stream), so the store starts unfilled.
    auto store = TBitmapData::Create(width, height, TPixelFormat::pfDevice, false);
    std::vector<JSAMPROW> rows(static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) rows[static_cast<size_t>(y)] = store->Row(y);
    std::vector<uint8_t> scratch(d.cmyk ? static_cast<size_t>(width) * 4 : 0);
    if (!ReadRowsGuarded(d, rows.data(), scratch.data())) RaiseJpegError(d.err.pub.msg_code);
    if (d.cinfo.output_scanline < d.cinfo.output_height) RaiseJpegError(JERR_INPUT_EOF);
    target.SetData(std::move(store));
}

}  // namespace

void DecodeJpeg(const uint8_t* data, size_t size, TBitmap& target)
{
    DecodeJpegAt(data, size, target, [](int, int) { return 1; });
}

std::pair<int, int> JpegSize(const uint8_t* data, size_t size)
{
    Decoder d;
    if (!ReadHeaderGuarded(d, data, size)) RaiseJpegError(d.err.pub.msg_code);
    return {int(d.cinfo.image_width), int(d.cinfo.image_height)};
}

int JpegReduction(int64_t width, int64_t height, int64_t minWidth, int64_t minHeight)
{
    for (int reduction : {8, 4, 2})
        if ((width + reduction - 1) / reduction >= minWidth && (height + reduction - 1) / reduction >= minHeight)
            return reduction;
    return 1;
}

void DecodeJpegReduced(const uint8_t* data, size_t size, int minWidth, int minHeight, TBitmap& target)
{
    DecodeJpegAt(data, size, target,
                 [&](int width, int height) { return JpegReduction(width, height, minWidth, minHeight); });
}

void EncodeJpeg(const TBitmap& source, int quality, std::vector<uint8_t>& out)
{
    // libjpeg reads the device layout and 24-bit rows as they are; other formats convert first.
    TBitmap converted;
    const TBitmap* src = &source;
    TPixelFormat pf = source.PixelFormat();
    if (pf != TPixelFormat::pfDevice && pf != TPixelFormat::pf32bit && pf != TPixelFormat::pf24bit) {
        converted = source;
        converted.SetPixelFormat(TPixelFormat::pfDevice);
        src = &converted;
        pf = TPixelFormat::pfDevice;
    }
    bool wide = pf != TPixelFormat::pf24bit;
    int width = src->Width(), height = src->Height();
    if (width <= 0 || height <= 0) RaiseJpegError(JERR_EMPTY_IMAGE);
    std::vector<JSAMPROW> rows(static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) rows[static_cast<size_t>(y)] = const_cast<JSAMPROW>(src->ScanLine(y));

    Encoder e;
    if (!EncodeGuarded(e, rows.data(), width, height, wide ? JCS_EXT_BGRX : JCS_EXT_BGR, wide ? 4 : 3, quality))
        RaiseJpegError(e.err.pub.msg_code);
    out.insert(out.end(), e.buffer, e.buffer + e.size);
}

// ---- TJPEGImage -----------------------------------------------------------------------

const TGraphicClass& TJPEGImage::StaticClass()
{
    static const TGraphicClass cls{"TJPEGImage", CreateJpeg};
    return cls;
}

void TJPEGImage::DecodeBytes(const uint8_t* data, size_t size, TBitmap& target) { DecodeJpeg(data, size, target); }

void TJPEGImage::EncodeBitmap(std::vector<uint8_t>& out) { EncodeJpeg(FBitmap, FQuality, out); }

void TJPEGImage::SetCompressionQuality(int quality)
{
    rtl::RangeCheck(quality, 1, 100);
    FQuality = quality;
}

void TJPEGImage::Compress()
{
    if (FBitmap.Empty()) return;
    std::vector<uint8_t> data;
    EncodeJpeg(FBitmap, FQuality, data);
    SetEncoded(std::move(data));
}

}  // namespace gfx
