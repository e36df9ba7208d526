// The converter's folder batch from the click on "Save The Images/Thumbnails" until its summary:
// 16 photographs of 3000 x 2000 converted to JPEG at 50 % and quality 85, against vipsthumbnail and
// ImageMagick's mogrify making the same 1500 x 1000 files from copies of the same folder. The time
// is measured in this process; the peak memory of the whole batch is that of a child process,
// this program run as a driver of one batch, against vipsthumbnail's, both read from wait4.
#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchUtil.h"
#include "app/Globals.h"
#include "app/Project.h"
#include "app/Uadjust.h"
#include "app/Uchoice.h"
#include "app/Ucompress.h"
#include "app/Uresults.h"
#include "app/Utype.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/Jpeg.h"
#include "framework/ui/Seam.h"

namespace {

namespace fs = std::filesystem;

constexpr int kPhotos = 16, kWidth = 3000, kHeight = 2000, kRuns = 5;

// A photograph-like picture: gradients with some grain, different for each photograph.
gfx::TBitmap MakePhoto(int index)
{
    uint32_t seed = 12345u + uint32_t(index) * 7919u;
    return bench::MakePicture(kWidth, kHeight, [&](int x, int y, uint8_t* bgr) {
        seed = seed * 1664525u + 1013904223u;
        const int grain = int(seed >> 28) - 8;
        bgr[0] = uint8_t(std::clamp((x * 255) / kWidth + grain + index * 9, 0, 255));
        bgr[1] = uint8_t(std::clamp((y * 255) / kHeight + grain, 0, 255));
        bgr[2] = uint8_t(std::clamp(((x + y + index * 50) / 40) % 256 + grain, 0, 255));
    });
}

bool Has(const char* command) { return std::system((std::string(command) + " >/dev/null 2>&1").c_str()) == 0; }

// The converter set up for the batch of the benchmark: all kinds, JPEG at quality 85, 50 %.
void PrepareBatch(ui::ScriptedSeam& seam, const std::string& photos)
{
    app::InitUnits();
    app::CreateAutoForms();
    app::Frmadjust->ScrollBar1->SetPosition(50);
    app::FolderMode = true;
    app::SourceFolder = photos;
    app::MakeWebPage = false;
    // The file-kind chooser keeps "all", the type chooser is answered JPEG, the quality stays 85.
    seam.OnShowModal = [](ui::TForm& form) {
        if (auto* chooser = dynamic_cast<app::TFrmchoice*>(&form)) {
            chooser->BitBtn1->Click();
            return;
        }
        if (&form == app::Frmtype) {
            app::Frmtype->RadJpeg->Click();
            app::Frmtype->BitBtn1->Click();
            return;
        }
        form.Close();
    };
}

// Runs one batch from photos into output; true when it ended as expected.
bool RunBatch(ui::ScriptedSeam& seam, const std::string& output)
{
    app::OutputFolder = output;
    app::Frmadjust->Cmdsave->Click();
    return app::Frmresults->Lblstatus->Caption() == "Finished. Total Files = 16" && seam.Messages.empty();
}

// The driver: one batch in a process of its own, "--driver PHOTOS OUTPUT"; exit status 0 when it
// ended as expected.
int Driver(const std::string& photos, const std::string& output)
{
    ui::ScriptedSeam seam;
    PrepareBatch(seam, photos);
    const bool ok = RunBatch(seam, output);
    seam.OnShowModal = nullptr;
    return ok ? 0 : 1;
}

// Runs the program with its arguments as a child and waits for it; its peak resident memory in MB,
// or a negative figure when it did not end well.
double ChildPeakMB(const std::vector<std::string>& argv)
{
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int failed = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed) return -1;
    int status = 0;
    struct rusage usage {};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    return double(usage.ru_maxrss) / 1024.0;
}

bool AllOfSize(const std::string& folder, int width, int height)
{
    int count = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        gfx::TJPEGImage jpeg;
        jpeg.LoadFromFile(entry.path().string());
        if (jpeg.Width() != width || jpeg.Height() != height) return false;
        ++count;
    }
    return count == kPhotos;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::string(argv[1]) == "--driver") return Driver(argv[2], argv[3]);
    const char* name = "batch_16_jpegs_50pct";
    const char* memoryName = "batch_16_jpegs_50pct_memory";
    const bench::Filter filter(argc, argv);
    if (!filter.Selected(name) && !filter.Selected(memoryName)) return 0;
    ui::ScriptedSeam seam;
    bench::ScratchFolders scratch("bench-batch");
    const std::string photos = scratch.Next() + "/";
    for (int i = 0; i < kPhotos; ++i) {
        char file[32];
        std::snprintf(file, sizeof file, "photo%02d.jpg", i + 1);
        bench::SaveJpeg(MakePhoto(i), photos + file);
    }

    bool ok = true;
    const bool haveVips = Has("vipsthumbnail --vips-version"), haveMogrify = Has("mogrify -version");
    std::vector<std::string> vipsArgs = {"vipsthumbnail"};
    for (int i = 0; i < kPhotos; ++i) {
        char file[32];
        std::snprintf(file, sizeof file, "photo%02d.jpg", i + 1);
        vipsArgs.push_back(photos + file);
    }
    vipsArgs.push_back("--size");
    vipsArgs.push_back(std::to_string(kWidth / 2) + "x" + std::to_string(kHeight / 2));
    vipsArgs.push_back("-o");

    // The peak memory of the whole batch, each run in a fresh process, ours and the peer's alternately.
    if (filter.Selected(memoryName)) {
        if (!haveVips) {
            bench::Missing(memoryName, "vipsthumbnail (libvips-tools)");
        } else {
            std::vector<double> oursMB, vipsMB;
            for (int run = 0; run < kRuns; ++run) {
                oursMB.push_back(ChildPeakMB({"/proc/self/exe", "--driver", photos, scratch.Next() + "/"}));
                std::vector<std::string> args = vipsArgs;
                args.push_back(scratch.Next() + "/%s.jpg[Q=85]");
                vipsMB.push_back(ChildPeakMB(args));
            }
            const bool ran = std::ranges::all_of(oursMB, [](double mb) { return mb > 0; }) &&
                             std::ranges::all_of(vipsMB, [](double mb) { return mb > 0; });
            const double mine = bench::Median(oursMB), peer = bench::Median(vipsMB);
            std::printf("BENCH %s ours=%.1f peer=vipsthumbnail:%.1f ratio=%.3f\n", memoryName, mine, peer, mine / peer);
            if (!ran) std::printf("BENCH %s note=a run did not end as expected\n", memoryName);
            std::fflush(stdout);
        }
    }
    if (!filter.Selected(name)) return 0;

    PrepareBatch(seam, photos);
    std::string lastOurs, lastVips, lastMogrify;
    auto ours = [&] {
        lastOurs = scratch.Next() + "/";
        ok = RunBatch(seam, lastOurs) && ok;
    };
    auto vips = [&] {
        lastVips = scratch.Next() + "/";
        const std::string command = "vipsthumbnail " + photos + "*.jpg --size " + std::to_string(kWidth / 2) + "x" +
                                    std::to_string(kHeight / 2) + " -o '" + lastVips + "%s.jpg[Q=85]'";
        ok = ok && std::system(command.c_str()) == 0;
    };
    // mogrify works in place: each run gets its own copy of the folder, made before the clock starts.
    auto copyForMogrify = [&] {
        lastMogrify = scratch.Next() + "/";
        fs::copy(photos, lastMogrify);
    };
    auto mogrify = [&] {
        const std::string command = "mogrify -resize 50% -quality 85 " + lastMogrify + "*.jpg";
        ok = ok && std::system(command.c_str()) == 0;
    };

    ours();  // warm up caches and lazy set-up once
    if (haveVips) vips();
    std::vector<double> a, b, c;
    for (int run = 0; run < kRuns; ++run) {
        a.push_back(bench::Seconds(ours));
        if (haveVips) b.push_back(bench::Seconds(vips));
        if (haveMogrify) {
            copyForMogrify();
            c.push_back(bench::Seconds(mogrify));
        }
    }
    const double mine = bench::Median(a);
    const int w = kWidth / 2, h = kHeight / 2;
    if (!AllOfSize(lastOurs, w, h)) ok = false;
    auto report = [&](bool have, const std::string& folder, const std::vector<double>& times, const char* peerName,
                      const char* missing) {
        if (!have) {
            bench::Missing(name, missing);
            return;
        }
        if (!AllOfSize(folder, w, h)) ok = false;
        const double peer = bench::Median(times);
        std::printf("BENCH %s ours=%.4f peer=%s:%.4f ratio=%.3f\n", name, mine, peerName, peer, mine / peer);
    };
    report(haveVips, lastVips, b, "vipsthumbnail", "vipsthumbnail (libvips-tools)");
    report(haveMogrify, lastMogrify, c, "mogrify", "ImageMagick mogrify");
    if (!ok) std::printf("BENCH %s note=a run did not end as expected\n", name);
    std::fflush(stdout);
    seam.OnShowModal = nullptr;
    return 0;
}
