// Private to framework/ui: the real side's pieces kept beside the interfaces they serve.
#pragma once

#include "framework/ui/Seam.h"

namespace ui {

int RealShellExecute(const String& verb, const String& file, const String& params, const String& dir,
                     int showCmd);
PrinterDevice& RealPrinter();
String RealAppDataFolder();

}  // namespace ui
