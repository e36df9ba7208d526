// The converter's file-kind chooser: which pictures of a folder the batch takes.
#pragma once

#include "forms/Design.h"

namespace forms {

const FormDesign& FrmchoiceLayout();

}  // namespace forms
