// Layout of the converter's results window.
#pragma once

#include "forms/Design.h"

namespace forms {

const FormDesign& FrmresultsLayout();

}  // namespace forms
