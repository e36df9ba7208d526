#include "forms/FrmimgviewLayout.h"

#include "forms/Bitmaps.h"

namespace forms {

// The picture at its own size below a close button; scroll bars reach the rest.
const FormDesign& FrmimgviewLayout()
{
    static const FormDesign design{
        .Name = "Frmimgview",
        .Caption = "Image Viewer",
        .ClientWidth = 640,
        .ClientHeight = 480,
        .Color = 13815242,
        .Font = {.Name = "MS Sans Serif", .Height = -11},
        .Position = ui::TPosition::poScreenCenter,
        .AutoScroll = true,
        .Icon = &ProgramIcon,
        .Controls = {
            {.Name = "BitBtn1", .Kind = Kind::BitBtn, .Left = 6, .Top = 6, .Width = 96, .Height = 25,
             .Caption = "Close", .BitBtnKind = ui::TBitBtnKind::bkClose},
            {.Name = "Image1", .Kind = Kind::Image, .Left = 6, .Top = 38, .Width = 105, .Height = 105},
            // The picture as it was handed over, kept while the window is open.
            {.Name = "Image2", .Kind = Kind::Image, .Left = 0, .Top = 0, .Width = 105, .Height = 105,
             .Flags = Hidden},
        }};
    return design;
}

}  // namespace forms
