// Runs a piece of work in a child process with a bounded address space and reports how much
// memory it touched at its peak.
#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <exception>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

namespace testmemory {

// AddressSanitizer reserves terabytes of address space and shadows every byte touched, so neither
// figure means anything under it.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool Sanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool Sanitized = true;
#else
constexpr bool Sanitized = false;
#endif
#else
constexpr bool Sanitized = false;
#endif

#define SKIP_UNDER_SANITIZERS()     \
    if (testmemory::Sanitized)      \
    GTEST_SKIP() << "address-space limits and peak memory mean nothing under AddressSanitizer"

constexpr int64_t MB = int64_t{1} << 20;

// A field of /proc/self/status in bytes ("VmSize", "VmRSS", "VmHWM").
inline int64_t StatusBytes(const std::string& field)
{
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(field + ":", 0) == 0) return std::stoll(line.substr(field.size() + 1)) * 1024;
    return -1;
}

struct Outcome {
    bool Finished = false;  // the child ended normally and reported
    int Result = -1;        // what the work returned; 100 when an exception escaped it
    int64_t PeakBytes = 0;  // resident memory above what the child started with, at its peak
};

// Forks; the child may map at most `headroom` bytes beyond what it already has, runs `work`
// and reports its result and its peak resident growth.
inline Outcome RunLimited(int64_t headroom, const std::function<int()>& work)
{
    int fds[2];
    if (pipe(fds) != 0) return {};
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        { std::ofstream("/proc/self/clear_refs") << "5"; }  // the peak starts again from here
        const int64_t start = StatusBytes("VmRSS");
        rlimit limit{};
        limit.rlim_cur = limit.rlim_max = static_cast<rlim_t>(StatusBytes("VmSize") + headroom);
        setrlimit(RLIMIT_AS, &limit);
        int result = 100;
        try {
            result = work();
        } catch (...) {
        }
        char report[64];
        int n = std::snprintf(report, sizeof report, "%d %lld", result,
                              static_cast<long long>(StatusBytes("VmHWM") - start));
        if (write(fds[1], report, static_cast<size_t>(n)) != n) _exit(2);
        _exit(0);
    }
    close(fds[1]);
    Outcome outcome;
    std::string text;
    char buffer[64];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<size_t>(n));
    close(fds[0]);
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return outcome;
    long long peak = 0;
    std::istringstream(text) >> outcome.Result >> peak;
    outcome.PeakBytes = peak;
    outcome.Finished = true;
    return outcome;
}

}  // namespace testmemory
