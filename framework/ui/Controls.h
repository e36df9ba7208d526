// Components and controls: ownership, parents, places, captions, fonts, colours and events.
//
// A control keeps its state in plain members; its Qt widget is made only when a window is really
// shown (HandleNeeded), so windows can be built, driven and read in a program without a GUI.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "framework/graphics/Graphics.h"
#include "framework/rtl/SysUtils.h"

class QWidget;

namespace ui {

using gfx::TColor;
using gfx::TFont;
using gfx::TRect;
using rtl::String;

// ---- colours -------------------------------------------------------------------------

// The framework's system colours (resolved by ColorToRGB) and the named colours the windows use.
constexpr TColor clScrollBar = 0xFF000000, clBackground = 0xFF000001, clWindow = 0xFF000005,
                 clWindowText = 0xFF000008, clBtnFace = 0xFF00000F, clBtnText = 0xFF000012,
                 clHighlight = 0xFF00000D, clHighlightText = 0xFF00000E, clGrayText = 0xFF000011,
                 clInfoBk = 0xFF000018;
using gfx::clBlack;
using gfx::clWhite;
constexpr TColor clMaroon = 0x000080, clGreen = 0x008000, clOlive = 0x008080, clNavy = 0x800000,
                 clPurple = 0x800080, clTeal = 0x808000, clGray = 0x808080, clSilver = 0xC0C0C0,
                 clRed = 0x0000FF, clLime = 0x00FF00, clYellow = 0x00FFFF, clBlue = 0xFF0000,
                 clFuchsia = 0xFF00FF, clAqua = 0xFFFF00;
constexpr TColor clDefault = gfx::clNone;  // "not set": take the parent's or the control's own default
// A plain 0x00BBGGRR value for any colour, system colours included.
TColor ColorToRGB(TColor color);

// ---- cursors -------------------------------------------------------------------------

enum TCursor : int {
    crDefault = 0, crNone = -1, crArrow = -2, crCross = -3, crIBeam = -4, crSizeAll = -22,
    crHourGlass = -11, crHandPoint = -21, crNo = -18, crAppStart = -19,
};

// ---- objects and events --------------------------------------------------------------

class TObject {
public:
    virtual ~TObject() = default;
};

using TNotifyEvent = std::function<void(TObject* sender)>;

// Runs an event handler as the framework's message dispatch does: an exception that escapes it
// (rtl::Exception or std::exception) is shown by the application's default exception handler
// (an error box with the exception's message) and ends that command; the program goes on.
void Dispatch(const std::function<void()>& handler);
inline void Fire(const TNotifyEvent& event, TObject* sender)
{
    if (event) Dispatch([&] { event(sender); });
}

// ---- components ---------------------------------------------------------------------

class TComponent : public TObject {
public:
    // The owner frees this component when it is freed itself.
    explicit TComponent(TComponent* owner);
    ~TComponent() override;  // frees every owned component, the last owned first
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    TComponent* Owner() const { return FOwner; }
    const String& Name() const { return FName; }
    void SetName(const String& name) { FName = name; }

    int ComponentCount() const;
    TComponent* Components(int index) const;           // EListError when out of range
    TComponent* FindComponent(const String& name) const;  // case ignored; nullptr when none
    // The owned component of that name and class; rtl::Exception when missing or of another class.
    template <class T>
    T* Find(const String& name) const
    {
        T* c = dynamic_cast<T*>(FindComponent(name));
        if (!c) ComponentMissing(name);
        return c;
    }
    // Binds a field to the owned component of that name (a window's controls after its layout).
    template <class T>
    void Bind(T*& field, const String& name) const { field = Find<T>(name); }

    // Frees every owned component now, the last owned first.
    void DestroyComponents();

private:
    friend struct ComponentAccess;
    [[noreturn]] void ComponentMissing(const String& name) const;
    void InsertComponent(TComponent* c);
    void RemoveComponent(TComponent* c);
    void Compact() const;

    TComponent* FOwner = nullptr;
    String FName;
    mutable std::vector<TComponent*> FComponents;  // nullptr where one was freed (compacted lazily)
    mutable size_t FHoles = 0;
    size_t FOwnerSlot = 0;
};

// ---- controls ----------------------------------------------------------------------------

class TWinControl;
class TForm;

enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

class TControl : public TComponent {
public:
    explicit TControl(TComponent* owner);
    ~TControl() override;  // leaves its parent

    TWinControl* Parent() const { return FParent; }
    void SetParent(TWinControl* parent);
    TForm* ParentForm() const;  // the window the control lies on; nullptr when none

    int Left() const { return FLeft; }
    int Top() const { return FTop; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    virtual void SetBounds(int left, int top, int width, int height);
    void SetLeft(int v) { SetBounds(v, FTop, FWidth, FHeight); }
    void SetTop(int v) { SetBounds(FLeft, v, FWidth, FHeight); }
    void SetWidth(int v) { SetBounds(FLeft, FTop, v, FHeight); }
    void SetHeight(int v) { SetBounds(FLeft, FTop, FWidth, v); }
    TRect BoundsRect() const { return TRect{FLeft, FTop, FLeft + FWidth, FTop + FHeight}; }
    TAlign Align() const { return FAlign; }
    void SetAlign(TAlign align);

    bool Visible() const { return FVisible; }
    virtual void SetVisible(bool visible);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible itself and every parent up to its window (the window included).
    bool Showing() const;
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool enabled);

    // Caption and Text are one value, as in the framework.
    const String& Caption() const { return FCaption; }
    virtual void SetCaption(const String& caption);
    const String& Text() const { return FCaption; }
    void SetText(const String& text) { SetCaption(text); }
    const String& Hint() const { return FHint; }
    void SetHint(const String& hint);
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool show) { FShowHint = show; }
    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor cursor);

    // The font in use: its own once set, else its parent's (ParentFont).
    const TFont& Font() const;
    void SetFont(const TFont& font);
    void SetFontColor(TColor color);
    bool ParentFont() const { return FParentFont; }
    // The colour in use: its own once set, else its parent's (ParentColor), else clBtnFace.
    TColor Color() const;
    void SetColor(TColor color);

    int Tag() const { return FTag; }
    void SetTag(int tag) { FTag = tag; }
    // The place in its window's tab order; -1: after those with one, in reading order (rows from the
    // top, each from the left).
    int TabOrder() const { return FTabOrder; }
    void SetTabOrder(int order) { FTabOrder = order; }

    TNotifyEvent OnClick;
    // Acts as a mouse click on the control: runs OnClick through Dispatch (see each control).
    virtual void Click();

    // Asks for the control to be drawn again (on screen only).
    virtual void Invalidate();

    // Internal: the control's own widget; nullptr for a graphic control or before HandleNeeded.
    QWidget* Widget() const { return FWidget; }

protected:
    friend class TWinControl;
    friend struct ControlAccess;
    // Makes the widget under the parent's widget; nullptr for controls drawn by their parent.
    virtual QWidget* CreateWidget(QWidget* parent);
    // Brings the widget up to the control's state.
    virtual void SyncWidget();
    virtual void FontChanged();
    virtual void BoundsChanged() {}
    // Shows or hides the widget as the control's Visible changes (a window shows itself).
    virtual void ShowWidget(bool visible);
    void Changed() { if (FWidget) SyncWidget(); }
    void RealizeWidget(QWidget* parentWidget);
    void ReleaseWidget();
    void InvalidateInParent();

    QWidget* FWidget = nullptr;

private:
    TWinControl* FParent = nullptr;
    size_t FParentSlot = 0;
    int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
    TAlign FAlign = TAlign::alNone;
    bool FVisible = true;
    bool FEnabled = true;
    bool FShowHint = true;
    bool FParentFont = true;
    bool FParentColor = true;
    String FCaption;
    String FHint;
    TCursor FCursor = crDefault;
    TFont FFont;
    TColor FColor = clDefault;
    int FTag = 0;
    int FTabOrder = -1;
};

// A control that holds other controls (window, panel, group box).
class TWinControl : public TControl {
public:
    explicit TWinControl(TComponent* owner);
    ~TWinControl() override;  // frees what it owns, then the children still on it

    int ControlCount() const;
    TControl* Controls(int index) const;  // in the order they were put on it

    virtual int ClientWidth() const { return Width(); }
    virtual int ClientHeight() const { return Height(); }
    void SetClientWidth(int w) { SetClientSize(w, ClientHeight()); }
    void SetClientHeight(int h) { SetClientSize(ClientWidth(), h); }
    virtual void SetClientSize(int w, int h) { SetBounds(Left(), Top(), w, h); }

    void SetFocus();
    bool Focused() const;

    // Makes the widgets of this control and of every child (the real side, once a GUI runs).
    void HandleNeeded();
    bool HandleAllocated() const { return FWidget != nullptr; }

    // The controls that Tab visits in turn, from the first of the window's tab order: those
    // enabled and visible, as the keyboard finds them. Empty before the window has widgets.
    std::vector<TControl*> TabStops() const;

    // Draws the control as it would appear on screen into a bitmap (pfDevice); needs a GUI.
    gfx::TBitmap Snapshot();

protected:
    friend class TControl;
    friend struct ControlAccess;
    // Children drawn by this control (graphic controls), visited back to front.
    template <class F>
    void ForEachChild(F f) const
    {
        for (TControl* c : FChildren)
            if (c) f(c);
    }
    // The widget that children's widgets go into (the scrolled area of a window).
    virtual QWidget* ChildHost() const { return FWidget; }
    void SyncWidget() override;
    void FontChanged() override;
    void BoundsChanged() override;
    void RealignChildren();
    virtual void ChildBoundsChanged(TControl*) {}
    // The window's tab order: one chain through every control that takes the keyboard.
    void ApplyTabOrder();
    std::vector<QWidget*> TabChain() const;
    // A window not on the screen is laid out off the screen while its snapshot is taken.
    virtual void SnapshotShowing(bool on) {}

private:
    void InsertChild(TControl* c);
    void RemoveChild(TControl* c);
    void CompactChildren() const;
    mutable std::vector<TControl*> FChildren;  // nullptr where one left
    mutable size_t FChildHoles = 0;
};

// A control without a widget of its own, drawn by its parent (TImage).
class TGraphicControl : public TControl {
public:
    explicit TGraphicControl(TComponent* owner) : TControl(owner) {}
    // Draws the control into its parent's painter; rect is the control's place on the parent.
    // Internal to the framework (the painter is a QPainter).
    virtual void PaintOn(void* painter, const TRect& rect) = 0;
};

}  // namespace ui
