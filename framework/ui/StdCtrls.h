// The standard controls: labels, buttons, panels, group boxes, radio buttons, check boxes, spin
// boxes, list boxes, scroll bars, edits, images and the needle gauge.
#pragma once

#include <memory>

#include "framework/graphics/Graphics.h"
#include "framework/rtl/Classes.h"
#include "framework/ui/Controls.h"
#include "framework/ui/Seam.h"

namespace ui {

enum class TAlignment { taLeftJustify, taRightJustify, taCenter };

// ---- label ---------------------------------------------------------------------------

class TLabel : public TControl {
public:
    explicit TLabel(TComponent* owner);
    void SetCaption(const String& caption) override;
    // AutoSize (on by default): the label takes the size of its text; with WordWrap it keeps its
    // width and takes the height of the wrapped text.
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool on);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool on);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment a);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool on);
    bool Underline() const { return FUnderline; }
    void SetUnderline(bool on);

protected:
    QWidget* CreateWidget(QWidget* parent) override;
    void SyncWidget() override;
    void FontChanged() override;

private:
    void AdjustSize();
    bool FAutoSize = true;
    bool FWordWrap = false;
    bool FTransparent = false;
    bool FUnderline = false;
    TAlignment FAlignment = TAlignment::taLeftJustify;
};

// ---- buttons ---------------------------------------------------------------------------

class TButton : public TControl {
public:
    explicit TButton(TComponent* owner);
    // A button with a modal result sets it on its window when clicked, which ends a modal showing.
    int ModalResult() const { return FModalResult; }
    void SetModalResult(int mr) { FModalResult = mr; }
    bool Default() const { return FDefault; }
    void SetDefault(bool on) { FDefault = on; }
    bool Cancel() const { return FCancel; }
    void SetCancel(bool on) { FCancel = on; }
    void Click() override;  // OnClick, then the modal result

protected:
    QWidget* CreateWidget(QWidget* parent) override;
    void SyncWidget() override;

private:
    int FModalResult = mrNone;
    bool FDefault = false;
    bool FCancel = false;
};

enum class TBitBtnKind { bkCustom, bkOK, bkCancel, bkHelp, bkYes, bkNo, bkClose, bkAbort, bkRetry, bkIgnore, bkAll };

// A button with a glyph beside its caption.
class TBitBtn : public TButton {
public:
    explicit TBitBtn(TComponent* owner);
    const gfx::TBitmap& Glyph() const { return FGlyph; }
    void SetGlyph(const gfx::TBitmap& glyph);
    // A kind other than bkCustom gives the button that kind's modal result and glyph; bkClose
    // closes the window when clicked. bkOK and bkYes make it the window's Default (Enter), bkCancel,
    // bkNo and bkClose its Cancel (Escape).
    TBitBtnKind Kind() const { return FKind; }
    void SetKind(TBitBtnKind kind);
    void Click() override;

protected:
    void SyncWidget() override;

private:
    gfx::TBitmap FGlyph;
    TBitBtnKind FKind = TBitBtnKind::bkCustom;
};

// ---- containers ------------------------------------------------------------------------

enum class TBevelCut { bvNone, bvLowered, bvRaised };

class TPanel : public TWinControl {
public:
    explicit TPanel(TComponent* owner);
    TBevelCut BevelInner() const { return FBevelInner; }
    void SetBevelInner(TBevelCut b);
    TBevelCut BevelOuter() const { return FBevelOuter; }
    void SetBevelOuter(TBevelCut b);
    int BevelWidth() const { return FBevelWidth; }
    void SetBevelWidth(int w);

protected:
    QWidget* CreateWidget(QWidget* parent) override;
    void SyncWidget() override;

private:
    TBevelCut FBevelInner = TBevelCut::bvNone;
    TBevelCut FBevelOuter = TBevelCut::bvRaised;
    int FBevelWidth = 1;
};

class TGroupBox : public TWinControl {
public:
    explicit TGroupBox(TComponent* owner);

protected:
    QWidget* CreateWidget(QWidget* parent) override;
    void SyncWidget() override;
};

// ---- check box and radio button ----------------------------------------------------------

class TCheckBox : public TControl {
public:
    explicit TCheckBox(TComponent* owner);
    bool Checked() const { return FChecked; }
    // A change of state raises OnClick, as a click does.
    void SetChecked(bool on);
    void Click() override;  // toggles

protected:
    QWidget* CreateWidget(QWidget* parent) override;
    void SyncWidget() override;

private:
    bool FChecked = false;
};

class TRadioButton : public TControl {
public:
    explicit TRadioButton(TComponent* owner);
    bool Checked() const { return FChecked; }
    // Checking it unchecks the other radio buttons on the same parent and raises OnClick.
    void SetChecked(bool on);
    void Click() override;  // checks it

protected:
    QWidget* CreateWidget(QWidget* parent) override;
    void SyncWidget() override;

private:
    bool FChecked = false;
};

// ---- spin box --------------------------------------------------------------------------------

class TSpinEdit : public TControl {
public:
    explicit TSpinEdit(TComponent* owner);
    int MinValue() const { return FMinValue; }
    int MaxValue() const { return FMaxValue; }
    // The limits alone never move the value.
    void SetMinValue(int v) { FMinValue = v; }
    void SetMaxValue(int v) { FMaxValue = v; }
    int Increment() const { return FIncrement; }
    void SetIncrement(int v) { FIncrement = v; }
    // The text read as a whole number; MinValue when it is not one.
    int Value() const;
    // Kept inside MinValue..MaxValue, unless both are equal.
    void SetValue(int v);
    // The text as typed (not yet kept inside the limits).
    void SetCaption(const String& text) override;
    // What leaving the box does: a value outside the limits is brought inside.
    void Exit();
    void StepUp() { SetValue(Value() + FIncrement); }
    void StepDown() { SetValue(Value() - FIncrement); }
    TNotifyEvent OnChange;

protected:
    QWidget* CreateWidget(QWidget* parent) override;
    void SyncWidget() override;

private:
    int CheckValue(int v) const;
    int FMinValue = 0, FMaxValue = 0, FIncrement = 1;
};

// ---- list box --------------------------------------------------------------------------------

class TListBox;

// The entries of a list box.
class TListItems {
public:
    int Count() const { return FItems.Count(); }
    const String& operator[](int index) const { return FItems[index]; }  // EStringListError
    const String& Strings(int index) const { return FItems[index]; }
    int Add(const String& s);
    void Delete(int index);
    void Clear();
    int IndexOf(const String& s) const { return FItems.IndexOf(s); }
    auto begin() const { return FItems.begin(); }
    auto end() const { return FItems.end(); }

private:
    friend class TListBox;
    explicit TListItems(TListBox& owner) : FOwner(owner) {}
    TListBox& FOwner;
    rtl::TStringList FItems;
};

class TListBox : public TControl {
public:
    explicit TListBox(TComponent* owner);
    TListItems& Items() { return FItems; }
    const TListItems& Items() const { return FItems; }
    // -1 when nothing is selected. Setting it from code raises no event.
    int ItemIndex() const { return FItemIndex; }
    void SetItemIndex(int index);  // outside 0..Count-1: nothing selected
    int ItemHeight() const { return FItemHeight; }
    void SetItemHeight(int h);
    // What a click on an entry does: selects it and raises OnClick.
    void ClickItem(int index);

protected:
    QWidget* CreateWidget(QWidget* parent) override;
    void SyncWidget() override;

private:
    friend class TListItems;
    void ItemsChanged(int added);
    TListItems FItems{*this};
    int FItemIndex = -1;
    int FItemHeight = 13;
    int FShownCount = 0;  // entries the widget holds
};

// ---- scroll bar --------------------------------------------------------------------------------

enum class TScrollBarKind { sbHorizontal, sbVertical };

class TScrollBar : public TControl {
public:
    explicit TScrollBar(TComponent* owner);
    TScrollBarKind Kind() const { return FKind; }
    void SetKind(TScrollBarKind kind);
    int Min() const { return FMin; }
    int Max() const { return FMax; }
    int Position() const { return FPosition; }
    int PageSize() const { return FPageSize; }
    int SmallChange() const { return FSmallChange; }
    int LargeChange() const { return FLargeChange; }
    // The position is kept inside Min..Max; every change of it, from code or from the user,
    // raises OnChange. Max below Min, or a page size above Max - Min + 1, raise EInvalidOperation.
    void SetPosition(int position);
    void SetMin(int v) { SetParams(FPosition, v, FMax); }
    void SetMax(int v) { SetParams(FPosition, FMin, v); }
    void SetParams(int position, int min, int max);
    void SetPageSize(int size);
    void SetSmallChange(int v) { FSmallChange = v; }
    void SetLargeChange(int v) { FLargeChange = v; }
    TNotifyEvent OnChange;

protected:
    QWidget* CreateWidget(QWidget* parent) override;
    void SyncWidget() override;

private:
    TScrollBarKind FKind = TScrollBarKind::sbHorizontal;
    int FMin = 0, FMax = 100, FPosition = 0, FPageSize = 0, FSmallChange = 1, FLargeChange = 1;
};

// ---- edit ------------------------------------------------------------------------------------

class TEdit : public TControl {
public:
    explicit TEdit(TComponent* owner);
    // The most characters the user may type; 0: no limit. Text set from code is kept whole.
    int MaxLength() const { return FMaxLength; }
    void SetMaxLength(int n);
    void SetCaption(const String& text) override;  // raises OnChange when the text changes
    // What typing does: the text limited to MaxLength, then OnChange.
    void Type(const String& text);
    TNotifyEvent OnChange;

protected:
    QWidget* CreateWidget(QWidget* parent) override;
    void SyncWidget() override;

private:
    int FMaxLength = 0;
};

// ---- image -----------------------------------------------------------------------------------

// A picture on its parent, drawn by the parent: no widget of its own, so thousands stay cheap.
class TImage : public TGraphicControl {
public:
    explicit TImage(TComponent* owner);
    ~TImage() override;
    gfx::TPicture& Picture() { return FPicture; }
    const gfx::TPicture& Picture() const { return FPicture; }
    // The canvas of the picture's bitmap; an empty picture first gets a bitmap of the control's
    // size (pfDevice, white). A picture of another class: EInvalidOperation.
    gfx::TCanvas& Canvas();
    bool Stretch() const { return FStretch; }
    void SetStretch(bool on);
    bool Center() const { return FCenter; }
    void SetCenter(bool on);
    // AutoSize: the control takes its picture's size whenever the picture changes.
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool on);
    bool Transparent() const { return FTransparent; }
    // Transparent: the picture's bottom-left colour lets the parent show through.
    void SetTransparent(bool on) { FTransparent = on; Invalidate(); }

    // How many times the control was drawn on screen.
    int PaintCount() const { return FPaintCount; }
    void PaintOn(void* painter, const TRect& rect) override;
    void Invalidate() override;

private:
    static void PictureChanged(void* self);
    gfx::TPicture FPicture;
    bool FStretch = false;
    bool FCenter = false;
    bool FAutoSize = false;
    bool FTransparent = false;
    int FPaintCount = 0;
    struct Cache;
    std::unique_ptr<Cache> FCache;  // the picture as the screen draws it
};

// ---- gauge -----------------------------------------------------------------------------------

enum class TGaugeKind { gkText, gkHorizontalBar, gkVerticalBar, gkPie, gkNeedle };

class TGauge : public TControl {
public:
    explicit TGauge(TComponent* owner);
    TGaugeKind Kind() const { return FKind; }
    void SetKind(TGaugeKind kind);
    int MinValue() const { return FMinValue; }
    int MaxValue() const { return FMaxValue; }
    void SetMinValue(int v);
    void SetMaxValue(int v);
    int Progress() const { return FProgress; }
    // Kept inside MinValue..MaxValue; the gauge is drawn again only when PercentDone changes.
    void SetProgress(int v);
    void AddProgress(int v) { SetProgress(FProgress + v); }
    int PercentDone() const;
    TColor ForeColor() const { return FForeColor; }
    void SetForeColor(TColor c);
    TColor BackColor() const { return FBackColor; }
    void SetBackColor(TColor c);
    bool ShowText() const { return FShowText; }
    void SetShowText(bool on);
    // How many times the gauge was drawn again because its value changed.
    int RedrawCount() const { return FRedrawCount; }

protected:
    QWidget* CreateWidget(QWidget* parent) override;
    void SyncWidget() override;

private:
    TGaugeKind FKind = TGaugeKind::gkHorizontalBar;
    int FMinValue = 0, FMaxValue = 100, FProgress = 0;
    TColor FForeColor = clBlack;
    TColor FBackColor = clWhite;
    bool FShowText = true;
    int FRedrawCount = 0;
};

}  // namespace ui
