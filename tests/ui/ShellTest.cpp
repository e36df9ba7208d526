// The shell: a program gets its parameters unchanged as one argument, never through a shell; the
// results follow the platform's convention; the scripted side records calls.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include <sys/stat.h>

#include "framework/rtl/SysUtils.h"
#include "framework/ui/Seam.h"
#include "framework/ui/Shell.h"

namespace {

using namespace ui;

class ShellFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/ui shell XXXXXX";  // a blank in the folder name on purpose
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        Dir = tmpl;
    }
    void TearDown() override { std::system(("rm -rf '" + Dir + "'").c_str()); }

    String Write(const String& name, const String& text, bool executable)
    {
        String path = Dir + "/" + name;
        std::ofstream(path) << text;
        chmod(path.c_str(), executable ? 0755 : 0644);
        return path;
    }
    // The program runs on its own; its output file appears (atomically) when it is done.
    static String WaitFor(const String& path)
    {
        for (int i = 0; i < 1000 && !rtl::FileExists(path); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::ifstream in(path);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    String Dir;
};

TEST_F(ShellFolder, ParametersReachTheProgramUnchanged)
{
    // Writes each argument on a line of its own, then the working folder.
    String program = Write("echo args.sh",
                           "#!/bin/sh\nout=\"$(dirname \"$0\")/argv.txt\"\n"
                           "{ for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done; pwd; } > \"$out.part\"\n"
                           "mv \"$out.part\" \"$out\"\n",
                           true);
    const String tricky = "my file \"quoted\" 'single' $HOME `id` ; rm -rf / | cat & > x * ?";
    EXPECT_EQ(ShellExecute(nullptr, "open", program, tricky, Dir, SW_SHOWMAXIMIZED), SE_OK);
    EXPECT_EQ(WaitFor(Dir + "/argv.txt"), "[" + tricky + "]\n" + Dir + "\n");
}

TEST_F(ShellFolder, NoParametersNoArgument)
{
    String program = Write("count.sh",
                           "#!/bin/sh\nout=\"$(dirname \"$0\")/n.txt\"\necho $# > \"$out.part\"\nmv \"$out.part\" \"$out\"\n",
                           true);
    EXPECT_EQ(ShellExecute(nullptr, "open", program, "", "", SW_SHOWNORMAL), SE_OK);
    EXPECT_EQ(WaitFor(Dir + "/n.txt"), "0\n");
}

struct FailCase {
    const char* what;
    const char* file;   // inside the folder unless absolute
    const char* dir;    // nullptr: none
    int result;
};

class ShellFailures : public ShellFolder, public ::testing::WithParamInterface<FailCase> {};

TEST_P(ShellFailures, ResultBelow32)
{
    const FailCase& c = GetParam();
    Write("garbage.bin", "not a program at all\n", true);
    String file = c.file[0] == '/' || c.file[0] == '\0' ? String(c.file) : Dir + "/" + c.file;
    String dir = c.dir ? Dir + "/" + c.dir : String();
    EXPECT_EQ(ShellExecute(nullptr, "open", file, "x", dir, SW_SHOWNORMAL), c.result) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Table, ShellFailures,
                         ::testing::Values(FailCase{"missing file", "nothing.exe", nullptr, SE_ERR_FNF},
                                           FailCase{"empty name", "", nullptr, SE_ERR_FNF},
                                           FailCase{"missing folder", "garbage.bin", "no such dir", SE_ERR_PNF},
                                           FailCase{"cannot be run", "garbage.bin", nullptr, SE_ERR_NOASSOC}));

TEST(ScriptedShell, RecordsAndAnswers)
{
    ScriptedSeam seam;
    seam.ShellResults = {2};
    EXPECT_EQ(ShellExecute(nullptr, "open", "/usr/bin/mtpaint", "/data/tempbitm.bmp", "", SW_SHOWMAXIMIZED), 2);
    EXPECT_EQ(ShellExecute(nullptr, "open", "mailto:support@example.org?Subject=Hi", "", "", SW_SHOWNORMAL), 42);
    ASSERT_EQ(seam.ShellCalls.size(), 2u);
    EXPECT_EQ(seam.ShellCalls[0].File, "/usr/bin/mtpaint");
    EXPECT_EQ(seam.ShellCalls[0].Params, "/data/tempbitm.bmp");
    EXPECT_EQ(seam.ShellCalls[0].ShowCmd, SW_SHOWMAXIMIZED);
    EXPECT_EQ(seam.ShellCalls[1].Verb, "open");
}

}  // namespace
