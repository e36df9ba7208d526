// Layout of the converter's output-type chooser.
#pragma once

#include "forms/Design.h"

namespace forms {

const FormDesign& FrmtypeLayout();

}  // namespace forms
