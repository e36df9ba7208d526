// The clipboard object: the system clipboard through the seam.
#pragma once

#include "framework/graphics/Graphics.h"

namespace ui {

class TClipboard {
public:
    // Puts the picture's bitmap on the clipboard (a graphic that gives no bitmap is drawn at its
    // own size first). An empty picture: rtl::EClipboardException.
    void Assign(const gfx::TPicture& picture);
    void Assign(const gfx::TGraphic& graphic);
};
TClipboard& Clipboard();

}  // namespace ui
