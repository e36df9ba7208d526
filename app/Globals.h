// The program's shared paths, the JPEG quality and the window-size routines.
#pragma once

#include "framework/rtl/SysUtils.h"

namespace app {

using rtl::String;

extern String DataFolder;       // the user's application-data folder + "/Quadrell"
extern String SettingsIniPath;  // DataFolder + "/vomix25.ini"
extern String WindowsDir;       // where the paint program is looked for
extern int JpegQuality;         // 1..100, set by the JPEG quality dialog

// The saved width or height of the window named `section`; 0 when none is saved.
int ReadFormWidth(const String& section);
int ReadFormHeight(const String& section);
void SaveFormSize(const String& section, int width, int height);

}  // namespace app
