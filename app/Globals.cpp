#include "app/Globals.h"

#include "framework/rtl/IniFiles.h"

namespace app {

String DataFolder;
String SettingsIniPath;
String WindowsDir;
int JpegQuality = 85;

namespace {

const char* const SFolderNotPrivate = "The folder is not the user's own, or others may write to it.";

}  // namespace

bool DataFolderUsable()
{
    return !DataFolder.empty() && (!rtl::DirectoryExists(DataFolder) || rtl::IsPrivateFolder(DataFolder));
}

String DataFile(const String& name) { return DataFolder.empty() ? name : DataFolder + "/" + name; }

void CheckDataFolderFor(const String& fileName)
{
    if (!DataFolderUsable())
        throw rtl::EFCreateError(rtl::Format("Cannot create file \"%s\". %s", {fileName, SFolderNotPrivate}));
}

void CheckDataFolderForIni(const String& iniPath)
{
    if (!DataFolderUsable()) throw rtl::EIniFileException(rtl::Format("Unable to write to %s", {iniPath}));
}

int ReadFormWidth(const String& section)
{
    if (!DataFolderUsable()) return 0;
    rtl::TIniFile ini(SettingsIniPath);
    return ini.ReadInteger(section, "W", 0);
}

int ReadFormHeight(const String& section)
{
    if (!DataFolderUsable()) return 0;
    rtl::TIniFile ini(SettingsIniPath);
    return ini.ReadInteger(section, "H", 0);
}

void SaveFormSize(const String& section, int width, int height)
{
    CheckDataFolderForIni(SettingsIniPath);
    rtl::TIniFile ini(SettingsIniPath);
    ini.WriteInteger(section, "W", width);
    ini.WriteInteger(section, "H", height);
}

}  // namespace app
