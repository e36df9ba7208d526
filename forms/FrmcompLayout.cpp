#include "forms/FrmcompLayout.h"

namespace forms {

namespace {
constexpr TColor clDialogBack = 15132648;  // RGB 232, 231, 230
}

const FormDesign& FrmcompDesign()
{
    static const FormDesign design{
        .Name = "frmcomp",
        .Caption = "JPEG Compression Level",
        .ClientWidth = 386,
        .ClientHeight = 288,
        .Color = clDialogBack,
        .Position = ui::TPosition::poScreenCenter,
        .BorderIcons = ui::biSystemMenu | ui::biMaximize,
        .Controls = {
            {.Name = "Label1", .Kind = Kind::Label, .Left = 10, .Top = 8, .Width = 366, .Height = 42,
             .Caption = "Since you chose to save as JPEG, you can also choose a JPEG compression option.  "
                        "(Or just take the default chosen for you already). ",
             .Flags = WordWrap},
            {.Name = "Label2", .Kind = Kind::Label, .Left = 10, .Top = 56, .Width = 366, .Height = 56,
             .Caption = "\"85\" is the recommended default chosen below, but feel free to try the different "
                        "compression levels if you would like to make your stored images even smaller, or if "
                        "you would like to adjust the image quality level.",
             .Flags = WordWrap},
            {.Name = "Label3", .Kind = Kind::Label, .Left = 10, .Top = 116, .Width = 366, .Height = 56,
             .Caption = "(For example, you would probably never choose less then 70.  Choosing 100 would mean "
                        "no compression and max quality, but you probably wont notice much difference between "
                        "85 and 100 as both are good)",
             .Flags = WordWrap},
            {.Name = "GroupBox1", .Kind = Kind::GroupBox, .Left = 10, .Top = 178, .Width = 366, .Height = 106,
             .Caption = "JPEG Compression Options"},
            {.Name = "ScrollBar1", .Kind = Kind::ScrollBar, .Parent = "GroupBox1", .Left = 12, .Top = 20,
             .Width = 342, .Height = 17, .Min = 1, .Max = 100, .Value = 1, .PageSize = 0},
            {.Name = "Lblnumber", .Kind = Kind::Label, .Parent = "GroupBox1", .Left = 12, .Top = 40, .Width = 342,
             .Height = 13, .Flags = FixedSize | Centered},
            {.Name = "Label4", .Kind = Kind::Label, .Parent = "GroupBox1", .Left = 12, .Top = 58, .Width = 60,
             .Height = 13, .Caption = "Quality ->"},
            {.Name = "LblQuality", .Kind = Kind::Label, .Parent = "GroupBox1", .Left = 76, .Top = 58, .Width = 50,
             .Height = 13},
            {.Name = "Label7", .Kind = Kind::Label, .Parent = "GroupBox1", .Left = 186, .Top = 58, .Width = 100,
             .Height = 13, .Caption = "Compression ->"},
            {.Name = "LblComp", .Kind = Kind::Label, .Parent = "GroupBox1", .Left = 292, .Top = 58, .Width = 50,
             .Height = 13},
            {.Name = "Button1", .Kind = Kind::Button, .Parent = "GroupBox1", .Left = 145, .Top = 77, .Width = 75,
             .Height = 23, .Caption = "Ok", .Flags = DefaultButton},
        }};
    return design;
}

}  // namespace forms
