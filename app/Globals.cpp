#include "app/Globals.h"

#include "framework/rtl/IniFiles.h"

namespace app {

String DataFolder;
String SettingsIniPath;
String WindowsDir;
int JpegQuality = 85;

int ReadFormWidth(const String& section)
{
    rtl::TIniFile ini(SettingsIniPath);
    return ini.ReadInteger(section, "W", 0);
}

int ReadFormHeight(const String& section)
{
    rtl::TIniFile ini(SettingsIniPath);
    return ini.ReadInteger(section, "H", 0);
}

void SaveFormSize(const String& section, int width, int height)
{
    rtl::TIniFile ini(SettingsIniPath);
    ini.WriteInteger(section, "W", width);
    ini.WriteInteger(section, "H", height);
}

}  // namespace app
