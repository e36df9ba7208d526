#include "forms/FrmFirstLayout.h"

#include "forms/Bitmaps.h"

namespace forms {

namespace {

constexpr FontDesign kLabelFont{.Name = "Arial", .Pt = 8, .Color = gfx::clBlack};

}  // namespace

const FormDesign& FrmFirstLayout()
{
    static const FormDesign design{
        .Name = "FrmFirst",
        .Caption = "Quadrell Image Splitter",
        .ClientWidth = 427,
        .ClientHeight = 350,
        .Color = 15132648,
        .Font = {.Name = "Arial", .Pt = 9},
        .Position = ui::TPosition::poScreenCenter,
        .Icon = &ProgramIcon,
        .Controls = {
            {.Name = "Image2", .Kind = Kind::Image, .Left = 46, .Top = 131, .Width = 40, .Height = 34,
             .Picture = &DecorationTiles},
            {.Name = "LblChosen", .Kind = Kind::Label, .Left = 135, .Top = 71, .Width = 288, .Height = 13,
             .Font = kLabelFont, .Flags = FixedSize},
            {.Name = "LblSizeAndWidth", .Kind = Kind::Label, .Left = 135, .Top = 87, .Width = 288,
             .Height = 13, .Font = kLabelFont, .Flags = FixedSize},
            {.Name = "Lblinfo", .Kind = Kind::Label, .Left = 136, .Top = 6, .Width = 283, .Height = 61,
             .Caption = "Split your images into segments for saving, printing, copying to the clipboard, "
                        "and more. Simply select your image, then choose to split your image by number or "
                        "pixels, or by number of image segments.",
             .Font = kLabelFont, .Flags = WordWrap},
            {.Name = "Image1", .Kind = Kind::Image, .Left = 6, .Top = 44, .Width = 121, .Height = 85,
             .Hint = "Click this image to enlarge", .Flags = HandCursor | Stretch},
            {.Name = "Lblcreate", .Kind = Kind::Label, .Left = 135, .Top = 104, .Width = 288, .Height = 14,
             .Font = kLabelFont},
            {.Name = "LblWrite", .Kind = Kind::Label, .Left = 135, .Top = 120, .Width = 288, .Height = 17,
             .Font = kLabelFont},
            {.Name = "BitBtn1", .Kind = Kind::BitBtn, .Left = 302, .Top = 316, .Width = 113, .Height = 20,
             .Caption = "Exit", .Hint = "Exit Program"},
            {.Name = "BitBtn3", .Kind = Kind::BitBtn, .Left = 302, .Top = 173, .Width = 113, .Height = 20,
             .Caption = "Help", .Flags = Hidden, .Picture = &GlyphHelp},
            {.Name = "BitBtn4", .Kind = Kind::BitBtn, .Left = 302, .Top = 267, .Width = 113, .Height = 20,
             .Caption = "More Downloads", .Hint = "Download More Software", .Picture = &GlyphGlobe},
            {.Name = "Button1", .Kind = Kind::Button, .Left = 302, .Top = 291, .Width = 113, .Height = 20,
             .Caption = "About"},
            // Opens the converter window for the chosen picture; enabled once a picture is loaded.
            {.Name = "CmdConvert", .Kind = Kind::BitBtn, .Left = 302, .Top = 220, .Width = 113, .Height = 20,
             .Caption = "Resize / Convert", .Hint = "Resize the chosen image or save it as another type",
             .Flags = Disabled, .Picture = &GlyphResize},
            // Shown by the window's creation handler.
            {.Name = "CmdSupport", .Kind = Kind::BitBtn, .Left = 302, .Top = 244, .Width = 113, .Height = 20,
             .Caption = "Support / Help", .Flags = Hidden, .Picture = &GlyphMail},
            {.Name = "Cmdimage", .Kind = Kind::BitBtn, .Left = 5, .Top = 6, .Width = 120, .Height = 23,
             .Caption = "Select Image", .Hint = "Choose your image!", .TabOrder = 0, .Picture = &GlyphFolder},
            // 14 pixels wider than designed, and RadNum 20: this platform's radio mark and the
            // count mode's label texts take that much more than the design left them.
            {.Name = "Panel1", .Kind = Kind::Panel, .Left = 5, .Top = 167, .Width = 290, .Height = 169},
            {.Name = "Lblacross", .Kind = Kind::Label, .Parent = "Panel1", .Left = 54, .Top = 83,
             .Caption = "Choose # of split segments across"},
            {.Name = "LblDown", .Kind = Kind::Label, .Parent = "Panel1", .Left = 54, .Top = 107,
             .Caption = "Choose # of split segments down"},
            {.Name = "SpinW", .Kind = Kind::SpinEdit, .Parent = "Panel1", .Left = 6, .Top = 78, .Width = 47,
             .Height = 24, .Min = 1, .Max = 20, .Value = 5},
            {.Name = "SpinH", .Kind = Kind::SpinEdit, .Parent = "Panel1", .Left = 6, .Top = 103, .Width = 47,
             .Height = 24, .Min = 1, .Max = 20, .Value = 5},
            {.Name = "RadPixel", .Kind = Kind::RadioButton, .Parent = "Panel1", .Left = 3, .Top = 27,
             .Width = 246, .Height = 17, .Caption = "Split image by choosing screen pixel sizes"},
            {.Name = "RadNum", .Kind = Kind::RadioButton, .Parent = "Panel1", .Left = 3, .Top = 6,
             .Width = 284, .Height = 17, .Caption = "Split image by choosing the # of image segments"},
            {.Name = "CmdSplit", .Kind = Kind::BitBtn, .Parent = "Panel1", .Left = 8, .Top = 135,
             .Width = 123, .Height = 23, .Caption = "Split Image",
             .Hint = "Choose your options, then click to view the split segments", .Flags = HandCursor,
             .Picture = &GlyphSplit},
            {.Name = "ChkShowNum", .Kind = Kind::CheckBox, .Parent = "Panel1", .Left = 19, .Top = 50,
             .Width = 242, .Height = 17, .Caption = "Do not show picture number after splitting"},
            {.Name = "OpenDialog1", .Kind = Kind::OpenDialog,
             .Filter = "All Web Images (*.*)|*.JPG;*.GIF;*.BMP|Jpeg (*.JPG)|*.JPG|Gif (*.GIF)|*.GIF|"
                       "Bitmap (*.BMP)|*.BMP"},
        }};
    return design;
}

}  // namespace forms
