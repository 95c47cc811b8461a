// The widget tests need one QApplication for the whole program, made before any test runs.
#include <QApplication>

#include <gtest/gtest.h>

#include "ui/StudioTheme.h"

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    // These widgets need no X server; test discovery runs the program without one.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    tarnix::StudioTheme::applyTo(app);
    return RUN_ALL_TESTS();
}
