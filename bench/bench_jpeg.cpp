// TJPEGImage against libjpeg used directly on the same 6000 x 4000 picture, from and to memory,
// in the same pixel layout (blue, green, red, unused).
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include <jpeglib.h>

#include "BenchUtil.h"
#include "framework/graphics/Jpeg.h"
#include "framework/rtl/Classes.h"

namespace {

constexpr int kWidth = 6000, kHeight = 4000;
constexpr int kDecodeRuns = 11, kEncodeRuns = 15;  // medians of many runs: the machine may be busy

// A picture with the texture of a photograph: smooth shading with fine noise on it.
gfx::TBitmap MakePicture()
{
    gfx::TBitmap b(kWidth, kHeight, gfx::TPixelFormat::pfDevice);
    uint32_t seed = 1;
    for (int y = 0; y < kHeight; ++y) {
        uint8_t* p = b.ScanLineW(y);
        for (int x = 0; x < kWidth; ++x, p += 4) {
            seed = seed * 1664525 + 1013904223;
            int noise = int(seed >> 28) - 8;
            p[0] = uint8_t(std::clamp((x * 255) / kWidth + noise, 0, 255));
            p[1] = uint8_t(std::clamp((y * 255) / kHeight + noise, 0, 255));
            p[2] = uint8_t(std::clamp(((x + y) / 16) % 256 + noise, 0, 255));
            p[3] = 0;
        }
    }
    return b;
}

[[noreturn]] void Fail(j_common_ptr) { std::fprintf(stderr, "libjpeg failed\n"); std::exit(1); }

// libjpeg's own decode of the bytes into a fresh buffer of 32-bit rows.
size_t PeerDecode(const std::vector<uint8_t>& data)
{
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    err.error_exit = Fail;
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data.data(), (unsigned long)data.size());
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_EXT_BGRX;
    jpeg_start_decompress(&cinfo);
    size_t stride = size_t(cinfo.output_width) * 4;
    std::unique_ptr<uint8_t[]> pixels(new uint8_t[stride * cinfo.output_height]);
    std::vector<JSAMPROW> rows(cinfo.output_height);
    for (size_t y = 0; y < rows.size(); ++y) rows[y] = pixels.get() + y * stride;
    while (cinfo.output_scanline < cinfo.output_height)
        jpeg_read_scanlines(&cinfo, rows.data() + cinfo.output_scanline, cinfo.output_height - cinfo.output_scanline);
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return size_t(pixels[stride * 7 + 5]);
}

// libjpeg's own encode of the bitmap's rows at quality 85 into memory.
size_t PeerEncode(const gfx::TBitmap& source)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    err.error_exit = Fail;
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = kWidth;
    cinfo.image_height = kHeight;
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 85, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPROW> rows(kHeight);
    for (int y = 0; y < kHeight; ++y) rows[size_t(y)] = const_cast<JSAMPROW>(source.ScanLine(y));
    while (cinfo.next_scanline < cinfo.image_height)
        jpeg_write_scanlines(&cinfo, rows.data() + cinfo.next_scanline, cinfo.image_height - cinfo.next_scanline);
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return size;
}

}  // namespace

int main()
{
    gfx::TBitmap picture = MakePicture();
    std::vector<uint8_t> file;
    gfx::EncodeJpeg(picture, 90, file);
    rtl::TMemoryStream stream;
    stream.WriteBuffer(file.data(), int64_t(file.size()));
    volatile size_t sink = 0;

    bench::Compare(
        "jpeg_decode_24mp",
        [&] {
            stream.SetPosition(0);
            gfx::TJPEGImage jpeg;
            jpeg.LoadFromStream(stream);
            gfx::TBitmap bitmap;
            jpeg.ToBitmap(bitmap);
            sink = sink + bitmap.ScanLine(7)[5];
        },
        [&] { sink = sink + PeerDecode(file); }, kDecodeRuns);

    bench::Compare(
        "jpeg_encode_24mp_q85",
        [&] {
            gfx::TJPEGImage jpeg;
            jpeg.Assign(picture);
            jpeg.SetCompressionQuality(85);
            jpeg.Compress();
            rtl::TMemoryStream out;
            jpeg.SaveToStream(out);
            sink = sink + size_t(out.Size());
        },
        [&] { sink = sink + PeerEncode(picture); }, kEncodeRuns);
    return 0;
}
