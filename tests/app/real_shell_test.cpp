// The main window's links, the thumbnail and "Open In Paintbrush" through the real shell, on a
// desktop of the test's own: documents go to the opener and are never run, and when nothing can
// open them the window says so.
#include "tests/app/first_harness.h"

#include "framework/ui/Shell.h"
#include "tests/ui/OpenerDesktop.h"

namespace apptest {
namespace {

const char* const kNoViewer =
    "You cannot view this file because you do not have a default viewer for this on your system. You need a "
    "viewer on your system to view this file type.";
const char* const kNoMailer =
    "You cannot view this file because you do not have a default email software setup. Please send your "
    "questions to support at support@quadrell.example";

class RealShellTest : public AppTest, public TestDesktop {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        if (!Arrange()) FAIL() << Problem();
        Seam->RealShell = true;
    }
    void TearDown() override
    {
        Restore();
        AppTest::TearDown();
    }
};

TEST_F(RealShellTest, ScriptNamedAsPictureIsNeverRunWhenItsThumbnailIsClicked)
{
    InstallViewer("image/jpeg");
    Start();
    const String script = Pictures + "/holiday.jpg";
    WriteBytes(script, "#!/bin/sh\ntouch '" + Dir + "/ran'\n");
    chmod(script.c_str(), 0755);
    Select(script);  // its load fails
    ASSERT_EQ(Seam->Messages.size(), 1u);
    Seam->Messages.clear();
    app::FrmFirst->Image1->Click();
    ASSERT_EQ(Seam->Messages.size(), 1u);
    EXPECT_EQ(Seam->Messages[0].Text, kNoViewer);
    EXPECT_FALSE(fs::exists(Dir + "/ran"));
    EXPECT_FALSE(fs::exists(Dir + "/opened"));
}

TEST_F(RealShellTest, PictureWithAnExecuteBitGoesToItsViewer)
{
    InstallViewer("image/jpeg");
    Start();
    const String photo = SaveJpeg("-photo.jpg", SmoothBitmap(20, 10));
    chmod(photo.c_str(), 0755);
    Select(photo);
    ASSERT_TRUE(Seam->Messages.empty());
    app::FrmFirst->Image1->Click();
    EXPECT_TRUE(Seam->Messages.empty());
    EXPECT_EQ(Opened(), "[" + photo + "]\n");
}

TEST_F(RealShellTest, NoHandlerGivesEachLinksMessage)
{
    Start();
    app::FrmFirst->CmdSupport->Click();
    SaveBmp("sun.bmp", PatternBitmap(20, 20));
    Select(Pictures + "/sun.bmp");
    app::FrmFirst->Image1->Click();
    EXPECT_EQ(Texts(), (std::vector<String>{kNoMailer, kNoViewer}));
}

}  // namespace
}  // namespace apptest
