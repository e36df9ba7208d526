#include "framework/ui/Shell.h"

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

#include <QProcess>
#include <QStringList>

#include "framework/ui/QtBridge.h"
#include "framework/ui/RealSide.h"
#include "framework/ui/Seam.h"

namespace ui {
namespace {

// "mailto:...", "http://...": a scheme of letters, digits, "+", "-", "." before the first colon.
bool IsLink(const String& s)
{
    size_t colon = s.find(':');
    if (colon == String::npos || colon < 2) return false;  // a single letter would be a drive
    for (size_t i = 0; i < colon; ++i) {
        char c = s[i];
        bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (i > 0 && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'));
        if (!ok) return false;
    }
    return true;
}

bool Start(const String& program, const QStringList& args, const String& dir)
{
    return QProcess::startDetached(Q(program), args, Q(dir));
}

}  // namespace

int RealShellExecute(const String& verb, const String& file, const String& params, const String& dir, int)
{
    if (!verb.empty() && verb != "open") return SE_ERR_NOASSOC;
    if (file.empty()) return SE_ERR_FNF;
    if (!dir.empty() && !rtl::DirectoryExists(dir)) return SE_ERR_PNF;
    if (IsLink(file)) return Start("xdg-open", {Q(file)}, dir) ? SE_OK : SE_ERR_NOASSOC;
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) return SE_ERR_FNF;
    if (S_ISREG(st.st_mode) && ::access(file.c_str(), X_OK) == 0) {
        QStringList args;
        if (!params.empty()) args << Q(params);
        return Start(file, args, dir) ? SE_OK : SE_ERR_NOASSOC;
    }
    return Start("xdg-open", {Q(file)}, dir) ? SE_OK : SE_ERR_NOASSOC;
}

String RealAppDataFolder()
{
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') return rtl::ExcludeTrailingPathDelimiter(xdg);
    const char* home = std::getenv("HOME");
    if (home && home[0]) {
        String h = rtl::ExcludeTrailingPathDelimiter(home);
        return (h == "/" ? String() : h) + "/.config";
    }
    return rtl::TempFolder();
}

int ShellExecute(void*, const String& verb, const String& file, const String& params, const String& dir,
                 int showCmd)
{
    return CurrentSeam().ShellExecute(verb, file, params, dir, showCmd);
}

String AppDataFolder() { return CurrentSeam().AppDataFolder(); }

String WindowsDirectory() { return CurrentSeam().WindowsDirectory(); }

}  // namespace ui
