#include <gtest/gtest.h>

#include <cstdlib>

#include "recorder/RecorderTestSupport.h"

// Qt exports its accessibility tree only when asked before the application starts: the tests
// press controls through the accessibility bus as a screen reader does.
int main(int argc, char** argv)
{
    setenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1", 1);
    // Listing the tests needs no X server; running them does (each test says so).
    if (!std::getenv("DISPLAY") && !std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    tarnix::test::ensureWidgetApplication();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
