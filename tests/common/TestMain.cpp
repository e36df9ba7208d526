// The main of every test program: one offscreen GUI for the whole run, so windows can be built
// and drawn without a display; programs that use no window are unaffected.
#include <cstdlib>

#include <gtest/gtest.h>

#include "framework/ui/Application.h"

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ui::Application().Initialize();
    return RUN_ALL_TESTS();
}
