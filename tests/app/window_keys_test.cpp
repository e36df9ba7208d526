// The program's windows and the keyboard: where Tab goes on the main window and the converter.
#include "converter_fixture.h"

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

}  // namespace
