// Runs a piece of a test in a forked child: as another, unprivileged user, or in a mount namespace
// of its own. What the child's assertions report (failures, a skip) is reported in the calling
// test at the same file and line; a child that cannot switch, crashes or ends early is a failure.
//
//     if (!testuser::CanSwitchUser()) GTEST_SKIP() << testuser::NotRoot;
//     testuser::RunAsUser(testuser::Nobody, testuser::Nobody, [&] { EXPECT_...; });
//
//     testuser::RunOnSmallDisk(folder, 16 * 1024, [&] { /* fill it, then write */ });
//
// The child has a copy of the test's memory; what it changes there is lost. Files it should reach
// must be reachable for that user (chown them, or give the folders above them o+x). A fatal
// assertion in the child ends the child's work; in the calling test it shows as a failure that
// does not end the test.
#pragma once

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <functional>
#include <sstream>
#include <string>

namespace testuser {

// Two users with no entry in /etc/passwd needed: nobody, and another one beside it.
constexpr uid_t Nobody = 65534;
constexpr uid_t Other = 65533;

constexpr const char* NotRoot = "only root can run a test as another user";

inline bool CanSwitchUser() { return geteuid() == 0; }

namespace detail {

// One record per reported result: "<type> <line> <file bytes> <message bytes>\n<file><message>".
inline std::string Encode(int type, int line, const std::string& file, const std::string& message)
{
    std::ostringstream out;
    out << type << ' ' << line << ' ' << file.size() << ' ' << message.size() << '\n' << file << message;
    return out.str();
}

inline void WriteAll(int fd, const std::string& bytes)
{
    for (size_t done = 0; done < bytes.size();) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) _exit(3);
        done += size_t(n);
    }
}

inline void ReportEach(const std::string& bytes)
{
    std::istringstream in(bytes);
    int type = 0, line = 0;
    size_t fileSize = 0, messageSize = 0;
    while (in >> type >> line >> fileSize >> messageSize && in.get() == '\n') {
        std::string file(fileSize, '\0'), message(messageSize, '\0');
        in.read(file.data(), std::streamsize(fileSize));
        in.read(message.data(), std::streamsize(messageSize));
        if (type == ::testing::TestPartResult::kSkip)
            GTEST_MESSAGE_AT_(file.empty() ? __FILE__ : file.c_str(), line < 0 ? 0 : line, message.c_str(),
                              ::testing::TestPartResult::kSkip);
        else
            ADD_FAILURE_AT(file.empty() ? __FILE__ : file.c_str(), line < 0 ? 0 : line) << message;
    }
}

// Forks; the child runs `enter` (which returns an empty text when it succeeded, else what went
// wrong), then `work` with every assertion result caught and sent back through a pipe.
inline bool RunInChild(const char* what, const std::function<std::string()>& enter, const std::function<void()>& work)
{
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        ADD_FAILURE() << what << ": no pipe: " << std::strerror(errno);
        return false;
    }
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0) {
        ADD_FAILURE() << what << ": fork failed: " << std::strerror(errno);
        close(fds[0]);
        close(fds[1]);
        return false;
    }
    if (pid == 0) {
        close(fds[0]);
        std::string report;
        const std::string problem = enter();
        if (!problem.empty()) {
            report = Encode(::testing::TestPartResult::kFatalFailure, 0, "", std::string(what) + ": " + problem);
        } else {
            ::testing::TestPartResultArray results;
            {
                ::testing::ScopedFakeTestPartResultReporter catcher(
                    ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ALL_THREADS, &results);
                try {
                    work();
                } catch (const std::exception& e) {
                    ADD_FAILURE() << what << ": exception: " << e.what();
                } catch (...) {
                    ADD_FAILURE() << what << ": an exception of unknown type";
                }
            }
            for (int i = 0; i < results.size(); ++i) {
                const auto& r = results.GetTestPartResult(i);
                report += Encode(r.type(), r.line_number(), r.file_name() ? r.file_name() : "", r.message());
            }
        }
        WriteAll(fds[1], report);
        std::fflush(nullptr);
        _exit(0);  // no destructors or exit handlers of the parent's objects
    }
    close(fds[1]);
    std::string bytes;
    char buffer[4096];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) != 0;) {
        if (n < 0) {
            if (errno == EINTR) continue;
            break;
        }
        bytes.append(buffer, size_t(n));
    }
    close(fds[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
    const int before = ::testing::UnitTest::GetInstance()->current_test_info()
                           ? ::testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count()
                           : 0;
    ReportEach(bytes);
    bool ok = true;
    if (WIFSIGNALED(status)) {
        ADD_FAILURE() << what << ": the child was ended by signal " << WTERMSIG(status) << " ("
                      << strsignal(WTERMSIG(status)) << ")";
        ok = false;
    } else if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        ADD_FAILURE() << what << ": the child ended with status " << WEXITSTATUS(status);
        ok = false;
    }
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    if (info) {
        const auto* result = info->result();
        for (int i = before; i < result->total_part_count(); ++i)
            if (result->GetTestPartResult(i).failed()) ok = false;
    }
    return ok;
}

inline std::string Errno(const char* call) { return std::string(call) + ": " + std::strerror(errno); }

inline bool WriteFile(const char* path, const std::string& text)
{
    const int fd = open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = write(fd, text.data(), text.size()) == ssize_t(text.size());
    close(fd);
    return ok;
}

}  // namespace detail

// Runs `work` in a forked child whose real, effective and saved ids are uid and gid, with no
// supplementary groups. Needs root (CanSwitchUser()). True when the child ran `work` and it
// reported no failure.
inline bool RunAsUser(uid_t uid, gid_t gid, const std::function<void()>& work)
{
    return detail::RunInChild("running as another user", [uid, gid]() -> std::string {
        if (setgroups(0, nullptr) != 0) return detail::Errno("setgroups");
        if (setresgid(gid, gid, gid) != 0) return detail::Errno("setresgid");
        if (setresuid(uid, uid, uid) != 0) return detail::Errno("setresuid");
        if (geteuid() != uid || getegid() != gid) return "the ids did not change";
        return {};
    }, work);
}

// Whether a user who is not root can make a user namespace here, and why not. Not in a chroot
// (the kernel refuses it there), nor where the system forbids it.
inline std::string WhyNoUserNamespace()
{
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return detail::Errno("pipe");
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        const std::string why = unshare(CLONE_NEWUSER | CLONE_NEWNS) == 0 ? "" : detail::Errno("unshare");
        detail::WriteAll(fds[1], why);
        _exit(0);
    }
    close(fds[1]);
    std::string why;
    char buffer[256];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) why.append(buffer, size_t(n));
    close(fds[0]);
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid) return "no child could be started";
    return why;
}

// Runs `work` in a forked child with a user namespace and a mount namespace of its own, keeping
// its user and group ids (as `unshare --user --mount --map-current-user` does): it may mount file
// systems, which vanish with it and are never seen outside. For a user who is not root; check
// WhyNoUserNamespace() first.
inline bool RunInOwnMountNamespace(const std::function<void()>& work)
{
    const uid_t uid = geteuid();
    const gid_t gid = getegid();
    return detail::RunInChild("running in a mount namespace of its own", [uid, gid]() -> std::string {
        if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) return detail::Errno("unshare");
        if (!detail::WriteFile("/proc/self/setgroups", "deny")) return detail::Errno("/proc/self/setgroups");
        if (!detail::WriteFile("/proc/self/uid_map", std::to_string(uid) + " " + std::to_string(uid) + " 1"))
            return detail::Errno("/proc/self/uid_map");
        if (!detail::WriteFile("/proc/self/gid_map", std::to_string(gid) + " " + std::to_string(gid) + " 1"))
            return detail::Errno("/proc/self/gid_map");
        return {};
    }, work);
}

// Mounts a file system of `bytes` bytes on the empty folder `path`, runs `work` with it, and
// unmounts it: as root in this process, otherwise in a child with namespaces of its own. Where
// neither is possible, the calling test is skipped with the reason.
inline void RunOnSmallDisk(const std::string& path, size_t bytes, const std::function<void()>& work)
{
    const std::string options = "size=" + std::to_string(bytes);
    if (geteuid() == 0) {
        ASSERT_EQ(mount("tmpfs", path.c_str(), "tmpfs", 0, options.c_str()), 0)
            << "a small file system cannot be mounted on " << path << ": " << std::strerror(errno);
        struct Unmount {
            const std::string& Path;
            ~Unmount() { umount2(Path.c_str(), MNT_DETACH); }
        } unmount{path};
        work();
        return;
    }
    const std::string why = WhyNoUserNamespace();
    if (!why.empty())
        GTEST_SKIP() << "a small file system cannot be mounted here: a user who is not root needs a user "
                        "namespace, and none can be made ("
                     << why << "; the kernel refuses them in a chroot)";
    RunInOwnMountNamespace([&] {
        ASSERT_EQ(mount("tmpfs", path.c_str(), "tmpfs", 0, options.c_str()), 0)
            << "a small file system cannot be mounted on " << path << " in a namespace: " << std::strerror(errno);
        work();
    });
}

}  // namespace testuser
