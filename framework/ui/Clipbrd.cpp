#include "framework/ui/Clipbrd.h"

#include "framework/ui/Seam.h"

namespace ui {

TClipboard& Clipboard()
{
    static TClipboard clipboard;
    return clipboard;
}

void TClipboard::Assign(const gfx::TPicture& picture)
{
    if (!picture.Graphic()) throw rtl::EClipboardException("There is no picture to copy to the clipboard");
    Assign(*picture.Graphic());
}

void TClipboard::Assign(const gfx::TGraphic& graphic)
{
    if (graphic.Empty()) throw rtl::EClipboardException("There is no picture to copy to the clipboard");
    gfx::TBitmap bmp;
    if (!graphic.ToBitmap(bmp)) {
        bmp = gfx::TBitmap(graphic.Width(), graphic.Height());
        graphic.Draw(bmp.Canvas(), gfx::Rect(0, 0, graphic.Width(), graphic.Height()));
    }
    if (!CurrentSeam().SetClipboard(bmp)) throw rtl::EClipboardException("Cannot open clipboard");
}

}  // namespace ui
