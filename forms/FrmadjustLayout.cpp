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
            {.Name = "LblImageName", .Kind = Kind::Label, .Left = 150, .Top = 50, .Font = kValueFont,
             .Flags = Bold},
            {.Name = "Lbldetails", .Kind = Kind::Label, .Left = 16, .Top = 66},
            {.Name = "Lblsize", .Kind = Kind::Label, .Left = 150, .Top = 66, .Font = kValueFont,
             .Flags = Bold},
            {.Name = "GroupBox1", .Kind = Kind::GroupBox, .Left = 16, .Top = 86, .Width = 678, .Height = 288,
             .Caption = "Make Thumbnails/Change Image Size"},
            {.Name = "Image1", .Kind = Kind::Image, .Parent = "GroupBox1", .Left = 212, .Top = 8,
             .Width = 457, .Height = 277, .Hint = "Show this image in image viewer", .Flags = HandCursor | Center},
            {.Name = "LblOldWidth", .Kind = Kind::Label, .Parent = "GroupBox1", .Left = 10, .Top = 18},
            {.Name = "LblOldHeight", .Kind = Kind::Label, .Parent = "GroupBox1", .Left = 10, .Top = 32},
            {.Name = "Label3", .Kind = Kind::Label, .Parent = "GroupBox1", .Left = 10, .Top = 47,
             .Caption = "New Width:"},
            {.Name = "LblNewWidth", .Kind = Kind::Label, .Parent = "GroupBox1", .Left = 84, .Top = 47,
             .Font = kValueFont, .Flags = Bold},
            {.Name = "Label4", .Kind = Kind::Label, .Parent = "GroupBox1", .Left = 10, .Top = 61,
             .Caption = "New Height:"},
            {.Name = "LblNewHeight", .Kind = Kind::Label, .Parent = "GroupBox1", .Left = 84, .Top = 61,
             .Font = kValueFont, .Flags = Bold},
            {.Name = "Label7", .Kind = Kind::Label, .Parent = "GroupBox1", .Left = 10, .Top = 77,
             .Caption = "Adjust % of Image ", .Flags = Underline},
            {.Name = "Lblpercent", .Kind = Kind::Label, .Parent = "GroupBox1", .Left = 122, .Top = 77,
             .Font = kValueFont, .Flags = Bold},
            {.Name = "ScrollBar1", .Kind = Kind::ScrollBar, .Parent = "GroupBox1", .Left = 10, .Top = 93,
             .Width = 190, .Height = 17, .Hint = "Slide to adjust the image on the right", .Min = 1,
             .Max = 200, .Value = 1},
            {.Name = "Label9", .Kind = Kind::Label, .Parent = "GroupBox1", .Left = 10, .Top = 111,
             .Caption = "<- Make Smaller"},
            {.Name = "Label10", .Kind = Kind::Label, .Parent = "GroupBox1", .Left = 116, .Top = 111,
             .Caption = "Make Larger ->"},
            // Two lines: on one this platform's face would run into the preview.
            {.Name = "Label1", .Kind = Kind::Label, .Parent = "GroupBox1", .Left = 10, .Top = 126, .Width = 190,
             .Height = 27, .Caption = "Or enter exact pixel width and height:",
             .Flags = Underline | WordWrap | FixedSize},
            {.Name = "EdW", .Kind = Kind::Edit, .Parent = "GroupBox1", .Left = 10, .Top = 154, .Width = 44,
             .Height = 21, .Hint = "Use only if you want to enter the exact width", .Color = ui::clWindow,
             .Max = 5},
            {.Name = "Label2", .Kind = Kind::Label, .Parent = "GroupBox1", .Left = 58, .Top = 158, .Caption = "X"},
            {.Name = "EdH", .Kind = Kind::Edit, .Parent = "GroupBox1", .Left = 70, .Top = 154, .Width = 44,
             .Height = 21, .Hint = "Use only if you want to enter the exact height", .Color = ui::clWindow,
             .Max = 5},
            {.Name = "Label5", .Kind = Kind::Label, .Parent = "GroupBox1", .Left = 118, .Top = 158, .Caption = "="},
            {.Name = "Button1", .Kind = Kind::Button, .Parent = "GroupBox1", .Left = 130, .Top = 153, .Width = 70,
             .Height = 23, .Caption = "Calculate",
             .Hint = "Click to show/convert the pixel height and width entered"},
            {.Name = "BitBtn1", .Kind = Kind::BitBtn, .Parent = "GroupBox1", .Left = 10, .Top = 182, .Width = 190,
             .Height = 24, .Caption = "Reset To Default", .Hint = "Reset the picture back to the initial size",
             .Picture = &GlyphReset},
            {.Name = "Cmdcalculate", .Kind = Kind::BitBtn, .Parent = "GroupBox1", .Left = 10, .Top = 208,
             .Width = 190, .Height = 24, .Caption = "Calculate New Image Size", .Hint = "Display the new image size",
             .Picture = &GlyphMeasure},
            {.Name = "BitBtn6", .Kind = Kind::BitBtn, .Parent = "GroupBox1", .Left = 10, .Top = 234, .Width = 190,
             .Height = 24, .Caption = "Image Viewer", .Hint = "Show image in image viewer", .Picture = &GlyphViewer},
            {.Name = "Cmdsave", .Kind = Kind::BitBtn, .Parent = "GroupBox1", .Left = 10, .Top = 260, .Width = 190,
             .Height = 24, .Caption = "Save The Images/Thumbnails",
             .Hint = "Save your new image or folder of images", .Picture = &GlyphSave},
            {.Name = "Lblnote1", .Kind = Kind::Label, .Left = 16, .Top = 380, .Width = 406, .Height = 14,
             .Font = kValueFont, .Flags = Bold | FixedSize},
            {.Name = "Lblnote2", .Kind = Kind::Label, .Left = 16, .Top = 395, .Width = 406, .Height = 14,
             .Font = kValueFont, .Flags = Bold | FixedSize},
            {.Name = "Lblnote3", .Kind = Kind::Label, .Left = 16, .Top = 410, .Width = 406, .Height = 14,
             .Font = kValueFont, .Flags = Bold | FixedSize},
            {.Name = "Lblnote4", .Kind = Kind::Label, .Left = 16, .Top = 425, .Width = 406, .Height = 14,
             .Font = kValueFont, .Flags = Bold | FixedSize},
            // Which mode the next save runs in, beside the status lines.
            {.Name = "LblMode", .Kind = Kind::Label, .Left = 430, .Top = 380, .Width = 264, .Height = 56,
             .Font = kValueFont, .Flags = WordWrap | FixedSize},
            {.Name = "CmdFolders", .Kind = Kind::BitBtn, .Left = 330, .Top = 444, .Width = 132, .Height = 25,
             .Caption = "Choose Folders", .Hint = "Save one picture, or convert a folder of pictures",
             .Picture = &GlyphFolder},
            {.Name = "BitBtn4", .Kind = Kind::BitBtn, .Left = 470, .Top = 444, .Width = 112, .Height = 25,
             .Caption = "Previous Page", .Hint = "Go back to previous page", .Picture = &GlyphBack},
            {.Name = "BitBtn5", .Kind = Kind::BitBtn, .Left = 590, .Top = 444, .Width = 104, .Height = 25,
             .Caption = "Exit", .Hint = "Close and exit the program", .BitBtnKind = ui::TBitBtnKind::bkOK},
            // No overwrite prompt: the save command asks its own question where a file would be replaced.
            {.Name = "SaveDialog1", .Kind = Kind::SaveDialog},
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
