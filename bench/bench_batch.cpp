// The converter's folder batch from the click on "Save The Images/Thumbnails" until its summary:
// 16 photographs of 3000 x 2000 converted to JPEG at 50 % and quality 85, against vipsthumbnail and
// ImageMagick's mogrify making the same 1500 x 1000 files from copies of the same folder.
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
    const char* name = "batch_16_jpegs_50pct";
    if (!bench::Filter(argc, argv).Selected(name)) return 0;
    ui::ScriptedSeam seam;
    bench::ScratchFolders scratch("bench-batch");
    const std::string photos = scratch.Next() + "/";
    for (int i = 0; i < kPhotos; ++i) {
        char file[32];
        std::snprintf(file, sizeof file, "photo%02d.jpg", i + 1);
        bench::SaveJpeg(MakePhoto(i), photos + file);
    }

    app::InitUnits();
    app::CreateAutoForms();
    app::TFrmadjust& converter = *app::Frmadjust;
    converter.ScrollBar1->SetPosition(50);
    app::FolderMode = true;
    app::SourceFolder = photos;
    app::MakeWebPage = false;
    // The file-kind chooser keeps "all", the type chooser is answered JPEG, the quality stays 85.
    seam.OnShowModal = [](ui::TForm& form) {
        if (&form == app::Frmtype) {
            app::Frmtype->RadJpeg->Click();
            app::Frmtype->BitBtn1->Click();
            return;
        }
        form.Close();
    };

    bool ok = true;
    std::string lastOurs, lastVips, lastMogrify;
    auto ours = [&] {
        app::OutputFolder = lastOurs = scratch.Next() + "/";
        converter.Cmdsave->Click();
        ok = ok && app::Frmresults->Lblstatus->Caption() == "Finished. Total Files = 16" && seam.Messages.empty();
    };
    const bool haveVips = Has("vipsthumbnail --vips-version"), haveMogrify = Has("mogrify -version");
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
