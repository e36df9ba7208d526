// "Save Image" and "Save All Images" write the same bytes for the same segment and name, in every
// format and however many segments are encoded at once.
#include <filesystem>

#include "view_fixture.h"

namespace {

using viewtest::ViewerTest;

struct PathCase {
    const char* name;  // the numbered name of segment 1 is its stem + "1" + its extension
    int quality;       // the quality dialog's answer; 0: not shown
    int encoders;
};

class SavePaths : public ViewerTest, public ::testing::WithParamInterface<PathCase> {
protected:
    void TearDown() override
    {
        app::SaveAllEncoders = 0;
        ViewerTest::TearDown();
    }
};

std::string Numbered(const std::string& name, int n)
{
    const std::filesystem::path p(name);
    return p.stem().string() + std::to_string(n) + p.extension().string();
}

TEST_P(SavePaths, SaveOneAndSaveAllWriteTheSameBytes)
{
    const PathCase k = GetParam();
    app::SaveAllEncoders = k.encoders;
    const std::string one = File("one"), all = File("all");
    std::filesystem::create_directories(one);
    std::filesystem::create_directories(all);
    app::TFrmView& view = MakeViewer(3, 2, 33, 21);  // rows of an odd width
    if (k.quality) AnswerQualityWith(k.quality);
    for (int n = 1; n <= 6; ++n) {
        view.ListBox1->ClickItem(n - 1);
        Seam.Files.push_back(one + "/" + Numbered(k.name, n));
        view.Cmdwork->Click();
    }
    Seam.Files.push_back(all + "/" + k.name);
    view.CmdSaveAll->Click();
    EXPECT_EQ(QualityDialogShowings(), k.quality ? 7 : 0);
    for (int n = 1; n <= 6; ++n) {
        const std::string file = Numbered(k.name, n);
        const std::string saved = viewtest::ReadFile(one + "/" + file);
        ASSERT_FALSE(saved.empty()) << file;
        EXPECT_EQ(saved, viewtest::ReadFile(all + "/" + file)) << file;
    }
    EXPECT_EQ(FolderEntries(one), FolderEntries(all));
}

INSTANTIATE_TEST_SUITE_P(Formats, SavePaths,
                         ::testing::Values(PathCase{"tile.jpg", 85, 1}, PathCase{"tile.jpg", 85, 8},
                                           PathCase{"tile.JPG", 30, 2}, PathCase{"x.png.jpg", 100, 8},
                                           PathCase{"tile.png", 0, 1}, PathCase{"TILE.PNG", 0, 8},
                                           PathCase{"tile.bmp", 0, 1}, PathCase{"tile.bmp", 0, 8},
                                           PathCase{"tile.jpeg", 60, 2}, PathCase{"TILE.JPEG", 85, 8},
                                           PathCase{"tile.jpe", 0, 2}, PathCase{"tile.tif", 0, 1}));

}  // namespace
