// The folder batch's HTML gallery: a frame page, a menu of JPEG thumbnails ("T_" copies) that
// open their full-size copies ("IT_") in the main frame, and a greeting page. Every file of the
// gallery lies in one web folder; each page is written anew, lines ended by CR LF.
#pragma once

#include <set>
#include <vector>

#include "app/Globals.h"

namespace app {

// The pages' file names in the web folder.
inline constexpr const char* IndexPageName = "index.html";
inline constexpr const char* MenuPageName = "menu.html";
inline constexpr const char* MainPageName = "main.html";
// The prefixes of the thumbnail and full-size copies, before the source file's name.
inline constexpr const char* ThumbPrefix = "T_";
inline constexpr const char* FullSizePrefix = "IT_";

// The full-size copy's name for a thumbnail's: the thumbnail's name without its first two
// characters, after "IT_" ("T_sea.jpg" gives "IT_sea.jpg").
String FullSizeName(const String& thumbName);

// The menu's line for one thumbnail: an image link that opens its full-size copy in the main frame.
String MenuEntryLine(const String& thumbName);

// Writes "main.html" and "menu.html" into webFolder (ending in the delimiter); the menu lists
// every "T_*.JPG" there. Creating or writing either page's head raises rtl::EInOutError; a
// failure while listing the thumbnails is told in an error box and the page ends there.
// A page whose path is in `keep` is left as it is.
void WriteMenuAndMainPages(const String& webFolder, const std::set<String>& keep = {});

// Writes "index.html" into webFolder and opens it with the desktop's browser; tells the user where
// the page lies when no browser opens it. A failure to write raises rtl::EInOutError.
void WriteIndexPage(const String& webFolder, const std::set<String>& keep = {});

}  // namespace app
