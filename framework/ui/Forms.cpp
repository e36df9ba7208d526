#include "framework/ui/Forms.h"

#include <algorithm>
#include <set>

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QPixmap>
#include <QPointer>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QWindow>

#include "framework/ui/Application.h"
#include "framework/ui/QtBridge.h"
#include "framework/ui/StdCtrls.h"

namespace ui {

// The top-level widget of a window: its client area, or a scrolled area holding it.
class FormWidget : public QWidget {
public:
    explicit FormWidget(TForm& form) : QWidget(nullptr), FForm(form) {}
    QScrollArea* Scroller = nullptr;
    ContainerWidget* Inner = nullptr;
    bool Syncing = false;
    // The window this one belongs to while shown: the one that showed it modally, or the modal
    // window that was up when it was shown.
    QPointer<QWidget> Shower;

protected:
    void closeEvent(QCloseEvent* e) override
    {
        e->ignore();
        Dispatch([&] { FForm.Close(); });
    }
    void resizeEvent(QResizeEvent* e) override
    {
        QWidget::resizeEvent(e);
        if (Scroller) Scroller->setGeometry(rect());
        if (Syncing) return;
        // The user sized the window: the model follows.
        FForm.FClientWidth = width();
        FForm.FClientHeight = height();
        ControlAccess::SetModelBounds(FForm, FForm.Left(), FForm.Top(), width() + FForm.FrameWidth(),
                                      height() + FForm.FrameHeight());
        FForm.RealignChildren();
        FForm.UpdateScrollExtent();
    }
    void keyPressEvent(QKeyEvent* e) override
    {
        const int k = e->key();
        const bool plain = !(e->modifiers() & ~Qt::KeypadModifier);
        bool handled = false;
        if (plain && (k == Qt::Key_Return || k == Qt::Key_Enter || k == Qt::Key_Escape))
            Dispatch([&] { handled = FForm.DialogKey(k != Qt::Key_Escape); });
        if (!handled) QWidget::keyPressEvent(e);
    }
    void moveEvent(QMoveEvent* e) override
    {
        QWidget::moveEvent(e);
        if (Syncing || !isWindow()) return;
        QRect f = frameGeometry();
        ControlAccess::SetModelBounds(FForm, f.x(), f.y(), FForm.Width(), FForm.Height());
    }

private:
    TForm& FForm;
};

namespace {
// Windows released and not yet freed: a window freed meanwhile by its owner is not freed twice.
std::set<TForm*>& Released()
{
    static std::set<TForm*> released;
    return released;
}
}  // namespace

// A window shown modally, or shown while a modal window is up, is a dialog to the window manager:
// only a dialog is kept transient for (on top of) the window it belongs to.
static Qt::WindowFlags WindowFlags(const TForm& form, bool owned)
{
    const TFormBorderStyle style = form.BorderStyle();
    const bool dialog = form.Modal() || owned || style == TFormBorderStyle::bsDialog;
    Qt::WindowFlags flags = dialog ? Qt::Dialog : Qt::Window;
    if (style == TFormBorderStyle::bsNone) return flags | Qt::FramelessWindowHint;
    flags |= Qt::WindowTitleHint | Qt::CustomizeWindowHint;
    if (form.BorderIcons() & biSystemMenu) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (style != TFormBorderStyle::bsDialog) {
        if (form.BorderIcons() & biMinimize) flags |= Qt::WindowMinimizeButtonHint;
        if (form.BorderIcons() & biMaximize) flags |= Qt::WindowMaximizeButtonHint;
    }
    return flags;
}

// Qt hides a window whose flags are set, so they are set only when they change.
static void ApplyWindowFlags(FormWidget& w, const TForm& form)
{
    const Qt::WindowFlags flags = WindowFlags(form, !w.Shower.isNull());
    if (w.windowFlags() != flags) w.setWindowFlags(flags);
}

TForm::TForm(TComponent* owner) : TWinControl(owner)
{
    FClientWidth = 0;
    FClientHeight = 0;
    TControl::SetVisible(false);
}

TForm::~TForm()
{
    if (FReleased) Released().erase(this);
    if (FLoop) static_cast<QEventLoop*>(FLoop)->quit();
    if (Application().MainForm() == this) Application().SetMainForm(nullptr);
}

void TForm::DoCreate()
{
    if (FCreated) return;
    FCreated = true;
    Fire(OnCreate, this);
}

int TForm::FrameWidth() const
{
    switch (FBorderStyle) {
    case TFormBorderStyle::bsNone: return 0;
    case TFormBorderStyle::bsSizeable:
    case TFormBorderStyle::bsSizeToolWin: return 8;
    default: return 6;
    }
}

int TForm::FrameHeight() const
{
    switch (FBorderStyle) {
    case TFormBorderStyle::bsNone: return 0;
    case TFormBorderStyle::bsSizeable:
    case TFormBorderStyle::bsSizeToolWin: return 27;
    default: return 25;
    }
}

void TForm::SetClientSize(int w, int h)
{
    SetBounds(Left(), Top(), std::max(0, w) + FrameWidth(), std::max(0, h) + FrameHeight());
}

void TForm::SetBounds(int left, int top, int width, int height)
{
    width = std::max(width, FrameWidth());
    height = std::max(height, FrameHeight());
    FClientWidth = width - FrameWidth();
    FClientHeight = height - FrameHeight();
    TControl::SetBounds(left, top, width, height);
}

void TForm::BoundsChanged()
{
    if (auto* w = static_cast<FormWidget*>(FWidget)) {
        w->Syncing = true;
        w->resize(FClientWidth, FClientHeight);
        if (FPosition == TPosition::poDesigned || FPlaced) w->move(Left(), Top());
        w->Syncing = false;
    }
    TWinControl::BoundsChanged();
    UpdateScrollExtent();
}

void TForm::SetBorderStyle(TFormBorderStyle style)
{
    // The client area stays; the frame follows the style.
    int cw = FClientWidth, ch = FClientHeight;
    FBorderStyle = style;
    SetClientSize(cw, ch);
    Changed();
}

void TForm::SetBorderIcons(unsigned icons)
{
    FBorderIcons = icons;
    Changed();
}

void TForm::SetIcon(const gfx::TBitmap& icon)
{
    FIcon = icon;
    Changed();
}

void TForm::SetAutoScroll(bool on)
{
    FAutoScroll = on;
    if (FWidget) {
        auto* w = static_cast<FormWidget*>(FWidget);
        if (w->Scroller) {
            w->Scroller->setHorizontalScrollBarPolicy(on ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
            w->Scroller->setVerticalScrollBarPolicy(on ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
        }
    }
}

gfx::TPoint TForm::ScrollPosition() const
{
    auto* w = static_cast<FormWidget*>(FWidget);
    if (!w) return {};
    return {w->Scroller->horizontalScrollBar()->value(), w->Scroller->verticalScrollBar()->value()};
}

gfx::TPoint TForm::ScrollRange() const
{
    auto* w = static_cast<FormWidget*>(FWidget);
    if (!w) return {};
    return {w->Scroller->horizontalScrollBar()->maximum(), w->Scroller->verticalScrollBar()->maximum()};
}

void TForm::SetScrollPosition(int x, int y)
{
    auto* w = static_cast<FormWidget*>(FWidget);
    if (!w) return;
    w->Scroller->horizontalScrollBar()->setValue(x);
    w->Scroller->verticalScrollBar()->setValue(y);
}

QWidget* TForm::CreateWidget(QWidget*)
{
    auto* w = new FormWidget(*this);
    w->setAttribute(Qt::WA_DeleteOnClose, false);
    // Every window gets a scrolled area; without AutoScroll its bars never show.
    w->Scroller = new QScrollArea(w);
    w->Scroller->setFrameShape(QFrame::NoFrame);
    w->Scroller->setFocusPolicy(Qt::NoFocus);  // the keyboard goes to the controls
    w->Scroller->setWidgetResizable(true);
    w->Inner = new ContainerWidget(*this, nullptr);
    w->Inner->setObjectName(QStringLiteral("client"));
    w->Scroller->setWidget(w->Inner);
    w->Scroller->verticalScrollBar()->setTracking(true);
    w->Scroller->horizontalScrollBar()->setTracking(true);
    w->Scroller->setGeometry(0, 0, FClientWidth, FClientHeight);
    FHost = w->Inner;
    FExtentRight = FExtentBottom = 0;
    ForEachChild([&](TControl* c) {
        if (!c->Visible()) return;
        FExtentRight = std::max(FExtentRight, c->Left() + c->Width());
        FExtentBottom = std::max(FExtentBottom, c->Top() + c->Height());
    });
    return w;
}

QWidget* TForm::ChildHost() const { return FHost; }

void TForm::SyncWidget()
{
    auto* w = static_cast<FormWidget*>(FWidget);
    if (!w) return;
    w->Syncing = true;
    TWinControl::SyncWidget();
    w->setWindowTitle(Q(Caption()));
    ApplyWindowFlags(*w, *this);
    bool fixed = FBorderStyle != TFormBorderStyle::bsSizeable && FBorderStyle != TFormBorderStyle::bsSizeToolWin;
    if (fixed) w->setFixedSize(FClientWidth, FClientHeight);
    else {
        w->setMinimumSize(0, 0);
        w->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        w->resize(FClientWidth, FClientHeight);
    }
    if (!FIcon.Empty()) w->setWindowIcon(QIcon(QPixmap::fromImage(ToQImage(FIcon))));
    QColor bg = QColorOf(Color());
    w->Inner->Background = bg;
    w->Inner->setFont(w->font());
    w->Inner->setPalette(w->palette());
    SetAutoScroll(FAutoScroll);
    w->Syncing = false;
    UpdateScrollExtent();
}

void TForm::UpdateScrollExtent()
{
    auto* w = static_cast<FormWidget*>(FWidget);
    if (!w || !w->Inner) return;
    // The area fills the view and grows to the farthest child; bars show only when it outgrows it.
    QSize extent = FAutoScroll ? QSize(FExtentRight, FExtentBottom) : QSize(0, 0);
    if (w->Inner->minimumSize() != extent) w->Inner->setMinimumSize(extent);
    w->Scroller->setGeometry(0, 0, FClientWidth, FClientHeight);
}

void TForm::ChildBoundsChanged(TControl* child)
{
    if (!FWidget || !child->Visible()) return;
    int r = child->Left() + child->Width(), b = child->Top() + child->Height();
    if (r > FExtentRight || b > FExtentBottom) {
        FExtentRight = std::max(FExtentRight, r);
        FExtentBottom = std::max(FExtentBottom, b);
        UpdateScrollExtent();
    }
}

void TForm::SetVisible(bool visible) { SetShown(visible, CurrentSeam().ShowsWindows()); }

void TForm::SetShown(bool visible, bool realize)
{
    if (visible == Visible() && (!visible || !realize || (FWidget && FWidget->isVisible()))) return;
    if (visible && FPosition == TPosition::poScreenCenter && !FPlaced) {
        FPlaced = true;
        TControl::SetBounds((Screen().Width() - Width()) / 2, (Screen().Height() - Height()) / 2, Width(),
                            Height());
    }
    bool changed = visible != Visible();
    // Hiding a window shown modally ends the showing, rather than leaving a loop with nothing to answer.
    if (!visible && FLoop && FModalResult == mrNone) SetModalResult(mrCancel);
    TControl::SetVisible(visible);
    if (!visible) HideWindow();
    else if (realize && GuiRunning()) ShowWindow();
    if (changed) Fire(visible ? OnShow : OnHide, this);
}

// The window's place is its frame's, kept inside the screen's work area. Before its first mapping
// the window manager has told nothing of a window's frame, and Qt would put the client area where
// the frame belongs, the title bar above it; the frame of a window already on the screen stands
// in for it until then.
static void PlaceFrame(QWidget& w, int left, int top)
{
    QMargins frame;
    QWindow* handle = w.windowHandle();
    const bool unknown = handle && handle->frameMargins().isNull() && !(w.windowFlags() & Qt::FramelessWindowHint);
    if (handle) frame = handle->frameMargins();
    if (unknown)
        for (QWidget* other : QApplication::topLevelWidgets()) {
            QWindow* known = other->windowHandle();
            if (other != &w && other->isVisible() && known && !known->frameMargins().isNull()) {
                frame = known->frameMargins();
                break;
            }
        }
    if (QScreen* screen = handle ? handle->screen() : QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        const int width = w.width() + frame.left() + frame.right(), height = w.height() + frame.top() + frame.bottom();
        left = std::max(area.left(), std::min(left, area.left() + area.width() - width));
        top = std::max(area.top(), std::min(top, area.top() + area.height() - height));
    }
    if (unknown && !frame.isNull()) w.setGeometry(left + frame.left(), top + frame.top(), w.width(), w.height());
    else w.move(left, top);
}

void TForm::ShowWindow()
{
    HandleNeeded();
    auto* w = static_cast<FormWidget*>(FWidget);
    const Qt::WindowModality modality = FModal ? Qt::ApplicationModal : Qt::NonModal;
    // Qt ignores a change of modality on a visible window.
    if (w->isVisible() && w->windowModality() != modality) w->hide();
    w->Syncing = true;
    // A window shown while a modal window is up belongs to that window: on top of it, and not
    // blocked by it.
    QWidget* modal = QApplication::activeModalWidget();
    w->Shower = FModal ? ActiveWindowWidget() : modal && modal->isVisible() ? modal : nullptr;
    if (w->Shower == w) w->Shower = nullptr;
    ApplyWindowFlags(*w, *this);
    w->setWindowModality(modality);
    w->winId();
    if (QWindow* handle = w->windowHandle())
        handle->setTransientParent(w->Shower ? w->Shower->window()->windowHandle() : nullptr);
    FocusFirstControl();
    PlaceFrame(*w, Left(), Top());
    w->show();
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) {
        w->raise();
        w->activateWindow();
    }
    w->Syncing = false;
}

// Each showing starts with the keyboard on the first control of the tab order; in a group of
// radio buttons, on the checked one.
void TForm::FocusFirstControl()
{
    for (QWidget* c : TabChain()) {
        if (c->isEnabled() && c->isVisibleTo(FWidget)) {
            if (auto* radio = qobject_cast<QRadioButton*>(c); radio && !radio->isChecked())
                for (QRadioButton* other : radio->parentWidget()->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly))
                    if (other->isChecked() && other->isEnabled() && other->isVisibleTo(FWidget)) c = other;
            c->setFocus(Qt::TabFocusReason);
            return;
        }
    }
}

bool TForm::DialogKey(bool enter)
{
    for (int i = 0; i < ComponentCount(); ++i) {
        auto* b = dynamic_cast<TButton*>(Components(i));
        if (b && b->Showing() && b->Enabled() && (enter ? b->Default() : b->Cancel())) {
            b->Click();
            return true;
        }
    }
    if (enter || !FModal) return false;
    Close();
    return true;
}

void TForm::HideWindow()
{
    auto* w = static_cast<FormWidget*>(FWidget);
    if (!w) return;
    const bool wasActive = w->isActiveWindow();
    w->hide();
    w->setWindowModality(Qt::NonModal);
    // The window that showed this one gets the keyboard back.
    QPointer<QWidget> shower = w->Shower;
    w->Shower = nullptr;
    if (wasActive && shower && shower->isVisible() && QGuiApplication::platformName() != QLatin1String("offscreen")) {
        shower->raise();
        shower->activateWindow();
    }
}

void TForm::SnapshotShowing(bool on)
{
    auto* w = static_cast<FormWidget*>(FWidget);
    if (!w) return;
    if (on && !w->isVisible()) {
        // Shown off the screen, so that the scroll bars and the layout are what a showing gives.
        w->Syncing = true;
        w->setAttribute(Qt::WA_DontShowOnScreen, true);
        w->show();
        QCoreApplication::sendPostedEvents();
        FSnapshotShown = true;
    } else if (!on && FSnapshotShown) {
        w->hide();
        w->setAttribute(Qt::WA_DontShowOnScreen, false);
        w->Syncing = false;
        FSnapshotShown = false;
    }
}

void TForm::BringToFront()
{
    if (FWidget) {
        FWidget->raise();
        FWidget->activateWindow();
    }
}

void TForm::SetModalResult(int mr)
{
    FModalResult = mr;
    if (mr != mrNone && FLoop) static_cast<QEventLoop*>(FLoop)->quit();
}

int TForm::ShowModal()
{
    if (Visible() || FModal) throw rtl::EInvalidOperation("Cannot make a visible window modal");
    BeginModal();
    int result;
    try {
        result = CurrentSeam().ShowModal(*this);
    } catch (...) {
        FModal = false;
        SetShown(false, false);
        throw;
    }
    FModal = false;
    if (Visible()) SetShown(false, false);
    return result;
}

void TForm::BeginModal()
{
    FModal = true;
    FModalResult = mrNone;
}

bool TForm::EndModal()
{
    bool can = CloseQuery();
    TCloseAction action = can ? TCloseAction::caHide : TCloseAction::caNone;
    if (can) DoClose(action);
    if (action == TCloseAction::caNone) {
        FModalResult = mrNone;
        return false;
    }
    SetShown(false, false);
    if (action == TCloseAction::caFree) Release();
    return true;
}

int TForm::RunModalLoop()
{
    SetShown(true, true);
    if (!FWidget) {
        // No screen: nothing could ever answer; the showing ends as a cancel.
        FModalResult = mrCancel;
        EndModal();
        return FModalResult;
    }
    QEventLoop loop;
    FLoop = &loop;
    for (;;) {
        if (FModalResult == mrNone && !Application().Terminated()) loop.exec();
        if (Application().Terminated()) FModalResult = mrCancel;
        if (FModalResult != mrNone && EndModal()) break;
        if (Application().Terminated()) break;
    }
    FLoop = nullptr;
    return FModalResult;
}

bool TForm::CloseQuery()
{
    bool can = true;
    if (OnCloseQuery) Dispatch([&] { OnCloseQuery(this, can); });
    return can;
}

void TForm::DoClose(TCloseAction& action)
{
    if (OnClose) Dispatch([&] { OnClose(this, action); });
}

void TForm::Close()
{
    if (FModal) {
        if (FModalResult == mrNone) SetModalResult(mrCancel);
        return;
    }
    if (!CloseQuery()) return;
    TCloseAction action = TCloseAction::caHide;
    DoClose(action);
    if (action == TCloseAction::caNone) return;
    if (Application().MainForm() == this) {
        SetShown(false, false);
        Application().Terminate();
        return;
    }
    if (action == TCloseAction::caFree) Release();
    else SetShown(false, false);
}

void TForm::Release()
{
    if (FReleased) return;
    FReleased = true;
    Released().insert(this);
    SetShown(false, false);
    QueueEvent([this] {
        if (Released().count(this)) delete this;
    });
}

}  // namespace ui
