// Layout of the JPEG quality dialog.
#pragma once

#include "forms/Design.h"

namespace forms {

const FormDesign& FrmcompDesign();

}  // namespace forms
