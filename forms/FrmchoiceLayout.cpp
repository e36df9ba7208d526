#include "forms/FrmchoiceLayout.h"

#include "forms/Bitmaps.h"

namespace forms {

namespace {

constexpr int kRadioLeft = 14, kRadioTop = 20, kRadioStep = 18, kRadioWidth = 270, kRadioHeight = 17;

constexpr int RadioTop(int row) { return kRadioTop + row * kRadioStep; }

}  // namespace

const FormDesign& FrmchoiceLayout()
{
    static const FormDesign design{
        .Name = "Frmchoice",
        .Caption = "Pallomer",
        .Width = 424,
        .Height = 270,
        .Color = 13815242,
        .Position = ui::TPosition::poScreenCenter,
        .Icon = &ChooserIcon,
        .Controls = {
            {.Name = "Lbltitle", .Kind = Kind::Label, .Left = 8, .Top = 6, .Width = 405, .Height = 66,
             .Font = {.Color = ui::clNavy}, .Flags = WordWrap | FixedSize},
            {.Name = "GroupBox1", .Kind = Kind::GroupBox, .Left = 8, .Top = 76, .Width = 296, .Height = 152,
             .Caption = "Select an option"},
            {.Name = "RadAll", .Kind = Kind::RadioButton, .Parent = "GroupBox1", .Left = kRadioLeft,
             .Top = RadioTop(0), .Width = kRadioWidth, .Height = kRadioHeight,
             .Caption = "Convert ALL Images In Folder "},
            {.Name = "RadOnlyJpeg", .Kind = Kind::RadioButton, .Parent = "GroupBox1", .Left = kRadioLeft,
             .Top = RadioTop(1), .Width = kRadioWidth, .Height = kRadioHeight,
             .Caption = "Convert only the JPEG images"},
            {.Name = "RadOnlyGif", .Kind = Kind::RadioButton, .Parent = "GroupBox1", .Left = kRadioLeft,
             .Top = RadioTop(2), .Width = kRadioWidth, .Height = kRadioHeight,
             .Caption = "Convert only the GIF images"},
            {.Name = "Radbmp", .Kind = Kind::RadioButton, .Parent = "GroupBox1", .Left = kRadioLeft,
             .Top = RadioTop(3), .Width = kRadioWidth, .Height = kRadioHeight,
             .Caption = "Convert only the BITMAP images"},
            {.Name = "RadMeta", .Kind = Kind::RadioButton, .Parent = "GroupBox1", .Left = kRadioLeft,
             .Top = RadioTop(4), .Width = kRadioWidth, .Height = kRadioHeight,
             .Caption = "Convert only the METAFILE images"},
            {.Name = "Radicon", .Kind = Kind::RadioButton, .Parent = "GroupBox1", .Left = kRadioLeft,
             .Top = RadioTop(5), .Width = kRadioWidth, .Height = kRadioHeight,
             .Caption = "Convert only the ICON images"},
            {.Name = "Radtif", .Kind = Kind::RadioButton, .Parent = "GroupBox1", .Left = kRadioLeft,
             .Top = RadioTop(6), .Width = kRadioWidth, .Height = kRadioHeight,
             .Caption = "Convert only the TIF images"},
            {.Name = "BitBtn1", .Kind = Kind::BitBtn, .Left = 320, .Top = 196, .Width = 92, .Height = 30,
             .BitBtnKind = ui::TBitBtnKind::bkOK},
        }};
    return design;
}

}  // namespace forms
