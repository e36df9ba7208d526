// The whole job a person does: "Select Image" on a JPEG, "Split Image", "Save All Images" as JPEG
// at 85, the viewer closed; against libvips doing the same in this process (decode once, the
// crops, one JPEG save at 85 each). And the peak memory the job adds to the process, against the
// decoded picture's size.
//   job_4x4_jpeg_vs_vips   6000 x 4000, 4 x 4
//   job_4x4_jpeg_memory    the same job's peak memory growth
//   job_120x120_memory     6000 x 4000, 120 x 120: 14,400 segments, numbered
//   job_200mp_4x4          20000 x 10000, 4 x 4: time against libvips and peak memory growth
#include <malloc.h>
#include <stdlib.h>

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
#include "app/Globals.h"
#include "app/Project.h"
#include "app/UFrmView.h"
#include "app/Uadjust.h"
#include "app/Ucompress.h"
#include "app/Ufirst.h"
#include "framework/graphics/Jpeg.h"
#include "framework/ui/Seam.h"

namespace {

namespace fs = std::filesystem;

// A photograph-like picture with some grain, written as a JPEG at 90.
void WritePhoto(const std::string& path, int width, int height)
{
    uint32_t seed = 12345;
    bench::SaveJpeg(bench::MakePicture(width, height,
                                       [&](int x, int y, uint8_t* bgr) {
                                           seed = seed * 1664525u + 1013904223u;
                                           const int grain = int(seed >> 29);
                                           bgr[0] = uint8_t((x * 255) / width + grain);
                                           bgr[1] = uint8_t((y * 255) / height + grain);
                                           bgr[2] = uint8_t(((x + y) / 40) % 200 + grain);
                                       }),
                    path);
}

class Job {
public:
    Job(ui::ScriptedSeam& seam, std::string out) : FSeam(seam), FOut(std::move(out)) {}

    // Select, split across x down, save all as "seg.jpg", close; the seconds it took.
    double Run(const std::string& picture, int across, int down)
    {
        Clean();
        app::FrmFirst->RadNum->Click();
        app::FrmFirst->SpinW->SetValue(across);
        app::FrmFirst->SpinH->SetValue(down);
        FSeam.OnShowModal = [this](ui::TForm& form) {
            auto* view = dynamic_cast<app::TFrmView*>(&form);
            if (!view) {  // the quality dialog: 85
                form.Close();
                return;
            }
            FSeam.Files.push_back(FOut + "/seg.jpg");
            view->CmdSaveAll->Click();
            view->Close();
        };
        FSeam.Messages.clear();
        double seconds = bench::Seconds([&] {
            FSeam.Files.push_back(picture);
            app::FrmFirst->Cmdimage->Click();
            app::FrmFirst->CmdSplit->Click();
        });
        FSeam.OnShowModal = nullptr;
        if (!fs::exists(FOut + "/seg" + std::to_string(across * down) + ".jpg")) std::printf("job failed\n");
        return seconds;
    }

    // The holders emptied and the files gone, as before a first selection.
    void Clean()
    {
        app::Frmadjust->ImageHidden->Picture().Clear();
        app::Frmadjust->ImageSave->Picture().Clear();
        app::Frmadjust->Image1->Picture().Clear();
        app::FrmFirst->Image1->Picture().Clear();
        std::error_code ec;
        fs::remove_all(FOut, ec);
        fs::create_directories(FOut);
    }

    // Peak resident memory above what the process held before the job, in bytes.
    double Growth(const std::string& picture, int across, int down)
    {
        Clean();
        return bench::PeakGrowth([&] { Run(picture, across, down); });
    }

private:
    ui::ScriptedSeam& FSeam;
    std::string FOut;
};

#ifdef QUADRELL_HAVE_VIPS
// libvips: decode once, every crop saved as JPEG at 85.
double VipsJob(const std::string& picture, const std::string& out, int across, int down)
{
    std::error_code ec;
    fs::remove_all(out, ec);
    fs::create_directories(out);
    return bench::Seconds([&] {
        VipsImage* in = vips_image_new_from_file(picture.c_str(), nullptr);
        if (!in) return;
        const int w = in->Xsize / across, h = in->Ysize / down;
        int n = 0;
        for (int r = 0; r < down; ++r)
            for (int c = 0; c < across; ++c) {
                VipsImage* crop = nullptr;
                if (vips_crop(in, &crop, c * w, r * h, w, h, nullptr)) continue;
                const std::string name = out + "/seg" + std::to_string(++n) + ".jpg";
                vips_jpegsave(crop, name.c_str(), "Q", 85, nullptr);
                g_object_unref(crop);
            }
        g_object_unref(in);
    });
}
#endif

void TimeAgainstVips(const char* name, Job& job, const std::string& picture, const std::string& root, int runs)
{
#ifdef QUADRELL_HAVE_VIPS
    bench::Samples s = bench::Alternate([&] { return job.Run(picture, 4, 4); },
                                        [&] { return VipsJob(picture, root + "/vips", 4, 4); }, runs);
    std::vector<double>&a = s.ours, &b = s.peer;
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    const double o = bench::Median(a), p = bench::Median(b);
    std::printf("BENCH %s ours=%.4f peer=libvips:%.4f ratio=%.3f ours_range=%.4f-%.4f peer_range=%.4f-%.4f\n", name, o,
                p, o / p, a.front(), a.back(), b.front(), b.back());
#else
    (void)job, (void)picture, (void)root, (void)runs;
    bench::Missing(name, "libvips (scripts/setup ci)");
#endif
    std::fflush(stdout);
}

void ReportMemory(const char* name, Job& job, const std::string& picture, int across, int down, double pictureBytes)
{
    const double growth = job.Growth(picture, across, down);
    std::printf("BENCH %s growth=%.1fMB picture=%.1fMB ratio=%.3f\n", name, growth / 1e6, pictureBytes / 1e6,
                growth / pictureBytes);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv)
{
    bench::Filter filter(argc, argv);
    const std::string root = bench::TempHome("quadrell-bench-job");
    if (root.empty()) return 1;
#ifdef QUADRELL_HAVE_VIPS
    if (VIPS_INIT(argv[0])) return 1;
    vips_cache_set_max(0);
#endif

    ui::ScriptedSeam seam;
    app::InitUnits();
    app::CreateAutoForms();
    Job job(seam, root + "/ours");

    const bool want24 = filter.Selected("job_4x4_jpeg_vs_vips") || filter.Selected("job_4x4_jpeg_memory") ||
                        filter.Selected("job_120x120_memory");
    if (want24) {
        const std::string photo = root + "/photo.jpg";
        WritePhoto(photo, 6000, 4000);
        const double bytes = 6000.0 * 4000.0 * 4.0;
        if (filter.Selected("job_4x4_jpeg_vs_vips")) TimeAgainstVips("job_4x4_jpeg_vs_vips", job, photo, root, 7);
        if (filter.Selected("job_4x4_jpeg_memory")) ReportMemory("job_4x4_jpeg_memory", job, photo, 4, 4, bytes);
        if (filter.Selected("job_120x120_memory")) ReportMemory("job_120x120_memory", job, photo, 120, 120, bytes);
        fs::remove(photo);
    }
    if (filter.Selected("job_200mp_4x4")) {
        const std::string photo = root + "/panorama.jpg";
        WritePhoto(photo, 20000, 10000);
        job.Clean();
        malloc_trim(0);
        TimeAgainstVips("job_200mp_4x4", job, photo, root, 3);
        ReportMemory("job_200mp_4x4_memory", job, photo, 4, 4, 20000.0 * 10000.0 * 4.0);
    }
    job.Clean();

    delete app::frmcomp;
    delete app::Frmadjust;
    delete app::FrmFirst;
#ifdef QUADRELL_HAVE_VIPS
    vips_shutdown();
#endif
    std::error_code ec;
    fs::remove_all(root, ec);
    return 0;
}
