// The viewer's list selection, thumbnail, close button, grids and the guard of its commands.
#include "view_fixture.h"

#include "framework/ui/Forms.h"

namespace {

using viewtest::ViewerTest;

struct SelectionCase {
    int entry;  // running number n of "Image #" n
    int row, col;
};

class ViewSelection : public ViewerTest, public ::testing::WithParamInterface<SelectionCase> {};

TEST_P(ViewSelection, ThreeAcrossTwoDownMapsEntryToCellAndCaptions)
{
    const SelectionCase k = GetParam();
    app::TFrmView& view = MakeViewer(3, 2, 40, 30);
    view.ListBox1->ClickItem(k.entry - 1);
    EXPECT_EQ(app::SelectedRow, k.row);
    EXPECT_EQ(app::SelectedCol, k.col);
    EXPECT_EQ(view.Cmdwork->Caption(), "Save Image #" + std::to_string(k.entry));
    EXPECT_EQ(view.CmdPrint->Caption(), "Print Image #" + std::to_string(k.entry));
    EXPECT_TRUE(view.HasSelection());
    EXPECT_EQ(view.SelectedSegment(), app::FullSegments(k.row, k.col));
    // The thumbnail shows the clean copy of that cell.
    const gfx::TBitmap& thumb = view.ImageThumb->Picture().Bitmap();
    EXPECT_EQ(viewtest::MaxDifference(thumb, k.row, k.col), 0);
}

INSTANTIATE_TEST_SUITE_P(Entries, ViewSelection,
                         ::testing::Values(SelectionCase{1, 1, 1}, SelectionCase{3, 1, 3},
                                           SelectionCase{4, 2, 1}, SelectionCase{5, 2, 2},
                                           SelectionCase{6, 2, 3}));

struct ThumbCase {
    int w, h;
    int thumbW, thumbH;
    bool stretch;
};

class ViewThumbnail : public ViewerTest, public ::testing::WithParamInterface<ThumbCase> {};

TEST_P(ViewThumbnail, FitsTheSegmentIntoItsBox)
{
    const ThumbCase k = GetParam();
    app::TFrmView& view = MakeViewer(1, 1, k.w, k.h);
    EXPECT_EQ(view.ImageThumb->Width(), k.thumbW);
    EXPECT_EQ(view.ImageThumb->Height(), k.thumbH);
    EXPECT_EQ(view.ImageThumb->Stretch(), k.stretch);
    EXPECT_EQ(view.ImageThumb->Picture().Width(), k.w);
    EXPECT_EQ(view.ImageThumb->Picture().Height(), k.h);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ViewThumbnail,
                         ::testing::Values(ThumbCase{230, 100, 115, 50, true}, ThumbCase{100, 230, 30, 68, true},
                                           ThumbCase{100, 60, 115, 68, false}, ThumbCase{200, 200, 68, 68, true},
                                           // Wide and flat enough that the height rule gives more than 68.
                                           ThumbCase{130, 120, 74, 68, true}, ThumbCase{115, 10, 115, 10, true}));

TEST_F(ViewerTest, LayoutAsDesigned)
{
    app::TFrmView& view = MakeViewer(1, 1, 10, 10);
    EXPECT_EQ(view.Caption(), "Your Split Image Segments");
    EXPECT_EQ(view.ClientWidth(), 803);
    EXPECT_EQ(view.ClientHeight(), 540);
    EXPECT_TRUE(view.AutoScroll());
    // The first row of segments goes below the group box.
    EXPECT_EQ(view.GroupBox1->Top() + view.GroupBox1->Height() + 5, 147);
    EXPECT_EQ(view.ListBox1->ItemHeight(), 14);
    struct { ui::TControl* button; const char* caption; int left, top; } buttons[] = {
        {view.Cmdwork, "Save Image #1", 254, 55},    {view.CmdCopy, "Copy Into Clipboard", 380, 55},
        {view.CmdSaveAll, "Save All Images", 254, 83}, {view.CmdPaint, "Open In Paintbrush", 380, 83},
        {view.CmdPrint, "Print Image #1", 255, 111},   {view.BitBtn1, "Close Screen", 380, 111},
    };
    for (auto& b : buttons) {
        EXPECT_EQ(b.button->Caption(), b.caption);
        EXPECT_EQ(b.button->Left(), b.left) << b.caption;
        EXPECT_EQ(b.button->Top(), b.top) << b.caption;
        EXPECT_EQ(b.button->Parent(), view.GroupBox1) << b.caption;
    }
    EXPECT_EQ(view.SaveDialog1->Filter(), "JPEG|*.JPG|BITMAP|*.BMP|PNG|*.PNG");
    EXPECT_EQ(view.SaveDialog1->DefaultExt(), "JPG");
    EXPECT_FALSE(view.SaveDialog1->Options() & ui::ofOverwritePrompt);
}

TEST_F(ViewerTest, CloseButtonEndsTheModalShowing)
{
    app::TFrmView& view = MakeViewer(2, 2, 10, 10);
    Seam.OnShowModal = [&](ui::TForm& form) {
        EXPECT_EQ(&form, &view);
        view.BitBtn1->Click();
    };
    view.ShowModal();
    EXPECT_EQ(Seam.ModalShown, std::vector<std::string>{"FrmView"});
    EXPECT_FALSE(view.Visible());
}

TEST_F(ViewerTest, GridIndexesAreRangeChecked)
{
    app::SegmentGrid grid;
    EXPECT_EQ(grid(1, 1), nullptr);
    EXPECT_EQ(grid(120, 120), nullptr);
    const int bad[][2] = {{0, 1}, {1, 0}, {121, 1}, {1, 121}, {-1, 5}, {5, 1000}};
    for (auto& b : bad) EXPECT_THROW(grid(b[0], b[1]), rtl::ERangeError) << b[0] << "," << b[1];
}

// A split without segments after one with segments: no command may touch the old ones.
class EmptyViewer : public ViewerTest {
protected:
    void SetUp() override
    {
        ViewerTest::SetUp();
        MakeViewer(2, 2, 20, 20);
        ASSERT_TRUE(app::FrmView->HasSelection());
        MakeViewer(0, 0, 20, 20);
        app::WindowsDir = Folder;
        viewtest::WriteFile(File("kolourpaint"), "#!/bin/sh\n");
        Seam.Messages.clear();
    }
};

TEST_F(EmptyViewer, SelectionDoesNothing)
{
    app::TFrmView& view = *app::FrmView;
    EXPECT_FALSE(view.HasSelection());
    EXPECT_EQ(view.Cmdwork->Caption(), "Save Image");
    view.ListBox1Click(view.ListBox1);
    EXPECT_FALSE(view.HasSelection());
    EXPECT_TRUE(Seam.Messages.empty());
}

// Every command says that there is no segment, and does nothing else.
TEST_F(EmptyViewer, EveryCommandSaysThereIsNoSegment)
{
    app::TFrmView& view = *app::FrmView;
    Seam.Files.push_back(File("sunset.png"));
    Seam.Files.push_back(File("sunset.png"));
    const std::vector<ui::TControl*> commands = {view.CmdCopy, view.CmdPrint, view.CmdPaint, view.Cmdwork,
                                                 view.CmdSaveAll};
    for (ui::TControl* command : commands) command->Click();
    const std::string said =
        "This split made no image segments (the segment size asked for does not fit the picture), so there is "
        "nothing to save, copy, print or open. Close this screen, then choose fewer or smaller segments.";
    EXPECT_EQ(Seam.Texts(), std::vector<std::string>(commands.size(), said));
    EXPECT_TRUE(Seam.Clipboard.empty());
    EXPECT_EQ(Seam.Recorder.DocsBegun, 0);
    EXPECT_TRUE(Seam.ShellCalls.empty());
    EXPECT_TRUE(Seam.Dialogs.empty());
    EXPECT_EQ(QualityDialogShowings(), 0);
    EXPECT_EQ(FolderEntries(Folder), std::vector<std::string>{"kolourpaint"});
}

// Cells left empty while the split's counts say otherwise (a split that made no segment) count as
// no selection too.
TEST_F(ViewerTest, CountsWithoutSegmentsGiveNoSelection)
{
    MakeViewer(0, 0, 10, 10);
    app::SplitCols = 4;
    app::SplitRows = 4;
    app::SelectedRow = app::SelectedCol = 1;
    EXPECT_FALSE(app::FrmView->HasSelection());
}

}  // namespace
