// What the user had stays: "Save Image", "Save All Images" and "Open In Paintbrush" write through
// a temporary file no one could plant, keep a replaced file's permissions and links, and leave a
// read-only file alone.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "view_fixture.h"

namespace {

using viewtest::ViewerTest;

mode_t ModeOf(const std::string& path)
{
    struct stat st {};
    EXPECT_EQ(lstat(path.c_str(), &st), 0) << path;
    return st.st_mode;
}

bool IsBmp(const std::string& bytes) { return bytes.compare(0, 2, "BM") == 0; }
bool IsPng(const std::string& bytes) { return bytes.compare(1, 3, "PNG") == 0; }
bool IsJpeg(const std::string& bytes) { return bytes.compare(0, 2, "\xFF\xD8") == 0; }

class SafeSaveTest : public ViewerTest {
protected:
    // Dangling links and pipes under the names a writer might pick for its temporary file.
    void PlantTraps(const std::string& folder)
    {
        for (int i = 0; i < 20; ++i) {
            const std::string link = folder + "/.quadrell-" + std::to_string(i) + ".part";
            ASSERT_EQ(symlink(Victim().c_str(), link.c_str()), 0);
            const std::string pipe = folder + "/.quadrell-" + std::to_string(i);
            ASSERT_EQ(mkfifo(pipe.c_str(), 0666), 0);
        }
    }
    std::string Victim() const { return File("victim"); }
};

TEST_F(SafeSaveTest, PlantedLinksAndPipesNeitherCatchTheDataNorHang)
{
    PlantTraps(Folder);
    const auto before = FolderEntries(Folder);
    app::TFrmView& view = MakeViewer(2, 1, 12, 9);
    Seam.Files.push_back(File("one.bmp"));
    view.Cmdwork->Click();
    Seam.Files.push_back(File("all.png"));
    view.CmdSaveAll->Click();
    app::WindowsDir = File("win");
    std::filesystem::create_directory(app::WindowsDir);
    viewtest::WriteFile(app::WindowsDir + "/mtpaint", "#!/bin/sh\n");
    chmod((app::WindowsDir + "/mtpaint").c_str(), 0755);
    view.CmdPaint->Click();

    for (auto& m : Seam.Messages) EXPECT_NE(m.Kind, ui::TMsgDlgType::mtError) << m.Text;
    EXPECT_TRUE(IsBmp(viewtest::ReadFile(File("one.bmp"))));
    EXPECT_TRUE(IsPng(viewtest::ReadFile(File("all1.png"))));
    EXPECT_TRUE(IsPng(viewtest::ReadFile(File("all2.png"))));
    EXPECT_TRUE(IsBmp(viewtest::ReadFile(File("tempbitm.bmp"))));
    EXPECT_FALSE(std::filesystem::exists(Victim()));
    auto after = before;
    for (const char* made : {"all1.png", "all2.png", "one.bmp", "tempbitm.bmp", "win"}) after.push_back(made);
    std::sort(after.begin(), after.end());
    EXPECT_EQ(FolderEntries(Folder), after);
}

struct ReplaceCase {
    const char* name;
    bool (*is)(const std::string&);
};

class ReplaceKeeps : public SafeSaveTest, public ::testing::WithParamInterface<ReplaceCase> {};

TEST_P(ReplaceKeeps, PermissionsAndLinks)
{
    const ReplaceCase& k = GetParam();
    std::filesystem::create_directory(File("real"));
    const std::string real = File("real/") + k.name;
    viewtest::WriteFile(real, "old contents");
    chmod(real.c_str(), 0600);
    const std::string link = File(k.name);
    ASSERT_EQ(symlink(("real/" + std::string(k.name)).c_str(), link.c_str()), 0);

    // Save one to the real file, then to the link naming it; both are replaced after Yes.
    for (const std::string& chosen : {real, link}) {
        SCOPED_TRACE(chosen);
        viewtest::WriteFile(real, "old contents");
        app::TFrmView& view = MakeViewer(1, 1, 12, 9);
        Seam.Files.push_back(chosen);
        Seam.Answers = {ui::mrYes};
        view.Cmdwork->Click();
        EXPECT_EQ(Seam.Messages.back().Text, "File saved -> " + chosen);
        EXPECT_TRUE(k.is(viewtest::ReadFile(real)));
        EXPECT_EQ(ModeOf(real) & 07777, 0600u);
        EXPECT_TRUE(S_ISLNK(ModeOf(link)));
        EXPECT_EQ(std::string(std::filesystem::read_symlink(link)), "real/" + std::string(k.name));
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, ReplaceKeeps,
                         ::testing::Values(ReplaceCase{"seg.bmp", IsBmp}, ReplaceCase{"seg.png", IsPng},
                                           ReplaceCase{"seg.jpg", IsJpeg}),
                         [](const auto& info) { return std::string(info.param.name).substr(4); });

TEST_F(SafeSaveTest, ReadOnlyFileIsNotReplacedAfterYes)
{
    for (const char* name : {"ro.bmp", "ro.png", "ro.jpg"}) {
        SCOPED_TRACE(name);
        Seam.Messages.clear();
        const std::string path = File(name);
        viewtest::WriteFile(path, "old contents");
        chmod(path.c_str(), 0444);
        app::TFrmView& view = MakeViewer(1, 1, 12, 9);
        Seam.Files.push_back(path);
        Seam.Answers = {ui::mrYes};
        view.Cmdwork->Click();
        ASSERT_EQ(Seam.Messages.size(), 2u);  // the question, then the error
        EXPECT_EQ(Seam.Messages[1].Kind, ui::TMsgDlgType::mtError);
        EXPECT_EQ(Seam.Messages[1].Text, "Cannot create file \"" + path + "\". Permission denied");
        EXPECT_EQ(viewtest::ReadFile(path), "old contents");
        EXPECT_EQ(ModeOf(path) & 07777, 0444u);
    }
    // Save all stops at the read-only file; the ones before it are written.
    Seam.Messages.clear();
    viewtest::WriteFile(File("ro2.png"), "old contents");
    chmod(File("ro2.png").c_str(), 0444);
    app::TFrmView& view = MakeViewer(3, 1, 12, 9);
    Seam.Files.push_back(File("ro.png"));
    Seam.Answers = {ui::mrOk, ui::mrYes};  // the hint; replace ro2.png
    view.CmdSaveAll->Click();
    EXPECT_TRUE(IsPng(viewtest::ReadFile(File("ro1.png"))));
    EXPECT_EQ(viewtest::ReadFile(File("ro2.png")), "old contents");
    EXPECT_FALSE(std::filesystem::exists(File("ro3.png")));
    EXPECT_EQ(Seam.Messages.back().Text, "Cannot create file \"" + File("ro2.png") + "\". Permission denied");
}

TEST_F(SafeSaveTest, PipeNamedAsTargetIsRefusedAtOnce)
{
    const std::string pipe = File("pipe.bmp");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0666), 0);
    app::TFrmView& view = MakeViewer(1, 1, 12, 9);
    Seam.Files.push_back(pipe);
    view.Cmdwork->Click();
    ASSERT_FALSE(Seam.Messages.empty());
    EXPECT_EQ(Seam.Messages.back().Text, "Cannot create file \"" + pipe + "\". Not a regular file");
    EXPECT_TRUE(S_ISFIFO(ModeOf(pipe)));
}

}  // namespace
