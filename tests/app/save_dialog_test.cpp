// The viewer's save dialog: a name typed without an extension gets the chosen filter's, and the
// dialog starts in the picture's folder until the user picks another.
#include "tests/app/first_harness.h"
#include "view_fixture.h"

namespace {

using viewtest::ViewerTest;

struct TypedCase {
    int filter;             // 1 JPEG, 2 BITMAP, 3 PNG
    const char* typed;
    const char* saved;
    const char* magic;      // the written file's first bytes
    int qualityShowings;
};

class TypedName : public ViewerTest, public ::testing::WithParamInterface<TypedCase> {};

TEST_P(TypedName, GetsTheChosenFiltersExtension)
{
    const TypedCase& k = GetParam();
    app::TFrmView& view = MakeViewer(1, 1, 12, 9);
    Seam.FilterChoices = {k.filter};
    Seam.Files.push_back(File(k.typed));
    view.Cmdwork->Click();
    ASSERT_FALSE(Seam.Messages.empty());
    EXPECT_EQ(Seam.Messages.back().Text, "File saved -> " + File(k.saved));
    const std::string bytes = viewtest::ReadFile(File(k.saved));
    EXPECT_EQ(bytes.compare(0, std::string(k.magic).size(), k.magic), 0) << k.saved;
    EXPECT_EQ(QualityDialogShowings(), k.qualityShowings);
    EXPECT_EQ(view.SaveDialog1->FilterIndex(), k.filter);
    // The next showing offers the filter chosen last.
    Seam.Files.push_back(std::nullopt);
    view.Cmdwork->Click();
    EXPECT_EQ(Seam.Dialogs.back().FilterIndex, k.filter);
}

INSTANTIATE_TEST_SUITE_P(
    Filters, TypedName,
    ::testing::Values(TypedCase{1, "seg", "seg.JPG", "\xFF\xD8", 1}, TypedCase{2, "seg", "seg.BMP", "BM", 0},
                      TypedCase{3, "seg", "seg.PNG", "\x89PNG", 0},
                      // A typed extension stays, whatever the filter.
                      TypedCase{2, "seg.png", "seg.png", "\x89PNG", 0}, TypedCase{3, "seg.bmp", "seg.bmp", "BM", 0}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

}  // namespace

namespace apptest {
namespace {

TEST_F(AppTest, SaveDialogStartsInThePicturesFolderUntilAnotherIsPicked)
{
    Start();
    Select(SaveBmp("sun.bmp", PatternBitmap(40, 20)));
    ASSERT_TRUE(Seam->Messages.empty());
    const String elsewhere = Root + "/elsewhere";
    fs::create_directory(elsewhere);
    Seam->OnShowModal = [&](ui::TForm& form) {
        auto* view = dynamic_cast<app::TFrmView*>(&form);
        if (!view) return form.Close();
        Seam->Files = {elsewhere + "/a.bmp", std::nullopt};
        view->Cmdwork->Click();
        view->Cmdwork->Click();
        form.Close();
    };
    app::FrmFirst->CmdSplit->Click();
    ASSERT_EQ(Seam->Dialogs.size(), 3u);  // the open dialog, then the viewer's two
    EXPECT_EQ(Seam->Dialogs[1].InitialDir, Pictures);
    EXPECT_EQ(Seam->Dialogs[1].FileName, "");
    // Picked elsewhere: the dialog now starts from the name chosen there.
    EXPECT_EQ(Seam->Dialogs[2].FileName, elsewhere + "/a.bmp");
    EXPECT_TRUE(fs::exists(elsewhere + "/a.bmp"));
}

}  // namespace
}  // namespace apptest
