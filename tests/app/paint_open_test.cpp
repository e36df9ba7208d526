// "Open In Paintbrush": the six candidates, "tempbitm.bmp" in the data folder, the program started
// with that file as its one argument.
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "view_fixture.h"

#include "framework/ui/Shell.h"

namespace {

using viewtest::ViewerTest;

const std::string kNotFound =
    "PC Paintbrush was not found in the default windows directory on your system. Please find and copy PC "
    "Paintbrush (pbrush.exe or mspaint.exe) into your windows directory on your system, then run this option "
    "again.";
const std::string kNotStarted =
    "You cannot view this file because you do not have a default Paintbrush application found on your "
    "computer.";

class PaintTest : public ViewerTest {
protected:
    void SetUp() override
    {
        ViewerTest::SetUp();
        Windows = File("win");
        std::filesystem::create_directories(Windows + "/system32");
        std::filesystem::create_directories(Windows + "/system");
        app::WindowsDir = Windows;
    }
    void PutProgram(const std::string& relative, const std::string& text = "#!/bin/sh\n")
    {
        const std::string path = Windows + relative;
        viewtest::WriteFile(path, text);
        chmod(path.c_str(), 0755);
    }
    std::string Windows;
};

struct CandidateCase {
    std::vector<const char*> present;  // below the fake Windows directory
    const char* used;
};

class PaintCandidates : public PaintTest, public ::testing::WithParamInterface<CandidateCase> {};

TEST_P(PaintCandidates, FirstExistingCandidateIsStarted)
{
    const CandidateCase& k = GetParam();
    for (const char* p : k.present) PutProgram(p);
    // A folder of a candidate's name is no program.
    if (!std::filesystem::exists(Windows + "/kolourpaint")) std::filesystem::create_directories(Windows + "/kolourpaint");
    app::TFrmView& view = MakeViewer(2, 1, 12, 9);
    view.ListBox1->ClickItem(1);
    view.CmdPaint->Click();
    EXPECT_TRUE(Seam.Messages.empty());
    ASSERT_EQ(Seam.ShellCalls.size(), 1u);
    const ui::ShellRecord& call = Seam.ShellCalls[0];
    EXPECT_EQ(call.Verb, "open");
    EXPECT_EQ(call.File, Windows + k.used);
    EXPECT_EQ(call.Params, Folder + "/tempbitm.bmp");
    EXPECT_EQ(call.Dir, "");
    EXPECT_EQ(call.ShowCmd, int(ui::SW_SHOWMAXIMIZED));
    gfx::TBitmap written;
    written.LoadFromFile(Folder + "/tempbitm.bmp");
    EXPECT_EQ(viewtest::MaxDifference(written, 1, 2), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, PaintCandidates,
    ::testing::Values(
        CandidateCase{{"/system32/mtpaint"}, "/system32/mtpaint"},
        CandidateCase{{"/mtpaint", "/kolourpaint"}, "/kolourpaint"},
        CandidateCase{{"/system32/kolourpaint", "/system32/mtpaint"}, "/system32/mtpaint"},
        CandidateCase{{"/mtpaint", "/system32/mtpaint", "/system/kolourpaint"}, "/mtpaint"},
        CandidateCase{{"/system32/kolourpaint", "/system/mtpaint"}, "/system32/kolourpaint"},
        CandidateCase{{"/system/mtpaint", "/system/kolourpaint"}, "/system/mtpaint"},
        CandidateCase{{"/system/kolourpaint"}, "/system/kolourpaint"},
        CandidateCase{{"/system/kolourpaint", "/system32/kolourpaint", "/system32/mtpaint", "/mtpaint",
                       "/system/mtpaint"},
                      "/mtpaint"}));

TEST_F(PaintTest, NoCandidateTellsAndWritesNothing)
{
    app::TFrmView& view = MakeViewer(1, 1, 8, 8);
    view.CmdPaint->Click();
    ASSERT_EQ(Seam.Messages.size(), 1u);
    EXPECT_EQ(Seam.Messages[0].Text, kNotFound);
    EXPECT_EQ(Seam.Messages[0].Kind, ui::TMsgDlgType::mtInformation);
    EXPECT_TRUE(Seam.ShellCalls.empty());
    EXPECT_FALSE(rtl::FileExists(Folder + "/tempbitm.bmp"));
}

TEST_F(PaintTest, ProgramThatCannotStartIsToldAfterTheFileIsWritten)
{
    PutProgram("/kolourpaint");
    app::TFrmView& view = MakeViewer(1, 1, 8, 8);
    for (int result : {2, 31, 0}) {
        Seam.Messages.clear();
        std::filesystem::remove(Folder + "/tempbitm.bmp");
        Seam.ShellResult = result;
        view.CmdPaint->Click();
        EXPECT_EQ(Seam.Texts(), std::vector<std::string>{kNotStarted}) << result;
        EXPECT_TRUE(rtl::FileExists(Folder + "/tempbitm.bmp"));
    }
    Seam.Messages.clear();
    Seam.ShellResult = 32;  // 32 and above: started
    view.CmdPaint->Click();
    EXPECT_TRUE(Seam.Messages.empty());
}

TEST_F(PaintTest, DataFolderOthersMayWriteToGetsNoFileAndNothingStarts)
{
    PutProgram("/kolourpaint");
    app::DataFolder = Folder + "/shared data";
    std::filesystem::create_directories(app::DataFolder);
    chmod(app::DataFolder.c_str(), 0777);
    // What someone else left there: a link to a file of the user's.
    viewtest::WriteFile(Folder + "/own.txt", "the user's own");
    ASSERT_EQ(symlink((Folder + "/own.txt").c_str(), (app::DataFolder + "/tempbitm.bmp").c_str()), 0);
    app::TFrmView& view = MakeViewer(1, 1, 8, 8);
    view.CmdPaint->Click();
    ASSERT_EQ(Seam.Messages.size(), 1u);
    EXPECT_EQ(Seam.Messages[0].Kind, ui::TMsgDlgType::mtError);
    EXPECT_EQ(Seam.Messages[0].Text, "Cannot create file \"" + app::DataFolder +
                                         "/tempbitm.bmp\". The folder is not the user's own, or others may write to it.");
    EXPECT_TRUE(Seam.ShellCalls.empty());
    EXPECT_EQ(viewtest::ReadFile(Folder + "/own.txt"), "the user's own");
}

TEST_F(PaintTest, TemporaryFileIsReplacedEachTime)
{
    PutProgram("/mtpaint");
    app::TFrmView& view = MakeViewer(2, 1, 10, 10);
    viewtest::WriteFile(Folder + "/tempbitm.bmp", "an older file");
    view.CmdPaint->Click();
    view.ListBox1->ClickItem(1);
    view.CmdPaint->Click();
    gfx::TBitmap written;
    written.LoadFromFile(Folder + "/tempbitm.bmp");
    EXPECT_EQ(viewtest::MaxDifference(written, 1, 2), 0);
    EXPECT_EQ(Seam.ShellCalls.size(), 2u);
    EXPECT_EQ(FolderEntries(Folder), (std::vector<std::string>{"tempbitm.bmp", "win"}));
}

struct AwkwardCase {
    const char* label;
    std::string dataFolder;  // below the test folder
};

class PaintPaths : public PaintTest, public ::testing::WithParamInterface<AwkwardCase> {};

// Blanks, quotes, shell characters and paths past 255 characters reach the program whole.
TEST_P(PaintPaths, PathsAreHandedOverWhole)
{
    const AwkwardCase& k = GetParam();
    app::DataFolder = Folder + "/" + k.dataFolder;
    std::filesystem::create_directories(app::DataFolder);
    const std::string longPart(200, 'w');
    std::filesystem::create_directories(Windows + "/" + longPart + "/system32");
    app::WindowsDir = std::string(k.label) == "long" ? Windows + "/" + longPart : Windows;
    const std::string program = app::WindowsDir + "/system32/mtpaint";
    viewtest::WriteFile(program, "#!/bin/sh\n");
    chmod(program.c_str(), 0755);
    app::TFrmView& view = MakeViewer(1, 1, 8, 8);
    view.CmdPaint->Click();
    ASSERT_EQ(Seam.ShellCalls.size(), 1u);
    EXPECT_EQ(Seam.ShellCalls[0].File, program);
    EXPECT_EQ(Seam.ShellCalls[0].Params, app::DataFolder + "/tempbitm.bmp");
    EXPECT_TRUE(rtl::FileExists(app::DataFolder + "/tempbitm.bmp"));
}

INSTANTIATE_TEST_SUITE_P(Paths, PaintPaths,
                         ::testing::Values(AwkwardCase{"shell", "my \"data\" 'folder' $(touch x);&|*?`id` \\ #"},
                                           AwkwardCase{"long", std::string(120, 'd') + "/" + std::string(120, 'e')}),
                         [](const auto& info) { return std::string(info.param.label); });

// Through the real shell side: the started program sees exactly one argument, unchanged.
class PassThroughShell : public ui::ScriptedSeam {
public:
    int ShellExecute(const std::string& verb, const std::string& file, const std::string& params,
                     const std::string& dir, int showCmd) override
    {
        return ui::RealSeam().ShellExecute(verb, file, params, dir, showCmd);
    }
};

TEST_F(PaintTest, StartedProgramGetsTheFileAsItsOneArgument)
{
    PassThroughShell shell;
    app::DataFolder = Folder + "/it's a \"data\" folder; $(false) & more";
    std::filesystem::create_directories(app::DataFolder);
    const std::string report = Folder + "/arguments.txt";
    PutProgram("/kolourpaint", "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$1\" > '" + report + ".part'\nmv '" + report +
                                   ".part' '" + report + "'\n");
    app::TFrmView& view = MakeViewer(1, 1, 8, 8);
    view.CmdPaint->Click();
    EXPECT_TRUE(shell.Messages.empty());
    // The program runs on its own; wait for its report, within reason.
    for (int i = 0; i < 200 && !rtl::FileExists(report); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_TRUE(rtl::FileExists(report));
    EXPECT_EQ(viewtest::ReadFile(report), "1\n" + app::DataFolder + "/tempbitm.bmp\n");
}

}  // namespace
