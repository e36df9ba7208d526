#include "framework/rtl/IniFiles.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "tests/rtl/TempFolder.h"

using namespace rtl;

namespace {

class IniFile : public ::testing::Test {
protected:
    TempFolderFixture tmp;
    String path = tmp.File("vomix25.ini");
};

}  // namespace

TEST_F(IniFile, ReadIntegerDefaults)
{
    TempFolderFixture::Put(path,
                           "[Other]\nH=5\n"
                           "[frmADJUST]\r\nw = 640 \r\nZero=0\nText=wide\nHex=$20\nEmpty=\n\n"
                           "[Frmchoice]\nW=abc\n");
    struct Case {
        const char* section;
        const char* key;
        int expected;
    } const cases[] = {
        {"Frmadjust", "W", 640},   // sections and keys without case, blanks around both
        {"Frmadjust", "H", -1},    // W with no H: H is the default
        {"Frmadjust", "Zero", 0},
        {"Frmadjust", "Text", -1},
        {"Frmadjust", "Hex", 32},
        {"Frmadjust", "Empty", -1},
        {"Frmchoice", "W", -1},
        {"Missing", "W", -1},
    };
    for (const Case& c : cases) EXPECT_EQ(TIniFile(path).ReadInteger(c.section, c.key, -1), c.expected) << c.section << "/" << c.key;
    EXPECT_EQ(TIniFile(tmp.File("none.ini")).ReadInteger("Frmadjust", "W", 7), 7);
    EXPECT_EQ(TIniFile(tmp.Path()).ReadString("History", "Last Dir", "d"), "d");  // a folder, not a file
}

TEST_F(IniFile, WritesCreateTheFileAndAreReadAnewEveryCall)
{
    const String history = tmp.File("qorin7.ini");
    TIniFile ini(history);
    EXPECT_EQ(ini.ReadString("History", "Last Dir", ""), "");
    ini.WriteString("History", "Last Dir", "/home/u/Pictures/");
    EXPECT_EQ(TempFolderFixture::Get(history), "[History]\nLast Dir=/home/u/Pictures/\n");
    EXPECT_EQ(ini.ReadString("history", "LAST DIR", ""), "/home/u/Pictures/");

    TempFolderFixture::Put(history, "[History]\nLast Dir=  /home/u/My Pictures/ \t\n");
    EXPECT_EQ(ini.ReadString("History", "Last Dir", ""), "/home/u/My Pictures/");  // blanks around it go
    TempFolderFixture::Put(history, "[HISTORY]\nlast dir=/elsewhere/\n");  // changed behind its back
    EXPECT_EQ(ini.ReadString("History", "Last Dir", ""), "/elsewhere/");
    ini.WriteString("History", "Last Dir", "/x/");  // replaces the key in place
    ini.WriteInteger("History", "N", 3);            // adds to the end of the section
    ini.WriteInteger("Frmadjust", "W", 640);        // adds a section
    EXPECT_EQ(TempFolderFixture::Get(history), "[HISTORY]\nLast Dir=/x/\nN=3\n[Frmadjust]\nW=640\n");
}

// Writing what the file already says changes nothing on disk; any other value is written.
TEST_F(IniFile, AWriteThatChangesNothingLeavesTheFile)
{
    TempFolderFixture::Put(path, "[History]\r\nLast Dir=/x/\r\n");
    struct stat before {};
    ASSERT_EQ(stat(path.c_str(), &before), 0);
    TIniFile ini(path);
    ini.WriteString("history", "Last Dir", "/x/");
    struct stat after {};
    ASSERT_EQ(stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino) << "not replaced";
    EXPECT_EQ(TempFolderFixture::Get(path), "[History]\r\nLast Dir=/x/\r\n");

    ini.WriteString("History", "Last Dir", "/y/");
    EXPECT_EQ(TempFolderFixture::Get(path), "[History]\nLast Dir=/y/\n");
}

TEST_F(IniFile, WriteIntoAMissingFolderRaises)
{
    const String inMissing = tmp.File("no/qorin7.ini");
    try {
        TIniFile(inMissing).WriteString("History", "Last Dir", "/x/");
        FAIL();
    } catch (const EIniFileException& e) {
        EXPECT_EQ(e.Message(), "Unable to write to " + inMissing);
    }
}

// The folder is read-only to the writer; as root the write is tried by an unprivileged child.
TEST_F(IniFile, UnwritableFolderRaisesAndKeepsTheOldFile)
{
    const String old = "[Frmadjust]\nW=640\n";
    TempFolderFixture::Put(path, old);
    ASSERT_EQ(chmod(path.c_str(), 0644), 0);
    ASSERT_EQ(chmod(tmp.Path().c_str(), 0555), 0);
    const auto tryWrite = [&]() -> String {
        try {
            TIniFile(path).WriteInteger("Frmadjust", "H", 480);
        } catch (const EIniFileException& e) {
            return e.Message();
        }
        return "(nothing raised)";
    };
    if (geteuid() != 0) {
        EXPECT_EQ(tryWrite(), "Unable to write to " + path);
    } else {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const bool dropped = setgid(65534) == 0 && setuid(65534) == 0;
            _exit(dropped && tryWrite() == "Unable to write to " + path ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    chmod(tmp.Path().c_str(), 0755);
    EXPECT_EQ(TempFolderFixture::Get(path), old);
    EXPECT_EQ(TIniFile(path).ReadInteger("Frmadjust", "W", 0), 640);
}

// A write that fails half-way (a full disk) leaves the old file whole and no stray file behind.
TEST_F(IniFile, FailedWriteKeepsTheOldFile)
{
    const String old = "[History]\nLast Dir=/old/\n";
    TempFolderFixture::Put(path, old);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{16, 16};
        setrlimit(RLIMIT_FSIZE, &limit);
        try {
            TIniFile(path).WriteString("History", "Last Dir", String(100, 'x'));
        } catch (const EIniFileException&) {
            _exit(0);
        }
        _exit(1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(TempFolderFixture::Get(path), old);
    int entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(tmp.Path())) entries += e.is_regular_file();
    EXPECT_EQ(entries, 1);
}

// A read-only file is not replaced, a pipe is neither read nor written (and never waited on).
TEST_F(IniFile, ReadOnlyFilesAndPipesAreLeftAlone)
{
    const String old = "[History]\nLast Dir=/old/\n";
    TempFolderFixture::Put(path, old);
    chmod(path.c_str(), 0444);
    EXPECT_THROW(TIniFile(path).WriteString("History", "Last Dir", "/new/"), EIniFileException);
    EXPECT_EQ(TempFolderFixture::Get(path), old);
    EXPECT_EQ(TIniFile(path).ReadString("History", "Last Dir", ""), "/old/");

    const String pipe = tmp.File("pipe.ini");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0644), 0);
    EXPECT_EQ(TIniFile(pipe).ReadString("History", "Last Dir", "none"), "none");
    EXPECT_THROW(TIniFile(pipe).WriteString("History", "Last Dir", "/new/"), EIniFileException);
}

TEST_F(IniFile, ValuesCannotBreakTheLineStructure)
{
    TIniFile ini(path);
    ini.WriteString("History", "Last Dir", "/a\n[History]\nLast Dir=/b/");
    ini.WriteInteger("History", "N", 1);
    EXPECT_EQ(ini.ReadString("History", "Last Dir", ""), "/a [History] Last Dir=/b/");
    EXPECT_EQ(ini.ReadInteger("History", "N", 0), 1);
}
