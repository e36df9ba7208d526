// "Save All Images": numbered names, one quality question, replace questions, the final message.
#include <filesystem>

#include "save_codecs.h"
#include "framework/ui/Application.h"
#include "tests/common/PeakMemory.h"
#include "view_fixture.h"

namespace {

using viewtest::ViewerTest;

const std::string kHint =
    "Hint: A window will now open and ask you to enter a file name. Since you have chosen to save ALL images, a "
    "number will be appended to the end of each file name as all image segments are saved (i.e. If you enter "
    "sunset.jpg as your image name, the image segments will be named sunset1.jpg, sunset2.jpg, etc)";

std::string FinalMessage(const std::string& folder)
{
    return "All image segments have now been saved. These images were saved in the following folder: " + folder;
}

TEST_F(ViewerTest, SaveAllTwoByTwoAsJpeg)
{
    app::TFrmView& view = MakeViewer(2, 2, 40, 32);
    Seam.Files.push_back(File("sunset.jpg"));
    view.CmdSaveAll->Click();
    EXPECT_EQ(QualityDialogShowings(), 1);
    EXPECT_EQ(Seam.Texts(), (std::vector<std::string>{kHint, FinalMessage(Folder + "/")}));
    EXPECT_EQ(FolderEntries(Folder),
              (std::vector<std::string>{"sunset1.jpg", "sunset2.jpg", "sunset3.jpg", "sunset4.jpg"}));
    // Row-major: 1 and 2 are the first row.
    const int cells[4][2] = {{1, 1}, {1, 2}, {2, 1}, {2, 2}};
    for (int n = 1; n <= 4; ++n) {
        gfx::TBitmap got;
        std::vector<unsigned> tables;
        ASSERT_TRUE(savetest::ReadJpeg(File("sunset" + std::to_string(n) + ".jpg"), got, &tables));
        EXPECT_EQ(got.Width(), 40);
        EXPECT_EQ(got.Height(), 32);
        EXPECT_LE(viewtest::MaxDifference(got, cells[n - 1][0], cells[n - 1][1]), 12) << n;
        EXPECT_EQ(tables, savetest::ReferenceTables(85));
    }
}

// While the files are written the cursor is the hourglass and the windows get to repaint (an event
// queued before runs then); the questions and messages before and after show the normal cursor.
TEST_F(ViewerTest, SaveAllWritesUnderTheHourglassAndLetsWindowsRepaint)
{
    if (!ui::GuiRunning()) GTEST_SKIP() << "no GUI";
    app::TFrmView& view = MakeViewer(2, 2, 40, 32);
    Seam.Files.push_back(File("busy.bmp"));
    ui::TCursor during = ui::crDefault;
    bool ranWhileWriting = false;
    ui::QueueEvent([&] {
        during = ui::Screen().Cursor();
        ranWhileWriting = Seam.Messages.size() == 1;  // after the hint, before the final message
    });
    view.CmdSaveAll->Click();
    EXPECT_TRUE(ranWhileWriting);
    EXPECT_EQ(during, ui::crHourGlass);
    EXPECT_EQ(ui::Screen().Cursor(), ui::crDefault);
    EXPECT_EQ(FolderEntries(Folder).size(), 4u);
}

TEST_F(ViewerTest, SaveAllUsesTheQualityChosenOnceForEverySegment)
{
    app::TFrmView& view = MakeViewer(3, 1, 16, 16);
    AnswerQualityWith(40);
    Seam.Files.push_back(File("q.jpg"));
    view.CmdSaveAll->Click();
    EXPECT_EQ(QualityDialogShowings(), 1);
    for (int n = 1; n <= 3; ++n) {
        gfx::TBitmap got;
        std::vector<unsigned> tables;
        ASSERT_TRUE(savetest::ReadJpeg(File("q" + std::to_string(n) + ".jpg"), got, &tables));
        EXPECT_EQ(tables, savetest::ReferenceTables(40));
    }
}

struct NameCase {
    const char* folder;  // below the test folder; "" for the folder itself
    const char* chosen;
    std::vector<std::string> written;
    bool png;
};

class SaveAllNames : public ViewerTest, public ::testing::WithParamInterface<NameCase> {};

TEST_P(SaveAllNames, NumberGoesBeforeTheExtensionOfTheFileNamePart)
{
    const NameCase& k = GetParam();
    const std::string folder = *k.folder ? File(k.folder) : Folder;
    std::filesystem::create_directories(folder);
    app::TFrmView& view = MakeViewer(2, 1, 48, 40);
    Seam.Files.push_back(folder + "/" + k.chosen);
    view.CmdSaveAll->Click();
    EXPECT_EQ(FolderEntries(folder), k.written);
    EXPECT_EQ(Seam.Texts().back(), FinalMessage(folder + "/"));
    EXPECT_EQ(QualityDialogShowings(), k.png ? 0 : 1);
    for (size_t i = 0; i < k.written.size(); ++i) {
        gfx::TBitmap got;
        const std::string path = folder + "/" + k.written[i];
        if (k.png) ASSERT_TRUE(savetest::ReadPng(path, got));
        else ASSERT_TRUE(savetest::ReadJpeg(path, got));
        EXPECT_LE(viewtest::MaxDifference(got, 1, int(i) + 1), k.png ? 0 : 12);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Names, SaveAllNames,
    ::testing::Values(NameCase{"", "a.b.jpg", {"a.b1.jpg", "a.b2.jpg"}, false},
                      NameCase{"shots.2024", "sunset.png", {"sunset1.png", "sunset2.png"}, true},
                      NameCase{"shots.2024", "sunset.jpg", {"sunset1.jpg", "sunset2.jpg"}, false},
                      NameCase{"", "x.png.jpg", {"x.png1.jpg", "x.png2.jpg"}, false},
                      NameCase{"", "tiles.jpeg", {"tiles1.jpeg", "tiles2.jpeg"}, false},
                      NameCase{"", "TILES.JPEG", {"TILES1.JPEG", "TILES2.JPEG"}, false},
                      // The dialog adds the default extension to a name without one.
                      NameCase{"v1.0", "sunset", {"sunset1.JPG", "sunset2.JPG"}, false}));

TEST_F(ViewerTest, SaveAllAsBitmapWhenTheNameSaysNeither)
{
    app::TFrmView& view = MakeViewer(1, 2, 9, 7);
    Seam.Files.push_back(File("tiles.jpe"));
    view.CmdSaveAll->Click();
    EXPECT_EQ(FolderEntries(Folder), (std::vector<std::string>{"tiles1.jpe", "tiles2.jpe"}));
    EXPECT_EQ(viewtest::ReadFile(File("tiles2.jpe")).substr(0, 2), "BM");
    gfx::TBitmap got;
    got.LoadFromFile(File("tiles2.jpe"));
    EXPECT_EQ(viewtest::MaxDifference(got, 2, 1), 0);
    EXPECT_EQ(QualityDialogShowings(), 0);
}

struct ExistingCase {
    const char* chosen;
    bool fullNameInQuestion;
};

class SaveAllExisting : public ViewerTest, public ::testing::WithParamInterface<ExistingCase> {};

// sunset2 and sunset4 exist: one question each, No keeps the old file silently, the rest is written.
TEST_P(SaveAllExisting, OneQuestionPerExistingFile)
{
    const ExistingCase k = GetParam();
    const std::string chosen = k.chosen;
    const std::string ext = chosen.substr(chosen.find('.'));
    auto name = [&](int n) { return "sunset" + std::to_string(n) + ext; };
    viewtest::WriteFile(File(name(2)), "two");
    viewtest::WriteFile(File(name(4)), "four");
    app::TFrmView& view = MakeViewer(2, 2, 10, 10);
    Seam.Files.push_back(File(chosen));
    Seam.Answers = {ui::mrOk, ui::mrNo, ui::mrYes};  // the hint, then the two questions
    view.CmdSaveAll->Click();
    auto question = [&](int n) {
        return k.fullNameInQuestion
            ? "This file name, " + File(name(n)) + ", already exists. Replace the existing file?"
            : "This file name (" + name(n) + ") already exists. Replace the existing file?";
    };
    EXPECT_EQ(Seam.Texts(), (std::vector<std::string>{kHint, question(2), question(4), FinalMessage(Folder + "/")}));
    EXPECT_EQ(viewtest::ReadFile(File(name(2))), "two");
    EXPECT_NE(viewtest::ReadFile(File(name(4))), "four");
    EXPECT_TRUE(rtl::FileExists(File(name(1))));
    EXPECT_TRUE(rtl::FileExists(File(name(3))));
    EXPECT_EQ(FolderEntries(Folder).size(), 4u);
}

INSTANTIATE_TEST_SUITE_P(Kinds, SaveAllExisting,
                         ::testing::Values(ExistingCase{"sunset.jpg", true}, ExistingCase{"sunset.png", false},
                                           ExistingCase{"sunset.bmp", false}));

TEST_F(ViewerTest, SaveAllCancelledAfterTheHint)
{
    app::TFrmView& view = MakeViewer(2, 2, 10, 10);
    Seam.Files.push_back(std::nullopt);
    view.CmdSaveAll->Click();
    EXPECT_EQ(Seam.Texts(), std::vector<std::string>{kHint});
    EXPECT_TRUE(FolderEntries(Folder).empty());
    EXPECT_EQ(QualityDialogShowings(), 0);
}

// Output comes from the clean copies, whatever the shown copies hold.
TEST_F(ViewerTest, SaveAllWritesCleanCopies)
{
    app::TFrmView& view = MakeViewer(2, 1, 30, 20);
    ASSERT_EQ(app::ShownSegments(1, 1)->Picture().Bitmap().GetPixel(25, 15), viewtest::ShownColour);
    Seam.Files.push_back(File("clean.png"));
    view.CmdSaveAll->Click();
    for (int c = 1; c <= 2; ++c) {
        gfx::TBitmap got;
        ASSERT_TRUE(savetest::ReadPng(File("clean" + std::to_string(c) + ".png"), got));
        EXPECT_EQ(viewtest::MaxDifference(got, 1, c), 0);
    }
}

}  // namespace

namespace {

// However many segments are encoded at once, questions, messages, files and the stop at the first
// failure come in the order of the segments.
class SaveAllEncoders : public ViewerTest, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override
    {
        ViewerTest::SetUp();
        app::SaveAllEncoders = GetParam();
    }
    void TearDown() override
    {
        app::SaveAllEncoders = 0;
        ViewerTest::TearDown();
    }
};

TEST_P(SaveAllEncoders, QuestionsAndFilesInSegmentOrder)
{
    for (const char* ext : {".png", ".jpg", ".bmp"}) {
        SCOPED_TRACE(ext);
        std::filesystem::remove_all(Folder);
        std::filesystem::create_directories(Folder);
        Seam.Messages.clear();
        auto name = [&](int n) { return "s" + std::to_string(n) + ext; };
        for (int n : {2, 5, 9}) viewtest::WriteFile(File(name(n)), "old");
        app::TFrmView& view = MakeViewer(3, 3, 24, 16);
        Seam.Files.push_back(File(std::string("s") + ext));
        Seam.Answers = {ui::mrOk, ui::mrNo, ui::mrYes, ui::mrNo};
        view.CmdSaveAll->Click();
        const std::vector<ui::MessageRecord>& m = Seam.Messages;
        ASSERT_EQ(m.size(), 5u);
        EXPECT_NE(m[1].Text.find(name(2)), std::string::npos);
        EXPECT_NE(m[2].Text.find(name(5)), std::string::npos);
        EXPECT_NE(m[3].Text.find(name(9)), std::string::npos);
        EXPECT_EQ(m[4].Text, FinalMessage(Folder + "/"));
        EXPECT_EQ(viewtest::ReadFile(File(name(2))), "old");
        EXPECT_NE(viewtest::ReadFile(File(name(5))), "old");
        EXPECT_EQ(viewtest::ReadFile(File(name(9))), "old");
        EXPECT_EQ(FolderEntries(Folder).size(), 9u);
    }
}

// A folder where the fifth file should go: that write fails, the four before it stay, none after it
// is written and the final message does not come.
TEST_P(SaveAllEncoders, StopsAtTheFirstFailure)
{
    for (const char* ext : {".png", ".jpg"}) {
        SCOPED_TRACE(ext);
        std::filesystem::remove_all(Folder);
        std::filesystem::create_directories(Folder + "/s5" + ext);
        Seam.Messages.clear();
        app::TFrmView& view = MakeViewer(3, 3, 24, 16);
        Seam.Files.push_back(File(std::string("s") + ext));
        view.CmdSaveAll->Click();
        ASSERT_EQ(Seam.Messages.size(), 2u);
        EXPECT_EQ(Seam.Messages[1].Kind, ui::TMsgDlgType::mtError);
        EXPECT_NE(Seam.Messages[1].Text.find(File(std::string("s5") + ext)), std::string::npos)
            << Seam.Messages[1].Text;
        std::vector<std::string> expected;
        for (int n = 1; n <= 5; ++n) expected.push_back("s" + std::to_string(n) + ext);
        EXPECT_EQ(FolderEntries(Folder), expected);
    }
}

// Where no thread can be started for the encoders (no address space is left for a thread's
// stack), save all still writes every file, in order, with its usual messages.
TEST_P(SaveAllEncoders, WithoutThreadsEveryFileIsStillWritten)
{
    SKIP_UNDER_SANITIZERS();
    app::TFrmView& view = MakeViewer(3, 3, 24, 16);
    const testmemory::Outcome outcome = testmemory::RunLimited(6 * testmemory::MB, [&] {
        Seam.Files.push_back(File("s.png"));
        view.CmdSaveAll->Click();
        const bool finalMessage = Seam.Texts().back() == FinalMessage(Folder + "/");
        return finalMessage && FolderEntries(Folder).size() == 9 ? 0 : 1;
    });
    ASSERT_TRUE(outcome.Finished);
    EXPECT_EQ(outcome.Result, 0);
}

INSTANTIATE_TEST_SUITE_P(Counts, SaveAllEncoders, ::testing::Values(1, 2, 8));

}  // namespace
