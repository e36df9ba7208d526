// The shell and the system's folders.
#pragma once

#include "framework/rtl/SysUtils.h"

namespace ui {

using rtl::String;

enum TShowCommand : int { SW_HIDE = 0, SW_SHOWNORMAL = 1, SW_SHOWMINIMIZED = 2, SW_SHOWMAXIMIZED = 3 };
// Results of ShellExecute below 32 are failures.
constexpr int SE_ERR_FNF = 2;          // the file is missing
constexpr int SE_ERR_PNF = 3;          // the folder is missing
constexpr int SE_ERR_NOASSOC = 31;     // nothing could be started
constexpr int SE_OK = 42;              // started

// Opens a document, page or link ("open" verb) with the desktop's handler (xdg-open), or starts a
// program (an executable file) with its parameters. Always started directly with an argument
// vector, never through a shell, and not waited for: params reaches the program unchanged as one
// argument (none when empty); dir, when not empty, is its working folder. Through the seam.
int ShellExecute(void* owner, const String& verb, const String& file, const String& params,
                 const String& dir, int showCmd);

// The user's application-data folder: $XDG_CONFIG_HOME, else $HOME/.config; without a home
// folder, the temporary folder. No trailing delimiter. Through the seam.
String AppDataFolder();
// Where this platform keeps the desktop's programs ("/usr/bin"). Through the seam.
String WindowsDirectory();

}  // namespace ui
