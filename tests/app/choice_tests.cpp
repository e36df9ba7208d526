// The converter's file-kind chooser.
#include "tests/app/first_harness.h"

#include "app/Uchoice.h"

namespace apptest {
namespace {

using ChoiceTest = AppTest;

TEST_F(ChoiceTest, DesignAndOneMaskPerOption)
{
    Start();
    app::TFrmchoice chooser(app::Frmadjust);
    EXPECT_EQ(chooser.Name(), "Frmchoice");
    EXPECT_EQ(chooser.Caption(), "Pallomer");
    EXPECT_EQ(chooser.Width(), 424);
    EXPECT_EQ(chooser.Height(), 270);
    EXPECT_EQ(chooser.Color(), gfx::TColor(13815242));
    EXPECT_EQ(chooser.Position(), ui::TPosition::poScreenCenter);
    EXPECT_FALSE(chooser.Icon().Empty());
    EXPECT_EQ(chooser.Lbltitle->Width(), 405);
    EXPECT_EQ(chooser.Lbltitle->Height(), 66);
    EXPECT_EQ(chooser.Lbltitle->Font().Color, gfx::TColor(0x800000));
    EXPECT_TRUE(chooser.Lbltitle->WordWrap());
    EXPECT_EQ(chooser.GroupBox1->Caption(), "Select an option");
    EXPECT_EQ(chooser.BitBtn1->Kind(), ui::TBitBtnKind::bkOK);
    EXPECT_EQ(chooser.BitBtn1->ModalResult(), int(ui::mrOk));

    struct Option { ui::TRadioButton* Button; const char* Caption; const char* Mask; };
    const Option options[] = {
        {chooser.RadAll, "Convert ALL Images In Folder ", "*.*"},
        {chooser.RadOnlyJpeg, "Convert only the JPEG images", "*.JPG"},
        {chooser.RadOnlyGif, "Convert only the GIF images", "*.GIF"},
        {chooser.Radbmp, "Convert only the BITMAP images", "*.BMP"},
        {chooser.RadMeta, "Convert only the METAFILE images", "*.EMF"},
        {chooser.Radicon, "Convert only the ICON images", "*.ICO"},
        {chooser.Radtif, "Convert only the TIF images", "*.TIF"},
    };
    EXPECT_EQ(chooser.SearchMask(), "");
    for (const Option& o : options) {
        SCOPED_TRACE(o.Caption);
        EXPECT_EQ(o.Button->Caption(), o.Caption);
        EXPECT_EQ(o.Button->Parent(), chooser.GroupBox1);
        o.Button->Click();
        EXPECT_EQ(chooser.SearchMask(), o.Mask);
        for (const Option& other : options) EXPECT_EQ(other.Button->Checked(), &other == &o);
    }
}

TEST_F(ChoiceTest, ClosingStoresItsSize)
{
    Start();
    auto* chooser = new app::TFrmchoice(app::Frmadjust);
    chooser->SetBounds(chooser->Left(), chooser->Top(), 500, 333);
    Seam->OnShowModal = [](ui::TForm& f) { static_cast<app::TFrmchoice&>(f).BitBtn1->Click(); };
    EXPECT_EQ(chooser->ShowModal(), int(ui::mrOk));
    EXPECT_EQ(app::ReadFormWidth("Frmchoice"), 500);
    EXPECT_EQ(app::ReadFormHeight("Frmchoice"), 333);
    Seam->OnShowModal = [](ui::TForm& f) { f.SetBounds(f.Left(), f.Top(), 450, 280); f.Close(); };
    EXPECT_EQ(chooser->ShowModal(), int(ui::mrCancel));
    EXPECT_EQ(app::ReadFormWidth("Frmchoice"), 450);
    EXPECT_EQ(app::ReadFormHeight("Frmchoice"), 280);
    delete chooser;
}

}  // namespace
}  // namespace apptest
