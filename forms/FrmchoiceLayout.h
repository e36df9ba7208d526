// The converter's file-kind chooser: which pictures of a folder the batch takes.
#pragma once

#include "forms/Design.h"

namespace forms {

const FormDesign& FrmchoiceLayout();

// The chooser's own icon (32 x 32): a folder holding pictures.
gfx::TBitmap ChooserIcon();

}  // namespace forms
