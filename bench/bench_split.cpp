// The split of a 6000 x 4000 picture: from the click on "Split Image" until the viewer is shown,
// against one memcpy of the picture's pixels; and the peak memory the split adds.
//   split_120x120_24mp   14,400 segments, 28,800 image controls
//   split_4x4_24mp       16 segments
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

#include "BenchUtil.h"
#include "app/Project.h"
#include "app/UFrmView.h"
#include "app/Uadjust.h"
#include "app/Ucompress.h"
#include "app/Ufirst.h"
#include "framework/graphics/Jpeg.h"
#include "framework/ui/Seam.h"

int main()
{
    namespace fs = std::filesystem;
    const std::string root = bench::TempHome("quadrell-bench-split");
    if (root.empty()) return 1;

    ui::ScriptedSeam seam;
    app::InitUnits();
    app::CreateAutoForms();

    constexpr int kWidth = 6000, kHeight = 4000;
    const std::string path = root + "/photo.jpg";
    bench::SaveJpeg(bench::MakePicture(kWidth, kHeight,
                                       [](int x, int y, uint8_t* bgr) {
                                           bgr[0] = uint8_t(x / 24);
                                           bgr[1] = uint8_t(y / 16);
                                           bgr[2] = uint8_t((x + y) / 40);
                                       }),
                    path);
    seam.Files.push_back(path);
    app::FrmFirst->Cmdimage->Click();
    if (!seam.Messages.empty() || app::SourceWidth != kWidth) {
        std::printf("selection failed\n");
        return 1;
    }
    const gfx::TBitmap* picture = nullptr;
    gfx::TBitmap pixels;
    app::Frmadjust->ImageSave->Picture().Graphic()->ToBitmap(pixels);
    picture = &pixels;
    const size_t pictureBytes = picture->Data()->ByteCount();
    std::vector<uint8_t> copy(pictureBytes);

    // Ours: the time from the click until the viewer is shown; the viewer then closes.
    std::chrono::steady_clock::time_point clicked, shown;
    size_t viewerSegments = 0;
    seam.OnShowModal = [&](ui::TForm& form) {
        shown = std::chrono::steady_clock::now();
        viewerSegments = size_t(app::SplitCols) * size_t(app::SplitRows);
        form.Close();
    };
    auto split = [&] {
        clicked = std::chrono::steady_clock::now();
        app::FrmFirst->CmdSplit->Click();
        return std::chrono::duration<double>(shown - clicked).count();
    };
    auto memcpyOnce = [&] {
        return bench::Seconds([&] {
            std::memcpy(copy.data(), picture->ScanLine(0), pictureBytes);
            volatile uint8_t sink = copy[pictureBytes / 2];
            (void)sink;
        });
    };

    struct Case {
        const char* Name;
        int Across, Down;
    };
    for (const Case& k : {Case{"split_120x120_24mp", 120, 120}, Case{"split_4x4_24mp", 4, 4}}) {
        app::FrmFirst->SpinW->SetValue(k.Across);
        app::FrmFirst->SpinH->SetValue(k.Down);
        const bench::Samples s = bench::Alternate(split, memcpyOnce, 5);
        double o = bench::Median(s.ours), p = bench::Median(s.peer);
        std::printf("BENCH %s ours=%.4f peer=memcpy:%.4f ratio=%.3f limit=%.4f segments=%zu\n", k.Name, o, p, o / p,
                    4 * p + 0.1, viewerSegments);

        // Peak memory while the viewer is open, above what the process held before the click.
        double growth = bench::PeakGrowth([&] { split(); });
        std::printf("BENCH %s_memory growth=%.1fMB picture=%.1fMB ratio=%.3f\n", k.Name, growth / 1e6,
                    double(pictureBytes) / 1e6, growth / double(pictureBytes));
        std::fflush(stdout);
    }

    delete app::frmcomp;
    delete app::Frmadjust;
    delete app::FrmFirst;
    std::error_code ec;
    fs::remove_all(root, ec);
    return 0;
}
