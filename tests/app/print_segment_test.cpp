// "Print Image": the segment stretched between margins of 1 inch left and right and 3 inches top
// and bottom, portrait, and the document always ended once begun.
#include "view_fixture.h"

#include "framework/ui/Application.h"
#include "framework/ui/Printers.h"

namespace {

using viewtest::ViewerTest;

struct PageCase {
    int dpi, width, height;
};

class PrintPage : public ViewerTest, public ::testing::WithParamInterface<PageCase> {};

TEST_P(PrintPage, DrawsTheCleanSegmentOverTheMarginsRectangle)
{
    const PageCase k = GetParam();
    app::TFrmView& view = MakeViewer(2, 2, 31, 17);
    view.ListBox1->ClickItem(3);
    Seam.Recorder.ResolutionX = 300;  // only the vertical resolution counts, both ways
    Seam.Recorder.ResolutionY = k.dpi;
    Seam.Recorder.Width = k.width;
    Seam.Recorder.Height = k.height;
    Seam.Recorder.Landscape = true;
    view.CmdPrint->Click();
    EXPECT_TRUE(Seam.Messages.empty());
    EXPECT_EQ(Seam.Recorder.DocsBegun, 1);
    EXPECT_EQ(Seam.Recorder.DocsEnded, 1);
    EXPECT_FALSE(Seam.Recorder.Landscape);
    EXPECT_EQ(Seam.Recorder.Title, ui::Application().Title() + " - Image #4");
    ASSERT_EQ(Seam.Recorder.Draws.size(), 1u);
    const ui::PrintDraw& d = Seam.Recorder.Draws[0];
    EXPECT_EQ(d.Dest.Left, k.dpi);
    EXPECT_EQ(d.Dest.Top, 3 * k.dpi);
    EXPECT_EQ(d.Dest.Right - d.Dest.Left, k.width - 2 * k.dpi);
    EXPECT_EQ(d.Dest.Bottom - d.Dest.Top, k.height - 6 * k.dpi);
    EXPECT_EQ(d.Pixels.Width(), 31);
    EXPECT_EQ(d.Pixels.Height(), 17);
    EXPECT_EQ(viewtest::MaxDifference(d.Pixels, 2, 2), 0);
    EXPECT_FALSE(ui::Printer().Printing());
}

INSTANTIATE_TEST_SUITE_P(Pages, PrintPage,
                         ::testing::Values(PageCase{600, 4800, 6600}, PageCase{300, 2400, 3300},
                                           PageCase{1200, 9600, 13200}));

// A printer whose drawing fails.
class FailingPrinter : public ui::RecordingPrinter {
public:
    void Draw(const ui::PrintDraw&) override { throw rtl::EPrinter("The printer ran out of paper"); }
};

class FailingPrinterSeam : public ui::ScriptedSeam {
public:
    FailingPrinter Failing;
    ui::PrinterDevice& Printer() override { return Failing; }
};

TEST(PrintSegment, DocumentEndsEvenWhenDrawingFails)
{
    FailingPrinterSeam seam;
    ui::TComponent owner(nullptr);
    auto* segment = new ui::TImage(&owner);
    segment->SetBounds(0, 0, 8, 8);
    segment->Canvas();
    EXPECT_THROW(app::PrintSegment(segment), rtl::EPrinter);
    EXPECT_EQ(seam.Failing.DocsBegun, 1);
    EXPECT_EQ(seam.Failing.DocsEnded, 1);
    EXPECT_FALSE(ui::Printer().Printing());
}

TEST_F(ViewerTest, FailedDrawingIsShownAndTheDocumentEnded)
{
    FailingPrinterSeam seam;  // installed over the fixture's seam while it lives
    app::TFrmView& view = MakeViewer(1, 1, 8, 8);
    view.CmdPrint->Click();
    ASSERT_EQ(seam.Messages.size(), 1u);
    EXPECT_EQ(seam.Messages[0].Kind, ui::TMsgDlgType::mtError);
    EXPECT_EQ(seam.Messages[0].Text, "The printer ran out of paper");
    EXPECT_EQ(seam.Failing.DocsEnded, seam.Failing.DocsBegun);
}

// A printing system that refuses the finished job.
class RefusingPrinter : public ui::RecordingPrinter {
public:
    void EndDoc() override
    {
        RecordingPrinter::EndDoc();
        throw rtl::EPrinter("The printer \"office\" did not take the print job: not accepting jobs");
    }
};

class RefusingPrinterSeam : public ui::ScriptedSeam {
public:
    RefusingPrinter Refusing;
    ui::PrinterDevice& Printer() override { return Refusing; }
};

TEST_F(ViewerTest, RefusedJobIsShownAndTheNextClickPrintsAgain)
{
    RefusingPrinterSeam seam;
    app::TFrmView& view = MakeViewer(1, 1, 8, 8);
    for (int click = 1; click <= 2; ++click) {
        view.CmdPrint->Click();
        ASSERT_EQ(seam.Messages.size(), size_t(click));
        EXPECT_EQ(seam.Messages.back().Kind, ui::TMsgDlgType::mtError);
        EXPECT_EQ(seam.Messages.back().Text, "The printer \"office\" did not take the print job: not accepting jobs");
        EXPECT_FALSE(ui::Printer().Printing());
    }
    EXPECT_EQ(seam.Refusing.DocsBegun, 2);
    EXPECT_EQ(seam.Refusing.DocsEnded, 2);
    EXPECT_EQ(seam.Refusing.Draws.size(), 2u);
}

TEST_F(ViewerTest, NoPrinterGivesTheFrameworksErrorAndNothingElse)
{
    app::TFrmView& view = MakeViewer(1, 1, 8, 8);
    Seam.Recorder.Present = false;
    view.CmdPrint->Click();
    ASSERT_EQ(Seam.Messages.size(), 1u);
    EXPECT_EQ(Seam.Messages[0].Kind, ui::TMsgDlgType::mtError);
    EXPECT_FALSE(Seam.Messages[0].Text.empty());
    EXPECT_EQ(Seam.Recorder.DocsBegun, 0);
    EXPECT_EQ(Seam.Recorder.DocsEnded, 0);
    EXPECT_TRUE(Seam.Recorder.Draws.empty());
}

}  // namespace
