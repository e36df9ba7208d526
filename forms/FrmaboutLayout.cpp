#include "forms/FrmaboutLayout.h"

#include "forms/Bitmaps.h"

namespace forms {

namespace {

constexpr FontDesign kTextFont{.Name = "Tahoma", .Pt = 9};

}  // namespace

const FormDesign& FrmaboutLayout()
{
    static const FormDesign design{
        .Name = "Frmabout",
        .Caption = "About ",
        .ClientWidth = 490,
        .ClientHeight = 269,
        .Color = 15132648,
        .Font = {.Name = "MS Sans Serif", .Pt = 8},
        .Position = ui::TPosition::poScreenCenter,
        .BorderStyle = ui::TFormBorderStyle::bsSingle,
        .Icon = &ProgramIcon,
        .Controls = {
            {.Name = "Button1", .Kind = Kind::Button, .Left = 404, .Top = 240, .Width = 75, .Height = 21,
             .Caption = "Return", .Font = {.Name = "Arial", .Pt = 8}},
            {.Name = "Panel1", .Kind = Kind::Panel, .Left = 5, .Top = 5, .Width = 481, .Height = 223,
             .Color = 16044236, .BevelInner = ui::TBevelCut::bvLowered,
             .BevelOuter = ui::TBevelCut::bvLowered, .BevelWidth = 2},
            {.Name = "LblCopy1", .Kind = Kind::Label, .Parent = "Panel1", .Left = 9, .Top = 10, .Width = 400,
             .Height = 14, .Font = kTextFont, .Flags = WordWrap | FixedSize},
            {.Name = "LblCopy2", .Kind = Kind::Label, .Parent = "Panel1", .Left = 9, .Top = 26, .Width = 400,
             .Height = 14, .Font = kTextFont, .Flags = FixedSize},
            {.Name = "LblCopy3", .Kind = Kind::Label, .Parent = "Panel1", .Left = 9, .Top = 42, .Width = 408,
             .Height = 14, .Font = kTextFont, .Flags = FixedSize},
            {.Name = "Label1", .Kind = Kind::Label, .Parent = "Panel1", .Left = 9, .Top = 77,
             .Caption = "Disclaimer :", .Font = kTextFont, .Flags = Underline},
            {.Name = "LblInfo1", .Kind = Kind::Label, .Parent = "Panel1", .Left = 9, .Top = 94, .Width = 440,
             .Height = 14, .Font = kTextFont, .Flags = FixedSize},
            {.Name = "LblInfo2", .Kind = Kind::Label, .Parent = "Panel1", .Left = 9, .Top = 109,
             .Width = 440, .Height = 57, .Font = kTextFont, .Flags = WordWrap | FixedSize},
            {.Name = "LblInfo3", .Kind = Kind::Label, .Parent = "Panel1", .Left = 9, .Top = 165,
             .Width = 448, .Height = 37, .Font = kTextFont, .Flags = WordWrap | FixedSize},
        }};
    return design;
}

}  // namespace forms
