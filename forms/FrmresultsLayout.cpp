#include "forms/FrmresultsLayout.h"

#include "forms/Bitmaps.h"

namespace forms {

const FormDesign& FrmresultsLayout()
{
    static const FormDesign design{
        .Name = "Frmresults",
        .Caption = "Results",
        .ClientWidth = 560,
        .ClientHeight = 320,
        .Color = 13815242,
        .Font = {.Name = "MS Sans Serif", .Height = -11},
        .Position = ui::TPosition::poScreenCenter,
        .Icon = &ProgramIcon,
        .Controls = {
            {.Name = "Label1", .Kind = Kind::Label, .Left = 10, .Top = 8, .Caption = "Results:",
             .Flags = Underline},
            {.Name = "ListBox1", .Kind = Kind::ListBox, .Left = 10, .Top = 26, .Width = 540, .Height = 234,
             .Color = ui::clWindow, .ItemHeight = 14},
            {.Name = "Lblstatus", .Kind = Kind::Label, .Left = 10, .Top = 266, .Width = 540, .Height = 14,
             .Font = {.Color = ui::clNavy}, .Flags = Bold | FixedSize},
            {.Name = "BitBtn1", .Kind = Kind::BitBtn, .Left = 454, .Top = 288, .Width = 96, .Height = 25,
             .Caption = "Close", .BitBtnKind = ui::TBitBtnKind::bkClose},
        }};
    return design;
}

}  // namespace forms
