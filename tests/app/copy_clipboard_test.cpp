// "Copy Into Clipboard": the clean segment's exact pixels, the information box each time.
#include "view_fixture.h"

namespace {

using viewtest::ViewerTest;

const std::string kCopied =
    "Your chosen image segment has now been copied into the windows clipboard. You may now paste your image "
    "segment into any other application or document.";

TEST_F(ViewerTest, CopyTwiceHoldsTheLastSegmentAndTellsEachTime)
{
    app::TFrmView& view = MakeViewer(3, 2, 21, 13);
    view.ListBox1->ClickItem(1);  // row 1, column 2
    view.CmdCopy->Click();
    view.ListBox1->ClickItem(4);  // row 2, column 2
    view.CmdCopy->Click();
    ASSERT_EQ(Seam.Messages.size(), 2u);
    for (auto& m : Seam.Messages) {
        EXPECT_EQ(m.Text, kCopied);
        EXPECT_EQ(m.Kind, ui::TMsgDlgType::mtInformation);
        EXPECT_EQ(m.Buttons, unsigned(ui::mbOK));
    }
    ASSERT_EQ(Seam.Clipboard.size(), 2u);
    EXPECT_EQ(Seam.Clipboard[0].Width(), 21);
    EXPECT_EQ(Seam.Clipboard[0].Height(), 13);
    EXPECT_EQ(viewtest::MaxDifference(Seam.Clipboard[0], 1, 2), 0);
    EXPECT_EQ(viewtest::MaxDifference(Seam.Clipboard.back(), 2, 2), 0);
}

TEST_F(ViewerTest, ClipboardThatCannotBeHadGivesTheFrameworksError)
{
    app::TFrmView& view = MakeViewer(1, 1, 5, 5);
    Seam.ClipboardWorks = false;
    view.CmdCopy->Click();
    ASSERT_EQ(Seam.Messages.size(), 1u);
    EXPECT_EQ(Seam.Messages[0].Kind, ui::TMsgDlgType::mtError);
    EXPECT_EQ(Seam.Messages[0].Text, "Cannot open clipboard");
}

}  // namespace
