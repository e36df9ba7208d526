// The converter's folder window: single picture or folder batch, and the batch's folders.
#pragma once

#include "forms/Design.h"

namespace forms {

const FormDesign& FrmfoldersLayout();

}  // namespace forms
