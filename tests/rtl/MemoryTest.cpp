#include "framework/rtl/SysUtils.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>

#include "tests/common/PeakMemory.h"
#include "tests/rtl/TempFolder.h"

namespace {

constexpr uint64_t MB = uint64_t(1) << 20;
constexpr uint64_t Unlimited = UINT64_MAX;

std::string Replace(std::string text, const std::string& what, const std::string& with)
{
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size()))
        text.replace(at, what.size(), with);
    return text;
}

// A /proc/self of our own: "{root}" in its mountinfo stands for a scratch folder, under which the
// cgroup files of the case lie.
struct CgroupCase {
    const char* name;
    std::string mountinfo;
    std::string cgroup;
    std::map<std::string, std::string> files;  // path under {root} -> contents
    uint64_t expected;
};

class CgroupMemoryLeftTest : public ::testing::TestWithParam<CgroupCase> {};

TEST_P(CgroupMemoryLeftTest, TakesTheTightestCgroupOnTheWayUp)
{
    const CgroupCase& c = GetParam();
    TempFolderFixture dir;
    const std::string proc = dir.File("proc");
    std::filesystem::create_directories(proc);
    TempFolderFixture::Put(proc + "/mountinfo", Replace(c.mountinfo, "{root}", dir.Path()));
    TempFolderFixture::Put(proc + "/cgroup", c.cgroup);
    for (const auto& [path, text] : c.files) {
        const std::filesystem::path file = dir.Path() + "/" + path;
        std::filesystem::create_directories(file.parent_path());
        TempFolderFixture::Put(file.string(), text);
    }
    EXPECT_EQ(rtl::CgroupMemoryLeft(proc), c.expected);
}

const std::string V2Mount = "30 24 0:26 / {root}/cg rw,nosuid - cgroup2 cgroup2 rw,nsdelegate\n";
const std::string V1Mount =
    "29 24 0:25 / {root}/cpu rw - cgroup cgroup rw,cpu\n36 24 0:33 / {root}/mem rw,relatime - cgroup cgroup rw,memory\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, CgroupMemoryLeftTest,
    ::testing::Values(
        // The process's own cgroup sets no limit; the one above it holds 3 GB, 1 GB of it used.
        CgroupCase{"V2ParentLimits", V2Mount, "0::/user/app\n",
                   {{"cg/user/app/memory.max", "max\n"}, {"cg/user/app/memory.current", "104857600\n"},
                    {"cg/user/memory.max", "3221225472\n"}, {"cg/user/memory.current", "1073741824\n"}},
                   2048 * MB},
        // Its own limit is the tighter one; inactive file cache counts as room.
        CgroupCase{"V2OwnLimitAndCache", V2Mount, "0::/user/app\n",
                   {{"cg/user/app/memory.max", "536870912\n"}, {"cg/user/app/memory.current", "419430400\n"},
                    {"cg/user/app/memory.stat", "anon 104857600\nfile 314572800\ninactive_file 209715200\n"},
                    {"cg/user/memory.max", "3221225472\n"}, {"cg/user/memory.current", "1073741824\n"}},
                   312 * MB},
        CgroupCase{"V2OverTheLimit", V2Mount, "0::/box\n",
                   {{"cg/box/memory.max", "104857600\n"}, {"cg/box/memory.current", "209715200\n"}}, 0},
        CgroupCase{"V2NoLimitAnywhere", V2Mount, "0::/user/app\n",
                   {{"cg/user/app/memory.max", "max\n"}, {"cg/user/app/memory.current", "5\n"}}, Unlimited},
        // A container's mount shows its own cgroup as the root.
        CgroupCase{"V2MountRootInside", "30 24 0:26 /box {root}/cg rw - cgroup2 cgroup2 rw\n", "0::/box/inner\n",
                   {{"cg/memory.max", "1073741824\n"}, {"cg/memory.current", "0\n"},
                    {"cg/inner/memory.max", "max\n"}, {"cg/inner/memory.current", "0\n"}},
                   1024 * MB},
        CgroupCase{"V2OutsideTheMount", "30 24 0:26 /box {root}/cg rw - cgroup2 cgroup2 rw\n", "0::/other\n",
                   {{"cg/memory.max", "1073741824\n"}, {"cg/memory.current", "0\n"}}, Unlimited},
        CgroupCase{"V2MountPointWithABlank", "30 24 0:26 / {root}/my\\040cg rw - cgroup2 cgroup2 rw\n", "0::/\n",
                   {{"my cg/memory.max", "1073741824\n"}, {"my cg/memory.current", "536870912\n"}}, 512 * MB},
        // Version 1: the memory controller's own hierarchy, its unlimited value a huge number.
        CgroupCase{"V1Memory", V1Mount, "5:cpu:/box\n4:memory:/box\n0::/\n",
                   {{"mem/memory.limit_in_bytes", "9223372036854771712\n"}, {"mem/memory.usage_in_bytes", "999\n"},
                    {"mem/box/memory.limit_in_bytes", "1073741824\n"},
                    {"mem/box/memory.usage_in_bytes", "419430400\n"},
                    {"mem/box/memory.stat", "inactive_file 1\ntotal_inactive_file 104857600\n"}},
                   724 * MB},
        CgroupCase{"NoCgroupFiles", V2Mount + V1Mount, "4:memory:/box\n0::/box\n", {}, Unlimited},
        CgroupCase{"Unreadable", "", "", {}, Unlimited}),
    [](const ::testing::TestParamInfo<CgroupCase>& info) { return std::string(info.param.name); });

// Runs work in a forked child and hands back the number it returns (0 when the child fails).
uint64_t InChild(const std::function<uint64_t()>& work)
{
    int fds[2];
    if (pipe(fds) != 0) return 0;
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        const uint64_t value = work();
        _exit(write(fds[1], &value, sizeof value) == sizeof value ? 0 : 1);
    }
    close(fds[1]);
    uint64_t value = 0;
    const bool got = pid > 0 && read(fds[0], &value, sizeof value) == sizeof value;
    close(fds[0]);
    int status = 0;
    if (pid > 0) waitpid(pid, &status, 0);
    return got && WIFEXITED(status) && WEXITSTATUS(status) == 0 ? value : 0;
}

// Limits the process to `room` bytes of address space (or data) beyond what it maps now.
void LimitTo(int resource, const char* field, uint64_t room)
{
    const rlim_t limit = rlim_t(testmemory::StatusBytes(field)) + room;
    const rlimit value{limit, limit};
    if (setrlimit(resource, &value) != 0) _exit(3);
}

TEST(AvailableMemory, StaysWithinAnAddressSpaceLimit)
{
    SKIP_UNDER_SANITIZERS();
    const uint64_t left = InChild([] {
        LimitTo(RLIMIT_AS, "VmSize", 256 * MB);
        return rtl::AvailableMemory();
    });
    EXPECT_LE(left, 256 * MB);
    EXPECT_GE(left, 200 * MB);
}

TEST(AvailableMemory, StaysWithinADataLimit)
{
    SKIP_UNDER_SANITIZERS();
    const uint64_t left = InChild([] {
        LimitTo(RLIMIT_DATA, "VmData", 256 * MB);
        return rtl::AvailableMemory();
    });
    EXPECT_LE(left, 256 * MB);
    EXPECT_GE(left, 200 * MB);
}

TEST(AvailableMemory, IsNeverMoreThanTheSystemHasFree)
{
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    uint64_t kb = 0;
    while (meminfo >> key >> kb && key != "MemAvailable:") meminfo.ignore(256, '\n');
    if (key != "MemAvailable:") GTEST_SKIP() << "/proc/meminfo has no MemAvailable";
    // Other processes change it meanwhile; a quarter more leaves room for that.
    EXPECT_LE(rtl::AvailableMemory(), kb * 1024 + kb * 256);
    EXPECT_GT(rtl::AvailableMemory(), 0u);
}

}  // namespace
