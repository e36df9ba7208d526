// The converter's preview: the bar's percent, the exact size, reset, the viewer, closing, and how
// the main window reaches the window.
#include "converter_fixture.h"

namespace {

using convtest::ConverterTest;
using rtl::String;

TEST_F(ConverterTest, CreationLeavesAnEmptyPreviewAtOneHundredPercent)
{
    EXPECT_EQ(W().ScrollBar1->Position(), 100);
    EXPECT_EQ(W().Image1->Picture().Width(), 0);
    EXPECT_EQ(W().Image1->Picture().Height(), 0);
    EXPECT_EQ(W().LblNewWidth->Caption(), "0");
    EXPECT_EQ(W().LblNewHeight->Caption(), "0");
    EXPECT_EQ(W().Lblpercent->Caption(), "100%");
    EXPECT_FALSE(app::ExactSizeMode);
    EXPECT_EQ(app::ProgramFolder, rtl::ExecutableFolder());
}

struct PercentCase {
    int width, height, percent, newWidth, newHeight;
};

class PercentResize : public ConverterTest, public ::testing::WithParamInterface<PercentCase> {};

TEST_P(PercentResize, RoundsHalvesToEven)
{
    const PercentCase k = GetParam();
    Choose(apptest::PatternBitmap(k.width, k.height));
    W().EdW->SetText("7");
    W().ScrollBar1->SetPosition(k.percent);
    EXPECT_EQ(W().Image1->Picture().Width(), k.newWidth);
    EXPECT_EQ(W().Image1->Picture().Height(), k.newHeight);
    EXPECT_EQ(W().LblNewWidth->Caption(), rtl::IntToStr(k.newWidth));
    EXPECT_EQ(W().LblNewHeight->Caption(), rtl::IntToStr(k.newHeight));
    EXPECT_EQ(W().Lblpercent->Caption(), rtl::IntToStr(k.percent) + "%");
    EXPECT_EQ(W().EdW->Text(), "");
    EXPECT_FALSE(app::ExactSizeMode);
    EXPECT_TRUE(Seam->Messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, PercentResize,
                         ::testing::Values(PercentCase{50, 50, 1, 0, 0}, PercentCase{50, 50, 3, 2, 2},
                                           PercentCase{3, 3, 150, 4, 4}, PercentCase{101, 75, 200, 202, 150},
                                           PercentCase{101, 60, 50, 50, 30}, PercentCase{7, 50, 50, 4, 25}));

TEST_F(ConverterTest, EveryResizeDrawsFromTheLoadedPicture)
{
    // A flat picture stays flat at every size; a resize never starts from the last preview.
    gfx::TBitmap flat(40, 30, gfx::TPixelFormat::pf24bit);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) flat.SetPixel(x, y, gfx::RGB(10, 200, 90));
    Choose(flat);
    for (int p : {5, 200, 37, 100}) {
        W().ScrollBar1->SetPosition(p);
        const gfx::TBitmap preview = Preview();
        ASSERT_EQ(preview.Width(), app::PercentOf(p, 40));
        for (int y = 0; y < preview.Height(); ++y)
            for (int x = 0; x < preview.Width(); ++x) ASSERT_EQ(preview.GetPixel(x, y), gfx::RGB(10, 200, 90)) << p;
    }
    // At 100 % the preview has the loaded picture's pixels exactly.
    const gfx::TBitmap source = apptest::PatternBitmap(23, 17);
    Choose(source, "second.bmp");
    W().ScrollBar1->SetPosition(60);
    W().ScrollBar1->SetPosition(100);
    EXPECT_EQ(convtest::MaxDifference(Preview(), source), 0);
}

TEST_F(ConverterTest, LoadingWithTheBarElsewhereShowsTheNewPictureAtItsSize)
{
    Choose(apptest::PatternBitmap(30, 20));
    W().ScrollBar1->SetPosition(50);
    Choose(apptest::PatternBitmap(90, 70), "larger.bmp");
    EXPECT_EQ(W().ScrollBar1->Position(), 100);
    EXPECT_EQ(W().Image1->Picture().Width(), 90);
    EXPECT_EQ(W().Image1->Picture().Height(), 70);
    EXPECT_EQ(W().LblOldWidth->Caption(), "Original Width: 90");
    EXPECT_EQ(W().LblNewHeight->Caption(), "70");
}

TEST_F(ConverterTest, ResetRunsTheResizeTwiceAtOneHundredAndOnceAtNinetyNine)
{
    Choose(apptest::PatternBitmap(64, 48));
    int runs = 0;
    auto handler = W().ScrollBar1->OnChange;
    W().ScrollBar1->OnChange = [&](ui::TObject* s) {
        ++runs;
        handler(s);
    };
    W().EdW->SetText("10");
    W().EdH->SetText("10");
    W().BitBtn1->Click();
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(W().Image1->Picture().Width(), 64);
    EXPECT_EQ(W().Lblpercent->Caption(), "100%");
    EXPECT_EQ(W().EdW->Text(), "");
    EXPECT_EQ(W().EdH->Text(), "");

    W().ScrollBar1->SetPosition(99);
    runs = 0;
    W().BitBtn1->Click();
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(W().Image1->Picture().Width(), 64);
    EXPECT_EQ(W().Image1->Picture().Height(), 48);
}

TEST_F(ConverterTest, ExactSizeAndMovingTheBarAfterwards)
{
    Choose(apptest::PatternBitmap(64, 48));
    W().ScrollBar1->SetPosition(40);
    W().EdW->Type(" 120 ");
    W().EdH->Type("80");
    W().Button1->Click();
    EXPECT_EQ(W().Image1->Picture().Width(), 120);
    EXPECT_EQ(W().Image1->Picture().Height(), 80);
    EXPECT_EQ(W().LblNewWidth->Caption(), "120");
    EXPECT_EQ(W().LblNewHeight->Caption(), "80");
    EXPECT_EQ(W().Lblpercent->Caption(), "");
    EXPECT_EQ(W().ScrollBar1->Position(), 40);
    EXPECT_TRUE(app::ExactSizeMode);

    W().ScrollBar1->SetPosition(50);
    EXPECT_FALSE(app::ExactSizeMode);
    EXPECT_EQ(W().EdW->Text(), "");
    EXPECT_EQ(W().EdH->Text(), "");
    EXPECT_EQ(W().Image1->Picture().Width(), 32);
    EXPECT_EQ(W().Lblpercent->Caption(), "50%");
}

struct ExactCase {
    const char* width;
    const char* height;
    const char* message;  // the start of the message shown; nothing changes
};

class ExactRefused : public ConverterTest, public ::testing::WithParamInterface<ExactCase> {};

TEST_P(ExactRefused, TellsAndChangesNothing)
{
    const ExactCase k = GetParam();
    if (std::string(k.width) == "99999" && rtl::AvailableMemory() / 4 / 99999 >= 99999)
        GTEST_SKIP() << "this machine has the memory for 99999 x 99999 pixels";
    Choose(apptest::PatternBitmap(64, 48));
    W().ScrollBar1->SetPosition(50);
    W().EdW->Type(k.width);
    W().EdH->Type(k.height);
    W().Button1->Click();
    ASSERT_EQ(Texts().size(), 1u);
    EXPECT_EQ(Texts()[0].rfind(k.message, 0), 0u) << Texts()[0];
    EXPECT_EQ(W().Image1->Picture().Width(), 32);
    EXPECT_EQ(W().Image1->Picture().Height(), 24);
    EXPECT_EQ(W().Lblpercent->Caption(), "50%");
    EXPECT_FALSE(app::ExactSizeMode);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExactRefused,
    ::testing::Values(ExactCase{"", "80", "You must enter the width and height in the boxes on the left."},
                      ExactCase{"120", "  ", "You must enter the width and height in the boxes on the left."},
                      ExactCase{"0", "80", "The width and height must each be at least 1 pixel."},
                      ExactCase{"120", "-5", "The width and height must each be at least 1 pixel."},
                      ExactCase{"120", "0", "The width and height must each be at least 1 pixel."},
                      ExactCase{" 0 ", " 0 ", "The width and height must each be at least 1 pixel."},
                      ExactCase{"99999", "99999", "A new image of 99999 x 99999 pixels needs more memory"},
                      ExactCase{"12a", "80", "'12a' is not a valid integer value"}));

TEST_F(ConverterTest, ViewerGetsThePreviewAtItsSize)
{
    Choose(apptest::PatternBitmap(64, 48));
    W().ScrollBar1->SetPosition(150);
    app::Frmimgview->SetTag(5);
    W().Image1->Click();
    W().BitBtn6->Click();
    EXPECT_EQ(ViewerShowings, 2);
    EXPECT_EQ(ViewerTag, 0);
    EXPECT_EQ(ViewerWidth, 96);
    EXPECT_EQ(ViewerHeight, 72);
    // Closed, it keeps no copy of the preview.
    EXPECT_EQ(app::Frmimgview->Image1->Picture().Graphic(), nullptr);
    EXPECT_EQ(app::Frmimgview->Image2->Picture().Graphic(), nullptr);
}

TEST_F(ConverterTest, MainWindowOpensTheConverterOnceAPictureIsLoaded)
{
    ui::TBitBtn& open = *app::FrmFirst->CmdConvert;
    EXPECT_FALSE(open.Enabled());
    EXPECT_TRUE(open.Visible());
    // A file that does not load leaves nothing to convert.
    Select(Pictures + "/missing.bmp");
    EXPECT_FALSE(open.Enabled());
    Choose(apptest::PatternBitmap(20, 10));
    EXPECT_TRUE(open.Enabled());
    open.Click();
    EXPECT_EQ(Seam->ModalShown, std::vector<String>{"Frmadjust"});
    // The main window's other commands keep their places: the button covers none of them.
    for (ui::TControl* other : {static_cast<ui::TControl*>(app::FrmFirst->CmdSupport), static_cast<ui::TControl*>(app::FrmFirst->BitBtn4),
                                static_cast<ui::TControl*>(app::FrmFirst->Panel1), static_cast<ui::TControl*>(app::FrmFirst->LblWrite)}) {
        const gfx::TRect a = open.BoundsRect(), b = other->BoundsRect();
        EXPECT_TRUE(a.Right <= b.Left || b.Right <= a.Left || a.Bottom <= b.Top || b.Bottom <= a.Top) << other->Name();
    }
}

TEST_F(ConverterTest, ClosingStoresTheWindowSize)
{
    Choose(apptest::PatternBitmap(20, 10));
    W().SetBounds(W().Left(), W().Top(), 800, 560);
    for (ui::TButton* button : {static_cast<ui::TButton*>(W().BitBtn4), static_cast<ui::TButton*>(W().BitBtn5)}) {
        std::filesystem::remove(app::SettingsIniPath);
        Seam->OnShowModal = [&](ui::TForm&) { button->Click(); };
        W().ShowModal();
        rtl::TIniFile ini(app::SettingsIniPath);
        EXPECT_EQ(ini.ReadInteger("Frmadjust", "W", 0), 800);
        EXPECT_EQ(ini.ReadInteger("Frmadjust", "H", 0), 560);
        EXPECT_FALSE(W().Visible());
    }
}

}  // namespace

namespace {

// A percent the memory cannot hold: the bar goes back to the percent the preview shows, so the
// bar, the preview and the labels stay in step, whether the preview is a percent or an exact size.
TEST_F(ConverterTest, ARefusedPercentPutsTheBarBackWhereThePreviewIs)
{
    Choose(apptest::PatternBitmap(64, 48));
    W().ScrollBar1->SetPosition(50);
    // A base this wide cannot be doubled in memory.
    app::BaseWidth = 400000000;
    W().ScrollBar1->SetPosition(200);
    ASSERT_EQ(Texts().size(), 1u);
    EXPECT_EQ(Texts()[0].rfind("A new image of 800000000 x 96 pixels", 0), 0u) << Texts()[0];
    EXPECT_EQ(W().ScrollBar1->Position(), 50);
    EXPECT_EQ(W().Image1->Picture().Width(), 32);
    EXPECT_EQ(W().LblNewWidth->Caption(), "32");
    EXPECT_EQ(W().Lblpercent->Caption(), "50%");

    app::BaseWidth = 64;
    W().EdW->Type("120");
    W().EdH->Type("80");
    W().Button1->Click();
    app::BaseWidth = 400000000;
    W().ScrollBar1->SetPosition(150);
    EXPECT_EQ(Texts().size(), 2u);
    EXPECT_EQ(W().ScrollBar1->Position(), 50);
    EXPECT_TRUE(app::ExactSizeMode);
    EXPECT_EQ(W().EdW->Text(), "120");
    EXPECT_EQ(W().Image1->Picture().Width(), 120);
    EXPECT_EQ(W().Lblpercent->Caption(), "");
    app::BaseWidth = 64;
}

}  // namespace
