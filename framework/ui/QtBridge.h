// Private to framework/ui: the Qt side of the controls (conversions and the widget classes).
#pragma once

#include <QColor>
#include <QCursor>
#include <QFont>
#include <QImage>
#include <QRect>
#include <QString>
#include <QWidget>

#include "framework/graphics/Graphics.h"
#include "framework/ui/Controls.h"

namespace ui {

inline QString Q(const String& s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }
inline String S(const QString& s) { return s.toUtf8().toStdString(); }
inline QRect Q(const TRect& r) { return QRect(r.Left, r.Top, r.Width(), r.Height()); }
inline TRect T(const QRect& r) { return TRect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }
QColor QColorOf(TColor c);
QFont QFontOf(const TFont& f);
Qt::CursorShape QCursorOf(TCursor c);
// The font's size in pixels at 96 ppi.
int FontPixels(const TFont& f);

// A bitmap as a 32-bit image (any pixel format); shares nothing with it.
QImage ToQImage(const gfx::TBitmap& bitmap);
// An image as a pfDevice bitmap.
gfx::TBitmap FromQImage(const QImage& image);

// The window that a window, message box or file dialog shown now is shown over: the modal window
// on top, else the active window, else the main window; nullptr when none is on the screen.
QWidget* ActiveWindowWidget();

// Friends' access to the controls' internals.
struct ControlAccess {
    static void Realize(TControl& c, QWidget* host) { c.RealizeWidget(host); }
    static QWidget* Host(const TWinControl& c) { return c.ChildHost(); }
    static void Sync(TControl& c) { c.Changed(); }
    template <class F>
    static void ForEach(const TWinControl& w, F f) { w.ForEachChild(f); }
    static void SetModelBounds(TControl& c, int l, int t, int w, int h)
    {
        c.FLeft = l; c.FTop = t; c.FWidth = w; c.FHeight = h;
    }
};

// What a container widget does for the graphic controls on it: draws those that meet the exposed
// area, passes their clicks, shows their hints and cursors.
struct GraphicHostState {
    TGraphicControl* Pressed = nullptr;
};
void HostPaint(const TWinControl& owner, QWidget* self, QPaintEvent* e);
bool HostMousePress(const TWinControl& owner, GraphicHostState& st, QMouseEvent* e);
bool HostMouseRelease(const TWinControl& owner, GraphicHostState& st, QMouseEvent* e);
void HostMouseMove(const TWinControl& owner, QWidget* self, QMouseEvent* e);
bool HostEvent(const TWinControl& owner, QWidget* self, QEvent* e);

template <class Base>
class GraphicHost : public Base {
public:
    template <class... A>
    GraphicHost(TWinControl& owner, A&&... args) : Base(std::forward<A>(args)...), FOwner(owner)
    {
        this->setMouseTracking(true);
    }
    TWinControl& Owner() const { return FOwner; }

protected:
    void paintEvent(QPaintEvent* e) override
    {
        Base::paintEvent(e);
        HostPaint(FOwner, this, e);
    }
    void mousePressEvent(QMouseEvent* e) override
    {
        if (!HostMousePress(FOwner, FState, e)) Base::mousePressEvent(e);
    }
    void mouseReleaseEvent(QMouseEvent* e) override
    {
        if (!HostMouseRelease(FOwner, FState, e)) Base::mouseReleaseEvent(e);
    }
    void mouseMoveEvent(QMouseEvent* e) override
    {
        HostMouseMove(FOwner, this, e);
        Base::mouseMoveEvent(e);
    }
    bool event(QEvent* e) override { return HostEvent(FOwner, this, e) || Base::event(e); }

    TWinControl& FOwner;
    GraphicHostState FState;
};

// The plain container: a background colour, optional bevels (panels) and a centred caption.
class ContainerWidget : public GraphicHost<QWidget> {
public:
    ContainerWidget(TWinControl& owner, QWidget* parent) : GraphicHost<QWidget>(owner, parent) {}
    QColor Background;  // invalid: none (the parent shows through)
    int BevelOuter = 0, BevelInner = 0, BevelWidth = 0;  // 0 none, 1 lowered, 2 raised
    QString CenterText;

protected:
    void paintEvent(QPaintEvent* e) override;
};

// Paints the graphic children of a control that meet rect (in the painter's coordinates, which
// are the container's). Used by every container widget.
void PaintGraphicChildren(const TWinControl& owner, void* painter, const QRect& exposed);
TGraphicControl* GraphicChildAt(const TWinControl& owner, const QPoint& p);

}  // namespace ui
