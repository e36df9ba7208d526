// What the windows tell a person besides their texts: where Tab goes on the main window and the
// converter, and the busy cursor while a command works.
#include "converter_fixture.h"

#include "app/Ufolders.h"

namespace {

using convtest::ConverterTest;
using rtl::String;

std::vector<String> TabNames(ui::TWinControl& window)
{
    window.HandleNeeded();
    std::vector<String> names;
    for (ui::TControl* c : window.TabStops()) names.push_back(c->Name());
    return names;
}

TEST_F(ConverterTest, TabGoesInReadingOrderFromSelectImageOnTheMainWindow)
{
    if (!ui::GuiRunning()) GTEST_SKIP() << "no GUI";
    Choose(apptest::PatternBitmap(20, 10));
    // The split controls in the panel, top to bottom, then the column of buttons on the right.
    EXPECT_EQ(TabNames(*app::FrmFirst),
              (std::vector<String>{"Cmdimage", "RadNum", "RadPixel", "ChkShowNum", "SpinW", "SpinH", "CmdSplit",
                                   "CmdConvert", "CmdSupport", "BitBtn4", "Button1", "BitBtn1"}));
}

TEST_F(ConverterTest, TabGoesInReadingOrderOnTheConverter)
{
    if (!ui::GuiRunning()) GTEST_SKIP() << "no GUI";
    Choose(apptest::PatternBitmap(20, 10));
    EXPECT_EQ(TabNames(W()), (std::vector<String>{"ScrollBar1", "EdW", "EdH", "Button1", "BitBtn1", "Cmdcalculate",
                                                  "BitBtn6", "Cmdsave", "CmdFolders", "BitBtn4", "BitBtn5"}));
}

// Long commands hold the busy cursor while they work and give the arrow back after; the
// windows that ask first (the chooser, the save dialog) are asked with the arrow.
TEST_F(ConverterTest, LongCommandsShowTheBusyCursorWhileTheyWork)
{
    Choose(apptest::PatternBitmap(64, 48));
    const std::vector<int> busyThenDone{ui::crHourGlass, ui::crDefault};

    Seam->CursorChanges.clear();
    W().Cmdcalculate->Click();
    EXPECT_EQ(Seam->CursorChanges, busyThenDone) << "size calculator";

    // The single save: the type chooser and the save dialog first, then the busy write.
    int cursorAtChooser = -1;
    auto answer = Seam->OnShowModal;
    Seam->OnShowModal = [&](ui::TForm& form) {
        if (&form == app::Frmtype) cursorAtChooser = ui::Screen().Cursor();
        answer(form);
    };
    Seam->CursorChanges.clear();
    Save(app::TOutputType::Bitmap, Out("one.bmp"));
    EXPECT_EQ(cursorAtChooser, ui::crDefault);
    EXPECT_EQ(Seam->CursorChanges, busyThenDone) << "save";
    EXPECT_TRUE(rtl::FileExists(Out("one.bmp")));
}

TEST_F(ConverterTest, OnlyALargeResizeShowsTheBusyCursor)
{
    Choose(apptest::PatternBitmap(1000, 1000));
    Seam->CursorChanges.clear();
    W().ScrollBar1->SetPosition(50);  // 0.25 + 1 million pixels
    EXPECT_TRUE(Seam->CursorChanges.empty());
    W().ScrollBar1->SetPosition(190);  // 3.61 + 1 million pixels
    EXPECT_EQ(Seam->CursorChanges, (std::vector<int>{ui::crHourGlass, ui::crDefault}));
    EXPECT_EQ(W().Image1->Picture().Width(), 1900);
}

}  // namespace

namespace {

// The converter tells which mode its next save runs in, and a new picture that ends folder mode
// says so.
TEST_F(ConverterTest, TheConverterShowsWhatTheNextSaveDoes)
{
    Choose(apptest::PatternBitmap(20, 10));
    EXPECT_EQ(W().LblMode->Caption(), "Save: the picture chosen on the main window.");
    Seam->OnShowModal = [this](ui::TForm& form) {
        auto* folders = dynamic_cast<app::TFrmfolders*>(&form);
        ASSERT_NE(folders, nullptr);
        folders->RadFolder->Click();
        folders->EdSource->Type(Root);
        folders->EdOutput->Type(Root);
        folders->BtnOk->Click();
    };
    W().CmdFolders->Click();
    ASSERT_TRUE(app::FolderMode);
    EXPECT_EQ(W().LblMode->Caption(), "Save: every picture of the folder " + Root + "/");
    Choose(apptest::PatternBitmap(20, 10), "second.bmp");
    EXPECT_FALSE(app::FolderMode);
    EXPECT_EQ(W().LblMode->Caption(),
              "Folder mode ended with the new picture. Save: the picture chosen on the main window.");
    Choose(apptest::PatternBitmap(20, 10), "third.bmp");
    EXPECT_EQ(W().LblMode->Caption(), "Save: the picture chosen on the main window.");
}

}  // namespace
