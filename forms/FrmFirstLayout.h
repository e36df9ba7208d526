// The main window's design.
#pragma once

#include "forms/Design.h"

namespace forms {

const FormDesign& FrmFirstLayout();

}  // namespace forms
