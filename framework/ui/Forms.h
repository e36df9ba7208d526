// Windows (forms): caption, client area, border, position, icon, scrolling, showing and closing.
#pragma once

#include <functional>

#include "framework/graphics/Graphics.h"
#include "framework/ui/Controls.h"
#include "framework/ui/Seam.h"

namespace ui {

enum class TPosition { poDesigned, poDefault, poScreenCenter, poMainFormCenter };
enum class TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TBorderIcon : unsigned { biSystemMenu = 1, biMinimize = 2, biMaximize = 4, biHelp = 8 };
enum class TCloseAction { caNone, caHide, caFree, caMinimize };

using TCloseQueryEvent = std::function<void(TObject* sender, bool& canClose)>;
using TCloseEvent = std::function<void(TObject* sender, TCloseAction& action)>;

// A window. A window class builds its controls (its layout), binds its fields and handlers in its
// constructor and calls DoCreate() last, which runs OnCreate once; Application().CreateForm calls
// DoCreate() too, so either way OnCreate runs once, after the layout is applied.
class TForm : public TWinControl {
public:
    explicit TForm(TComponent* owner);
    ~TForm() override;

    // Runs OnCreate (once); an exception from it is shown by the default exception handler.
    void DoCreate();

    // Width and Height include the frame (4 pixels each side and a 19-pixel title bar for the
    // sizeable border, 3 and 19 for the others, none for bsNone); the client area excludes it.
    int ClientWidth() const override { return FClientWidth; }
    int ClientHeight() const override { return FClientHeight; }
    void SetClientSize(int w, int h) override;
    void SetBounds(int left, int top, int width, int height) override;
    int FrameWidth() const;   // Width - ClientWidth
    int FrameHeight() const;  // Height - ClientHeight

    TPosition Position() const { return FPosition; }
    void SetPosition(TPosition p) { FPosition = p; }
    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle style);
    unsigned BorderIcons() const { return FBorderIcons; }
    void SetBorderIcons(unsigned icons);
    const gfx::TBitmap& Icon() const { return FIcon; }
    void SetIcon(const gfx::TBitmap& icon);
    // Scroll bars appear when children reach beyond the client area; they reach every child and
    // the view follows the vertical bar while it is dragged.
    bool AutoScroll() const { return FAutoScroll; }
    void SetAutoScroll(bool on);
    // Where the view of an AutoScroll window stands, and how far it can go (0, 0 without widgets).
    gfx::TPoint ScrollPosition() const;
    gfx::TPoint ScrollRange() const;
    void SetScrollPosition(int x, int y);

    void SetVisible(bool visible) override;  // showing a window makes its widgets (with a GUI)
    void BringToFront();

    // Non-zero while shown modally ends the modal showing with that result.
    int ModalResult() const { return FModalResult; }
    void SetModalResult(int mr);
    bool Modal() const { return FModal; }
    // Shows the window modally through the seam and returns its ModalResult. A visible window
    // cannot be shown modally (EInvalidOperation "Cannot make a visible window modal").
    int ShowModal();
    // Modal: ends the showing with mrCancel unless a result is set. Otherwise asks OnCloseQuery,
    // then OnClose decides (hide by default; closing the main window ends the program).
    void Close();
    bool CloseQuery();  // OnCloseQuery's answer
    // Frees the window once the events being handled are done (through the message queue).
    void Release();

    TNotifyEvent OnCreate;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TCloseQueryEvent OnCloseQuery;
    TCloseEvent OnClose;

    // Internal: used by the seam's two sides while a modal showing runs.
    void BeginModal();
    // Ends a modal showing once a result is set: OnCloseQuery and OnClose may refuse (result back
    // to mrNone, false). True when the window may close; it is then hidden.
    bool EndModal();
    // Internal: the real side's nested loop.
    int RunModalLoop();

protected:
    QWidget* CreateWidget(QWidget* parent) override;
    QWidget* ChildHost() const override;
    void SyncWidget() override;
    void BoundsChanged() override;
    void ChildBoundsChanged(TControl* child) override;
    void SnapshotShowing(bool on) override;
    void ShowWidget(bool) override {}  // SetShown shows and hides the window

private:
    friend class FormWidget;
    friend class ScriptedSeam;
    void SetShown(bool visible, bool realize);
    // The one way a window reaches the screen: modal or not as it is being shown, transient for
    // the window that showed it, on top and active.
    void ShowWindow();
    void HideWindow();
    void FocusFirstControl();
    // Enter presses the default button; Escape the cancel button, or closes a modal window.
    bool DialogKey(bool enter);
    void DoClose(TCloseAction& action);
    void UpdateScrollExtent();
    bool FCreated = false;
    int FClientWidth = 0, FClientHeight = 0;
    TPosition FPosition = TPosition::poDesigned;
    TFormBorderStyle FBorderStyle = TFormBorderStyle::bsSizeable;
    unsigned FBorderIcons = biSystemMenu | biMinimize | biMaximize;
    gfx::TBitmap FIcon;
    bool FAutoScroll = false;
    int FModalResult = mrNone;
    bool FModal = false;
    bool FPlaced = false;
    bool FReleased = false;
    bool FSnapshotShown = false;
    void* FLoop = nullptr;  // the real side's QEventLoop while shown modally
    QWidget* FHost = nullptr;  // the scrolled area of an AutoScroll window
    int FExtentRight = 0, FExtentBottom = 0;
};

}  // namespace ui
