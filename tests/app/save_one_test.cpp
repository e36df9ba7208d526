// "Save Image": the format by the name, the quality dialog, the questions and messages.
#include "save_codecs.h"
#include "view_fixture.h"

#include "framework/graphics/Png.h"

namespace {

using viewtest::ViewerTest;

enum class Written { Jpeg, Png, Bitmap };

struct FormatCase {
    const char* name;
    Written format;
};

class SaveOneFormat : public ViewerTest, public ::testing::WithParamInterface<FormatCase> {};

// Decodes the file as its format says, with the library of that format and with ImageMagick.
void ExpectSegmentFile(const std::string& path, Written format, int row, int col, int w, int h)
{
    const std::string bytes = viewtest::ReadFile(path);
    gfx::TBitmap got;
    int tolerance = 0;
    switch (format) {
    case Written::Jpeg:
        ASSERT_EQ(bytes.substr(0, 2), "\xFF\xD8");
        ASSERT_TRUE(savetest::ReadJpeg(path, got));
        tolerance = 12;  // quality 85 on smooth gradients
        break;
    case Written::Png:
        ASSERT_EQ(bytes.substr(0, 8), "\x89PNG\r\n\x1A\n");
        ASSERT_TRUE(savetest::ReadPng(path, got));
        break;
    case Written::Bitmap:
        ASSERT_EQ(bytes.substr(0, 2), "BM");
        got.LoadFromFile(path);
        break;
    }
    EXPECT_EQ(got.Width(), w);
    EXPECT_EQ(got.Height(), h);
    EXPECT_LE(viewtest::MaxDifference(got, row, col), tolerance);
    ASSERT_TRUE(savetest::HaveImageMagick())
        << "ImageMagick's convert is not installed (Debian package imagemagick; scripts/test installs it)";
    gfx::TBitmap magick;
    ASSERT_TRUE(savetest::ReadWithImageMagick(path, magick)) << path;
    EXPECT_EQ(magick.Width(), w);
    EXPECT_EQ(magick.Height(), h);
    EXPECT_LE(viewtest::MaxDifference(magick, row, col), tolerance);
}

TEST_P(SaveOneFormat, NameChoosesTheFormat)
{
    const FormatCase k = GetParam();
    app::TFrmView& view = MakeViewer(2, 2, 48, 36);
    view.ListBox1->ClickItem(2);  // row 2, column 1
    const std::string path = File(k.name);
    Seam.Files.push_back(path);
    view.Cmdwork->Click();
    ASSERT_EQ(Seam.Dialogs.size(), 1u);
    EXPECT_TRUE(Seam.Dialogs[0].Save);
    EXPECT_EQ(QualityDialogShowings(), k.format == Written::Jpeg ? 1 : 0);
    ASSERT_EQ(Seam.Texts(), std::vector<std::string>{"File saved -> " + path});
    ExpectSegmentFile(path, k.format, 2, 1, 48, 36);
    // Nothing is left beside the file.
    EXPECT_EQ(FolderEntries(Folder), std::vector<std::string>{k.name});
}

INSTANTIATE_TEST_SUITE_P(Names, SaveOneFormat,
                         ::testing::Values(FormatCase{"sunset.jpg", Written::Jpeg}, FormatCase{"SUNSET.JPG", Written::Jpeg},
                                           FormatCase{"sunset.png", Written::Png}, FormatCase{"sunset.bmp", Written::Bitmap},
                                           FormatCase{"sunset.jpeg", Written::Jpeg},
                                           FormatCase{"SUNSET.JPEG", Written::Jpeg},
                                           FormatCase{"x.png.jpeg", Written::Jpeg},
                                           FormatCase{"sunset.jpe", Written::Bitmap},
                                           FormatCase{"my.jpg.pictures", Written::Jpeg},
                                           FormatCase{"x.png.jpg", Written::Jpeg},
                                           FormatCase{"sunset.tif", Written::Bitmap}));

TEST_F(ViewerTest, SaveOneCancelledOrEmptyDoesNothing)
{
    app::TFrmView& view = MakeViewer(1, 1, 10, 10);
    Seam.Files.push_back(std::nullopt);
    view.Cmdwork->Click();
    Seam.Files.push_back(std::string());
    view.Cmdwork->Click();
    EXPECT_EQ(Seam.Dialogs.size(), 2u);
    EXPECT_TRUE(Seam.Messages.empty());
    EXPECT_TRUE(Seam.ModalShown.empty());
    EXPECT_TRUE(FolderEntries(Folder).empty());
}

TEST_F(ViewerTest, QualityChosenInTheDialogIsTheFilesQuality)
{
    app::TFrmView& view = MakeViewer(1, 1, 64, 48);
    AnswerQualityWith(60);
    Seam.Files.push_back(File("sunset.jpg"));
    view.Cmdwork->Click();
    EXPECT_EQ(app::frmcomp->Lblnumber->Caption(), "60");
    EXPECT_EQ(app::JpegQuality, 60);
    gfx::TBitmap got;
    std::vector<unsigned> tables;
    ASSERT_TRUE(savetest::ReadJpeg(File("sunset.jpg"), got, &tables));
    EXPECT_EQ(tables, savetest::ReferenceTables(60));
}

// Each JPEG save shows the dialog at 85, whatever the bar said last time, and uses what it shows.
TEST_F(ViewerTest, EveryJpegSaveShowsAndUsesEightyFive)
{
    app::TFrmView& view = MakeViewer(1, 1, 64, 48);
    AnswerQualityWith(30);
    Seam.Files.push_back(File("first.jpg"));
    view.Cmdwork->Click();
    std::vector<std::string> shown;
    Seam.OnShowModal = [&](ui::TForm& form) {
        auto& dialog = dynamic_cast<app::Tfrmcomp&>(form);
        shown = {std::to_string(dialog.ScrollBar1->Position()), dialog.Lblnumber->Caption(),
                 dialog.LblQuality->Caption(), dialog.LblComp->Caption(), std::to_string(app::JpegQuality)};
        form.Close();  // the close box: the save goes on
    };
    Seam.Files.push_back(File("second.jpg"));
    view.Cmdwork->Click();
    EXPECT_EQ(shown, (std::vector<std::string>{"85", "85", "High", "Low", "85"}));
    gfx::TBitmap got;
    std::vector<unsigned> tables;
    ASSERT_TRUE(savetest::ReadJpeg(File("first.jpg"), got, &tables));
    EXPECT_EQ(tables, savetest::ReferenceTables(30));
    ASSERT_TRUE(savetest::ReadJpeg(File("second.jpg"), got, &tables));
    EXPECT_EQ(tables, savetest::ReferenceTables(85));
    EXPECT_EQ(Seam.Texts().back(), "File saved -> " + File("second.jpg"));
}

struct QuestionCase {
    const char* name;
    bool jpeg;  // the question names the full path
};

class SaveOneReplace : public ViewerTest, public ::testing::WithParamInterface<QuestionCase> {};

TEST_P(SaveOneReplace, AsksOnceAndNoKeepsTheFile)
{
    const QuestionCase k = GetParam();
    app::TFrmView& view = MakeViewer(1, 1, 20, 20);
    const std::string path = File(k.name);
    viewtest::WriteFile(path, "old contents");
    const std::string question = k.jpeg
        ? "This file name, " + path + ", already exists. Replace the existing file?"
        : "This file name (" + std::string(k.name) + ") already exists. Replace the existing file?";

    Seam.Files.push_back(path);
    Seam.Answers = {ui::mrNo};
    view.Cmdwork->Click();
    ASSERT_EQ(Seam.Messages.size(), 2u);
    EXPECT_EQ(Seam.Messages[0].Text, question);
    EXPECT_EQ(Seam.Messages[0].Kind, ui::TMsgDlgType::mtConfirmation);
    EXPECT_EQ(Seam.Messages[0].Buttons, unsigned(ui::mbYes | ui::mbNo));
    EXPECT_EQ(Seam.Messages[1].Text, "Image has not been saved.");
    EXPECT_EQ(viewtest::ReadFile(path), "old contents");

    Seam.Messages.clear();
    Seam.Files.push_back(path);
    Seam.Answers = {ui::mrYes};
    view.Cmdwork->Click();
    ASSERT_EQ(Seam.Texts(), (std::vector<std::string>{question, "File saved -> " + path}));
    EXPECT_NE(viewtest::ReadFile(path), "old contents");
    EXPECT_EQ(FolderEntries(Folder), std::vector<std::string>{k.name});
}

INSTANTIATE_TEST_SUITE_P(Kinds, SaveOneReplace,
                         ::testing::Values(QuestionCase{"sunset.jpg", true}, QuestionCase{"sunset.png", false},
                                           QuestionCase{"sunset.bmp", false}));

TEST_F(ViewerTest, SaveGraphicAsConvertsOrSavesDirectly)
{
    gfx::TBitmap bmp(7, 5);
    viewtest::FillBitmap(bmp, 1, 1);
    app::SaveGraphicAs(bmp, gfx::TPngImage::StaticClass(), File("a.png"));
    gfx::TBitmap got;
    ASSERT_TRUE(savetest::ReadPng(File("a.png"), got));
    EXPECT_EQ(viewtest::MaxDifference(got, 1, 1), 0);
    // Already of the class: saved as it is.
    app::SaveGraphicAs(bmp, gfx::TBitmap::StaticClass(), File("a.bmp"));
    EXPECT_EQ(viewtest::ReadFile(File("a.bmp")).substr(0, 2), "BM");
}

TEST_F(ViewerTest, QualityOutsideItsRangeIsARangeError)
{
    MakeViewer(1, 1, 8, 8);
    for (int bad : {0, 101, -5}) {
        app::JpegQuality = bad;
        EXPECT_THROW(app::SaveSegmentAsJpeg(File("q.jpg"), app::FullSegments(1, 1), true), rtl::ERangeError);
    }
    EXPECT_FALSE(rtl::FileExists(File("q.jpg")));
}

}  // namespace
