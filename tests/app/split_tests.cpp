// The split command: modes, geometry, the question above 3500 segments, the pixels of every
// segment, and what a split leaves behind.
#include "tests/app/first_harness.h"

#include <cstring>

#include "framework/graphics/Metafile.h"
#include "tests/tiff/TiffBuilder.h"

namespace apptest {
namespace {

// What the viewer held while it was shown.
struct Shown {
    bool Opened = false;
    int Cols = 0, Rows = 0, SegW = 0, SegH = 0;
    std::vector<String> Entries;
    int ItemIndex = -2;
    bool Selection = false;
};

class SplitTest : public AppTest {
protected:
    // Picks a picture of the pattern, w x h.
    void Choose(int w, int h)
    {
        Select(SaveBmp("pic" + std::to_string(w) + "x" + std::to_string(h) + ".bmp", PatternBitmap(w, h)));
        ASSERT_TRUE(Seam->Messages.empty());
    }

    void SizeMode(int w, int h)
    {
        app::FrmFirst->RadPixel->Click();
        app::FrmFirst->SpinW->SetValue(w);
        app::FrmFirst->SpinH->SetValue(h);
    }

    void CountMode(int across, int down)
    {
        app::FrmFirst->RadNum->Click();
        app::FrmFirst->SpinW->SetValue(across);
        app::FrmFirst->SpinH->SetValue(down);
    }

    // Clicks "Split Image"; check runs while the viewer is shown.
    Shown Split(const std::function<void(app::TFrmView&)>& check = {})
    {
        Shown s;
        Seam->OnShowModal = [&](ui::TForm& form) {
            auto* view = dynamic_cast<app::TFrmView*>(&form);
            ASSERT_NE(view, nullptr);
            ASSERT_EQ(view, app::FrmView);
            s.Opened = true;
            s.Cols = app::SplitCols;
            s.Rows = app::SplitRows;
            s.SegW = app::SegmentWidth;
            s.SegH = app::SegmentHeight;
            for (const String& e : view->ListBox1->Items()) s.Entries.push_back(e);
            s.ItemIndex = view->ListBox1->ItemIndex();
            s.Selection = view->HasSelection();
            if (check) check(*view);
            view->Close();
        };
        int before = app::FrmFirst->ComponentCount();
        app::FrmFirst->CmdSplit->Click();
        Seam->OnShowModal = nullptr;
        // Everything the split made is gone once the viewer closed.
        EXPECT_EQ(app::FrmFirst->ComponentCount(), before);
        EXPECT_EQ(app::FrmView, nullptr);
        return s;
    }
};

TEST_F(SplitTest, CountModeFourByFourOnAThousandBySixHundred)
{
    Start();
    Choose(1000, 600);
    Shown s = Split([](app::TFrmView& view) {
        EXPECT_EQ(view.GroupBox1->Top() + view.GroupBox1->Height() + 5, 147);
        ui::TImage* six = app::ShownSegments(2, 2);
        ASSERT_NE(six, nullptr);
        EXPECT_EQ(six->Left(), 260);
        EXPECT_EQ(six->Top(), 302);
        EXPECT_EQ(six->Width(), 250);
        EXPECT_EQ(six->Height(), 150);
        EXPECT_EQ(six->Parent(), &view);
        EXPECT_EQ(six->Owner(), app::FrmFirst);
        ui::TImage* clean = app::FullSegments(2, 2);
        EXPECT_EQ(clean->Parent(), nullptr);
        EXPECT_EQ(clean->Owner(), app::FrmFirst);
        EXPECT_EQ(app::ShownSegments(1, 1)->Left(), 5);
        EXPECT_EQ(app::ShownSegments(1, 1)->Top(), 147);
        EXPECT_EQ(app::ShownSegments(4, 4)->Left(), 5 + 3 * 255);
        EXPECT_EQ(app::ShownSegments(1, 5), nullptr);
        EXPECT_EQ(app::SelectedRow, 1);
        EXPECT_EQ(app::SelectedCol, 1);
    });
    ASSERT_TRUE(s.Opened);
    EXPECT_EQ(s.Cols, 4);
    EXPECT_EQ(s.Rows, 4);
    EXPECT_EQ(s.SegW, 250);
    EXPECT_EQ(s.SegH, 150);
    ASSERT_EQ(s.Entries.size(), 16u);
    for (int n = 1; n <= 16; ++n) EXPECT_EQ(s.Entries[n - 1], "Image #" + std::to_string(n));
    EXPECT_EQ(s.ItemIndex, 0);
    EXPECT_TRUE(s.Selection);
    EXPECT_EQ(Seam->ModalShown.size(), 1u);
    EXPECT_TRUE(Seam->Messages.empty());
}

// Every clean segment holds exactly its rectangle of the picture; the shown copy differs only in
// the corner where its number is written.
void ExpectSegmentsExact(int cols, int rows, int segW, int segH, bool numbered,
                         const std::function<gfx::TColor(int, int)>& source)
{
    for (int r = 1; r <= rows; ++r)
        for (int c = 1; c <= cols; ++c) {
            ui::TImage* full = app::FullSegments(r, c);
            ui::TImage* shown = app::ShownSegments(r, c);
            ASSERT_NE(full, nullptr);
            ASSERT_NE(shown, nullptr);
            gfx::TBitmap a, b;
            ASSERT_TRUE(full->Picture().Graphic()->ToBitmap(a));
            ASSERT_TRUE(shown->Picture().Graphic()->ToBitmap(b));
            ASSERT_EQ(a.Width(), segW);
            ASSERT_EQ(a.Height(), segH);
            int differing = 0, farFromCorner = 0;
            for (int y = 0; y < segH; ++y)
                for (int x = 0; x < segW; ++x) {
                    ASSERT_EQ(a.GetPixel(x, y), source((c - 1) * segW + x, (r - 1) * segH + y))
                        << "segment " << r << "," << c << " at " << x << "," << y;
                    if (a.GetPixel(x, y) != b.GetPixel(x, y)) {
                        ++differing;
                        if (y > 20 || x > 60) ++farFromCorner;
                    }
                }
            if (numbered) EXPECT_GT(differing, 0) << "segment " << r << "," << c << " carries no number";
            else EXPECT_EQ(differing, 0);
            EXPECT_EQ(farFromCorner, 0);
        }
}

TEST_F(SplitTest, SegmentsArePixelExactAndOnlyTheShownCopyIsNumbered)
{
    Start();
    Choose(203, 121);
    CountMode(4, 3);
    Shown s = Split([](app::TFrmView&) { ExpectSegmentsExact(4, 3, 50, 40, true, PatternPixel); });
    EXPECT_TRUE(s.Opened);

    app::FrmFirst->ChkShowNum->SetChecked(true);
    s = Split([](app::TFrmView&) { ExpectSegmentsExact(4, 3, 50, 40, false, PatternPixel); });
    EXPECT_EQ(s.Entries.size(), 12u);
    EXPECT_EQ(s.Entries.back(), "Image #12");
}

struct NumberCase {
    int PicW, PicH, Across, Down;
};

class NumberTest : public SplitTest, public ::testing::WithParamInterface<NumberCase> {};

// Each shown copy is its clean copy with the number written by the canvas at 1, 1 (clipped to
// small segments as the canvas clips it).
TEST_P(NumberTest, ShownCopyIsTheCleanOneWithTheCanvasText)
{
    const NumberCase& k = GetParam();
    Start();
    Choose(k.PicW, k.PicH);
    CountMode(k.Across, k.Down);
    Shown s = Split([&](app::TFrmView&) {
        int n = 0;
        for (int r = 1; r <= k.Down; ++r)
            for (int c = 1; c <= k.Across; ++c) {
                ++n;
                gfx::TBitmap expected, got;
                ASSERT_TRUE(app::FullSegments(r, c)->Picture().Graphic()->ToBitmap(expected));
                ASSERT_TRUE(app::ShownSegments(r, c)->Picture().Graphic()->ToBitmap(got));
                expected.Canvas().TextOut(1, 1, std::to_string(n));
                ASSERT_EQ(got.Width(), expected.Width());
                for (int y = 0; y < got.Height(); ++y)
                    ASSERT_EQ(std::memcmp(got.ScanLine(y), expected.ScanLine(y), size_t(got.Width()) * 4), 0)
                        << "segment " << n << " row " << y;
            }
    });
    EXPECT_TRUE(s.Opened);
}

INSTANTIATE_TEST_SUITE_P(Grids, NumberTest,
                         ::testing::Values(NumberCase{4800, 1800, 120, 120}, NumberCase{600, 240, 120, 120},
                                           NumberCase{100, 100, 3, 3}, NumberCase{17, 9, 1, 1}));

// The cutting shows the hourglass and lets windows paint (a queued paint-like event runs during
// it); the viewer itself is shown with the cursor as it was.
TEST_F(SplitTest, CuttingShowsTheHourglassAndLetsWindowsRepaint)
{
    if (!ui::GuiRunning()) GTEST_SKIP() << "no GUI";
    Start();
    Choose(300, 200);
    CountMode(60, 40);
    ui::TCursor duringCut = ui::crDefault;
    bool ranDuringCut = false;
    ui::QueueEvent([&] {
        ranDuringCut = app::FrmView != nullptr && !app::FrmView->Visible();
        duringCut = ui::Screen().Cursor();
    });
    ui::TCursor whileShown = ui::crHourGlass;
    Shown s = Split([&](app::TFrmView&) { whileShown = ui::Screen().Cursor(); });
    ASSERT_TRUE(s.Opened);
    EXPECT_TRUE(ranDuringCut);
    EXPECT_EQ(duringCut, ui::crHourGlass);
    EXPECT_EQ(whileShown, ui::crDefault);
    EXPECT_EQ(ui::Screen().Cursor(), ui::crDefault);
}

TEST_F(SplitTest, ThreeAcrossOnAHundredPixelsLeavesTheLastColumnOut)
{
    Start();
    Choose(100, 30);
    CountMode(3, 1);
    Shown s = Split([](app::TFrmView&) {
        ExpectSegmentsExact(3, 1, 33, 30, true, PatternPixel);
        EXPECT_EQ(app::ShownSegments(1, 3)->Left() + 33, 5 + 2 * 38 + 33);
    });
    EXPECT_EQ(s.SegW, 33);
}

struct SizeCase {
    int PicW, PicH, SpinW, SpinH;
    int Cols, Rows;
    bool Asks;
};

class SizeModeTest : public SplitTest, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(SizeModeTest, ColumnsRowsAndTheQuestion)
{
    const SizeCase& k = GetParam();
    Start();
    Choose(k.PicW, k.PicH);
    SizeMode(k.SpinW, k.SpinH);
    Seam->Answers.push_back(ui::mrYes);
    Shown s = Split();
    ASSERT_TRUE(s.Opened);
    EXPECT_EQ(s.Cols, k.Cols);
    EXPECT_EQ(s.Rows, k.Rows);
    EXPECT_EQ(s.SegW, k.SpinW);
    EXPECT_EQ(s.SegH, k.SpinH);
    EXPECT_EQ(s.Entries.size(), size_t(k.Cols * k.Rows));
    ASSERT_EQ(Seam->Messages.size(), k.Asks ? 1u : 0u);
    if (k.Asks) {
        EXPECT_EQ(Seam->Messages[0].Kind, ui::TMsgDlgType::mtConfirmation);
        EXPECT_EQ(Seam->Messages[0].Buttons, unsigned(ui::mbYes | ui::mbNo));
        EXPECT_EQ(Seam->Messages[0].Text, app::MsgManySegments);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SizeModeTest,
    ::testing::Values(SizeCase{1000, 600, 35, 35, 28, 17, false},   // 476 segments
                      SizeCase{700, 500, 10, 10, 70, 50, false},    // exactly 3500
                      SizeCase{600, 600, 10, 10, 60, 60, true},     // 3600
                      SizeCase{2000, 2000, 5, 5, 120, 120, true}),  // capped
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST_F(SplitTest, AnswerNoToTheQuestionMakesNothing)
{
    Start();
    Choose(600, 600);
    SizeMode(10, 10);
    Seam->Answers.push_back(ui::mrNo);
    Shown s = Split();
    EXPECT_FALSE(s.Opened);
    EXPECT_TRUE(Seam->ModalShown.empty());
    ASSERT_EQ(Seam->Messages.size(), 1u);
}

TEST_F(SplitTest, CappedSplitCutsOnlyTheTopLeft)
{
    Start();
    Choose(2000, 2000);
    SizeMode(5, 5);
    Shown s = Split([](app::TFrmView&) {
        ui::TImage* last = app::FullSegments(120, 120);
        ASSERT_NE(last, nullptr);
        gfx::TBitmap b;
        ASSERT_TRUE(last->Picture().Graphic()->ToBitmap(b));
        EXPECT_EQ(b.GetPixel(4, 4), PatternPixel(599, 599));
        EXPECT_EQ(app::ShownSegments(120, 120)->Top(), 147 + 119 * 10);
    });
    EXPECT_EQ(s.Entries.size(), 14400u);
    EXPECT_EQ(s.Entries.back(), "Image #14400");
}

TEST_F(SplitTest, SizeModeBeforeAnyPictureIsRefused)
{
    Start();
    app::FrmFirst->SpinW->SetValue(9);
    app::FrmFirst->RadPixel->Click();
    ASSERT_EQ(Seam->Messages.size(), 1u);
    EXPECT_EQ(Seam->Messages[0].Text, app::MsgSelectFirst);
    EXPECT_TRUE(app::FrmFirst->RadNum->Checked());
    EXPECT_FALSE(app::FrmFirst->RadPixel->Checked());
    EXPECT_EQ(app::FrmFirst->SpinW->Value(), 4);
    EXPECT_EQ(app::FrmFirst->SpinH->Value(), 4);
    EXPECT_EQ(app::FrmFirst->SpinW->MaxValue(), 120);

    // And the split itself says the same.
    app::FrmFirst->CmdSplit->Click();
    ASSERT_EQ(Seam->Messages.size(), 2u);
    EXPECT_EQ(Seam->Messages[1].Text,
              "You must first select an image, use the button at the top of the window to select an image.");
    EXPECT_TRUE(Seam->ModalShown.empty());
}

TEST_F(SplitTest, SizeModeSetsLimitsFromThePicture)
{
    Start();
    Choose(20, 300);
    app::FrmFirst->RadPixel->Click();
    app::TFrmFirst& w = *app::FrmFirst;
    EXPECT_EQ(w.SpinW->MinValue(), 5);
    EXPECT_EQ(w.SpinW->MaxValue(), 20);
    EXPECT_EQ(w.SpinH->MaxValue(), 300);
    EXPECT_EQ(w.SpinW->Value(), 20);  // 35 kept inside the limits
    EXPECT_EQ(w.SpinH->Value(), 35);
    EXPECT_EQ(w.Lblacross->Caption(), "Choose split pixels - horizontal (across)");
    EXPECT_EQ(w.LblDown->Caption(), "Choose split pixels - vertical (down)");
}

// Splits that give no segment open an empty viewer with nothing selected.
TEST_F(SplitTest, SegmentWiderThanTheNewPictureGivesAnEmptyViewer)
{
    Start();
    Choose(1000, 600);
    SizeMode(500, 35);
    Choose(100, 100);  // size mode stays with its old limits
    Shown s = Split();
    ASSERT_TRUE(s.Opened);
    EXPECT_EQ(s.Cols, 0);
    EXPECT_TRUE(s.Entries.empty());
    EXPECT_FALSE(s.Selection);
}

TEST_F(SplitTest, MoreSegmentsThanPixelsGivesAnEmptyViewer)
{
    Start();
    Choose(50, 50);
    CountMode(120, 120);
    Shown s = Split();
    ASSERT_TRUE(s.Opened);
    EXPECT_EQ(s.Cols * s.Rows, 0);
    EXPECT_TRUE(s.Entries.empty());
    EXPECT_FALSE(s.Selection);
    EXPECT_TRUE(Seam->Messages.empty());
}

// A first load that fails, or that the ".tif" reader refuses, leaves a picture without pixels:
// "Split Image" says so in either mode and opens no viewer.
struct NoPixelsCase {
    const char* name;
    const char* file;
    std::string bytes;
    size_t loadMessages;
};

std::string CompressedTif()
{
    tifftest::ImageSpec packed;
    packed.Width = 2;
    packed.Pixels = {1, 2};
    packed.Compression = 5;
    const std::vector<uint8_t> bytes = tifftest::MakeTiff(false, {packed});
    return std::string(bytes.begin(), bytes.end());
}

class NoPixelsTest : public SplitTest, public ::testing::WithParamInterface<NoPixelsCase> {};

TEST_P(NoPixelsTest, IsNotSplitAndSplitImageSaysWhy)
{
    const NoPixelsCase& k = GetParam();
    Start();
    String path = Pictures + "/" + k.file;
    WriteBytes(path, k.bytes);
    Select(path);
    ASSERT_EQ(Seam->Messages.size(), k.loadMessages);
    ASSERT_TRUE(app::ImageSelected);
    EXPECT_EQ(app::SourceWidth, 0);
    if (k.loadMessages == 3) {  // the ".tif" route goes on and shows the size it got
        EXPECT_EQ(app::FrmFirst->LblSizeAndWidth->Caption().rfind("Image is 0 x 0, ", 0), 0u);
    }
    Seam->Messages.clear();

    Shown s = Split();
    EXPECT_FALSE(s.Opened);
    EXPECT_EQ(Seam->Texts(), std::vector<std::string>{app::MsgNothingToSplit});

    Seam->Messages.clear();
    app::FrmFirst->RadPixel->Click();  // limits 5..0: the boxes hold 0
    s = Split();
    EXPECT_FALSE(s.Opened);
    EXPECT_EQ(Seam->Texts(), std::vector<std::string>{app::MsgNothingToSplit});
}

INSTANTIATE_TEST_SUITE_P(Pictures, NoPixelsTest,
                         ::testing::Values(NoPixelsCase{"broken_bitmap", "broken.bmp", "BMxx", 1},
                                           NoPixelsCase{"compressed_tif", "packed.tif", CompressedTif(), 3}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SplitTest, APictureLoadedAfterOneWithoutPixelsSplits)
{
    Start();
    String path = Pictures + "/packed.tif";
    WriteBytes(path, CompressedTif());
    Select(path);
    Seam->Messages.clear();
    Choose(40, 30);
    CountMode(2, 2);
    Shown s = Split();
    ASSERT_TRUE(s.Opened);
    EXPECT_EQ(s.Entries.size(), 4u);
    EXPECT_TRUE(Seam->Messages.empty());
}

TEST_F(SplitTest, FailurePartWayFreesEverythingAndShowsNoViewer)
{
    Start();
    Choose(242, 10);
    // Typed, not yet kept inside the limits: the grid's range check stops the split at column 121.
    app::FrmFirst->SpinW->SetCaption("121");
    app::FrmFirst->SpinH->SetValue(1);
    Shown s = Split();
    EXPECT_FALSE(s.Opened);
    ASSERT_EQ(Seam->Messages.size(), 1u);
    EXPECT_EQ(Seam->Messages[0].Text, "Range check error");
    EXPECT_EQ(app::ShownSegments(1, 1), nullptr);
    EXPECT_EQ(app::FullSegments(1, 120), nullptr);
}

TEST_F(SplitTest, MetafileShowsItsFactsButCannotBeCut)
{
    Start();
    String path = Pictures + "/drawing.emf";
    {
        gfx::TMetafile metafile;
        metafile.RecordBitmap(PatternBitmap(64, 48));
        metafile.SaveToFile(path);
    }
    Select(path);
    ASSERT_TRUE(Seam->Messages.empty()) << Seam->Messages[0].Text;
    EXPECT_EQ(Saved().Picture().Graphic()->ClassName(), "TMetafile");
    EXPECT_EQ(app::FrmFirst->LblChosen->Caption(), "Image Chosen: drawing.emf");
    const int before = app::FrmFirst->ComponentCount();
    Shown s = Split();
    EXPECT_FALSE(s.Opened);
    ASSERT_EQ(Seam->Messages.size(), 1u);
    EXPECT_EQ(Seam->Messages[0].Text, "Cannot assign a TMetafile to a TBitmap");
    EXPECT_EQ(app::FrmFirst->ComponentCount(), before);
}

}  // namespace
}  // namespace apptest
