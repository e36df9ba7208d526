// Picture selection: from the click on "Select Image" (the dialog answered by the scripted seam)
// until "Last Dir" is written, against the codec's own decode of the same file.
//   select_jpeg_24mp          6000 x 4000 JPEG, peer: one libjpeg decode
//   select_gif_4000x3000      GIF, peer: the GIF codec's load and bitmap
//   select_tif_rgb_6000x4000  RGB TIFF, peer: one ReadTiffFile
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "BenchUtil.h"
#include "app/Project.h"
#include "app/Uadjust.h"
#include "app/Ucompress.h"
#include "app/Ufirst.h"
#include "framework/graphics/Jpeg.h"
#include "framework/ui/Seam.h"
#include "gif/GifUnit.h"
#include "tiff/Bmp2Tiff.h"
#include "tiff/ReadTiff.h"

namespace {

// A photograph-like picture: smooth shading with fine detail.
gfx::TBitmap Photo(int w, int h)
{
    return bench::MakePicture(w, h, [](int x, int y, uint8_t* bgr) {
        bgr[0] = uint8_t(x / 24 + ((x * y) & 15));
        bgr[1] = uint8_t(y / 16 + ((x ^ y) & 7));
        bgr[2] = uint8_t((x + y) / 40);
    });
}

// At most 256 colours, in blocks, as a GIF would hold them.
gfx::TBitmap Indexed(int w, int h)
{
    return bench::MakePicture(w, h, [](int x, int y, uint8_t* bgr) {
        const int i = (x / 16 + y / 12 * 5) & 255;
        bgr[0] = uint8_t(i);
        bgr[1] = uint8_t(255 - i);
        bgr[2] = uint8_t(i * 7);
    });
}

void LibjpegDecode(const std::string& path)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return;
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, f);
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    std::vector<uint8_t> pixels(size_t(cinfo.output_width) * cinfo.output_components * cinfo.output_height);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = pixels.data() + size_t(cinfo.output_scanline) * cinfo.output_width * cinfo.output_components;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    std::fclose(f);
}

}  // namespace

int main(int argc, char** argv)
{
    namespace fs = std::filesystem;
    const bench::Filter filter(argc, argv);
    const std::string root = bench::TempHome("quadrell-bench-select");
    if (root.empty()) return 1;

    ui::ScriptedSeam seam;
    app::InitUnits();
    app::CreateAutoForms();
    // Measured in the steady state of a running program: the holders already keep a picture.
    auto select = [&](const std::string& path) {
        seam.Files.push_back(path);
        app::FrmFirst->Cmdimage->Click();
        if (!seam.Messages.empty()) {
            std::printf("selection failed: %s\n", seam.Messages.back().Text.c_str());
            seam.Messages.clear();
        }
    };

    if (filter.Selected("select_jpeg_24mp")) {
        const std::string path = root + "/photo.jpg";
        bench::SaveJpeg(Photo(6000, 4000), path);
        select(path);
        bench::Compare("select_jpeg_24mp", [&] { select(path); }, [&] { LibjpegDecode(path); }, 9, "libjpeg");
    }
    if (filter.Selected("select_gif_4000x3000")) {
        const std::string path = root + "/indexed.gif";
        {
            gif::TGifFile document;
            document.AddBitmap(std::make_unique<gfx::TBitmap>(Indexed(4000, 3000)));
            document.SaveToFile(path);
        }
        select(path);
        bench::Compare(
            "select_gif_4000x3000", [&] { select(path); },
            [&] {
                gif::TGifFile document;
                document.LoadFromFile(path);
                auto bitmap = document.AsBitmap();
            },
            7, "gifcodec");
    }
    if (filter.Selected("select_tif_rgb_6000x4000")) {
        const std::string path = root + "/rgb.tif";
        tif::WriteTiffFile(path, Photo(6000, 4000));
        select(path);
        bench::Compare(
            "select_tif_rgb_6000x4000", [&] { select(path); },
            [&] {
                gfx::TBitmap bitmap;
                tif::ReadTiffFile(path, bitmap);
            },
            7, "tiffcodec");
    }

    delete app::frmcomp;
    delete app::Frmadjust;
    delete app::FrmFirst;
    std::error_code ec;
    fs::remove_all(root, ec);
    return 0;
}
