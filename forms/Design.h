// A window's design as data: the window's own properties and a table of its controls (name,
// kind, parent, place, caption, hint, font, colour, flags and the few values of each kind),
// applied when the window is created, so that the window's class holds only behaviour.
//
//   static const forms::FormDesign design{
//       .Name = "FrmAbout", .Caption = "About ", .ClientWidth = 490, .ClientHeight = 269, ...,
//       .Controls = {
//           {.Name = "Button1", .Kind = forms::Kind::Button, .Left = 404, .Top = 240, .Width = 75,
//            .Height = 21, .Caption = "Return", .Font = {.Name = "Arial", .Pt = 8}},
//           ...
//       }};
//   forms::ApplyDesign(*this, design);   // in the window's constructor, before binding fields
//
// Fonts are given as the designer names them ("Arial", "Tahoma", "MS Sans Serif", "System") with
// a size in points (Pt) or a height in pixels (Height, negative as the framework stores it);
// the framework maps the names to this platform's families and sets sizes in pixels at 96 ppi.
#pragma once

#include <vector>

#include "framework/graphics/Graphics.h"
#include "framework/ui/Controls.h"
#include "framework/ui/Dialogs.h"
#include "framework/ui/Forms.h"
#include "framework/ui/StdCtrls.h"

namespace forms {

using gfx::TColor;

enum class Kind {
    Label, Button, BitBtn, Panel, GroupBox, RadioButton, CheckBox, SpinEdit, ListBox, ScrollBar,
    Edit, Image, Gauge, OpenDialog, SaveDialog,
};

// Flags of a control (combinable).
enum Flag : unsigned {
    Hidden = 1u << 0,       // Visible false
    Disabled = 1u << 1,     // Enabled false
    WordWrap = 1u << 2,     // label
    FixedSize = 1u << 3,    // label: AutoSize off (labels size themselves by default)
    AutoSize = 1u << 4,     // image: sized to its picture
    Stretch = 1u << 5,      // image
    HandCursor = 1u << 6,   // cursor crHandPoint
    Checked = 1u << 7,      // check box, radio button (set without raising OnClick)
    Bold = 1u << 8,         // font style
    Underline = 1u << 9,    // label font style
    AlignClient = 1u << 10, // fills its parent's client area
    Centered = 1u << 11,    // label text centred
    Vertical = 1u << 12,    // scroll bar kind sbVertical
    Transparent = 1u << 13, // label or image
    NoHint = 1u << 14,      // ShowHint off
    Center = 1u << 15,      // image: picture centred
    DefaultButton = 1u << 16,  // button pressed by Enter
};

struct FontDesign {
    const char* Name = nullptr;  // nullptr: the parent's font
    int Pt = 0;                  // size in points, or
    int Height = 0;              // height in pixels as the framework stores it (-11: 11 pixels)
    TColor Color = ui::clDefault;
};

struct ControlDesign {
    const char* Name = "";
    forms::Kind Kind = forms::Kind::Label;
    const char* Parent = nullptr;  // nullptr: the window itself
    int Left = 0, Top = 0, Width = 0, Height = 0;
    const char* Caption = nullptr;  // nullptr: empty
    const char* Hint = nullptr;
    FontDesign Font{};
    TColor Color = ui::clDefault;   // clDefault: the parent's colour
    unsigned Flags = 0;
    // Spin edit: MinValue, MaxValue, Value. Scroll bar: Min, Max, Value = Position. Gauge:
    // MinValue, MaxValue, Value = Progress. Edit: Max = MaxLength.
    int Min = 0, Max = 0, Value = 0;
    int PageSize = 0;               // scroll bar
    int ModalResult = 0;            // button
    ui::TBitBtnKind BitBtnKind = ui::TBitBtnKind::bkCustom;
    ui::TBevelCut BevelInner = ui::TBevelCut::bvNone;   // panel
    ui::TBevelCut BevelOuter = ui::TBevelCut::bvRaised;
    int BevelWidth = 1;
    int ItemHeight = 0;             // list box; 0: the default
    ui::TGaugeKind GaugeKind = ui::TGaugeKind::gkHorizontalBar;
    TColor ForeColor = ui::clDefault;  // gauge
    int TabOrder = -1;
    // Open and save dialogs.
    const char* Filter = nullptr;
    const char* DefaultExt = nullptr;
    unsigned Options = ui::ofHideReadOnly | ui::ofEnableSizing;
    // Image picture or button glyph, drawn by this project (see forms/Bitmaps.h).
    gfx::TBitmap (*Picture)() = nullptr;
};

struct FormDesign {
    const char* Name = "";
    const char* Caption = "";
    int Left = 0, Top = 0;
    // The client area; or, when ClientWidth/ClientHeight are 0, the outer Width/Height.
    int ClientWidth = 0, ClientHeight = 0;
    int Width = 0, Height = 0;
    TColor Color = ui::clBtnFace;
    FontDesign Font{.Name = "Tahoma", .Pt = 8};
    ui::TPosition Position = ui::TPosition::poDesigned;
    ui::TFormBorderStyle BorderStyle = ui::TFormBorderStyle::bsSizeable;
    unsigned BorderIcons = ui::biSystemMenu | ui::biMinimize | ui::biMaximize;
    bool AutoScroll = false;
    gfx::TBitmap (*Icon)() = nullptr;
    std::vector<ControlDesign> Controls;
};

// The framework font for a design font (family name as designed; height in pixels at 96 ppi).
gfx::TFont MakeFont(const FontDesign& font, const gfx::TFont& parent);

// Applies the window's properties and creates its controls, owned by the window, in table order;
// a control's parent must come before it. An unknown parent name raises rtl::Exception.
void ApplyDesign(ui::TForm& form, const FormDesign& design);

}  // namespace forms
