// The program's shared paths, the JPEG quality and the window-size routines.
#pragma once

#include "framework/rtl/SysUtils.h"

namespace app {

using rtl::String;

extern String DataFolder;       // the user's application-data folder + "/Quadrell"
extern String SettingsIniPath;  // DataFolder + "/vomix25.ini"
extern String WindowsDir;       // where the paint program is looked for
extern int JpegQuality;         // 1..100, set by the JPEG quality dialog

// Whether the program may keep its files in the data folder: the folder is named, and it is the
// user's own and writable by no one else, or missing (then its files fail as in any missing
// folder). Checked anew on every call.
bool DataFolderUsable();
// A file of the program's in the data folder; the bare name when there is no data folder.
String DataFile(const String& name);
// Raises, naming fileName, unless the data folder is usable: EFCreateError
// "Cannot create file "%s". %s" for a file, EIniFileException "Unable to write to %s" for an ini.
void CheckDataFolderFor(const String& fileName);
void CheckDataFolderForIni(const String& iniPath);

// The saved width or height of the window named `section`; 0 when none is saved, and 0 for a
// value no window can have on this screen (below MinSavedFormSize or beyond the screen's work
// area), so that the caller keeps the designed size.
int ReadFormWidth(const String& section);
int ReadFormHeight(const String& section);
constexpr int MinSavedFormSize = 100;
void SaveFormSize(const String& section, int width, int height);

}  // namespace app
