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
#include "tests/ui/OpenerDesktop.h"

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

TEST_F(ShellFolder, FileNameBeginningWithDashStaysAFileName)
{
    String program = Write("args.sh",
                           "#!/bin/sh\nout=\"$(dirname \"$0\")/argv.txt\"\n"
                           "{ for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done; } > \"$out.part\"\n"
                           "mv \"$out.part\" \"$out\"\n",
                           true);
    EXPECT_EQ(ShellExecute(nullptr, "open", program, "-tempbitm.bmp", Dir, SW_SHOWMAXIMIZED), SE_OK);
    EXPECT_EQ(WaitFor(Dir + "/argv.txt"), "[./-tempbitm.bmp]\n");
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

// ---- documents: always the desktop's opener ------------------------------------------------------

// A JPEG with an execute bit, as on FAT media; a script named like a picture.
String PutJpeg(const String& path)
{
    std::ofstream(path, std::ios::binary) << std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00", 20);
    chmod(path.c_str(), 0755);
    return path;
}

class OpenerDesktop : public ::testing::Test, public TestDesktop {
protected:
    void SetUp() override
    {
        if (!Arrange()) FAIL() << Problem();
    }
};

TEST_F(OpenerDesktop, NoHandlerIsTold)
{
    std::ofstream(Dir + "/notes.txt") << "text\n";
    PutJpeg(Dir + "/photo.jpg");
    for (const String& what : {Dir + "/notes.txt", Dir + "/photo.jpg", String("mailto:support@example.org?Subject=Hi"),
                               String("https://example.org/downloads")}) {
        SCOPED_TRACE(what);
        EXPECT_EQ(ShellExecute(nullptr, "open", what, "", "", SW_SHOWMAXIMIZED), SE_ERR_NOASSOC);
    }
    EXPECT_EQ(ShellExecute(nullptr, "open", Dir + "/gone.jpg", "", "", SW_SHOWMAXIMIZED), SE_ERR_FNF);
}

TEST_F(OpenerDesktop, DocumentGoesToItsHandlerWhichIsNotWaitedFor)
{
    InstallViewer("image/jpeg");
    const String photo = PutJpeg(Dir + "/photo.jpg");
    // The handler keeps running: the call returns while it does.
    EXPECT_EQ(ShellExecute(nullptr, "open", photo, "", "", SW_SHOWMAXIMIZED), SE_OK);
    EXPECT_EQ(Opened(), "[" + photo + "]\n");
}

TEST_F(OpenerDesktop, ScriptNamedAsPictureIsNeverRun)
{
    InstallViewer("image/jpeg");
    const String script = Dir + "/holiday.jpg";
    std::ofstream(script) << "#!/bin/sh\ntouch '" << Dir << "/ran'\n";
    chmod(script.c_str(), 0755);
    // It is no JPEG, and nothing opens shell scripts here.
    EXPECT_EQ(ShellExecute(nullptr, "open", script, "", "", SW_SHOWMAXIMIZED), SE_ERR_NOASSOC);
    EXPECT_FALSE(rtl::FileExists(Dir + "/ran"));
    EXPECT_FALSE(rtl::FileExists(Dir + "/opened"));
}

TEST_F(OpenerDesktop, DocumentNameBeginningWithDashStaysAFileName)
{
    InstallViewer("image/jpeg");
    PutJpeg(Dir + "/-holiday.jpg");
    EXPECT_EQ(ShellExecute(nullptr, "open", "-holiday.jpg", "", Dir, SW_SHOWMAXIMIZED), SE_OK);
    EXPECT_EQ(Opened(), "[./-holiday.jpg]\n");
}

}  // namespace
