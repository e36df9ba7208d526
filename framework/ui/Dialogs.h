// Message boxes and the open and save dialogs, all through the seam.
#pragma once

#include "framework/ui/Controls.h"
#include "framework/ui/Seam.h"

namespace ui {

// A plain message box with an OK button (the application's title as its caption).
void ShowMessage(const String& text);
// A message box of the given kind and buttons; returns the answer (mrOk, mrYes, mrNo, ...).
int MessageDlg(const String& text, TMsgDlgType kind, unsigned buttons);

// Options of the open and save dialogs (combinable).
enum TOpenOption : unsigned {
    ofReadOnly = 1u << 0, ofOverwritePrompt = 1u << 1, ofHideReadOnly = 1u << 2,
    ofNoChangeDir = 1u << 3, ofAllowMultiSelect = 1u << 9, ofExtensionDifferent = 1u << 10,
    ofPathMustExist = 1u << 11, ofFileMustExist = 1u << 12, ofEnableSizing = 1u << 23,
    ofPickFolder = 1u << 24,  // this platform's folder chooser: the answer is an existing folder
};

// The open dialog. Filter: pairs of description and patterns, "Text|*.X;*.Y|Text2|*.Z".
class TOpenDialog : public TComponent {
public:
    explicit TOpenDialog(TComponent* owner);
    const String& Filter() const { return FFilter; }
    void SetFilter(const String& filter) { FFilter = filter; }
    int FilterIndex() const { return FFilterIndex; }  // 1-based; after Execute, the user's choice
    void SetFilterIndex(int index) { FFilterIndex = index; }
    const String& InitialDir() const { return FInitialDir; }
    void SetInitialDir(const String& dir) { FInitialDir = dir; }
    const String& FileName() const { return FFileName; }
    void SetFileName(const String& name) { FFileName = name; }
    // Set: a chosen name without an extension gets the chosen filter's extension, or this one
    // (with its dot) when that filter names none.
    const String& DefaultExt() const { return FDefaultExt; }
    void SetDefaultExt(const String& ext) { FDefaultExt = ext; }
    unsigned Options() const { return FOptions; }
    void SetOptions(unsigned options) { FOptions = options; }
    const String& Title() const { return FTitle; }
    void SetTitle(const String& title) { FTitle = title; }
    bool IsSaveDialog() const { return FSave; }

    // Asks through the seam. True with FileName set to the chosen name; false when cancelled.
    // ofPathMustExist refuses a name whose folder is missing, ofFileMustExist one that is missing
    // (open dialog), ofOverwritePrompt asks before an existing file is chosen (save dialog): a
    // refused name is told and asked for again.
    bool Execute();

    // The filter's entries: description and patterns ("*.X;*.Y").
    struct FilterEntry { String Description; String Patterns; };
    std::vector<FilterEntry> FilterEntries() const;

protected:
    TOpenDialog(TComponent* owner, bool save);

private:
    bool Accept(String& name);
    String ExtensionToAdd() const;
    String FFilter;
    int FFilterIndex = 1;
    String FInitialDir;
    String FFileName;
    String FDefaultExt;
    String FTitle;
    unsigned FOptions = ofHideReadOnly | ofEnableSizing;
    bool FSave = false;
};

class TSaveDialog : public TOpenDialog {
public:
    explicit TSaveDialog(TComponent* owner);
};

}  // namespace ui
