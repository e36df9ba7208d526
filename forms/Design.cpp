#include "forms/Design.h"

namespace forms {
namespace {

template <class T>
T* Make(ui::TForm& form) { return new T(&form); }

ui::TControl* Create(ui::TForm& form, const ControlDesign& d)
{
    switch (d.Kind) {
    case Kind::Label: return Make<ui::TLabel>(form);
    case Kind::Button: return Make<ui::TButton>(form);
    case Kind::BitBtn: return Make<ui::TBitBtn>(form);
    case Kind::Panel: return Make<ui::TPanel>(form);
    case Kind::GroupBox: return Make<ui::TGroupBox>(form);
    case Kind::RadioButton: return Make<ui::TRadioButton>(form);
    case Kind::CheckBox: return Make<ui::TCheckBox>(form);
    case Kind::SpinEdit: return Make<ui::TSpinEdit>(form);
    case Kind::ListBox: return Make<ui::TListBox>(form);
    case Kind::ScrollBar: return Make<ui::TScrollBar>(form);
    case Kind::Edit: return Make<ui::TEdit>(form);
    case Kind::Image: return Make<ui::TImage>(form);
    case Kind::Gauge: return Make<ui::TGauge>(form);
    default: return nullptr;
    }
}

void ApplyDialog(ui::TForm& form, const ControlDesign& d)
{
    ui::TOpenDialog* dlg = d.Kind == Kind::SaveDialog ? new ui::TSaveDialog(&form) : new ui::TOpenDialog(&form);
    dlg->SetName(d.Name);
    if (d.Filter) dlg->SetFilter(d.Filter);
    if (d.DefaultExt) dlg->SetDefaultExt(d.DefaultExt);
    if (d.Caption) dlg->SetTitle(d.Caption);
    dlg->SetOptions(d.Options);
}

// What only one kind of control has.
void ApplyKind(ui::TControl& c, const ControlDesign& d)
{
    const unsigned f = d.Flags;
    if (auto* l = dynamic_cast<ui::TLabel*>(&c)) {
        l->SetAutoSize(false);
        l->SetWordWrap(f & WordWrap);
        l->SetUnderline(f & Underline);
        l->SetTransparent(f & Transparent);
        if (f & Centered) l->SetAlignment(ui::TAlignment::taCenter);
    } else if (auto* b = dynamic_cast<ui::TBitBtn*>(&c)) {
        if (d.BitBtnKind != ui::TBitBtnKind::bkCustom) b->SetKind(d.BitBtnKind);
        if (d.Picture) b->SetGlyph(d.Picture());
        if (d.ModalResult) b->SetModalResult(d.ModalResult);
    } else if (auto* b = dynamic_cast<ui::TButton*>(&c)) {
        b->SetModalResult(d.ModalResult);
        b->SetDefault(f & DefaultButton);
    } else if (auto* p = dynamic_cast<ui::TPanel*>(&c)) {
        p->SetBevelInner(d.BevelInner);
        p->SetBevelOuter(d.BevelOuter);
        p->SetBevelWidth(d.BevelWidth);
    } else if (auto* s = dynamic_cast<ui::TSpinEdit*>(&c)) {
        s->SetMinValue(d.Min);
        s->SetMaxValue(d.Max);
        s->SetValue(d.Value);
    } else if (auto* l = dynamic_cast<ui::TListBox*>(&c)) {
        if (d.ItemHeight > 0) l->SetItemHeight(d.ItemHeight);
    } else if (auto* s = dynamic_cast<ui::TScrollBar*>(&c)) {
        if (f & Vertical) s->SetKind(ui::TScrollBarKind::sbVertical);
    } else if (auto* e = dynamic_cast<ui::TEdit*>(&c)) {
        e->SetMaxLength(d.Max);
    } else if (auto* i = dynamic_cast<ui::TImage*>(&c)) {
        i->SetStretch(f & Stretch);
        i->SetCenter(f & Center);
        i->SetTransparent(f & Transparent);
        if (d.Picture) {
            gfx::TBitmap pic = d.Picture();
            i->Picture().SetGraphic(&pic);
        }
    } else if (auto* g = dynamic_cast<ui::TGauge*>(&c)) {
        g->SetKind(d.GaugeKind);
        if (d.ForeColor != ui::clDefault) g->SetForeColor(d.ForeColor);
        if (d.Min || d.Max) {
            g->SetMaxValue(d.Max);
            g->SetMinValue(d.Min);
        }
        g->SetProgress(d.Value);
    }
}

// After the place: labels size themselves unless fixed, images to their picture when asked.
void ApplyAfterPlace(ui::TControl& c, const ControlDesign& d)
{
    if (auto* l = dynamic_cast<ui::TLabel*>(&c)) {
        if (!(d.Flags & FixedSize)) l->SetAutoSize(true);
    } else if (auto* i = dynamic_cast<ui::TImage*>(&c)) {
        if (d.Flags & AutoSize) i->SetAutoSize(true);
    } else if (auto* s = dynamic_cast<ui::TScrollBar*>(&c)) {
        s->SetParams(d.Value, d.Min, d.Max);
        s->SetPageSize(d.PageSize);
    }
}

}  // namespace

gfx::TFont MakeFont(const FontDesign& font, const gfx::TFont& parent)
{
    gfx::TFont f = parent;
    if (font.Name) f.Name = font.Name;
    f.PixelsPerInch = 96;
    if (font.Pt > 0) f.Height = -((font.Pt * 96 + 36) / 72);  // 9 pt: 12 pixels, 8 pt: 11 pixels
    else if (font.Height != 0) f.Height = font.Height;
    if (font.Color != ui::clDefault) f.Color = font.Color;
    return f;
}

void ApplyDesign(ui::TForm& form, const FormDesign& design)
{
    form.SetName(design.Name);
    form.SetCaption(design.Caption);
    form.SetBorderStyle(design.BorderStyle);
    form.SetBorderIcons(design.BorderIcons);
    form.SetPosition(design.Position);
    if (design.ClientWidth > 0 || design.ClientHeight > 0) {
        form.SetBounds(design.Left, design.Top, 0, 0);
        form.SetClientSize(design.ClientWidth, design.ClientHeight);
    } else {
        form.SetBounds(design.Left, design.Top, design.Width, design.Height);
    }
    form.SetColor(design.Color);
    gfx::TFont base;
    base.Color = ui::clWindowText;
    form.SetFont(MakeFont(design.Font, base));
    form.SetAutoScroll(design.AutoScroll);
    if (design.Icon) form.SetIcon(design.Icon());

    for (const ControlDesign& d : design.Controls) {
        if (d.Kind == Kind::OpenDialog || d.Kind == Kind::SaveDialog) {
            ApplyDialog(form, d);
            continue;
        }
        ui::TControl* c = Create(form, d);
        if (!c) throw rtl::Exception(rtl::Format("Unknown control kind for %s", {d.Name}));
        c->SetName(d.Name);
        ui::TWinControl* parent = &form;
        if (d.Parent) {
            parent = dynamic_cast<ui::TWinControl*>(form.FindComponent(d.Parent));
            if (!parent) throw rtl::Exception(rtl::Format("The parent %s of %s is not in %s", {d.Parent, d.Name, design.Name}));
        }
        const unsigned f = d.Flags;
        c->SetVisible(!(f & Hidden));
        c->SetEnabled(!(f & Disabled));
        if (d.Hint) c->SetHint(d.Hint);
        c->SetShowHint(!(f & NoHint));
        if (f & HandCursor) c->SetCursor(ui::crHandPoint);
        c->SetParent(parent);
        if (d.Font.Name || d.Font.Pt || d.Font.Height || d.Font.Color != ui::clDefault || (f & Bold)) {
            gfx::TFont font = MakeFont(d.Font, parent->Font());
            if (f & Bold) font.Bold = true;
            c->SetFont(font);
        }
        if (d.Color != ui::clDefault) c->SetColor(d.Color);
        ApplyKind(*c, d);
        // No handler is bound yet, so checking raises nothing.
        if (auto* b = dynamic_cast<ui::TRadioButton*>(c); b && (f & Checked)) b->SetChecked(true);
        if (auto* b = dynamic_cast<ui::TCheckBox*>(c); b && (f & Checked)) b->SetChecked(true);
        if (d.Width > 0 || d.Height > 0) c->SetBounds(d.Left, d.Top, d.Width, d.Height);
        else c->SetBounds(d.Left, d.Top, c->Width(), c->Height());
        if (d.Caption) c->SetCaption(d.Caption);
        if (f & AlignClient) c->SetAlign(ui::TAlign::alClient);
        if (d.TabOrder >= 0) c->SetTabOrder(d.TabOrder);
        ApplyAfterPlace(*c, d);
    }
}

}  // namespace forms
