// The main window's links, the About window and the end of the program.
#include "tests/app/first_harness.h"

#include "app/Uabout.h"
#include "framework/ui/Shell.h"

namespace apptest {
namespace {

using LinksTest = AppTest;

struct LinkCase {
    const char* Name;
    std::function<ui::TControl*()> Button;
    String File;  // relative to the executable's folder unless absolute
    int ShowCmd;
    String Failure;
};

TEST_F(LinksTest, EachLinkHandsItsTargetToTheShellAndTellsAFailure)
{
    Start();
    const String exeFolder = rtl::ExecutableFolder();
    const LinkCase cases[] = {
        {"More Downloads", [] { return app::FrmFirst->BitBtn4; }, exeFolder + "download.html", ui::SW_SHOWMAXIMIZED,
         "The download page appears to have been removed. You can still view the software downloads by opening "
         "your browser and going to https://quadrell.example/downloads"},
        {"Help", [] { return app::FrmFirst->BitBtn3; }, exeFolder + "index.htm", ui::SW_SHOWMAXIMIZED,
         "You cannot view this file because you do not have a default web browser setup. You can still view this "
         "file by opening your web browser and pointing to the file index.htm which is located in your install "
         "directory."},
        {"Support / Help", [] { return app::FrmFirst->CmdSupport; },
         "mailto:support@quadrell.example?Subject=Quadrell Image Splitter support", ui::SW_SHOWNORMAL,
         "You cannot view this file because you do not have a default email software setup. Please send your "
         "questions to support at support@quadrell.example"},
    };
    for (const LinkCase& k : cases) {
        SCOPED_TRACE(k.Name);
        Seam->ShellCalls.clear();
        Seam->Messages.clear();
        Seam->ShellResults = {42, ui::SE_ERR_FNF, ui::SE_ERR_NOASSOC};
        for (int i = 0; i < 3; ++i) k.Button()->Click();
        ASSERT_EQ(Seam->ShellCalls.size(), 3u);
        for (const ui::ShellRecord& call : Seam->ShellCalls) {
            EXPECT_EQ(call.Verb, "open");
            EXPECT_EQ(call.File, k.File);
            EXPECT_EQ(call.Params, "");
            EXPECT_EQ(call.Dir, "");
            EXPECT_EQ(call.ShowCmd, k.ShowCmd);
        }
        // Success says nothing; each failure shows the message once.
        ASSERT_EQ(Seam->Messages.size(), 2u);
        for (const ui::MessageRecord& m : Seam->Messages) {
            EXPECT_EQ(m.Text, k.Failure);
            EXPECT_EQ(m.Buttons, unsigned(ui::mbOK));
        }
    }
    EXPECT_EQ(app::FrmFirst->BitBtn4->Caption(), "More Downloads");
    EXPECT_EQ(app::FrmFirst->CmdSupport->Caption(), "Support / Help");
}

TEST_F(LinksTest, ThumbnailOpensThePathAsChosen)
{
    Start();
    app::FrmFirst->Image1->Click();  // nothing chosen yet: nothing to open
    EXPECT_TRUE(Seam->ShellCalls.empty());
    EXPECT_TRUE(Seam->Messages.empty());

    SaveBmp("sun.bmp", PatternBitmap(20, 20));
    String doubled = Pictures + "//sun.bmp";
    Select(doubled);
    ASSERT_TRUE(Seam->Messages.empty());
    Seam->ShellResults = {42, ui::SE_ERR_NOASSOC};
    app::FrmFirst->Image1->Click();
    app::FrmFirst->Image1->Click();
    ASSERT_EQ(Seam->ShellCalls.size(), 2u);
    EXPECT_EQ(Seam->ShellCalls[0].File, doubled);
    EXPECT_EQ(Seam->ShellCalls[0].Verb, "open");
    EXPECT_EQ(Seam->ShellCalls[0].ShowCmd, ui::SW_SHOWMAXIMIZED);
    ASSERT_EQ(Seam->Messages.size(), 1u);
    EXPECT_EQ(Seam->Messages[0].Text,
              "You cannot view this file because you do not have a default viewer for this on your system. You need "
              "a viewer on your system to view this file type.");
    EXPECT_EQ(app::FrmFirst->Image1->Hint(), "Click this image to enlarge");
    EXPECT_EQ(app::FrmFirst->Image1->Cursor(), ui::crHandPoint);
}

using AboutTest = AppTest;

struct AboutTexts {
    String Caption, Copy1, Copy2, Copy3, Info1, Info2, Info3, Disclaimer;
};

AboutTexts Read(const app::TFrmabout& a)
{
    return {a.Caption(), a.LblCopy1->Caption(), a.LblCopy2->Caption(), a.LblCopy3->Caption(),
            a.LblInfo1->Caption(), a.LblInfo2->Caption(), a.LblInfo3->Caption(), a.Label1->Caption()};
}

TEST_F(AboutTest, AboutTwiceShowsTwoFreshWindowsWithTheSameTexts)
{
    Start();
    std::vector<app::TFrmabout*> seen;
    std::vector<AboutTexts> texts;
    Seam->OnShowModal = [&](ui::TForm& form) {
        auto* about = dynamic_cast<app::TFrmabout*>(&form);
        ASSERT_NE(about, nullptr);
        EXPECT_EQ(about, app::Frmabout);
        EXPECT_EQ(about->Owner(), app::FrmFirst);
        seen.push_back(about);
        texts.push_back(Read(*about));
        // A window's texts changed while shown must not reach the next one.
        about->LblCopy2->SetCaption("changed");
        about->Button1->Click();
    };
    const int before = app::FrmFirst->ComponentCount();
    app::FrmFirst->Button1->Click();
    EXPECT_EQ(app::Frmabout, nullptr);
    EXPECT_EQ(app::FrmFirst->ComponentCount(), before);
    app::FrmFirst->Button1->Click();
    EXPECT_EQ(app::FrmFirst->ComponentCount(), before);
    ASSERT_EQ(texts.size(), 2u);
    for (const AboutTexts& t : texts) {
        EXPECT_EQ(t.Caption, "About ");
        EXPECT_EQ(t.Copy1, app::AboutCopy1);
        EXPECT_NE(t.Copy1.find("Quadrell Software"), String::npos);
        EXPECT_NE(t.Copy1.find("2026"), String::npos);
        EXPECT_EQ(t.Copy2, "Version 2.11 ");
        EXPECT_EQ(t.Copy3, app::AboutCopy3);
        EXPECT_TRUE(t.Copy3.ends_with("https://quadrell.example"));
        EXPECT_EQ(t.Info1, "");
        EXPECT_EQ(t.Info2, "");
        EXPECT_EQ(t.Info3, "");
        EXPECT_EQ(t.Disclaimer, "Disclaimer :");
    }
    EXPECT_EQ(Seam->ModalShown, (std::vector<String>{"Frmabout", "Frmabout"}));
}

TEST_F(AboutTest, ReturnAndTheCloseBoxBothEndTheShowingAndKeepTheMainWindow)
{
    Start();
    Select(SaveBmp("sun.bmp", PatternBitmap(30, 20)));
    app::FrmFirst->ChkShowNum->SetChecked(true);
    const String chosen = app::FrmFirst->LblChosen->Caption();
    const std::function<void(app::TFrmabout&)> endings[] = {
        [](app::TFrmabout& a) { a.Button1->Click(); },
        [](app::TFrmabout& a) { a.Close(); },
    };
    for (const auto& end : endings) {
        bool shown = false;
        Seam->OnShowModal = [&](ui::TForm& form) {
            shown = true;
            end(dynamic_cast<app::TFrmabout&>(form));
            EXPECT_NE(form.ModalResult(), ui::mrNone);
        };
        app::FrmFirst->Button1->Click();
        EXPECT_TRUE(shown);
        EXPECT_EQ(app::Frmabout, nullptr);
        EXPECT_EQ(app::FrmFirst->LblChosen->Caption(), chosen);
        EXPECT_TRUE(app::FrmFirst->ChkShowNum->Checked());
        EXPECT_TRUE(app::ImageSelected);
        EXPECT_FALSE(ui::Application().Terminated());
        EXPECT_EQ(ui::Application().MainForm(), app::FrmFirst);
    }
}

TEST_F(AboutTest, ExitEndsTheProgramsLoop)
{
    Start();
    bool ran = false;
    Seam->OnRun = [&](ui::TApplication& application) {
        ran = true;
        EXPECT_TRUE(app::FrmFirst->Visible());
        EXPECT_FALSE(application.Terminated());
        app::FrmFirst->BitBtn1->Click();
        EXPECT_TRUE(application.Terminated());
    };
    ui::Application().Run();
    EXPECT_TRUE(ran);
    EXPECT_TRUE(ui::Application().Terminated());
    EXPECT_FALSE(app::FrmFirst->Visible());
    EXPECT_EQ(app::FrmFirst->BitBtn1->Caption(), "Exit");
    EXPECT_EQ(app::FrmFirst->BitBtn1->Hint(), "Exit Program");
}

}  // namespace
}  // namespace apptest
