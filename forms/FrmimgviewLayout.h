// Layout of the converter's picture viewer.
#pragma once

#include "forms/Design.h"

namespace forms {

const FormDesign& FrmimgviewLayout();

}  // namespace forms
