#include "forms/FrmfoldersLayout.h"

#include "forms/Bitmaps.h"

namespace forms {

namespace {

constexpr int kLeft = 12, kEditLeft = 24, kEditWidth = 360, kBrowseLeft = 392, kBrowseWidth = 80;

}  // namespace

const FormDesign& FrmfoldersLayout()
{
    static const FormDesign design{
        .Name = "Frmfolders",
        .Caption = "Choose Folders",
        .ClientWidth = 484,
        .ClientHeight = 338,
        .Color = 13815242,
        .Font = {.Name = "MS Sans Serif", .Height = -11},
        .Position = ui::TPosition::poScreenCenter,
        .BorderStyle = ui::TFormBorderStyle::bsDialog,
        .BorderIcons = ui::biSystemMenu,
        .Icon = &ProgramIcon,
        .Controls = {
            {.Name = "Lbltitle", .Kind = Kind::Label, .Left = kLeft, .Top = 8, .Width = 460, .Height = 42,
             .Caption = "The save button converts either the picture chosen on the main window, or every picture "
                        "of a folder into an output folder. With a folder, it can also make a web page of "
                        "thumbnails that show the full pictures when clicked.",
             .Font = {.Color = ui::clNavy}, .Flags = WordWrap | FixedSize},
            {.Name = "RadSingle", .Kind = Kind::RadioButton, .Left = kLeft, .Top = 58, .Width = 420, .Height = 17,
             .Caption = "Save the one picture chosen on the main window"},
            {.Name = "RadFolder", .Kind = Kind::RadioButton, .Left = kLeft, .Top = 78, .Width = 420, .Height = 17,
             .Caption = "Convert every picture of a folder"},
            {.Name = "LblSource", .Kind = Kind::Label, .Left = kEditLeft, .Top = 104,
             .Caption = "Folder of the pictures to convert:"},
            {.Name = "EdSource", .Kind = Kind::Edit, .Left = kEditLeft, .Top = 120, .Width = kEditWidth, .Height = 21},
            {.Name = "BtnSource", .Kind = Kind::Button, .Left = kBrowseLeft, .Top = 119, .Width = kBrowseWidth,
             .Height = 23, .Caption = "Browse...", .Hint = "Choose the folder of the pictures to convert"},
            {.Name = "LblOutput", .Kind = Kind::Label, .Left = kEditLeft, .Top = 150,
             .Caption = "Folder for the new pictures:"},
            {.Name = "EdOutput", .Kind = Kind::Edit, .Left = kEditLeft, .Top = 166, .Width = kEditWidth, .Height = 21},
            {.Name = "BtnOutput", .Kind = Kind::Button, .Left = kBrowseLeft, .Top = 165, .Width = kBrowseWidth,
             .Height = 23, .Caption = "Browse...", .Hint = "Choose the folder for the new pictures"},
            {.Name = "ChkWebPage", .Kind = Kind::CheckBox, .Left = kEditLeft, .Top = 200, .Width = 420, .Height = 17,
             .Caption = "Make a web page of the JPEG thumbnails"},
            {.Name = "LblWeb", .Kind = Kind::Label, .Left = kEditLeft, .Top = 224,
             .Caption = "Folder for the web page:"},
            {.Name = "EdWeb", .Kind = Kind::Edit, .Left = kEditLeft, .Top = 240, .Width = kEditWidth, .Height = 21},
            {.Name = "BtnWeb", .Kind = Kind::Button, .Left = kBrowseLeft, .Top = 239, .Width = kBrowseWidth,
             .Height = 23, .Caption = "Browse...", .Hint = "Choose the folder for the web page"},
            {.Name = "BtnOk", .Kind = Kind::BitBtn, .Left = 296, .Top = 296, .Width = 84, .Height = 30,
             .Caption = "OK", .BitBtnKind = ui::TBitBtnKind::bkOK, .Picture = &GlyphOk},
            {.Name = "BtnCancel", .Kind = Kind::BitBtn, .Left = 388, .Top = 296, .Width = 84, .Height = 30,
             .BitBtnKind = ui::TBitBtnKind::bkCancel},
            {.Name = "DlgFolder", .Kind = Kind::OpenDialog, .Caption = "Choose a folder",
             .Options = ui::ofPickFolder | ui::ofEnableSizing},
        }};
    return design;
}

}  // namespace forms
