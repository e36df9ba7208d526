// A desktop of the test's own for the real opener (xdg-open): no desktop environment, no browser,
// only the tools the opener itself needs on PATH, and handlers only where the test installs them.
#pragma once

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <cstring>
#include <sstream>
#include <string>
#include <thread>
#include <utility>

class TestDesktop {
public:
    TestDesktop() = default;
    TestDesktop(const TestDesktop&) = delete;
    TestDesktop& operator=(const TestDesktop&) = delete;
    ~TestDesktop() { Restore(); }

    // False when a tool the opener needs is missing; Problem() then names it.
    bool Arrange()
    {
        for (const auto& [tool, package] : NeededTools)
            if (Tool(tool).empty()) {
                FProblem = std::string("the desktop's opener needs \"") + tool + "\", which is not installed (Debian package " +
                           package + "; scripts/setup installs it)";
                return false;
            }
        char pattern[] = "/tmp/ui-opener-XXXXXX";
        if (!mkdtemp(pattern)) {
            FProblem = std::string("no folder for the test's desktop: ") + std::strerror(errno);
            return false;
        }
        Dir = pattern;
        for (const char* sub : {"bin", "data/applications", "sysdata", "config", "sysconfig", "home"})
            std::filesystem::create_directories(Dir + "/" + sub);
        for (const auto& [tool, package] : NeededTools)
            std::filesystem::create_symlink(Tool(tool), Dir + "/bin/" + tool);
        Set("PATH", Dir + "/bin");
        Set("HOME", Dir + "/home");
        Set("DISPLAY", ":0");  // the opener looks for handlers only with a display
        Set("XDG_DATA_HOME", Dir + "/data");
        Set("XDG_DATA_DIRS", Dir + "/sysdata");
        Set("XDG_CONFIG_HOME", Dir + "/config");
        Set("XDG_CONFIG_DIRS", Dir + "/sysconfig");
        for (const char* name : {"XDG_CURRENT_DESKTOP", "XDG_SESSION_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION",
                                 "KDE_SESSION_VERSION", "GNOME_DESKTOP_SESSION_ID", "MATE_DESKTOP_SESSION_ID",
                                 "BROWSER", "WAYLAND_DISPLAY"})
            Set(name, std::nullopt);
        return true;
    }

    // The environment as it was, the handler ended, the folder gone.
    void Restore()
    {
        if (Dir.empty()) return;
        // The handler keeps running on purpose; it told its id.
        const std::string pid = Read(Dir + "/viewer.pid");
        if (!pid.empty()) kill(pid_t(std::stoi(pid)), SIGTERM);
        for (auto& [name, value] : FSaved) {
            if (value) setenv(name.c_str(), value->c_str(), 1);
            else unsetenv(name.c_str());
        }
        FSaved.clear();
        std::error_code ec;
        std::filesystem::remove_all(Dir, ec);
        Dir.clear();
    }

    // A handler of mimeType that writes each argument it gets on a line of Dir/opened, then keeps
    // running as a browser does.
    void InstallViewer(const std::string& mimeType)
    {
        const std::string script = Dir + "/viewer.sh";
        std::ofstream(script) << "#!/bin/sh\n"
                              << "echo $$ > '" << Dir << "/viewer.pid'\n"
                              << "{ for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done; } > '" << Dir << "/opened.part'\n"
                              << "/bin/mv '" << Dir << "/opened.part' '" << Dir << "/opened'\n"
                              << "exec /bin/sleep 300\n";
        chmod(script.c_str(), 0755);
        std::ofstream(Dir + "/data/applications/viewer.desktop")
            << "[Desktop Entry]\nType=Application\nName=Viewer\nExec=" << script << " %f\nMimeType=" << mimeType << ";\n";
        std::ofstream(Dir + "/config/mimeapps.list") << "[Default Applications]\n" << mimeType << "=viewer.desktop\n";
    }

    // What the handler got, once it has written it.
    std::string Opened() const { return WaitFor(Dir + "/opened"); }

    static std::string WaitFor(const std::string& path)
    {
        for (int i = 0; i < 1000 && !std::filesystem::exists(path); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return Read(path);
    }

    static std::string Read(const std::string& path)
    {
        std::ifstream in(path);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    const std::string& Problem() const { return FProblem; }

    std::string Dir;

private:
    // xdg-open and xdg-mime, and what they run on a desktop they do not know (with its package).
    static constexpr std::pair<const char*, const char*> NeededTools[] = {
        {"xdg-open", "xdg-utils"}, {"xdg-mime", "xdg-utils"}, {"file", "file"},         {"sed", "sed"},
        {"grep", "grep"},          {"egrep", "grep"},         {"which", "debianutils"}, {"awk", "mawk"},
        {"readlink", "coreutils"}, {"cut", "coreutils"},      {"head", "coreutils"},    {"tr", "coreutils"},
        {"basename", "coreutils"}, {"dirname", "coreutils"},  {"cat", "coreutils"}};

    static std::string Tool(const std::string& name)
    {
        for (const char* folder : {"/usr/bin/", "/bin/"})
            if (access((folder + name).c_str(), X_OK) == 0) return folder + name;
        return {};
    }
    void Set(const std::string& name, const std::optional<std::string>& value)
    {
        if (!FSaved.count(name)) {
            const char* old = std::getenv(name.c_str());
            FSaved[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        if (value) setenv(name.c_str(), value->c_str(), 1);
        else unsetenv(name.c_str());
    }
    std::map<std::string, std::optional<std::string>> FSaved;
    std::string FProblem;
};
