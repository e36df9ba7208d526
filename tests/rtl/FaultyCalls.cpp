#include "tests/rtl/FaultyCalls.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>

extern "C" int __real_close(int fd);
extern "C" int __real_fsync(int fd);

namespace faulty {
namespace {

std::atomic<bool> Armed{false};
Call Failing = Call::Close;
int Error = 0;
std::atomic<int> Count{0};

// The safe write's temporary files are named ".quadrell-" and a random part.
bool IsTemporaryFile(int fd)
{
    char path[4096];
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t n = readlink(link.c_str(), path, sizeof path - 1);
    if (n <= 0) return false;
    return std::string(path, size_t(n)).find("/.quadrell-") != std::string::npos;
}

bool ShouldFail(Call call, int fd) { return Armed && Failing == call && IsTemporaryFile(fd); }

}  // namespace

FailOnTemporaryFile::FailOnTemporaryFile(Call call, int error)
{
    Failing = call;
    Error = error;
    Count = 0;
    Armed = true;
}

FailOnTemporaryFile::~FailOnTemporaryFile() { Armed = false; }

int FailOnTemporaryFile::Failures() const { return Count; }

}  // namespace faulty

extern "C" int __wrap_close(int fd)
{
    if (faulty::ShouldFail(faulty::Call::Close, fd)) {
        // The descriptor is gone, as after a real failed close.
        __real_close(fd);
        ++faulty::Count;
        errno = faulty::Error;
        return -1;
    }
    return __real_close(fd);
}

extern "C" int __wrap_fsync(int fd)
{
    if (faulty::ShouldFail(faulty::Call::Fsync, fd)) {
        ++faulty::Count;
        errno = faulty::Error;
        return -1;
    }
    return __real_fsync(fd);
}
