// Message boxes, through the seam.
#pragma once

#include "framework/ui/Seam.h"

namespace ui {

// A plain message box with an OK button.
void ShowMessage(const String& text);
// A message box of the given kind and buttons; returns the answer (mrOk, mrYes, mrNo, ...).
int MessageDlg(const String& text, TMsgDlgType kind, unsigned buttons);

}  // namespace ui
