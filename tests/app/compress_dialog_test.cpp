// The JPEG quality dialog: creation, the bar's labels and JpegQuality.
#include <gtest/gtest.h>

#include <memory>

#include "app/Globals.h"
#include "app/Ucompress.h"
#include "framework/ui/Seam.h"

namespace {

class CompressDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        app::JpegQuality = 1;
        Dialog = std::make_unique<app::Tfrmcomp>(nullptr);
    }
    ui::ScriptedSeam Seam;
    std::unique_ptr<app::Tfrmcomp> Dialog;
};

TEST_F(CompressDialog, CreationStartsAtEightyFive)
{
    EXPECT_EQ(Dialog->Lblnumber->Caption(), "85");
    EXPECT_EQ(Dialog->ScrollBar1->Position(), 85);
    EXPECT_EQ(app::JpegQuality, 85);
    EXPECT_EQ(Dialog->LblQuality->Caption(), "High");
    EXPECT_EQ(Dialog->LblComp->Caption(), "Low");
}

TEST_F(CompressDialog, CreationHandlerLeavesAFilledNumberAlone)
{
    Dialog->ScrollBar1->SetPosition(40);
    app::JpegQuality = 40;
    Dialog->FormCreate(Dialog.get());
    EXPECT_EQ(Dialog->ScrollBar1->Position(), 40);
    EXPECT_EQ(Dialog->Lblnumber->Caption(), "40");
    EXPECT_EQ(app::JpegQuality, 40);
}

TEST_F(CompressDialog, LayoutAndTexts)
{
    EXPECT_EQ(Dialog->Name(), "frmcomp");
    EXPECT_EQ(Dialog->Caption(), "JPEG Compression Level");
    EXPECT_EQ(Dialog->ClientWidth(), 386);
    EXPECT_EQ(Dialog->ClientHeight(), 288);
    EXPECT_EQ(ui::ColorToRGB(Dialog->Color()), 15132648u);
    EXPECT_EQ(Dialog->BorderIcons(), unsigned(ui::biSystemMenu | ui::biMaximize));
    EXPECT_EQ(Dialog->Label1->Caption(),
              "Since you chose to save as JPEG, you can also choose a JPEG compression option.  (Or just take "
              "the default chosen for you already). ");
    EXPECT_EQ(Dialog->Label2->Caption(),
              "\"85\" is the recommended default chosen below, but feel free to try the different compression "
              "levels if you would like to make your stored images even smaller, or if you would like to adjust "
              "the image quality level.");
    EXPECT_EQ(Dialog->Label3->Caption(),
              "(For example, you would probably never choose less then 70.  Choosing 100 would mean no "
              "compression and max quality, but you probably wont notice much difference between 85 and 100 as "
              "both are good)");
    EXPECT_EQ(Dialog->GroupBox1->Caption(), "JPEG Compression Options");
    EXPECT_EQ(Dialog->Label4->Caption(), "Quality ->");
    EXPECT_EQ(Dialog->Label7->Caption(), "Compression ->");
    EXPECT_EQ(Dialog->Button1->Caption(), "Ok");
    EXPECT_EQ(Dialog->ScrollBar1->Min(), 1);
    EXPECT_EQ(Dialog->ScrollBar1->Max(), 100);
    EXPECT_EQ(Dialog->ScrollBar1->PageSize(), 0);
    for (ui::TControl* c : {static_cast<ui::TControl*>(Dialog->ScrollBar1), static_cast<ui::TControl*>(Dialog->Lblnumber),
                            static_cast<ui::TControl*>(Dialog->Label4), static_cast<ui::TControl*>(Dialog->LblQuality),
                            static_cast<ui::TControl*>(Dialog->Label7), static_cast<ui::TControl*>(Dialog->LblComp),
                            static_cast<ui::TControl*>(Dialog->Button1)})
        EXPECT_EQ(c->Parent(), Dialog->GroupBox1) << c->Name();
}

struct BarCase {
    int position;
    const char* quality;
    const char* compression;
};

class CompressBar : public CompressDialog, public ::testing::WithParamInterface<BarCase> {};

TEST_P(CompressBar, LabelsNumberAndQualityFollowTheBar)
{
    const BarCase k = GetParam();
    // Start elsewhere, so that every case is a real move of the bar.
    Dialog->ScrollBar1->SetPosition(k.position == 60 ? 61 : 60);
    Dialog->ScrollBar1->SetPosition(k.position);
    EXPECT_EQ(Dialog->Lblnumber->Caption(), std::to_string(k.position));
    EXPECT_EQ(Dialog->LblQuality->Caption(), k.quality);
    EXPECT_EQ(Dialog->LblComp->Caption(), k.compression);
    EXPECT_EQ(app::JpegQuality, k.position);
}

INSTANTIATE_TEST_SUITE_P(Thresholds, CompressBar,
                         ::testing::Values(BarCase{100, "High", "Low"}, BarCase{75, "High", "Low"},
                                           BarCase{74, "Medium", "Medium"}, BarCase{50, "Medium", "Medium"},
                                           BarCase{49, "Low", "High"}, BarCase{1, "Low", "High"}));

TEST_F(CompressDialog, BarStaysInsideItsLimits)
{
    Dialog->ScrollBar1->SetPosition(0);
    EXPECT_EQ(app::JpegQuality, 1);
    Dialog->ScrollBar1->SetPosition(101);
    EXPECT_EQ(app::JpegQuality, 100);
}

TEST_F(CompressDialog, OkAndCloseBoxBothEndTheShowing)
{
    Seam.OnShowModal = [&](ui::TForm&) { Dialog->Button1->Click(); };
    Dialog->ShowModal();
    EXPECT_FALSE(Dialog->Visible());
    Seam.OnShowModal = nullptr;  // the close box
    Dialog->ShowModal();
    EXPECT_EQ(Seam.ModalShown.size(), 2u);
    EXPECT_FALSE(Dialog->Visible());
}

}  // namespace
