// "Save All Images" from the click until its final message, against the codec libraries encoding
// the same segments into memory.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <png.h>

#include "BenchUtil.h"
#include "app/Globals.h"
#include "app/Project.h"
#include "app/UFrmView.h"
#include "app/Ucompress.h"
#include "app/Ufirst.h"
#include "framework/graphics/Jpeg.h"
#include "framework/graphics/Graphics.h"
#include "framework/ui/Seam.h"

namespace {

constexpr int kWidth = 6000, kHeight = 4000;

// A photograph-like picture: gradients with some grain, so the encoders do real work.
gfx::TBitmap MakePicture()
{
    uint32_t seed = 12345;
    return bench::MakePicture(kWidth, kHeight, [&](int x, int y, uint8_t* bgr) {
        seed = seed * 1664525u + 1013904223u;
        const int grain = int(seed >> 28) - 8;
        bgr[0] = uint8_t(std::clamp((x * 255) / kWidth + grain, 0, 255));
        bgr[1] = uint8_t(std::clamp((y * 255) / kHeight + grain, 0, 255));
        bgr[2] = uint8_t(std::clamp(((x + y) / 40) % 256 + grain, 0, 255));
    });
}

// A viewer holding the clean copies of a cols x rows split, as the split leaves it.
struct Viewer {
    ui::TComponent owner{nullptr};
    int segW = 0, segH = 0;

    Viewer(gfx::TBitmap& picture, int cols, int rows)
    {
        segW = kWidth / cols;
        segH = kHeight / rows;
        app::SplitCols = cols;
        app::SplitRows = rows;
        app::FrmView = new app::TFrmView(&owner);
        int n = 0;
        for (int r = 1; r <= rows; ++r)
            for (int c = 1; c <= cols; ++c) {
                auto* full = new ui::TImage(&owner);
                full->SetBounds(0, 0, segW, segH);
                const int x = (c - 1) * segW, y = (r - 1) * segH;
                full->Canvas().CopyRect(gfx::Rect(0, 0, segW, segH), picture.Canvas(),
                                        gfx::Rect(x, y, x + segW, y + segH));
                app::FullSegments(r, c) = full;
                app::FrmView->ListBox1->Items().Add("Image #" + rtl::IntToStr(++n));
            }
        app::FrmView->ListBox1->SetItemIndex(0);
        app::FrmView->ListBox1Click(app::FrmView->ListBox1);
    }
    ~Viewer()
    {
        delete app::FrmView;
        app::FrmView = nullptr;
        app::FullSegments.Reset();
    }
};

// Each segment as RGB rows, for the libraries.
std::vector<std::vector<uint8_t>> SegmentsAsRgb(const gfx::TBitmap& picture, int cols, int rows, int segW, int segH)
{
    std::vector<std::vector<uint8_t>> out;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) {
            std::vector<uint8_t> rgb(size_t(segW) * segH * 3);
            for (int y = 0; y < segH; ++y) {
                const uint8_t* s = picture.ScanLine(r * segH + y) + 4 * size_t(c) * segW;
                uint8_t* t = rgb.data() + size_t(y) * segW * 3;
                for (int x = 0; x < segW; ++x) {
                    t[3 * x] = s[4 * x + 2];
                    t[3 * x + 1] = s[4 * x + 1];
                    t[3 * x + 2] = s[4 * x];
                }
            }
            out.push_back(std::move(rgb));
        }
    return out;
}

size_t LibJpegToMemory(const std::vector<uint8_t>& rgb, int w, int h, int quality)
{
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(w);
    cinfo.image_height = JDIMENSION(h);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rgb.data() + size_t(cinfo.next_scanline) * w * 3);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return size;
}

size_t LibPngToMemory(const std::vector<uint8_t>& rgb, int w, int h)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<uint8_t> out;
    png_set_write_fn(
        png, &out,
        [](png_structp p, png_bytep data, png_size_t n) {
            auto* v = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(p));
            v->insert(v->end(), data, data + n);
        },
        nullptr);
    png_set_IHDR(png, info, png_uint_32(w), png_uint_32(h), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < h; ++y) png_write_row(png, const_cast<png_bytep>(rgb.data() + size_t(y) * w * 3));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out.size();
}

// Fresh folders, one per run, so that no run asks about files of an earlier one; in memory where the
// machine offers it, as the libraries' output is.
struct Folders : bench::ScratchFolders {
    Folders() : ScratchFolders("bench-save") {}
};

void SaveAll(ui::ScriptedSeam& seam, Folders& folders, const std::string& name)
{
    const std::string folder = folders.Next();
    seam.Files.push_back(folder + "/" + name);
    seam.Messages.clear();
    app::FrmView->CmdSaveAll->Click();
    if (seam.Messages.size() != 2) std::fprintf(stderr, "save all did not end as expected\n");
}

// The whole job as a person does it: select the photograph, split it 4 x 4, save all as JPEG at
// 85; against ImageMagick cutting and saving the same file.
void JobAgainstImageMagick(ui::ScriptedSeam& seam, const gfx::TBitmap& picture)
{
    const char* name = "job_4x4_jpeg_vs_imagemagick";
    if (std::system("convert -version >/dev/null 2>&1") != 0) {
        bench::Missing(name, "ImageMagick convert");
        return;
    }
    Folders folders;
    const std::string photo = folders.base + "/photo.jpg";
    bench::SaveJpeg(picture, photo);
    app::InitUnits();
    app::CreateAutoForms();
    seam.OnShowModal = [](ui::TForm& form) {
        if (auto* view = dynamic_cast<app::TFrmView*>(&form)) view->CmdSaveAll->Click();
        form.Close();
    };
    bool ok = true;
    auto ours = [&] {
        const std::string folder = folders.Next();
        seam.Messages.clear();
        seam.Files.push_back(photo);
        seam.Files.push_back(folder + "/photo.jpg");
        app::FrmFirst->Cmdimage->Click();
        app::FrmFirst->SpinW->SetValue(4);
        app::FrmFirst->SpinH->SetValue(4);
        app::FrmFirst->CmdSplit->Click();
        ok = ok && std::filesystem::exists(folder + "/photo16.jpg") && seam.Messages.size() == 2;
    };
    auto theirs = [&] {
        const std::string folder = folders.Next();
        const std::string command = "convert '" + photo + "' -crop 4x4@ +repage -quality 85 '" + folder +
                                    "/out_%d.jpg' 2>/dev/null";
        ok = ok && std::system(command.c_str()) == 0;
    };
    bench::Compare(name, ours, theirs, 3, "imagemagick");
    if (!ok) std::printf("BENCH %s note=a run did not end as expected\n", name);
    seam.OnShowModal = nullptr;
}

}  // namespace

int main(int argc, char** argv)
{
    const bench::Filter filter(argc, argv);
    ui::ScriptedSeam seam;  // the quality dialog is closed as shown: quality 85
    gfx::TBitmap picture = MakePicture();
    volatile size_t sink = 0;

    // Single-threaded first (each segment encoded in its turn), then with one encoder per processor.
    for (int encoders : {1, 0}) {
        app::SaveAllEncoders = encoders;
        const std::string suffix = encoders == 1 ? "" : "_parallel";
        if (filter.Selected("save_all_4x4_jpeg_q85_24mp" + suffix)) {
            Viewer viewer(picture, 4, 4);
            Folders folders;
            auto segments = SegmentsAsRgb(picture, 4, 4, viewer.segW, viewer.segH);
            bench::Compare(
                "save_all_4x4_jpeg_q85_24mp" + suffix, [&] { SaveAll(seam, folders, "photo.jpg"); },
                [&] {
                    for (auto& s : segments) sink = sink + LibJpegToMemory(s, viewer.segW, viewer.segH, 85);
                },
                5, "libjpeg");
        }
        if (filter.Selected("save_all_120x120_png_24mp" + suffix)) {
            Viewer viewer(picture, 120, 120);
            Folders folders;
            auto segments = SegmentsAsRgb(picture, 120, 120, viewer.segW, viewer.segH);
            bench::Compare(
                "save_all_120x120_png_24mp" + suffix, [&] { SaveAll(seam, folders, "tile.png"); },
                [&] {
                    for (auto& s : segments) sink = sink + LibPngToMemory(s, viewer.segW, viewer.segH);
                },
                3, "libpng");
        }
    }
    app::SaveAllEncoders = 0;
    if (filter.Selected("job_4x4_jpeg_vs_imagemagick")) JobAgainstImageMagick(seam, picture);
    return 0;
}
