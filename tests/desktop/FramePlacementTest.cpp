// A decorated window placed at the top of the screen under the window manager of the test
// services (TARNIX_WM): the frame the window manager puts around it, as the X server has it, ends
// up on the screen, title bar included.

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <gtest/gtest.h>

#include "support/ScreenGrab.h"
#include "support/ServiceHelpers.h"
#include "ui/FramePlacement.h"

using namespace tarnix;

TEST(FramePlacementOnTheDesktop, AWindowPlacedAtTheTopBeforeItIsFramedHasItsWholeFrameOnTheScreen)
{
    if (!test::requireDisplay())
        return;
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    // As the Studio is placed: before its window is shown, and right after, before the window
    // manager had a moment to frame it. Each as high as the screen, at its very top.
    for (const bool placeBeforeShowing : {true, false}) {
        SCOPED_TRACE(placeBeforeShowing ? "placed before it is shown" : "placed right after it is shown");
        QWidget window(nullptr, Qt::Window);
        window.setWindowTitle(QStringLiteral("Frame placement"));
        window.setMinimumSize(200, 200);
        const QRect asked(available.left() + 100, available.top(), 800, available.height());
        if (placeBeforeShowing)
            FramePlacement::place(window, asked);
        window.show();
        if (!placeBeforeShowing)
            FramePlacement::place(window, asked);
        test::WindowOnServer onServer;
        ASSERT_TRUE(test::processEventsUntil(10, [&] {
            onServer = test::windowOnServer(window.winId());
            return onServer.frame.top() < onServer.client.top() && onServer.frame.contains(onServer.client) &&
                   available.contains(onServer.frame);
        })) << "the frame on the server: " << onServer.frame.x() << "," << onServer.frame.y() << " "
            << onServer.frame.width() << "×" << onServer.frame.height() << ", the client area: " << onServer.client.x()
            << "," << onServer.client.y() << " " << onServer.client.width() << "×" << onServer.client.height();
        EXPECT_TRUE(test::processEventsUntil(5, [&] {
            const QRect client = test::windowOnServer(window.winId()).client;
            return window.size() == client.size() && (window.geometry().topLeft() - client.topLeft()).manhattanLength() <= 2;
        })) << "Qt has the window where the server has it, but for evilwm's border";
    }
}
