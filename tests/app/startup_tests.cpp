// Start-up: the data folder, the paths, the main window's creation and the holder window's size.
#include "tests/app/first_harness.h"

#include "framework/graphics/Graphics.h"

namespace apptest {
namespace {

using StartupTest = AppTest;

TEST_F(StartupTest, FirstStartOnAFreshAccountMakesTheDataFolder)
{
    Start();
    EXPECT_EQ(app::DataFolder, Home + "/.config/Quadrell");
    EXPECT_TRUE(fs::is_directory(app::DataFolder));
    EXPECT_EQ(app::SettingsIniPath, app::DataFolder + "/vomix25.ini");
    EXPECT_EQ(app::HistoryIniPath, app::DataFolder + "/qorin7.ini");
    EXPECT_FALSE(fs::exists(app::SettingsIniPath));
    EXPECT_FALSE(fs::exists(app::HistoryIniPath));
    EXPECT_TRUE(Seam->Messages.empty());
    EXPECT_EQ(app::WindowsDir, "/usr/bin");
    EXPECT_EQ(app::FrmFirst->OpenDialog1->InitialDir(), "");

    // The windows in their order, the first one the main form.
    EXPECT_EQ(ui::Application().MainForm(), app::FrmFirst);
    EXPECT_EQ(ui::Application().Title(), "Quadrell Image Splitter");
    ASSERT_NE(app::frmcomp, nullptr);
    EXPECT_EQ(app::JpegQuality, 85);

    // The holder window keeps its designed size.
    EXPECT_EQ(app::Frmadjust->ClientWidth(), 717);
    EXPECT_EQ(app::Frmadjust->ClientHeight(), 477);
    EXPECT_FALSE(app::Frmadjust->Visible());
    EXPECT_EQ(app::Frmadjust->ScrollBar1->Position(), 100);
}

TEST_F(StartupTest, UnitsRegisterTheirPictureClasses)
{
    const struct {
        const char* Ext;
        const char* Class;
    } expected[] = {{"jpg", "TJPEGImage"}, {"JPEG", "TJPEGImage"}, {"gif", "TGifBitmap"}, {"png", "TPngImage"},
                    {"bmp", "TBitmap"}, {"tiff", "TWICImage"}, {"ico", "TIcon"}, {"emf", "TMetafile"}};
    for (const auto& e : expected) {
        const gfx::TGraphicClass* cls = gfx::TPicture::FindClassForExtension(e.Ext);
        ASSERT_NE(cls, nullptr) << e.Ext;
        EXPECT_STREQ(cls->Name, e.Class) << e.Ext;
    }
    EXPECT_EQ(gfx::TPicture::FindClassForExtension("txt"), nullptr);
}

TEST_F(StartupTest, MainWindowStartsInCountModeFourByFour)
{
    Start();
    app::TFrmFirst& w = *app::FrmFirst;
    EXPECT_EQ(w.Caption(), "Quadrell Image Splitter");
    EXPECT_EQ(w.ClientWidth(), 427);
    EXPECT_EQ(w.ClientHeight(), 350);
    EXPECT_TRUE(w.RadNum->Checked());
    EXPECT_FALSE(w.RadPixel->Checked());
    EXPECT_EQ(w.SpinW->MinValue(), 1);
    EXPECT_EQ(w.SpinW->MaxValue(), 120);
    EXPECT_EQ(w.SpinH->MinValue(), 1);
    EXPECT_EQ(w.SpinH->MaxValue(), 120);
    EXPECT_EQ(w.SpinW->Value(), 4);
    EXPECT_EQ(w.SpinH->Value(), 4);
    EXPECT_EQ(w.Lblacross->Caption(), "Choose split segments - horizontal (across)");
    EXPECT_EQ(w.LblDown->Caption(), "Choose split segments - vertical (down)");
    EXPECT_TRUE(w.CmdSupport->Visible());
    EXPECT_FALSE(w.BitBtn3->Visible());
    EXPECT_FALSE(app::ImageSelected);
    EXPECT_FALSE(app::FolderMode);
    EXPECT_EQ(w.OpenDialog1->Filter(),
              "All Web Images (*.*)|*.JPG;*.GIF;*.BMP|Jpeg (*.JPG)|*.JPG|Gif (*.GIF)|*.GIF|Bitmap (*.BMP)|*.BMP");
}

TEST_F(StartupTest, ConfigHomeIsTheApplicationDataFolder)
{
    String config = Root + "/config";
    fs::create_directory(config);
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    Start();
    EXPECT_EQ(app::DataFolder, config + "/Quadrell");
    EXPECT_TRUE(fs::is_directory(app::DataFolder));
}

TEST_F(StartupTest, ExistingDataFolderIsUsedWithoutMessage)
{
    fs::create_directories(Home + "/.config/Quadrell");
    WriteBytes(Home + "/.config/Quadrell/keep.txt", "x");
    Start();
    EXPECT_TRUE(Seam->Messages.empty());
    EXPECT_TRUE(fs::exists(Home + "/.config/Quadrell/keep.txt"));
}

TEST_F(StartupTest, FolderThatCannotBeMadeWarnsAndStartGoesOn)
{
    // The configuration folder lies under a plain file: nothing can be made there.
    WriteBytes(Root + "/blocker", "x");
    setenv("XDG_CONFIG_HOME", (Root + "/blocker/config").c_str(), 1);
    Start();
    ASSERT_EQ(Seam->Messages.size(), 1u);
    EXPECT_EQ(Seam->Messages[0].Kind, ui::TMsgDlgType::mtWarning);
    EXPECT_EQ(Seam->Messages[0].Buttons, unsigned(ui::mbOK));
    EXPECT_EQ(Seam->Messages[0].Text, app::MsgNoDataFolder);
    EXPECT_EQ(app::MsgNoDataFolder,
              String("Could not create a folder as you do not have authority on your system. Please right click "
                     "this software icon on your desktop, and choose the option to \"Run as Admin\" (only needs "
                     "to be done one time), as you currently do not have authority to create a new folder."));
    EXPECT_EQ(app::DataFolder, Root + "/blocker/config/Quadrell");
    EXPECT_TRUE(app::FrmFirst->RadNum->Checked());
    EXPECT_EQ(app::Frmadjust->ClientWidth(), 717);

    // A selection shows the picture, then fails writing "Last Dir".
    String path = SaveBmp("sun.bmp", PatternBitmap(40, 30));
    Select(path);
    EXPECT_EQ(app::FrmFirst->LblChosen->Caption(), "Image Chosen: sun.bmp");
    EXPECT_EQ(app::FrmFirst->Lblinfo->Caption().rfind("Now simply choose", 0), 0u);
    ASSERT_EQ(Seam->Messages.size(), 2u);
    EXPECT_EQ(Seam->Messages[1].Text, "Unable to write to " + app::HistoryIniPath);
}

struct SavedSizeCase {
    const char* Ini;
    int Width;   // expected client width
    int Height;  // expected client height
};

class SavedSizeTest : public AppTest, public ::testing::WithParamInterface<SavedSizeCase> {};

TEST_P(SavedSizeTest, HolderWindowTakesItsSavedSize)
{
    fs::create_directories(Home + "/.config/Quadrell");
    WriteBytes(Home + "/.config/Quadrell/vomix25.ini", GetParam().Ini);
    Start();
    EXPECT_EQ(app::Frmadjust->ClientWidth(), GetParam().Width);
    EXPECT_EQ(app::Frmadjust->ClientHeight(), GetParam().Height);
}

// The saved values are outer sizes; the frame of a sizeable window is 8 x 27.
INSTANTIATE_TEST_SUITE_P(
    Ini, SavedSizeTest,
    ::testing::Values(SavedSizeCase{"[Frmadjust]\nW=640\n", 640 - 8, 477},
                      SavedSizeCase{"[frmadjust]\nw=640\nH=400\n", 640 - 8, 400 - 27},
                      SavedSizeCase{"[Frmadjust]\nW=0\n", 717, 477},
                      SavedSizeCase{"[Frmadjust]\nW=wide\nH=\n", 717, 477},
                      SavedSizeCase{"[Other]\nW=640\n", 717, 477},
                      // Sizes no window can have on the screen keep the designed size: a window of
                      // no size is never mapped, one beyond the screen has its buttons out of reach.
                      SavedSizeCase{"[Frmadjust]\nW=-99999\n", 717, 477},
                      SavedSizeCase{"[Frmadjust]\nW=-5\nH=-5\n", 717, 477},
                      SavedSizeCase{"[Frmadjust]\nH=-2147483648\n", 717, 477},
                      SavedSizeCase{"[Frmadjust]\nW=99\nH=99\n", 717, 477},
                      SavedSizeCase{"[Frmadjust]\nW=100\nH=100\n", 100 - 8, 100 - 27},
                      SavedSizeCase{"[Frmadjust]\nW=32767\nH=32767\n", 717, 477},
                      SavedSizeCase{"[Frmadjust]\nW=2147483647\nH=400\n", 717, 400 - 27}));

// The screen's work area is the largest size taken; one pixel more is beyond it.
TEST_F(StartupTest, SavedSizeUpToTheScreensWorkArea)
{
    const int width = ui::Screen().WorkAreaWidth(), height = ui::Screen().WorkAreaHeight();
    ASSERT_GE(width, 200);
    ASSERT_GE(height, 200);
    fs::create_directories(Home + "/.config/Quadrell");
    const std::string ini = Home + "/.config/Quadrell/vomix25.ini";
    WriteBytes(ini, "[Frmadjust]\nW=" + std::to_string(width) + "\nH=" + std::to_string(height + 1) + "\n");
    Start();
    EXPECT_EQ(app::ReadFormWidth("Frmadjust"), width);
    EXPECT_EQ(app::ReadFormHeight("Frmadjust"), 0);
    EXPECT_EQ(app::Frmadjust->Width(), width);
    EXPECT_EQ(app::Frmadjust->ClientHeight(), 477);
}

}  // namespace
}  // namespace apptest
