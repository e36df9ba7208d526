#include "forms/FrmadjustLayout.h"

#include "forms/Bitmaps.h"

namespace forms {

namespace {

constexpr TColor kNavy = 0x800000;
constexpr FontDesign kValueFont{.Color = kNavy};

}  // namespace

const FormDesign& FrmadjustLayout()
{
    static const FormDesign design{
        .Name = "Frmadjust",
        .Caption = "Pallomer",
        .ClientWidth = 717,
        .ClientHeight = 477,
        .Color = 13815242,
        .Font = {.Name = "MS Sans Serif", .Height = -11},
        .Position = ui::TPosition::poScreenCenter,
        .Icon = &ProgramIcon,
        .Controls = {
            {.Name = "Lbltitle", .Kind = Kind::Label, .Left = 16, .Top = 6, .Width = 677, .Height = 39,
             .Flags = WordWrap | FixedSize},
            {.Name = "Lblname", .Kind = Kind::Label, .Left = 16, .Top = 50},
            {.Name = "LblImageName", .Kind = Kind::Label, .Left = 124, .Top = 50, .Font = kValueFont,
             .Flags = Bold},
            {.Name = "Lbldetails", .Kind = Kind::Label, .Left = 16, .Top = 66},
            {.Name = "Lblsize", .Kind = Kind::Label, .Left = 124, .Top = 66, .Font = kValueFont,
             .Flags = Bold},
            {.Name = "GroupBox1", .Kind = Kind::GroupBox, .Left = 16, .Top = 86, .Width = 678, .Height = 288,
             .Caption = "Make Thumbnails/Change Image Size"},
            {.Name = "Image1", .Kind = Kind::Image, .Parent = "GroupBox1", .Left = 212, .Top = 6,
             .Width = 457, .Height = 277, .Hint = "Show this image in image viewer", .Flags = HandCursor},
            {.Name = "LblOldWidth", .Kind = Kind::Label, .Parent = "GroupBox1", .Left = 10, .Top = 20},
            {.Name = "LblOldHeight", .Kind = Kind::Label, .Parent = "GroupBox1", .Left = 10, .Top = 36},
            {.Name = "Label3", .Kind = Kind::Label, .Parent = "GroupBox1", .Left = 10, .Top = 56,
             .Caption = "New Width:"},
            {.Name = "LblNewWidth", .Kind = Kind::Label, .Parent = "GroupBox1", .Left = 80, .Top = 56,
             .Font = kValueFont, .Flags = Bold},
            {.Name = "Label4", .Kind = Kind::Label, .Parent = "GroupBox1", .Left = 10, .Top = 72,
             .Caption = "New Height:"},
            {.Name = "LblNewHeight", .Kind = Kind::Label, .Parent = "GroupBox1", .Left = 80, .Top = 72,
             .Font = kValueFont, .Flags = Bold},
            {.Name = "Label7", .Kind = Kind::Label, .Parent = "GroupBox1", .Left = 10, .Top = 96,
             .Caption = "Adjust % of Image ", .Flags = Underline},
            {.Name = "Lblpercent", .Kind = Kind::Label, .Parent = "GroupBox1", .Left = 110, .Top = 96,
             .Font = kValueFont, .Flags = Bold},
            {.Name = "ScrollBar1", .Kind = Kind::ScrollBar, .Parent = "GroupBox1", .Left = 10, .Top = 114,
             .Width = 190, .Height = 17, .Hint = "Slide to adjust the image on the right", .Min = 1,
             .Max = 200, .Value = 1},
            {.Name = "Label9", .Kind = Kind::Label, .Parent = "GroupBox1", .Left = 10, .Top = 134,
             .Caption = "<- Make Smaller"},
            {.Name = "Label10", .Kind = Kind::Label, .Parent = "GroupBox1", .Left = 120, .Top = 134,
             .Caption = "Make Larger ->"},
            {.Name = "ImageHidden", .Kind = Kind::Image, .Left = 0, .Top = 0, .Width = 105, .Height = 105,
             .Flags = Hidden},
            {.Name = "ImageSave", .Kind = Kind::Image, .Left = 0, .Top = 0, .Width = 105, .Height = 105,
             .Flags = Hidden},
            {.Name = "Imagejpeg", .Kind = Kind::Image, .Left = 0, .Top = 0, .Width = 105, .Height = 105,
             .Flags = Hidden},
        }};
    return design;
}

}  // namespace forms
