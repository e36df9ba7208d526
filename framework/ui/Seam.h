// The one seam through which everything reaches a person or the world outside the process:
// message boxes, open and save dialogs, modal showing, the message loop, the shell, the printer,
// the clipboard and the system's folders. The real side uses Qt and the OS; tests install a
// scripted side.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "framework/graphics/Graphics.h"
#include "framework/rtl/SysUtils.h"

namespace ui {

using rtl::String;

class TForm;
class TOpenDialog;
class TApplication;

enum class TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

// Buttons of a message box (combinable) and the answers.
enum TMsgDlgButtons : unsigned { mbYes = 1, mbNo = 2, mbOK = 4, mbCancel = 8 };
enum TModalResult : int { mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6, mrNo = 7, mrClose = 8 };

struct MessageRecord {
    TMsgDlgType Kind = TMsgDlgType::mtCustom;
    String Text;
    unsigned Buttons = mbOK;
    int Answer = mrOk;
};

// A page of the printer: what a document draws, as the seam hands it on.
struct PrintDraw {
    gfx::TRect Dest;       // in printer pixels
    gfx::TBitmap Pixels;   // the source rectangle's pixels (pfDevice)
};

// The printer behind the printer object.
class PrinterDevice {
public:
    virtual ~PrinterDevice() = default;
    // False (with a message) when there is no printer to print on.
    virtual bool Available(String& why) = 0;
    // Starts a job named title.
    virtual void BeginDoc(bool landscape, const String& title) = 0;
    // Ends and sends the job; EPrinter when it is refused.
    virtual void EndDoc() = 0;
    virtual void Abort() = 0;
    virtual int PixelsPerInchX() = 0;
    virtual int PixelsPerInchY() = 0;
    virtual int PageWidth() = 0;   // printable area in printer pixels
    virtual int PageHeight() = 0;
    virtual void Draw(const PrintDraw& draw) = 0;
};

class Seam {
public:
    virtual ~Seam() = default;
    // A modal message box; returns the button pressed (mrOk, mrYes, mrNo, ...).
    virtual int MessageBox(TMsgDlgType kind, const String& text, unsigned buttons) = 0;
    // Shows the window modally until its ModalResult is set; returns it.
    virtual int ShowModal(TForm& form) = 0;
    // The open or save dialog; true with the chosen full name in name, false when cancelled.
    // filterIndex comes in as the dialog's filter (1-based) and goes out as the one the user chose.
    virtual bool FileDialog(const TOpenDialog& dialog, String& name, int& filterIndex) = 0;
    // The message loop of the program until the application terminates.
    virtual void RunMessageLoop(TApplication& app) = 0;
    // ShellExecute's work; returns its result (2 file missing, 31 nothing started, 42 started).
    virtual int ShellExecute(const String& verb, const String& file, const String& params,
                             const String& dir, int showCmd) = 0;
    virtual PrinterDevice& Printer() = 0;
    // Puts a bitmap on the clipboard; false when the clipboard cannot be had.
    virtual bool SetClipboard(const gfx::TBitmap& bitmap) = 0;
    virtual String AppDataFolder() = 0;
    virtual String WindowsDirectory() = 0;
    // Whether showing a window makes its widgets on the screen (the scripted side keeps windows
    // as data unless a test asks for their widgets).
    virtual bool ShowsWindows() { return true; }
    // The screen cursor changed (crHourGlass while a long command works, crDefault after it).
    virtual void CursorChanged(int cursor) {}
};

// The seam in use (the real one unless a test installed another).
Seam& CurrentSeam();
void InstallSeam(Seam* seam);  // nullptr: back to the real seam
// The real side itself (for a scripted side that passes some calls on).
Seam& RealSeam();

// Test side: a printer that records each draw; its resolution and page size are the test's.
class RecordingPrinter : public PrinterDevice {
public:
    bool Present = true;  // false: no default printer
    int ResolutionX = 600, ResolutionY = 600;
    int Width = 4800, Height = 6600;
    bool Landscape = false;
    String Title;  // of the last job begun
    int DocsBegun = 0, DocsEnded = 0, DocsAborted = 0;
    std::vector<PrintDraw> Draws;

    bool Available(String& why) override;
    void BeginDoc(bool landscape, const String& title) override;
    void EndDoc() override { ++DocsEnded; }
    void Abort() override { ++DocsAborted; }
    int PixelsPerInchX() override { return ResolutionX; }
    int PixelsPerInchY() override { return ResolutionY; }
    int PageWidth() override { return Width; }
    int PageHeight() override { return Height; }
    void Draw(const PrintDraw& draw) override { Draws.push_back(draw); }
};

struct DialogRecord {
    bool Save = false;
    String Filter;
    int FilterIndex = 1;
    String InitialDir;
    String FileName;
    String DefaultExt;
    unsigned Options = 0;
};

struct ShellRecord {
    String Verb, File, Params, Dir;
    int ShowCmd = 0;
};

// Test side: records every call; answers from queues. Installs itself while it lives.
class ScriptedSeam : public Seam {
public:
    ScriptedSeam();
    ~ScriptedSeam() override;

    // Message boxes: answered from Answers (when empty: mrYes where Yes is offered, else mrOk).
    // OnMessage, when set, sees each box while it is shown, before it is answered.
    std::deque<int> Answers;
    std::function<void(const MessageRecord&)> OnMessage;
    std::vector<MessageRecord> Messages;
    std::vector<String> Texts() const;
    int MessageBox(TMsgDlgType kind, const String& text, unsigned buttons) override;

    // Modal showing: OnShowModal acts on the window (clicks, sets its bar, closes it); without
    // it the window is closed as its close box would. Returns the window's ModalResult.
    std::function<void(TForm&)> OnShowModal;
    std::vector<String> ModalShown;  // names of the windows shown modally, in order
    int ShowModal(TForm& form) override;

    // File dialogs: answered from Files (a full name, or std::nullopt for cancel; empty: cancel).
    // FilterChoices: the filter the user picks in each dialog (1-based; empty: the dialog's own).
    std::deque<std::optional<String>> Files;
    std::deque<int> FilterChoices;
    std::vector<DialogRecord> Dialogs;
    bool FileDialog(const TOpenDialog& dialog, String& name, int& filterIndex) override;

    // The message loop: OnRun acts on the running program; then the loop ends.
    std::function<void(TApplication&)> OnRun;
    void RunMessageLoop(TApplication& app) override;

    // Shell: recorded, nothing is started; answered from ShellResults, else ShellResult. With
    // RealShell the calls are recorded and then made on the real side, which answers them.
    std::vector<ShellRecord> ShellCalls;
    std::deque<int> ShellResults;
    int ShellResult = 42;
    bool RealShell = false;
    int ShellExecute(const String& verb, const String& file, const String& params, const String& dir,
                     int showCmd) override;

    RecordingPrinter Recorder;
    PrinterDevice& Printer() override { return Recorder; }

    // Clipboard: every bitmap put on it, the last one last. ClipboardWorks false: it cannot be had.
    std::vector<gfx::TBitmap> Clipboard;
    bool ClipboardWorks = true;
    bool SetClipboard(const gfx::TBitmap& bitmap) override;

    // Folders: the real ones unless set.
    std::optional<String> AppData;
    std::optional<String> WindowsDir;
    String AppDataFolder() override;
    String WindowsDirectory() override;
    bool ShowsWindows() override { return false; }

    // Every change of the screen cursor, in order.
    std::vector<int> CursorChanges;
    void CursorChanged(int cursor) override { CursorChanges.push_back(cursor); }

private:
    Seam* FPrevious = nullptr;
};

}  // namespace ui
