// Minimal real side until the Qt layer lands: message boxes print to stderr.
#include <cstdio>

#include "framework/ui/Application.h"
#include "framework/ui/Dialogs.h"

namespace ui {
namespace {

class ConsoleSeam : public Seam {
public:
    int MessageBox(TMsgDlgType, const String& text, unsigned buttons) override
    {
        std::fprintf(stderr, "%s\n", text.c_str());
        return (buttons & mbYes) ? mrYes : mrOk;
    }
};

Seam* gInstalled = nullptr;

}  // namespace

Seam& CurrentSeam()
{
    static ConsoleSeam real;
    return gInstalled ? *gInstalled : real;
}

void InstallSeam(Seam* seam) { gInstalled = seam; }

void ShowMessage(const String& text) { CurrentSeam().MessageBox(TMsgDlgType::mtCustom, text, mbOK); }

int MessageDlg(const String& text, TMsgDlgType kind, unsigned buttons)
{
    return CurrentSeam().MessageBox(kind, text, buttons);
}

TScreen& Screen()
{
    static TScreen screen;
    return screen;
}

void TScreen::SetCursor(TCursor cursor) { FCursor = cursor; }

void ProcessMessages() {}

}  // namespace ui
