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

namespace {

// Resident and peak resident memory of the process in bytes (from /proc/self/status).
size_t StatusBytes(const char* key)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(key, 0) == 0) return size_t(std::stoull(line.substr(std::strlen(key)))) * 1024;
    return 0;
}

// Lets the peak resident memory start again from the current one.
void ResetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

}  // namespace

int main()
{
    namespace fs = std::filesystem;
    std::string root = (fs::temp_directory_path() / "quadrell-bench-split-XXXXXX").string();
    if (!mkdtemp(root.data())) return 1;
    setenv("HOME", (root + "/home").c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
    fs::create_directories(root + "/home/.config");

    ui::ScriptedSeam seam;
    app::InitUnits();
    app::CreateAutoForms();

    constexpr int kWidth = 6000, kHeight = 4000;
    const std::string path = root + "/photo.jpg";
    {
        gfx::TBitmap photo(kWidth, kHeight);
        for (int y = 0; y < kHeight; ++y) {
            uint8_t* row = photo.ScanLineW(y);
            for (int x = 0; x < kWidth; ++x) {
                row[4 * x] = uint8_t(x / 24);
                row[4 * x + 1] = uint8_t(y / 16);
                row[4 * x + 2] = uint8_t((x + y) / 40);
            }
        }
        gfx::TJPEGImage jpeg;
        jpeg.Assign(photo);
        jpeg.SaveToFile(path);
    }
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
        split();  // warm up
        memcpyOnce();
        std::vector<double> ours, peer;
        for (int i = 0; i < 5; ++i) {
            ours.push_back(split());
            peer.push_back(memcpyOnce());
        }
        double o = bench::Median(ours), p = bench::Median(peer);
        std::printf("BENCH %s ours=%.4f peer=memcpy:%.4f ratio=%.3f limit=%.4f segments=%zu\n", k.Name, o, p, o / p,
                    4 * p + 0.1, viewerSegments);

        // Peak memory while the viewer is open, above what the process held before the click; the
        // heap's free memory goes back to the system first, so that reused memory counts too.
        malloc_trim(0);
        size_t before = StatusBytes("VmRSS:");
        ResetPeak();
        split();
        size_t peak = StatusBytes("VmHWM:");
        double growth = peak > before ? double(peak - before) : 0.0;
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
