// The shell and the system's folders.
#pragma once

#include "framework/rtl/SysUtils.h"

namespace ui {

using rtl::String;

enum TShowCommand : int { SW_HIDE = 0, SW_SHOWNORMAL = 1, SW_SHOWMINIMIZED = 2, SW_SHOWMAXIMIZED = 3 };
// Results of ShellExecute below 32 are failures.
constexpr int SE_ERR_FNF = 2;          // the file is missing
constexpr int SE_ERR_PNF = 3;          // the folder is missing
constexpr int SE_ERR_NOASSOC = 31;     // nothing could open it
constexpr int SE_OK = 42;              // opened or started

// The "open" verb, through the seam. Everything is started directly with an argument vector,
// never through a shell; dir, when not empty, is the working folder.
// - Without params, file is a document, page or link: it always goes to the desktop's opener
//   (xdg-open), even when it has an execute bit; it is never run. When the opener says within a
//   moment that it has nothing to open it with, the result is SE_ERR_NOASSOC; an opener still
//   running then (a handler in the foreground) counts as success and is not waited for.
// - With params, file is a program (an executable file) started with params as its one argument,
//   a file name, and not waited for.
// A file name beginning with "-" is handed as "./-..." so that it is never read as an option.
int ShellExecute(void* owner, const String& verb, const String& file, const String& params,
                 const String& dir, int showCmd);

// The user's application-data folder: $XDG_CONFIG_HOME, else $HOME/.config; without a home
// folder, $XDG_RUNTIME_DIR; empty when none is named. No trailing delimiter. Through the seam.
String AppDataFolder();
// Where this platform keeps the desktop's programs ("/usr/bin"). Through the seam.
String WindowsDirectory();

}  // namespace ui
