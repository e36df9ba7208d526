// The converter's percent bar on a 6000 x 4000 picture:
//   converter_resize_24mp_50pct   one bar change from 100 to 50, against libvips resizing the same
//                                 pixels to the same 3000 x 2000 (vips_resize, its default kernel)
//   converter_drag_1_to_200       the bar moved through every position from 1 to 200: the time per
//                                 step, and the peak memory above the loaded picture, in previews of
//                                 the largest size (200 %); "_drawn": the window drawn after each step
#include <malloc.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#ifdef QUADRELL_HAVE_VIPS
#include <vips/vips.h>
#endif

#include "BenchUtil.h"
#include "app/Project.h"
#include "app/Uadjust.h"
#include "app/Ucompress.h"
#include "app/Ufirst.h"
#include "framework/graphics/Jpeg.h"
#include "framework/ui/Application.h"
#include "framework/ui/Seam.h"

int main(int argc, char** argv)
{
    bench::Filter filter(argc, argv);
#ifdef QUADRELL_HAVE_VIPS
    if (VIPS_INIT(argv[0])) return 1;
#endif
    namespace fs = std::filesystem;
    const std::string root = bench::TempHome("quadrell-bench-converter");
    if (root.empty()) return 1;

    ui::ScriptedSeam seam;
    app::InitUnits();
    ui::Application().Initialize();
    app::CreateAutoForms();

    constexpr int kWidth = 6000, kHeight = 4000;
    const std::string path = root + "/photo.jpg";
    bench::SaveJpeg(bench::MakePicture(kWidth, kHeight,
                                       [](int x, int y, uint8_t* bgr) {
                                           bgr[0] = uint8_t(x / 24 + (x * y) % 7);
                                           bgr[1] = uint8_t(y / 16);
                                           bgr[2] = uint8_t((x + y) / 40);
                                       }),
                    path);
    seam.Files.push_back(path);
    app::FrmFirst->Cmdimage->Click();
    if (!seam.Messages.empty() || app::BaseWidth != kWidth) {
        std::printf("selection failed\n");
        return 1;
    }
    app::TFrmadjust& window = *app::Frmadjust;
    ui::TScrollBar& bar = *window.ScrollBar1;
    gfx::TBitmap source;
    window.ImageSave->Picture().Graphic()->ToBitmap(source);

    if (filter.Selected("converter_resize_24mp_50pct")) {
#ifdef QUADRELL_HAVE_VIPS
        auto ours = [&] {
            bar.SetPosition(100);
            return bench::Seconds([&] { bar.SetPosition(50); });
        };
        // The same pixels, 4 bytes each, handed to libvips without a copy; the result is made in memory.
        auto peer = [&] {
            VipsImage* in = vips_image_new_from_memory(source.ScanLine(0), source.Data()->ByteCount(), kWidth, kHeight,
                                                       4, VIPS_FORMAT_UCHAR);
            VipsImage* out = nullptr;
            size_t size = 0;
            void* pixels = nullptr;
            double seconds = bench::Seconds([&] {
                if (vips_resize(in, &out, 0.5, nullptr)) return;
                pixels = vips_image_write_to_memory(out, &size);
            });
            if (!pixels || out->Xsize != kWidth / 2 || out->Ysize != kHeight / 2) std::printf("libvips failed\n");
            g_free(pixels);
            if (out) g_object_unref(out);
            g_object_unref(in);
            return seconds;
        };
        const bench::Samples s = bench::Alternate(ours, peer, 7);
        const double o = bench::Median(s.ours), p = bench::Median(s.peer);
        std::printf("BENCH converter_resize_24mp_50pct ours=%.4f peer=libvips:%.4f ratio=%.3f size=%dx%d\n", o, p,
                    o / p, window.Image1->Picture().Width(), window.Image1->Picture().Height());
#else
        bench::Missing("converter_resize_24mp_50pct", "libvips (scripts/setup ci)");
#endif
        std::fflush(stdout);
    }

    // The drag, with the window drawn after every step as the screen draws it ("_drawn"), or not.
    for (const bool drawn : {false, true}) {
        const std::string name = drawn ? "converter_drag_1_to_200_drawn" : "converter_drag_1_to_200";
        if (!filter.Selected(name)) continue;
        bar.SetPosition(1);
        if (drawn) window.Snapshot();
        std::vector<double> steps;
        const double growth = bench::PeakGrowth([&] {
            for (int p = 2; p <= 200; ++p)
                steps.push_back(bench::Seconds([&] {
                    bar.SetPosition(p);
                    if (drawn) window.Snapshot();
                }));
        });
        const double largest = double(window.Image1->Picture().Width()) * window.Image1->Picture().Height() * 4;
        double total = 0;
        for (double s : steps) total += s;
        std::printf("BENCH %s steps=%zu total=%.3f median_step=%.4f slowest_step=%.4f\n", name.c_str(), steps.size(),
                    total, bench::Median(steps), *std::max_element(steps.begin(), steps.end()));
        std::printf("BENCH %s_memory growth=%.1fMB largest_preview=%.1fMB previews=%.2f loaded_picture=%.1fMB\n",
                    name.c_str(), growth / 1e6, largest / 1e6, growth / largest,
                    double(source.Data()->ByteCount()) / 1e6);
        std::fflush(stdout);
    }

    source = gfx::TBitmap();
    delete app::frmcomp;
    delete app::Frmadjust;
    delete app::FrmFirst;
    std::error_code ec;
    fs::remove_all(root, ec);
#ifdef QUADRELL_HAVE_VIPS
    vips_shutdown();
#endif
    return 0;
}
