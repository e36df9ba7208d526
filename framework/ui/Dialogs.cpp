#include "framework/ui/Dialogs.h"

#include "framework/rtl/SysUtils.h"

namespace ui {

void ShowMessage(const String& text) { CurrentSeam().MessageBox(TMsgDlgType::mtCustom, text, mbOK); }

int MessageDlg(const String& text, TMsgDlgType kind, unsigned buttons)
{
    return CurrentSeam().MessageBox(kind, text, buttons);
}

TOpenDialog::TOpenDialog(TComponent* owner) : TOpenDialog(owner, false) {}

TOpenDialog::TOpenDialog(TComponent* owner, bool save) : TComponent(owner), FSave(save) {}

TSaveDialog::TSaveDialog(TComponent* owner) : TOpenDialog(owner, true) {}

std::vector<TOpenDialog::FilterEntry> TOpenDialog::FilterEntries() const
{
    std::vector<String> parts;
    size_t start = 0;
    for (;;) {
        size_t bar = FFilter.find('|', start);
        parts.push_back(FFilter.substr(start, bar == String::npos ? String::npos : bar - start));
        if (bar == String::npos) break;
        start = bar + 1;
    }
    std::vector<FilterEntry> entries;
    for (size_t i = 0; i + 1 < parts.size(); i += 2) entries.push_back({parts[i], parts[i + 1]});
    if (parts.size() % 2 == 1 && !parts.back().empty()) entries.push_back({parts.back(), parts.back()});
    return entries;
}

// With a default extension set, the extension of the chosen filter's first pattern ("*.BMP"), or
// the default one where that pattern names none ("*.*").
String TOpenDialog::ExtensionToAdd() const
{
    const std::vector<FilterEntry> entries = FilterEntries();
    if (FFilterIndex >= 1 && FFilterIndex <= int(entries.size())) {
        const String& patterns = entries[size_t(FFilterIndex - 1)].Patterns;
        const String first = patterns.substr(0, patterns.find(';'));
        const String ext = rtl::ExtractFileExt(rtl::Trim(first));
        if (first.compare(0, 2, "*.") == 0 && ext.size() > 1 && ext.find_first_of("*?") == String::npos) return ext;
    }
    return FDefaultExt[0] == '.' ? FDefaultExt : "." + FDefaultExt;
}

// A chosen name is refused (told, and asked for again) when the options say so.
bool TOpenDialog::Accept(String& name)
{
    if (!FDefaultExt.empty() && !name.empty() && rtl::ExtractFileExt(name).empty()) name += ExtensionToAdd();
    if (name.empty()) return true;
    if (FOptions & ofPickFolder) {
        if (rtl::DirectoryExists(name)) return true;
        CurrentSeam().MessageBox(TMsgDlgType::mtWarning,
                                 rtl::Format("%s\nThe folder does not exist.\nCheck the name and try again.", {name}),
                                 mbOK);
        return false;
    }
    String folder = rtl::ExtractFileDir(name);
    if ((FOptions & ofPathMustExist) && !folder.empty() && !rtl::DirectoryExists(folder)) {
        CurrentSeam().MessageBox(TMsgDlgType::mtWarning,
                                 rtl::Format("%s\nThe folder does not exist.\nCheck the name and try again.", {name}),
                                 mbOK);
        return false;
    }
    if (!FSave && (FOptions & ofFileMustExist) && !rtl::FileExists(name)) {
        CurrentSeam().MessageBox(TMsgDlgType::mtWarning,
                                 rtl::Format("%s\nFile not found.\nCheck the file name and try again.", {name}),
                                 mbOK);
        return false;
    }
    if (FSave && (FOptions & ofOverwritePrompt) && rtl::FileExists(name)) {
        int answer = CurrentSeam().MessageBox(
            TMsgDlgType::mtWarning, rtl::Format("%s already exists.\nDo you want to replace it?", {name}),
            mbYes | mbNo);
        return answer == mrYes;
    }
    return true;
}

bool TOpenDialog::Execute()
{
    // Each refusal asks again; a cancel ends it.
    for (;;) {
        String name;
        int filterIndex = FFilterIndex;
        if (!CurrentSeam().FileDialog(*this, name, filterIndex)) return false;
        FFilterIndex = filterIndex;
        if (Accept(name)) {
            FFileName = name;
            return true;
        }
    }
}

}  // namespace ui
