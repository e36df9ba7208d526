// The converter's folder window and the rules for the batch's folders.
#include "tests/app/first_harness.h"

#include "app/Ufolders.h"

namespace apptest {
namespace {

using FoldersTest = AppTest;

TEST_F(FoldersTest, FolderPathsEndInTheDelimiterAndAreAbsolute)
{
    const String cwd = rtl::GetCurrentDir();
    const std::pair<String, String> cases[] = {
        {"", ""},
        {"   ", ""},
        {" /data/pictures ", "/data/pictures/"},
        {"/data/pictures/", "/data/pictures/"},
        {"/", "/"},
        {"~", Home + "/"},
        {"~/Pictures", Home + "/Pictures/"},
        {"holiday", cwd + "/holiday/"},
        {"~other", cwd + "/~other/"},
    };
    for (const auto& [text, path] : cases) EXPECT_EQ(app::BatchFolderPath(text), path) << text;
    EXPECT_EQ(rtl::GetCurrentDir(), cwd);
}

TEST_F(FoldersTest, ABatchNeedsItsFoldersToExist)
{
    const String there = Pictures + "/", missing = Root + "/missing/";
    struct Case { app::TBatchFolders Folders; String Problem; };
    const Case cases[] = {
        {{.FolderMode = false}, ""},
        {{.FolderMode = false, .Source = missing, .MakeWebPage = true}, ""},
        {{.FolderMode = true, .Source = there, .Output = there}, ""},
        {{.FolderMode = true, .Source = there, .Output = there, .Web = missing}, ""},
        {{.FolderMode = true, .Source = there, .Output = there, .Web = there, .MakeWebPage = true}, ""},
        {{.FolderMode = true, .Output = there}, "Please choose the folder that holds the pictures to convert."},
        {{.FolderMode = true, .Source = missing, .Output = there}, "This folder does not exist: " + missing},
        {{.FolderMode = true, .Source = there}, "Please choose the folder for the new pictures."},
        {{.FolderMode = true, .Source = there, .Output = missing}, "This folder does not exist: " + missing},
        {{.FolderMode = true, .Source = there, .Output = there, .MakeWebPage = true},
         "Please choose the folder for the web page, or turn the web page off."},
        {{.FolderMode = true, .Source = there, .Output = there, .Web = missing, .MakeWebPage = true},
         "This folder does not exist: " + missing},
    };
    for (const Case& c : cases) EXPECT_EQ(app::BatchFoldersProblem(c.Folders), c.Problem);
}

TEST_F(FoldersTest, WindowShowsAndGivesTheChoice)
{
    Start();
    app::TFrmfolders window(app::Frmadjust);
    EXPECT_EQ(window.Caption(), "Choose Folders");
    EXPECT_TRUE(window.RadSingle->Checked());
    EXPECT_FALSE(window.EdSource->Enabled());
    EXPECT_FALSE(window.ChkWebPage->Enabled());
    EXPECT_FALSE(window.EdWeb->Enabled());

    window.SetChoice({.FolderMode = true, .Source = "/a/", .Output = "/b/", .Web = "/c/", .MakeWebPage = false});
    EXPECT_TRUE(window.RadFolder->Checked());
    EXPECT_TRUE(window.EdSource->Enabled());
    EXPECT_TRUE(window.BtnOutput->Enabled());
    EXPECT_FALSE(window.EdWeb->Enabled());  // the web folder only matters with the web page
    window.ChkWebPage->Click();
    EXPECT_TRUE(window.EdWeb->Enabled());
    EXPECT_TRUE(window.BtnWeb->Enabled());
    window.EdOutput->Type(" /b/out ");
    const app::TBatchFolders choice = window.Choice();
    EXPECT_TRUE(choice.FolderMode);
    EXPECT_EQ(choice.Source, "/a/");
    EXPECT_EQ(choice.Output, "/b/out/");
    EXPECT_EQ(choice.Web, "/c/");
    EXPECT_TRUE(choice.MakeWebPage);
    window.RadSingle->Click();
    EXPECT_FALSE(window.EdSource->Enabled());
    EXPECT_FALSE(window.EdWeb->Enabled());
    EXPECT_FALSE(window.Choice().FolderMode);
}

TEST_F(FoldersTest, BrowseChoosesAnExistingFolderAndOkRefusesAMissingOne)
{
    Start();
    auto* window = new app::TFrmfolders(app::Frmadjust);
    const String web = Root + "/web";
    fs::create_directory(web);
    window->RadFolder->Click();
    window->ChkWebPage->Click();
    window->EdSource->Type(Pictures);
    window->EdOutput->Type(Root + "/missing");

    // A name that is no folder is told and asked for again.
    Seam->Files = {Root + "/nowhere", web};
    window->BtnWeb->Click();
    EXPECT_EQ(window->EdWeb->Caption(), web + "/");
    ASSERT_EQ(Seam->Dialogs.size(), 2u);
    EXPECT_TRUE(Seam->Dialogs[0].Options & ui::ofPickFolder);
    ASSERT_EQ(Texts().size(), 1u);
    EXPECT_EQ(Texts()[0], Root + "/nowhere\nThe folder does not exist.\nCheck the name and try again.");
    // Cancel keeps the folder; the dialog starts in the edit's folder.
    Seam->Messages.clear();
    Seam->Dialogs.clear();
    window->BtnSource->Click();
    EXPECT_EQ(window->EdSource->Caption(), Pictures);
    ASSERT_EQ(Seam->Dialogs.size(), 1u);
    EXPECT_EQ(Seam->Dialogs[0].InitialDir, Pictures);

    Seam->OnShowModal = [&](ui::TForm&) {
        window->BtnOk->Click();  // the output folder is missing: told, the window stays
        EXPECT_EQ(window->ModalResult(), int(ui::mrNone));
        window->EdOutput->SetCaption(Root);
        window->BtnOk->Click();
    };
    EXPECT_EQ(window->ShowModal(), int(ui::mrOk));
    ASSERT_EQ(Texts().size(), 1u);
    EXPECT_EQ(Texts()[0], "This folder does not exist: " + Root + "/missing/");
    const app::TBatchFolders choice = window->Choice();
    EXPECT_EQ(choice.Source, Pictures + "/");
    EXPECT_EQ(choice.Output, Root + "/");
    EXPECT_EQ(choice.Web, web + "/");

    // Cancel closes without a word, whatever the folders hold.
    Seam->Messages.clear();
    window->EdSource->SetCaption("");
    Seam->OnShowModal = [&](ui::TForm&) { window->BtnCancel->Click(); };
    EXPECT_EQ(window->ShowModal(), int(ui::mrCancel));
    EXPECT_TRUE(Seam->Messages.empty());
    delete window;
}

}  // namespace
}  // namespace apptest
