#include "app/Globals.h"

#include "framework/rtl/IniFiles.h"
#include "framework/ui/Application.h"

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

namespace {

// A stored size the window can take on this screen, else 0. The file is anyone's to edit: a size
// of nothing maps no window, and one beyond the screen puts its buttons out of reach.
int ReadFormSize(const String& section, const char* key, int screen)
{
    if (!DataFolderUsable()) return 0;
    rtl::TIniFile ini(SettingsIniPath);
    const int size = ini.ReadInteger(section, key, 0);
    return size >= MinSavedFormSize && size <= screen ? size : 0;
}

}  // namespace

int ReadFormWidth(const String& section) { return ReadFormSize(section, "W", ui::Screen().WorkAreaWidth()); }

int ReadFormHeight(const String& section) { return ReadFormSize(section, "H", ui::Screen().WorkAreaHeight()); }

void SaveFormSize(const String& section, int width, int height)
{
    CheckDataFolderForIni(SettingsIniPath);
    rtl::TIniFile ini(SettingsIniPath);
    ini.WriteInteger(section, "W", width);
    ini.WriteInteger(section, "H", height);
}

}  // namespace app
