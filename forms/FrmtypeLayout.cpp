#include "forms/FrmtypeLayout.h"

#include "forms/Bitmaps.h"

namespace forms {

const FormDesign& FrmtypeLayout()
{
    static const FormDesign design{
        .Name = "Frmtype",
        .Caption = "Save As Type",
        .ClientWidth = 330,
        .ClientHeight = 214,
        .Color = 13815242,
        .Font = {.Name = "MS Sans Serif", .Height = -11},
        .Position = ui::TPosition::poScreenCenter,
        .BorderStyle = ui::TFormBorderStyle::bsDialog,
        .BorderIcons = ui::biSystemMenu,
        .Icon = &ProgramIcon,
        .Controls = {
            {.Name = "Lbltitle", .Kind = Kind::Label, .Left = 12, .Top = 8, .Width = 306, .Height = 30,
             .Caption = "Choose the type of the new image. (Your original image remains untouched.)",
             .Font = {.Color = ui::clNavy}, .Flags = WordWrap | FixedSize | Bold},
            {.Name = "GroupBox1", .Kind = Kind::GroupBox, .Left = 12, .Top = 42, .Width = 306, .Height = 124,
             .Caption = "Save the new image as"},
            {.Name = "RadJpeg", .Kind = Kind::RadioButton, .Parent = "GroupBox1", .Left = 14, .Top = 20,
             .Width = 280, .Height = 20, .Caption = "JPEG image (*.JPG)", .Flags = Checked},
            {.Name = "RadBitmap", .Kind = Kind::RadioButton, .Parent = "GroupBox1", .Left = 14, .Top = 44,
             .Width = 280, .Height = 20, .Caption = "Bitmap image (*.BMP)"},
            {.Name = "RadTif", .Kind = Kind::RadioButton, .Parent = "GroupBox1", .Left = 14, .Top = 68,
             .Width = 280, .Height = 20, .Caption = "TIF image (*.TIF)"},
            {.Name = "RadMeta", .Kind = Kind::RadioButton, .Parent = "GroupBox1", .Left = 14, .Top = 92,
             .Width = 280, .Height = 20, .Caption = "Enhanced metafile (*.EMF)"},
            {.Name = "BitBtn1", .Kind = Kind::BitBtn, .Left = 118, .Top = 178, .Width = 96, .Height = 25,
             .Caption = "OK", .BitBtnKind = ui::TBitBtnKind::bkOK},
            {.Name = "BitBtn2", .Kind = Kind::BitBtn, .Left = 222, .Top = 178, .Width = 96, .Height = 25,
             .Caption = "Cancel", .BitBtnKind = ui::TBitBtnKind::bkCancel},
        }};
    return design;
}

}  // namespace forms
