#include "framework/ui/Shell.h"

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "framework/ui/RealSide.h"
#include "framework/ui/Seam.h"

namespace ui {
namespace {

// How long the opener is given to say that it found nothing to open with. An opener that is
// still running then has started a handler in the foreground (a browser that keeps running):
// the document counts as opened and nobody waits for it.
constexpr std::chrono::milliseconds OpenerVerdictWithin{2500};
constexpr std::chrono::milliseconds OpenerPollEvery{5};

// xdg-open's exit statuses.
constexpr int OpenerDone = 0;
constexpr int OpenerFileMissing = 2;

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

// Where a file name points: a relative one lies in the working folder given.
String InFolder(const String& file, const String& dir)
{
    return dir.empty() || file[0] == '/' ? file : rtl::IncludeTrailingPathDelimiter(dir) + file;
}

// A name beginning with "-" would be read as an option; "./" keeps it a file name.
String AsFileArgument(const String& name) { return !name.empty() && name[0] == '-' ? "./" + name : name; }

// Starts argv[0] (looked up in PATH when searchPath) with the arguments argv[1...], never through
// a shell, in a session of its own with default signal handling; dir, when not empty, is its
// working folder. The child's id, or -1 when it could not be started.
pid_t Spawn(const std::vector<String>& argv, const String& dir, bool searchPath)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!dir.empty()) posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t all, none;
    sigfillset(&all);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    std::vector<char*> args;
    for (const String& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    const int error = searchPath ? posix_spawnp(&pid, args[0], &actions, &attributes, args.data(), environ)
                                 : posix_spawn(&pid, args[0], &actions, &attributes, args.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return error == 0 ? pid : -1;
}

// Collects the child's end whenever it comes, holding nobody up.
void ReapLater(pid_t pid)
{
    try {
        std::thread([pid] {
            int status = 0;
            while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
        }).detach();
    } catch (const std::system_error&) {
        // No thread to spare: the finished child waits to be collected until the program ends.
    }
}

// The child's exit status when it ends within the bound; nothing while it still runs.
std::optional<int> ExitStatusWithin(pid_t pid, std::chrono::milliseconds bound)
{
    const auto end = std::chrono::steady_clock::now() + bound;
    for (;;) {
        int status = 0;
        const pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        if (r < 0 && errno != EINTR) return std::nullopt;  // collected elsewhere: nothing to tell
        if (std::chrono::steady_clock::now() >= end) {
            ReapLater(pid);
            return std::nullopt;
        }
        std::this_thread::sleep_for(OpenerPollEvery);
    }
}

// A document, page or link: always the desktop's opener, whatever the file's mode bits.
int OpenDocument(const String& file, const String& dir)
{
    struct stat st {};
    if (!IsLink(file) && ::stat(InFolder(file, dir).c_str(), &st) != 0) return SE_ERR_FNF;
    const pid_t pid = Spawn({"xdg-open", AsFileArgument(file)}, dir, true);
    if (pid < 0) return SE_ERR_NOASSOC;
    const std::optional<int> status = ExitStatusWithin(pid, OpenerVerdictWithin);
    if (!status || *status == OpenerDone) return SE_OK;
    return *status == OpenerFileMissing ? SE_ERR_FNF : SE_ERR_NOASSOC;
}

// A program handed a file: an executable regular file, started and left to run.
int StartProgram(const String& program, const String& fileArgument, const String& dir)
{
    const String path = InFolder(program, dir);
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return SE_ERR_FNF;
    if (!S_ISREG(st.st_mode) || ::access(path.c_str(), X_OK) != 0) return SE_ERR_NOASSOC;
    const pid_t pid = Spawn({path, AsFileArgument(fileArgument)}, dir, false);
    if (pid < 0) return SE_ERR_NOASSOC;
    ReapLater(pid);
    return SE_OK;
}

}  // namespace

int RealShellExecute(const String& verb, const String& file, const String& params, const String& dir, int)
{
    if (!verb.empty() && verb != "open") return SE_ERR_NOASSOC;
    if (file.empty()) return SE_ERR_FNF;
    if (!dir.empty() && !rtl::DirectoryExists(dir)) return SE_ERR_PNF;
    // As on the desktop this comes from, a document takes no parameters: only a call that hands
    // the file parameters starts it as a program.
    if (!params.empty()) return StartProgram(file, params, dir);
    return OpenDocument(file, dir);
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
    // Without a home, the user's private runtime folder; never a folder others share.
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && runtime[0] == '/') return rtl::ExcludeTrailingPathDelimiter(runtime);
    return String();
}

int ShellExecute(void*, const String& verb, const String& file, const String& params, const String& dir,
                 int showCmd)
{
    return CurrentSeam().ShellExecute(verb, file, params, dir, showCmd);
}

String AppDataFolder() { return CurrentSeam().AppDataFolder(); }

String WindowsDirectory() { return CurrentSeam().WindowsDirectory(); }

}  // namespace ui
