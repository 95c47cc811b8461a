#include <gtest/gtest.h>

#include "recorder/RecorderWindow.h"
#include "recorder/WindowPlacement.h"

using namespace tarnix;

TEST(WindowPlacement, TheBarHangsBelowTheTopAndTheStudioIsCentredWithinTheFreeArea)
{
    // A 1000 × 700 available area under a 30-point top panel.
    const QRect available(0, 30, 1000, 700);
    EXPECT_EQ(WindowPlacement::centered(available, RecorderWindow::studioSize), QRect(20, 50, 960, 660));
    EXPECT_EQ(WindowPlacement::topAnchored(available, RecorderWindow::setupSize, RecorderWindow::setupMargin),
              QRect(190, 70, 620, 96));
    // On a second monitor to the right, the same, relative to that monitor.
    EXPECT_EQ(WindowPlacement::topAnchored(QRect(1920, 0, 1280, 1024), {620, 96}, 40), QRect(2250, 40, 620, 96));
}
