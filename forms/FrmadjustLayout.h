// The picture-holder window's design.
#pragma once

#include "forms/Design.h"

namespace forms {

const FormDesign& FrmadjustLayout();

}  // namespace forms
