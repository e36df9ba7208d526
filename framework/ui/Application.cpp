#include "framework/ui/Application.h"

#include <chrono>
#include <deque>
#include <thread>

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QIcon>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

#include "framework/ui/Dialogs.h"
#include "framework/ui/QtBridge.h"

namespace ui {

bool GuiRunning() { return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr; }

// ---- event dispatch and the default exception handler --------------------------------------

void Dispatch(const std::function<void()>& handler)
{
    try {
        handler();
    } catch (const rtl::Exception& e) {
        Application().HandleException(e);
    } catch (const std::bad_alloc&) {
        Application().HandleException(rtl::EOutOfMemory());
    } catch (const std::exception& e) {
        Application().HandleException(e);
    } catch (...) {
        // Nothing may cross the GUI's event loop; an unknown error still ends only the command.
        Application().ShowException("An unexpected error ended the command");
    }
}

void TApplication::HandleException(const std::exception& e)
{
    if (auto* re = dynamic_cast<const rtl::Exception*>(&e)) ShowException(re->Message());
    else ShowException(e.what());
}

void TApplication::ShowException(const String& message)
{
    // The handler itself must not throw into the dispatch that called it.
    try {
        CurrentSeam().MessageBox(TMsgDlgType::mtError, message, mbOK);
    } catch (...) {
    }
}

// ---- message processing -----------------------------------------------------------------------

namespace {

std::deque<std::function<void()>>& Queued()
{
    static std::deque<std::function<void()>> q;
    return q;
}

void RunQueued()
{
    auto& q = Queued();
    size_t n = q.size();  // handlers queued meanwhile wait for the next round
    while (n-- > 0 && !q.empty()) {
        auto h = std::move(q.front());
        q.pop_front();
        Dispatch(h);
    }
}

}  // namespace

namespace {
// While above 0 the windows only catch up with the screen: queued handlers wait for the next round.
int gCatchingUp = 0;
}  // namespace

void QueueEvent(std::function<void()> handler)
{
    if (GuiRunning()) {
        QTimer::singleShot(0, QCoreApplication::instance(), [h = std::move(handler)]() mutable {
            if (gCatchingUp > 0) QueueEvent(std::move(h));
            else Dispatch(h);
        });
        return;
    }
    Queued().push_back(std::move(handler));
}

void ProcessMessages()
{
    if (!Queued().empty()) RunQueued();
    if (GuiRunning()) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

namespace {
using Clock = std::chrono::steady_clock;
Clock::time_point gLastRepaint;  // the first call of each busy command repaints at once
// How long a busy command lets the window manager take a closed dialog away: 3 rounds, 10 ms apart.
constexpr int CatchUpRounds = 3;
constexpr int CatchUpPauseMs = 10;
}  // namespace

void LetWindowsRepaint()
{
    if (!GuiRunning()) return;
    const Clock::time_point now = Clock::now();
    if (now - gLastRepaint < std::chrono::milliseconds(40)) return;
    gLastRepaint = now;
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

TBusyCursor::TBusyCursor() : FPrevious(Screen().Cursor())
{
    Screen().SetCursor(crHourGlass);
    gLastRepaint = Clock::time_point();
    if (!GuiRunning() || FPrevious == crHourGlass) return;
    // A dialog just closed goes from the screen and the windows under it are painted anew before
    // the work starts: for a moment the windows catch up with what the window manager does (its
    // exposures and paints run, no input and no queued handler), then every window is painted.
    ++gCatchingUp;
    for (int round = 0; round < CatchUpRounds; ++round) {
        if (round > 0) std::this_thread::sleep_for(std::chrono::milliseconds(CatchUpPauseMs));
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    --gCatchingUp;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible()) w->repaint();
}

TBusyCursor::~TBusyCursor() { Screen().SetCursor(FPrevious); }

// ---- screen ---------------------------------------------------------------------------------------

TScreen& Screen()
{
    static TScreen screen;
    return screen;
}

void TScreen::SetCursor(TCursor cursor)
{
    if (cursor == FCursor) return;
    bool had = FCursor != crDefault;
    FCursor = cursor;
    CurrentSeam().CursorChanged(cursor);
    if (!GuiRunning()) return;
    if (had) QGuiApplication::restoreOverrideCursor();
    if (cursor != crDefault) QGuiApplication::setOverrideCursor(QCursor(QCursorOf(cursor)));
}

int TScreen::Width() const
{
    if (GuiRunning())
        if (QScreen* s = QGuiApplication::primaryScreen()) return s->geometry().width();
    return 1024;
}

int TScreen::Height() const
{
    if (GuiRunning())
        if (QScreen* s = QGuiApplication::primaryScreen()) return s->geometry().height();
    return 768;
}

int TScreen::WorkAreaWidth() const
{
    if (GuiRunning())
        if (QScreen* s = QGuiApplication::primaryScreen()) return s->availableGeometry().width();
    return Width();
}

int TScreen::WorkAreaHeight() const
{
    if (GuiRunning())
        if (QScreen* s = QGuiApplication::primaryScreen()) return s->availableGeometry().height();
    return Height();
}

// ---- application -------------------------------------------------------------------------------

TApplication::TApplication() : TComponent(nullptr) { SetName("Application"); }

TApplication::~TApplication()
{
    // The process is ending; the windows go with it when the GUI is already gone.
    if (QCoreApplication::instance()) DestroyComponents();
}

TApplication& Application()
{
    static TApplication* app = new TApplication;  // lives until the process ends
    return *app;
}

void TApplication::Initialize()
{
    if (QCoreApplication::instance()) return;
    static int argc = 1;
    static char name[] = "quadrell";
    static char* argv[] = {name, nullptr};
    auto* app = new QApplication(argc, argv);  // lives until the process ends
    app->setQuitOnLastWindowClosed(false);
}

// Qt would append a display name to every window's title; each window shows its own caption only.
void TApplication::SetTitle(const String& title) { FTitle = title; }

void TApplication::SetIcon(const gfx::TBitmap& icon)
{
    FIcon = icon;
    if (GuiRunning() && !icon.Empty()) QApplication::setWindowIcon(QIcon(QPixmap::fromImage(ToQImage(icon))));
}

void TApplication::FormCreated(TForm* form)
{
    form->DoCreate();
    if (!FMainForm) FMainForm = form;
}

void TApplication::Run()
{
    FTerminated = false;
    if (!FMainForm) return;
    CurrentSeam().RunMessageLoop(*this);
}

void TApplication::Terminate()
{
    FTerminated = true;
    if (GuiRunning()) QCoreApplication::quit();
}

}  // namespace ui
