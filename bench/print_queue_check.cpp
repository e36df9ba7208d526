// Prints one segment through the program on the real default printer (used by scripts/print-check):
// a picture with sharp edges is chosen, split 2 x 2, segment #3 is selected in the viewer and
// "Print Image #3" is clicked. Windows, dialogs and message boxes are scripted; the printer is the
// real one. Writes the segment as segment.png to the given folder and every message box's text
// to standard output as "message: ...". Exit status 0 when no message box was shown.
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "app/Project.h"
#include "app/UFrmView.h"
#include "app/Uadjust.h"
#include "app/Ucompress.h"
#include "app/Ufirst.h"
#include "framework/graphics/Png.h"
#include "framework/ui/Application.h"
#include "framework/ui/Seam.h"

namespace {

// The scripted side, with the real printer.
class RealPrinterSeam : public ui::ScriptedSeam {
public:
    ui::PrinterDevice& Printer() override { return ui::RealSeam().Printer(); }
};

// Stripes and checks of one pixel and more, dark enough to stand out from paper.
gfx::TBitmap Sample(int w, int h)
{
    gfx::TBitmap b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool on = ((x / 3) + (y / 2)) % 2 == 0 || x % 7 == 0;
            b.SetPixel(x, y, on ? gfx::RGB(200, uint8_t(x * 3), 20) : gfx::RGB(10, uint8_t(y * 2), 180));
        }
    return b;
}

}  // namespace

int main(int argc, char** argv)
{
    namespace fs = std::filesystem;
    const std::string out = argc > 1 ? argv[1] : ".";
    fs::create_directories(out);

    RealPrinterSeam seam;
    app::InitUnits();
    ui::Application().Initialize();
    rtl::InitLocale();
    app::CreateAutoForms();

    const std::string picture = out + "/picture.png";
    {
        gfx::TPngImage png;
        png.Assign(Sample(160, 90));
        png.SaveToFile(picture);
    }
    seam.Files.push_back(picture);
    app::FrmFirst->Cmdimage->Click();
    app::FrmFirst->RadNum->Click();
    app::FrmFirst->SpinW->SetValue(2);
    app::FrmFirst->SpinH->SetValue(2);
    seam.OnShowModal = [&](ui::TForm& form) {
        if (auto* view = dynamic_cast<app::TFrmView*>(&form)) {
            view->ListBox1->ClickItem(2);
            std::printf("clicking \"%s\"\n", view->CmdPrint->Caption().c_str());
            view->CmdPrint->Click();
            gfx::TPngImage png;
            png.Assign(app::FullSegments(2, 1)->Picture().Bitmap());
            png.SaveToFile(out + "/segment.png");
        }
        form.Close();
    };
    app::FrmFirst->CmdSplit->Click();

    for (const auto& m : seam.Messages) std::printf("message: %s\n", m.Text.c_str());
    ui::ProcessMessages();
    delete app::frmcomp;
    delete app::Frmadjust;
    delete app::FrmFirst;
    return seam.Messages.empty() ? 0 : 1;
}
