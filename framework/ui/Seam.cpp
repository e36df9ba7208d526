// The seam's switch and its scripted side.
#include "framework/ui/Seam.h"

#include "framework/ui/Application.h"
#include "framework/ui/Dialogs.h"
#include "framework/ui/Forms.h"

namespace ui {

namespace {
Seam* gInstalled = nullptr;
}

Seam& CurrentSeam() { return gInstalled ? *gInstalled : RealSeam(); }

void InstallSeam(Seam* seam) { gInstalled = seam; }

// ---- recording printer ------------------------------------------------------------------------

bool RecordingPrinter::Available(String& why)
{
    if (!Present) why = "There is no default printer currently selected";
    return Present;
}

void RecordingPrinter::BeginDoc(bool landscape, const String& title)
{
    Landscape = landscape;
    Title = title;
    ++DocsBegun;
}

// ---- scripted side -----------------------------------------------------------------------------

ScriptedSeam::ScriptedSeam() : FPrevious(gInstalled) { InstallSeam(this); }

ScriptedSeam::~ScriptedSeam() { InstallSeam(FPrevious); }

std::vector<String> ScriptedSeam::Texts() const
{
    std::vector<String> t;
    for (auto& m : Messages) t.push_back(m.Text);
    return t;
}

int ScriptedSeam::MessageBox(TMsgDlgType kind, const String& text, unsigned buttons)
{
    if (OnMessage) OnMessage(MessageRecord{kind, text, buttons, mrNone});
    int answer = mrOk;
    if (!Answers.empty()) {
        answer = Answers.front();
        Answers.pop_front();
    } else if (buttons & mbYes) {
        answer = mrYes;
    }
    Messages.push_back({kind, text, buttons, answer});
    return answer;
}

int ScriptedSeam::ShowModal(TForm& form)
{
    ModalShown.push_back(form.Name());
    form.SetShown(true, false);
    if (OnShowModal) OnShowModal(form);
    else form.Close();
    // As the real loop does once a result is set: the window may still refuse to close.
    if (form.ModalResult() != mrNone) form.EndModal();
    form.SetShown(false, false);
    return form.ModalResult();
}

bool ScriptedSeam::FileDialog(const TOpenDialog& dialog, String& name, int& filterIndex)
{
    Dialogs.push_back({dialog.IsSaveDialog(), dialog.Filter(), dialog.FilterIndex(), dialog.InitialDir(),
                       dialog.FileName(), dialog.DefaultExt(), dialog.Options()});
    if (!FilterChoices.empty()) {
        filterIndex = FilterChoices.front();
        FilterChoices.pop_front();
    }
    if (Files.empty()) return false;
    std::optional<String> answer = Files.front();
    Files.pop_front();
    if (!answer) return false;
    name = *answer;
    return true;
}

void ScriptedSeam::RunMessageLoop(TApplication& app)
{
    if (TForm* main = app.MainForm()) main->SetShown(true, false);
    if (OnRun) OnRun(app);
    ProcessMessages();
}

int ScriptedSeam::ShellExecute(const String& verb, const String& file, const String& params,
                               const String& dir, int showCmd)
{
    ShellCalls.push_back({verb, file, params, dir, showCmd});
    if (RealShell) return RealSeam().ShellExecute(verb, file, params, dir, showCmd);
    if (!ShellResults.empty()) {
        int r = ShellResults.front();
        ShellResults.pop_front();
        return r;
    }
    return ShellResult;
}

bool ScriptedSeam::SetClipboard(const gfx::TBitmap& bitmap)
{
    if (!ClipboardWorks) return false;
    Clipboard.push_back(bitmap);
    return true;
}

String ScriptedSeam::AppDataFolder() { return AppData ? *AppData : RealSeam().AppDataFolder(); }

String ScriptedSeam::WindowsDirectory() { return WindowsDir ? *WindowsDir : RealSeam().WindowsDirectory(); }

}  // namespace ui
