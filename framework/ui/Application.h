// The application object, the screen cursor and message processing.
#pragma once

#include <exception>
#include <functional>
#include <new>

#include "framework/rtl/SysUtils.h"
#include "framework/ui/Controls.h"
#include "framework/ui/Forms.h"

namespace ui {

class TScreen {
public:
    TCursor Cursor() const { return FCursor; }
    // The whole program's cursor (crHourGlass while busy); crDefault lets each control's show.
    void SetCursor(TCursor cursor);
    // Screen size in pixels (the design size 1024 x 768 without a GUI).
    int Width() const;
    int Height() const;
    // The part of the screen that windows may take (without the desktop's panels and docks), in
    // pixels; the whole screen without a GUI.
    int WorkAreaWidth() const;
    int WorkAreaHeight() const;
private:
    TCursor FCursor = crDefault;
};
TScreen& Screen();

// While a long command works: the hourglass as the screen cursor, and the windows painted anew
// right away (a dialog just closed leaves no picture behind).
class TBusyCursor {
public:
    TBusyCursor();
    ~TBusyCursor();
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;

private:
    TCursor FPrevious;
};
// Called often from a long command's loop: now and then lets the windows repaint. Mouse and
// keyboard wait until the command ends, so no command starts meanwhile.
void LetWindowsRepaint();

// Lets pending GUI events run; does nothing when no GUI runs (benchmarks, fuzzers), except for the
// events queued with QueueEvent.
void ProcessMessages();
// Queues a handler to run in the message loop (or in the next ProcessMessages), through Dispatch.
void QueueEvent(std::function<void()> handler);

class TApplication : public TComponent {
public:
    TApplication();
    ~TApplication() override;

    // Starts the GUI (a Qt application) unless one runs already.
    void Initialize();
    const String& Title() const { return FTitle; }
    void SetTitle(const String& title);
    // The program's icon, shown by every window and message box without one of its own.
    const gfx::TBitmap& Icon() const { return FIcon; }
    void SetIcon(const gfx::TBitmap& icon);

    // Creates an auto-created window owned by the application. The reference is set before the
    // window's constructor runs (so its OnCreate can use it); the first window made this way
    // becomes the main form.
    template <class T>
    void CreateForm(T*& reference)
    {
        void* memory = ::operator new(sizeof(T));
        reference = static_cast<T*>(memory);
        try {
            new (memory) T(this);
        } catch (...) {
            reference = nullptr;
            ::operator delete(memory);
            throw;
        }
        FormCreated(reference);
    }
    TForm* MainForm() const { return FMainForm; }
    void SetMainForm(TForm* form) { FMainForm = form; }

    // Shows the main form and runs the message loop (through the seam) until it closes.
    void Run();
    // Ends the message loop.
    void Terminate();
    bool Terminated() const { return FTerminated; }
    void ProcessMessages() { ui::ProcessMessages(); }

    // The default exception handler: an error box with the exception's message.
    void HandleException(const std::exception& e);
    void ShowException(const String& message);

    // The font of hints; hints show after HintPause milliseconds.
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool on) { FShowHint = on; }

private:
    void FormCreated(TForm* form);
    String FTitle;
    gfx::TBitmap FIcon;
    TForm* FMainForm = nullptr;
    bool FTerminated = false;
    bool FShowHint = true;
};

TApplication& Application();

// True when a GUI (a Qt application) runs in this process.
bool GuiRunning();

}  // namespace ui
