// Reading written files back with the libraries themselves (libjpeg, libpng) and ImageMagick.
#pragma once

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <png.h>

#include "framework/graphics/Graphics.h"

namespace savetest {

struct JpegError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};

inline void JpegErrorExit(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<JpegError*>(info->err)->jump, 1);
}

// Pixels as pfDevice; false when libjpeg refuses the file. tables gets the 64 values of the
// luminance and of the chrominance quantisation table.
inline bool ReadJpeg(const std::string& path, gfx::TBitmap& out, std::vector<unsigned>* tables = nullptr)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    jpeg_decompress_struct cinfo{};
    JpegError err{};
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = JpegErrorExit;
    std::vector<uint8_t> row;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        std::fclose(f);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, f);
    jpeg_read_header(&cinfo, TRUE);
    if (tables) {
        tables->clear();
        for (int t = 0; t < 2; ++t)
            for (int i = 0; i < DCTSIZE2; ++i)
                tables->push_back(cinfo.quant_tbl_ptrs[t] ? cinfo.quant_tbl_ptrs[t]->quantval[i] : 0);
    }
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    out = gfx::TBitmap(int(cinfo.output_width), int(cinfo.output_height), gfx::TPixelFormat::pfDevice);
    row.resize(size_t(cinfo.output_width) * 3);
    while (cinfo.output_scanline < cinfo.output_height) {
        const int y = int(cinfo.output_scanline);
        JSAMPROW rows[1] = {row.data()};
        jpeg_read_scanlines(&cinfo, rows, 1);
        uint8_t* t = out.ScanLineW(y);
        for (size_t x = 0; x < cinfo.output_width; ++x) {
            t[4 * x] = row[3 * x + 2];
            t[4 * x + 1] = row[3 * x + 1];
            t[4 * x + 2] = row[3 * x];
            t[4 * x + 3] = 0;
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    std::fclose(f);
    return true;
}

// The two quantisation tables libjpeg makes for a quality.
inline std::vector<unsigned> ReferenceTables(int quality)
{
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    cinfo.in_color_space = JCS_RGB;
    cinfo.input_components = 3;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    std::vector<unsigned> tables;
    for (int t = 0; t < 2; ++t)
        for (int i = 0; i < DCTSIZE2; ++i) tables.push_back(cinfo.quant_tbl_ptrs[t]->quantval[i]);
    jpeg_destroy_compress(&cinfo);
    return tables;
}

inline bool ReadPng(const std::string& path, gfx::TBitmap& out)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    image.format = PNG_FORMAT_BGRA;
    out = gfx::TBitmap(int(image.width), int(image.height), gfx::TPixelFormat::pfDevice);
    std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
        png_image_free(&image);
        return false;
    }
    for (int y = 0; y < out.Height(); ++y) {
        uint8_t* t = out.ScanLineW(y);
        const uint8_t* s = pixels.data() + size_t(y) * image.width * 4;
        for (int x = 0; x < out.Width(); ++x) {
            t[4 * x] = s[4 * x];
            t[4 * x + 1] = s[4 * x + 1];
            t[4 * x + 2] = s[4 * x + 2];
            t[4 * x + 3] = 0;
        }
    }
    return true;
}

inline bool HaveImageMagick() { return std::system("convert -version >/dev/null 2>&1") == 0; }

// The picture as ImageMagick reads it (through a P6 pixmap); false when it cannot.
inline bool ReadWithImageMagick(const std::string& path, gfx::TBitmap& out)
{
    std::string quoted = "'";
    for (char ch : path) quoted += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
    quoted += "'";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(("convert " + quoted + " -strip -depth 8 ppm:- 2>/dev/null").c_str(), "r"),
                                             pclose);
    if (!pipe) return false;
    int w = 0, h = 0, maxval = 0;
    if (std::fscanf(pipe.get(), "P6 %d %d %d", &w, &h, &maxval) != 3 || maxval != 255 || w <= 0 || h <= 0)
        return false;
    std::fgetc(pipe.get());
    out = gfx::TBitmap(w, h, gfx::TPixelFormat::pfDevice);
    std::vector<uint8_t> row(size_t(w) * 3);
    for (int y = 0; y < h; ++y) {
        if (std::fread(row.data(), 1, row.size(), pipe.get()) != row.size()) return false;
        uint8_t* t = out.ScanLineW(y);
        for (int x = 0; x < w; ++x) {
            t[4 * x] = row[3 * x + 2];
            t[4 * x + 1] = row[3 * x + 1];
            t[4 * x + 2] = row[3 * x];
            t[4 * x + 3] = 0;
        }
    }
    return true;
}

}  // namespace savetest
