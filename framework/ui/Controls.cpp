#include "framework/ui/Controls.h"

#include <algorithm>
#include <functional>
#include <map>

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>
#include <QPointer>
#include <QToolTip>

#include "framework/ui/Application.h"
#include "framework/ui/Forms.h"
#include "framework/ui/QtBridge.h"

namespace ui {

// ---- colours, fonts, cursors ------------------------------------------------------------

TColor ColorToRGB(TColor color)
{
    if ((color & 0xFF000000) != 0xFF000000) return color & 0x00FFFFFF;
    switch (color & 0xFF) {
    case 0x00: return gfx::RGB(200, 200, 200);   // scroll bar
    case 0x01: return gfx::RGB(0, 0, 0);         // desktop
    case 0x05: return gfx::RGB(255, 255, 255);   // window
    case 0x08: return gfx::RGB(0, 0, 0);         // window text
    case 0x0D: return gfx::RGB(0, 120, 215);     // highlight
    case 0x0E: return gfx::RGB(255, 255, 255);   // highlight text
    case 0x11: return gfx::RGB(109, 109, 109);   // grey text
    case 0x12: return gfx::RGB(0, 0, 0);         // button text
    case 0x18: return gfx::RGB(255, 255, 225);   // hint background
    default: return gfx::RGB(240, 240, 240);     // button face and the rest
    }
}

QColor QColorOf(TColor c)
{
    TColor v = ColorToRGB(c);
    return QColor(gfx::GetRValue(v), gfx::GetGValue(v), gfx::GetBValue(v));
}

int FontPixels(const TFont& f)
{
    if (f.Height < 0) return -f.Height;
    if (f.Height > 0) return f.Height;
    return 11;
}

QFont QFontOf(const TFont& f)
{
    QFont q(Q(gfx::PlatformFontFamily(f.Name)));
    q.setPixelSize(std::max(1, FontPixels(f)));
    q.setBold(f.Bold);
    q.setStyleStrategy(QFont::PreferDefault);
    return q;
}

Qt::CursorShape QCursorOf(TCursor c)
{
    switch (c) {
    case crNone: return Qt::BlankCursor;
    case crCross: return Qt::CrossCursor;
    case crIBeam: return Qt::IBeamCursor;
    case crSizeAll: return Qt::SizeAllCursor;
    case crHourGlass: return Qt::WaitCursor;
    case crHandPoint: return Qt::PointingHandCursor;
    case crNo: return Qt::ForbiddenCursor;
    case crAppStart: return Qt::BusyCursor;
    default: return Qt::ArrowCursor;
    }
}

// ---- components ----------------------------------------------------------------------------

TComponent::TComponent(TComponent* owner)
{
    if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent()
{
    DestroyComponents();
    if (FOwner) FOwner->RemoveComponent(this);
}

void TComponent::InsertComponent(TComponent* c)
{
    c->FOwner = this;
    c->FOwnerSlot = FComponents.size();
    FComponents.push_back(c);
}

void TComponent::RemoveComponent(TComponent* c)
{
    size_t slot = c->FOwnerSlot;
    c->FOwner = nullptr;
    if (slot >= FComponents.size() || FComponents[slot] != c) return;
    FComponents[slot] = nullptr;
    ++FHoles;
    while (!FComponents.empty() && FComponents.back() == nullptr) {
        FComponents.pop_back();
        --FHoles;
    }
    if (FHoles > 64 && FHoles * 2 > FComponents.size()) Compact();
}

void TComponent::Compact() const
{
    size_t j = 0;
    for (TComponent* c : FComponents)
        if (c) {
            c->FOwnerSlot = j;
            FComponents[j++] = c;
        }
    FComponents.resize(j);
    FHoles = 0;
}

void TComponent::DestroyComponents()
{
    while (!FComponents.empty()) {
        TComponent* c = FComponents.back();
        if (!c) {
            FComponents.pop_back();
            --FHoles;
            continue;
        }
        delete c;  // removes itself
    }
    FHoles = 0;
}

int TComponent::ComponentCount() const { return int(FComponents.size() - FHoles); }

TComponent* TComponent::Components(int index) const
{
    if (FHoles) Compact();
    if (index < 0 || index >= int(FComponents.size())) rtl::RaiseListIndexError(index);
    return FComponents[size_t(index)];
}

TComponent* TComponent::FindComponent(const String& name) const
{
    if (name.empty()) return nullptr;
    for (TComponent* c : FComponents)
        if (c && rtl::SameText(c->FName, name)) return c;
    return nullptr;
}

void TComponent::ComponentMissing(const String& name) const
{
    throw rtl::Exception(rtl::Format("Component %s not found in %s", {name, FName}));
}

// ---- controls ---------------------------------------------------------------------------------

TControl::TControl(TComponent* owner) : TComponent(owner) {}

TControl::~TControl()
{
    if (FParent) {
        InvalidateInParent();
        FParent->RemoveChild(this);
        FParent = nullptr;
    }
    ReleaseWidget();
}

void TControl::ReleaseWidget()
{
    if (!FWidget) return;
    // The children's widgets lie inside this one: they go first, so none is left dangling.
    if (auto* wc = dynamic_cast<TWinControl*>(this)) wc->ForEachChild([](TControl* c) { c->ReleaseWidget(); });
    QWidget* w = FWidget;
    FWidget = nullptr;
    // Widgets are freed only while the Qt application lives; afterwards the process is ending.
    if (QCoreApplication::instance()) delete w;
}

void TControl::SetParent(TWinControl* parent)
{
    if (parent == FParent) return;
    for (TWinControl* p = parent; p; p = p->Parent())
        if (p == this) throw rtl::EInvalidOperation("A control cannot have itself as its parent");
    if (FParent) {
        InvalidateInParent();
        FParent->RemoveChild(this);
        ReleaseWidget();
    }
    FParent = parent;
    if (parent) {
        parent->InsertChild(this);
        if (FAlign != TAlign::alNone) parent->RealignChildren();
        FontChanged();
        if (parent->FWidget) RealizeWidget(parent->ChildHost());
        InvalidateInParent();
        parent->ChildBoundsChanged(this);
    }
}

TForm* TControl::ParentForm() const
{
    const TControl* c = this;
    while (c->FParent) c = c->FParent;
    return dynamic_cast<TForm*>(const_cast<TControl*>(c));
}

void TControl::SetBounds(int left, int top, int width, int height)
{
    if (width < 0) width = 0;
    if (height < 0) height = 0;
    if (left == FLeft && top == FTop && width == FWidth && height == FHeight) return;
    InvalidateInParent();
    FLeft = left;
    FTop = top;
    FWidth = width;
    FHeight = height;
    InvalidateInParent();
    if (FWidget) FWidget->setGeometry(FLeft, FTop, FWidth, FHeight);
    BoundsChanged();
    if (FParent) FParent->ChildBoundsChanged(this);
}

void TControl::SetAlign(TAlign align)
{
    FAlign = align;
    if (FParent) FParent->RealignChildren();
}

void TControl::SetVisible(bool visible)
{
    if (visible == FVisible) return;
    FVisible = visible;
    if (FWidget) ShowWidget(visible);
    InvalidateInParent();
    if (FParent) FParent->ChildBoundsChanged(this);
}

void TControl::ShowWidget(bool visible) { FWidget->setVisible(visible); }

bool TControl::Showing() const
{
    for (const TControl* c = this; c; c = c->FParent)
        if (!c->FVisible) return false;
    return true;
}

namespace {
// The control that had the keyboard when it was disabled.
QPointer<QWidget>& FocusToReturn()
{
    static QPointer<QWidget> widget;
    return widget;
}
}  // namespace

void TControl::SetEnabled(bool enabled)
{
    if (enabled == FEnabled) return;
    FEnabled = enabled;
    // A control disabled while it has the keyboard leaves it with its window rather than with the
    // next control, and gets it back when enabled again, unless it went elsewhere meanwhile.
    QWidget* window = FWidget ? FWidget->window() : nullptr;
    if (!enabled && window && window->focusWidget() == FWidget) {
        FocusToReturn() = FWidget;
        window->setFocus(Qt::OtherFocusReason);
    }
    Changed();
    if (enabled && window && FocusToReturn() == FWidget) {
        FocusToReturn() = nullptr;
        if (!window->focusWidget() || window->focusWidget() == window) FWidget->setFocus(Qt::OtherFocusReason);
    }
    Invalidate();
}

void TControl::SetCaption(const String& caption)
{
    if (caption == FCaption) return;
    FCaption = caption;
    Changed();
    Invalidate();
}

void TControl::SetHint(const String& hint)
{
    FHint = hint;
    Changed();
}

void TControl::SetCursor(TCursor cursor)
{
    FCursor = cursor;
    Changed();
}

const TFont& TControl::Font() const
{
    if (FParentFont && FParent) return FParent->Font();
    return FFont;
}

void TControl::SetFont(const TFont& font)
{
    FFont = font;
    FParentFont = false;
    FontChanged();
}

void TControl::SetFontColor(TColor color)
{
    TFont f = Font();
    f.Color = color;
    SetFont(f);
}

void TControl::FontChanged()
{
    Changed();
    Invalidate();
}

TColor TControl::Color() const
{
    if (FColor != clDefault) return FColor;
    if (FParentColor && FParent) return FParent->Color();
    return clBtnFace;
}

void TControl::SetColor(TColor color)
{
    FColor = color;
    FParentColor = color == clDefault;
    Changed();
    Invalidate();
}

void TControl::Click() { Fire(OnClick, this); }

void TControl::Invalidate()
{
    if (FWidget) FWidget->update();
    else InvalidateInParent();
}

void TControl::InvalidateInParent()
{
    if (FWidget || !FParent || !FParent->FWidget) return;
    if (QWidget* host = FParent->ChildHost()) host->update(FLeft, FTop, FWidth, FHeight);
}

QWidget* TControl::CreateWidget(QWidget*) { return nullptr; }

void TControl::SyncWidget()
{
    if (!FWidget) return;
    if (!dynamic_cast<TForm*>(this)) FWidget->setGeometry(FLeft, FTop, FWidth, FHeight);
    FWidget->setEnabled(FEnabled);
    FWidget->setToolTip(FShowHint ? Q(FHint) : QString());
    if (FCursor == crDefault) FWidget->unsetCursor();
    else FWidget->setCursor(QCursorOf(FCursor));
    FWidget->setFont(QFontOf(Font()));
    QPalette pal = FWidget->palette();
    // The font's colour while enabled; a disabled control's text is grey, as the system draws it.
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text}) {
        pal.setColor(QPalette::Active, role, QColorOf(Font().Color));
        pal.setColor(QPalette::Inactive, role, QColorOf(Font().Color));
        pal.setColor(QPalette::Disabled, role, QColorOf(clGrayText));
    }
    pal.setColor(QPalette::Window, QColorOf(Color()));
    FWidget->setPalette(pal);
}

void TControl::RealizeWidget(QWidget* host)
{
    if (FWidget || !GuiRunning()) return;
    FWidget = CreateWidget(host);
    if (!FWidget) return;  // drawn by the parent, whose widget is new or invalidated by the caller
    FWidget->setObjectName(Q(Name()));
    SyncWidget();
    if (auto* w = dynamic_cast<TWinControl*>(this)) {
        QWidget* childHost = w->ChildHost();
        w->ForEachChild([&](TControl* c) { c->RealizeWidget(childHost); });
        w->ApplyTabOrder();
    }
    if (!dynamic_cast<TForm*>(this)) FWidget->setVisible(FVisible);
}

// ---- containers ---------------------------------------------------------------------------------

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {}

TWinControl::~TWinControl()
{
    DestroyComponents();
    // Children owned elsewhere go with their parent, as in the framework.
    while (!FChildren.empty()) {
        TControl* c = FChildren.back();
        if (!c) {
            FChildren.pop_back();
            continue;
        }
        delete c;
    }
}

void TWinControl::InsertChild(TControl* c)
{
    c->FParentSlot = FChildren.size();
    FChildren.push_back(c);
}

void TWinControl::RemoveChild(TControl* c)
{
    size_t slot = c->FParentSlot;
    if (slot >= FChildren.size() || FChildren[slot] != c) return;
    FChildren[slot] = nullptr;
    ++FChildHoles;
    while (!FChildren.empty() && FChildren.back() == nullptr) {
        FChildren.pop_back();
        --FChildHoles;
    }
    if (FChildHoles > 64 && FChildHoles * 2 > FChildren.size()) CompactChildren();
}

void TWinControl::CompactChildren() const
{
    size_t j = 0;
    for (TControl* c : FChildren)
        if (c) {
            c->FParentSlot = j;
            FChildren[j++] = c;
        }
    FChildren.resize(j);
    FChildHoles = 0;
}

int TWinControl::ControlCount() const { return int(FChildren.size() - FChildHoles); }

TControl* TWinControl::Controls(int index) const
{
    if (FChildHoles) CompactChildren();
    if (index < 0 || index >= int(FChildren.size())) rtl::RaiseListIndexError(index);
    return FChildren[size_t(index)];
}

void TWinControl::SetFocus()
{
    if (FWidget) FWidget->setFocus();
}

bool TWinControl::Focused() const { return FWidget && FWidget->hasFocus(); }

void TWinControl::HandleNeeded()
{
    if (FWidget) return;
    TControl* root = this;
    while (root->Parent()) root = root->Parent();
    root->RealizeWidget(nullptr);
}

void TWinControl::SyncWidget() { TControl::SyncWidget(); }

namespace {

// The controls in reading order: row by row from the top, each row from the left. A control is in
// the row of the control that begins it when their heights overlap by half the shorter one's height.
void SortInReadingOrder(std::vector<TControl*>& controls)
{
    std::stable_sort(controls.begin(), controls.end(), [](TControl* a, TControl* b) { return a->Top() < b->Top(); });
    auto sameRow = [](const TControl* first, const TControl* c) {
        const int overlap = std::min(first->Top() + first->Height(), c->Top() + c->Height()) - c->Top();
        return overlap * 2 >= std::min(first->Height(), c->Height()) && overlap > 0;
    };
    for (size_t begin = 0; begin < controls.size();) {
        size_t end = begin + 1;
        while (end < controls.size() && sameRow(controls[begin], controls[end])) ++end;
        std::stable_sort(controls.begin() + std::ptrdiff_t(begin), controls.begin() + std::ptrdiff_t(end),
                         [](TControl* a, TControl* b) { return a->Left() < b->Left(); });
        begin = end;
    }
}

}  // namespace

std::vector<QWidget*> TWinControl::TabChain() const
{
    // Controls with a tab order first, by it; the others after them in reading order. Only those
    // that take the keyboard or hold controls count, so a picture beside a column does not make a
    // row of it.
    std::vector<TControl*> ordered, unordered;
    ForEachChild([&](TControl* c) {
        QWidget* w = c->Widget();
        if (!w) return;
        if (!(w->focusPolicy() & Qt::TabFocus) && !dynamic_cast<TWinControl*>(c)) return;
        (c->TabOrder() >= 0 ? ordered : unordered).push_back(c);
    });
    std::stable_sort(ordered.begin(), ordered.end(), [](TControl* a, TControl* b) { return a->TabOrder() < b->TabOrder(); });
    SortInReadingOrder(unordered);
    ordered.insert(ordered.end(), unordered.begin(), unordered.end());
    std::vector<QWidget*> chain;
    for (TControl* c : ordered) {
        QWidget* w = c->Widget();
        if (w->focusPolicy() & Qt::TabFocus) chain.push_back(w);
        if (auto* container = dynamic_cast<TWinControl*>(c)) {
            std::vector<QWidget*> inner = container->TabChain();
            chain.insert(chain.end(), inner.begin(), inner.end());
        }
    }
    return chain;
}

std::vector<TControl*> TWinControl::TabStops() const
{
    std::map<QWidget*, TControl*> controls;
    std::function<void(const TWinControl&)> collect = [&](const TWinControl& parent) {
        parent.ForEachChild([&](TControl* c) {
            if (c->Widget()) controls[c->Widget()] = c;
            if (auto* inner = dynamic_cast<TWinControl*>(c)) collect(*inner);
        });
    };
    collect(*this);
    const std::vector<QWidget*> chain = TabChain();
    std::vector<TControl*> stops;
    if (chain.empty()) return stops;
    QWidget* window = chain.front()->window();
    QWidget* w = chain.front();
    do {
        auto found = controls.find(w);
        if (found != controls.end() && (w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && w->isVisibleTo(window))
            stops.push_back(found->second);
        w = w->nextInFocusChain();
    } while (w && w != chain.front());
    return stops;
}

void TWinControl::ApplyTabOrder()
{
    // One chain through the whole window, containers' controls in their container's place.
    if (Parent()) return;
    std::vector<QWidget*> chain = TabChain();
    for (size_t i = 1; i < chain.size(); ++i) QWidget::setTabOrder(chain[i - 1], chain[i]);
}

void TWinControl::FontChanged()
{
    TControl::FontChanged();
    ForEachChild([](TControl* c) {
        if (c->ParentFont()) c->FontChanged();
    });
}

void TWinControl::BoundsChanged() { RealignChildren(); }

void TWinControl::RealignChildren()
{
    ForEachChild([&](TControl* c) {
        if (c->Align() == TAlign::alClient) c->SetBounds(0, 0, ClientWidth(), ClientHeight());
    });
}

gfx::TBitmap TWinControl::Snapshot()
{
    if (!GuiRunning()) throw rtl::EInvalidOperation("No screen to draw on");
    HandleNeeded();
    if (!FWidget) return gfx::TBitmap();
    SnapshotShowing(true);
    QCoreApplication::sendPostedEvents();
    QImage img(FWidget->size(), QImage::Format_RGB32);
    img.fill(Qt::white);
    FWidget->render(&img);
    SnapshotShowing(false);
    return FromQImage(img);
}

// ---- drawing graphic controls ------------------------------------------------------------------

namespace {

bool Hits(const TControl* c, const QPoint& p)
{
    return c->Visible() && p.x() >= c->Left() && p.y() >= c->Top() && p.x() < c->Left() + c->Width() &&
           p.y() < c->Top() + c->Height();
}

}  // namespace

TGraphicControl* GraphicChildAt(const TWinControl& owner, const QPoint& p)
{
    TGraphicControl* found = nullptr;
    ControlAccess::ForEach(owner, [&](TControl* c) {
        if (auto* g = dynamic_cast<TGraphicControl*>(c); g && Hits(g, p)) found = g;  // last is topmost
    });
    return found;
}

void HostPaint(const TWinControl& owner, QWidget* self, QPaintEvent* e)
{
    QPainter painter(self);
    const QRect exposed = e->rect();
    ControlAccess::ForEach(owner, [&](TControl* c) {
        if (!c->Visible() || c->Widget()) return;
        auto* g = dynamic_cast<TGraphicControl*>(c);
        if (!g) return;
        QRect r(c->Left(), c->Top(), c->Width(), c->Height());
        if (!r.intersects(exposed)) return;
        painter.save();
        painter.setClipRect(r.intersected(exposed));
        try {
            g->PaintOn(&painter, T(r));
        } catch (...) {
            // A picture that cannot be drawn leaves its place empty.
        }
        painter.restore();
    });
}

bool HostMousePress(const TWinControl& owner, GraphicHostState& st, QMouseEvent* e)
{
    st.Pressed = nullptr;
    if (e->button() != Qt::LeftButton) return false;
    TGraphicControl* g = GraphicChildAt(owner, e->position().toPoint());
    if (!g || !g->Enabled()) return false;
    st.Pressed = g;
    return true;
}

bool HostMouseRelease(const TWinControl& owner, GraphicHostState& st, QMouseEvent* e)
{
    TGraphicControl* pressed = st.Pressed;
    st.Pressed = nullptr;
    if (!pressed || e->button() != Qt::LeftButton) return false;
    if (GraphicChildAt(owner, e->position().toPoint()) == pressed) pressed->Click();
    return true;
}

void HostMouseMove(const TWinControl& owner, QWidget* self, QMouseEvent* e)
{
    TGraphicControl* g = GraphicChildAt(owner, e->position().toPoint());
    TCursor cur = g ? g->Cursor() : owner.Cursor();
    if (cur == crDefault) self->unsetCursor();
    else self->setCursor(QCursorOf(cur));
}

bool HostEvent(const TWinControl& owner, QWidget* self, QEvent* e)
{
    if (e->type() != QEvent::ToolTip) return false;
    auto* help = static_cast<QHelpEvent*>(e);
    TGraphicControl* g = GraphicChildAt(owner, help->pos());
    if (!g) return false;
    if (g->ShowHint() && !g->Hint().empty() && Application().ShowHint())
        QToolTip::showText(help->globalPos(), Q(g->Hint()), self,
                           QRect(g->Left(), g->Top(), g->Width(), g->Height()));
    else
        QToolTip::hideText();
    return true;
}

void ContainerWidget::paintEvent(QPaintEvent* e)
{
    {
        QPainter p(this);
        if (Background.isValid()) p.fillRect(e->rect(), Background);
        auto bevel = [&](int kind, int inset, int width) {
            if (kind == 0) return;
            QColor light(255, 255, 255), dark(160, 160, 160);
            QColor tl = kind == 2 ? light : dark, br = kind == 2 ? dark : light;
            for (int i = 0; i < width; ++i) {
                // QRect's right and bottom are the last pixels inside.
                QRect r = rect().adjusted(inset + i, inset + i, -(inset + i), -(inset + i));
                p.setPen(tl);
                p.drawLine(r.topLeft(), r.topRight());
                p.drawLine(r.topLeft(), r.bottomLeft());
                p.setPen(br);
                p.drawLine(r.bottomLeft(), r.bottomRight());
                p.drawLine(r.topRight(), r.bottomRight());
            }
        };
        int bw = std::max(1, BevelWidth);
        bevel(BevelOuter, 0, bw);
        bevel(BevelInner, BevelOuter ? bw : 0, bw);
        if (!CenterText.isEmpty()) {
            p.setPen(palette().color(QPalette::WindowText));
            p.drawText(rect(), Qt::AlignCenter, CenterText);
        }
    }
    HostPaint(FOwner, this, e);
}

}  // namespace ui
