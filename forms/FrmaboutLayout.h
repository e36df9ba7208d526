// The About window's design.
#pragma once

#include "forms/Design.h"

namespace forms {

const FormDesign& FrmaboutLayout();

}  // namespace forms
