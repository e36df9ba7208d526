// Pictures of the program's windows for looking at their layout (used by scripts/screenshot):
// the main window at start and with a JPEG and a GIF picture chosen, the viewer of a 4 x 4 split,
// the About window, the GIF codec's progress window half way through the GIF's decode, and the
// converter window with its output-type chooser, quality window, results window and viewer. The
// windows are the program's own, driven through the scripted seam; each is drawn as it appears on
// screen and saved as PNG in the given folder.
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "BenchUtil.h"
#include "app/Project.h"
#include "app/UFrmView.h"
#include "app/Uabout.h"
#include "app/FolderBatch.h"
#include "app/Uadjust.h"
#include "app/Uchoice.h"
#include "app/Ufolders.h"
#include "app/Ucompress.h"
#include "app/Ufirst.h"
#include "app/Uimgview.h"
#include "app/Uresults.h"
#include "app/Utype.h"
#include "framework/graphics/Jpeg.h"
#include "framework/graphics/Png.h"
#include "framework/ui/Application.h"
#include "framework/ui/Seam.h"
#include "gif/FmProgr.h"
#include "gif/GifUnit.h"
#include "tiff/Bmp2Tiff.h"

namespace {

std::string gOut;

void Save(ui::TWinControl& window, const std::string& name)
{
    ui::ProcessMessages();
    gfx::TBitmap shot = window.Snapshot();
    gfx::TPngImage png;
    png.Assign(shot);
    png.SaveToFile(gOut + "/" + name);
    std::printf("%s/%s %dx%d\n", gOut.c_str(), name.c_str(), shot.Width(), shot.Height());
}

// A picture with something to see in every segment.
gfx::TBitmap Sample(int w, int h)
{
    gfx::TBitmap b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            bool ring = ((x - w / 2) * (x - w / 2) + (y - h / 2) * (y - h / 2)) / 6000 % 2 == 0;
            b.SetPixel(x, y, ring ? gfx::RGB(250, 220, 40) : gfx::RGB(uint8_t(x * 255 / w), 90, uint8_t(y * 255 / h)));
        }
    return b;
}

// Chained after the codec's own report: the progress window is grabbed once, half way.
gif::TProgressProc gShowProgress = nullptr;
bool gProgressShot = false;

void GrabProgress(float value)
{
    gShowProgress(value);
    gif::TProgressForm* form = gif::ProgressForm;
    if (gProgressShot || value < 0.5f || !form || !form->Visible()) return;
    gProgressShot = true;
    std::printf("progress window: caption \"%s\", bounds %d,%d %dx%d, client %dx%d, gauge %d,%d %dx%d at %d\n",
                form->Caption().c_str(), form->Left(), form->Top(), form->Width(), form->Height(),
                form->ClientWidth(), form->ClientHeight(), form->Gauge1->Left(), form->Gauge1->Top(),
                form->Gauge1->Width(), form->Gauge1->Height(), form->Gauge1->Progress());
    Save(*form, "progress_gif.png");
}

}  // namespace

int main(int argc, char** argv)
{
    namespace fs = std::filesystem;
    gOut = argc > 1 ? argv[1] : ".";
    fs::create_directories(gOut);
    const std::string root = bench::TempHome("quadrell-shots");
    if (root.empty()) return 1;

    ui::ScriptedSeam seam;
    app::InitUnits();
    ui::Application().Initialize();
    rtl::InitLocale();
    app::CreateAutoForms();
    Save(*app::FrmFirst, "main_start.png");

    const std::string photo = root + "/harbour.jpg";
    bench::SaveJpeg(Sample(800, 600), photo);
    seam.Files.push_back(photo);
    app::FrmFirst->Cmdimage->Click();
    Save(*app::FrmFirst, "main_chosen.png");

    seam.OnShowModal = [](ui::TForm& form) {
        Save(form, form.Name() == "Frmabout" ? "about.png" : "viewer_4x4.png");
        form.Close();
    };
    app::FrmFirst->CmdSplit->Click();
    app::FrmFirst->Button1->Click();

    const std::string gifPath = root + "/rings.gif";
    {
        gfx::TBitmap rings = Sample(300, 400);
        rings.SetPixelFormat(gfx::TPixelFormat::pf8bit);
        gif::TGifFile document;
        document.AddBitmap(std::make_unique<gfx::TBitmap>(rings));
        document.SaveToFile(gifPath);
    }
    gShowProgress = gif::ProgressCallback;
    gif::ProgressCallback = GrabProgress;
    seam.Files.push_back(gifPath);
    app::FrmFirst->Cmdimage->Click();
    gif::ProgressCallback = gShowProgress;
    if (!gProgressShot) std::printf("the progress window did not show\n");
    Save(*app::FrmFirst, "main_gif.png");

    // A palette TIFF large enough to be read in bands side by side.
    const std::string tifPath = root + "/rings.tif";
    {
        gfx::TBitmap rings = Sample(1800, 1350);
        rings.SetPixelFormat(gfx::TPixelFormat::pf8bit);
        tif::WriteTiffFile(tifPath, rings);
    }
    seam.Files.push_back(tifPath);
    app::FrmFirst->Cmdimage->Click();
    Save(*app::FrmFirst, "main_tif.png");

    // The folder batch's windows: the folder window and the file-kind chooser at 50 %.
    {
        app::TFrmfolders folders(app::Frmadjust);
        folders.SetChoice({.FolderMode = true, .Source = root + "/pictures/", .Output = root + "/small/",
                           .Web = root + "/web/", .MakeWebPage = true});
        Save(folders, "folders.png");
        app::TFrmchoice chooser(app::Frmadjust);
        chooser.RadAll->SetChecked(true);
        chooser.Lbltitle->SetCaption(app::ChooserTitle("50%"));
        Save(chooser, "choice.png");
    }

    // The converter for the JPEG picture, and the windows that serve it.
    seam.Files.push_back(photo);
    app::FrmFirst->Cmdimage->Click();
    const std::string converted = root + "/harbour_small.jpg";
    seam.Files.push_back(converted);
    seam.OnShowModal = [&](ui::TForm& form) {
        app::TFrmadjust& converter = *app::Frmadjust;
        if (&form == &converter) {
            Save(form, "converter_loaded.png");
            converter.ScrollBar1->SetPosition(50);
            Save(form, "converter_50pct.png");
            converter.EdW->Type("300");
            converter.EdH->Type("200");
            converter.Button1->Click();
            converter.Cmdcalculate->Click();
            Save(form, "converter_calculated.png");
            converter.Cmdsave->Click();
            Save(form, "converter_saved.png");
            app::Frmresults->Show();
            Save(*app::Frmresults, "results.png");
            app::Frmresults->Hide();
            converter.Image1->Click();
            converter.BitBtn4->Click();
        } else if (&form == app::Frmtype) {
            Save(form, "type_chooser.png");
            app::Frmtype->BitBtn1->Click();
        } else if (&form == app::frmcomp) {
            Save(form, "quality.png");
            form.Close();
        } else if (&form == app::Frmimgview) {
            Save(form, "picture_viewer.png");
            form.Close();
        } else {
            form.Close();
        }
    };
    app::FrmFirst->CmdConvert->Click();

    for (const auto& m : seam.Messages) std::printf("message: %s\n", m.Text.c_str());
    ui::ProcessMessages();
    delete app::frmcomp;
    delete app::Frmadjust;
    delete app::FrmFirst;
    std::error_code ec;
    fs::remove_all(root, ec);
    return seam.Messages.empty() ? 0 : 1;
}
