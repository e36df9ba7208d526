// Layout of the segment viewer window.
#pragma once

#include "forms/Design.h"

namespace forms {

const FormDesign& FrmViewDesign();

}  // namespace forms
