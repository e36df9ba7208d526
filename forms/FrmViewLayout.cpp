#include "forms/FrmViewLayout.h"

#include "forms/Bitmaps.h"

namespace forms {

namespace {
constexpr TColor clViewerBack = 15132648;  // RGB 232, 231, 230
}

const FormDesign& FrmViewDesign()
{
    static const FormDesign design{
        .Name = "FrmView",
        .Caption = "Your Split Image Segments",
        .ClientWidth = 803,
        .ClientHeight = 540,
        .Color = clViewerBack,
        .Font = {.Name = "MS Sans Serif", .Height = -11},
        .Position = ui::TPosition::poScreenCenter,
        .AutoScroll = true,
        .Controls = {
            {.Name = "GroupBox1", .Kind = Kind::GroupBox, .Left = 4, .Top = -1, .Width = 505, .Height = 143},
            {.Name = "Label1", .Kind = Kind::Label, .Parent = "GroupBox1", .Left = 12, .Top = 7, .Width = 485,
             .Height = 43,
             .Caption = "Click any image in your list to save, print, copy (so you can paste the image segment "
                        "in any other application), or work with it in Paintbrush.  Note that opening in "
                        "paintbrush will also allow you to save as other image types.",
             .Flags = WordWrap},
            {.Name = "ListBox1", .Kind = Kind::ListBox, .Parent = "GroupBox1", .Left = 3, .Top = 55, .Width = 89,
             .Height = 83, .Color = ui::clWindow, .ItemHeight = 14},
            {.Name = "ImageThumb", .Kind = Kind::Image, .Parent = "GroupBox1", .Left = 95, .Top = 55,
             .Width = 118, .Height = 84, .Flags = Stretch},
            {.Name = "Image1", .Kind = Kind::Image, .Parent = "GroupBox1", .Left = 215, .Top = 50, .Width = 33,
             .Height = 29, .Flags = Stretch, .Picture = &DecorationTiles},
            {.Name = "Cmdwork", .Kind = Kind::Button, .Parent = "GroupBox1", .Left = 254, .Top = 55, .Width = 120,
             .Height = 24, .Caption = "Save Image"},
            {.Name = "CmdCopy", .Kind = Kind::Button, .Parent = "GroupBox1", .Left = 380, .Top = 55, .Width = 120,
             .Height = 24, .Caption = "Copy Into Clipboard"},
            {.Name = "CmdSaveAll", .Kind = Kind::Button, .Parent = "GroupBox1", .Left = 254, .Top = 83,
             .Width = 120, .Height = 24, .Caption = "Save All Images"},
            {.Name = "CmdPaint", .Kind = Kind::Button, .Parent = "GroupBox1", .Left = 380, .Top = 83, .Width = 120,
             .Height = 24, .Caption = "Open In Paintbrush"},
            {.Name = "CmdPrint", .Kind = Kind::Button, .Parent = "GroupBox1", .Left = 255, .Top = 111,
             .Width = 120, .Height = 24, .Caption = "Print Image"},
            {.Name = "BitBtn1", .Kind = Kind::BitBtn, .Parent = "GroupBox1", .Left = 380, .Top = 111, .Width = 120,
             .Height = 24, .Caption = "Close Screen"},
            {.Name = "SaveDialog1", .Kind = Kind::SaveDialog, .Filter = "JPEG|*.JPG|BITMAP|*.BMP|PNG|*.PNG",
             .DefaultExt = "JPG"},
        }};
    return design;
}

}  // namespace forms
