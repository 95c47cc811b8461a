#include <QApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <QWidget>

#include <gtest/gtest.h>

#include "recorder/RecorderTestSupport.h"
#include "recorder/WindowDragMover.h"

using namespace tarnix;

namespace {

// Sends a mouse event as the window system would, so that one a child ignores reaches its parent.
bool send(QWidget& target, QEvent::Type type, QPoint local, Qt::MouseButtons buttons)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(local), QPointF(target.mapToGlobal(local)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(&target, &event);
    return event.isAccepted();
}

} // namespace

// Without a native window (none is made before the first show) the window is moved by hand, so
// the drag itself can be followed.
TEST(WindowDragMover, DraggingTheBackgroundMovesTheWindowByHandAndOnlyWhileEnabled)
{
    test::ensureWidgetApplication();
    QWidget window;
    window.setGeometry(100, 100, 300, 80);
    auto* button = new QPushButton(QStringLiteral("Record"), &window);
    button->setGeometry(200, 20, 80, 40);
    bool enabled = true;
    int started = 0;
    auto* mover = new WindowDragMover(window);
    mover->enabled = [&] { return enabled; };
    mover->onDragStarted = [&] { ++started; };
    const QPoint start = window.pos();

    EXPECT_TRUE(send(window, QEvent::MouseButtonPress, {10, 10}, Qt::LeftButton));
    send(window, QEvent::MouseMove, {40, 30}, Qt::LeftButton);
    EXPECT_EQ(window.pos(), start + QPoint(30, 20));
    send(window, QEvent::MouseButtonRelease, {40, 30}, Qt::NoButton);
    EXPECT_EQ(started, 1);

    // After the release, moving the pointer moves nothing.
    const QPoint dropped = window.pos();
    send(window, QEvent::MouseMove, {90, 60}, Qt::NoButton);
    EXPECT_EQ(window.pos(), dropped);

    // A press that a control takes is the control's, not a drag.
    send(*button, QEvent::MouseButtonPress, {5, 5}, Qt::LeftButton);
    send(window, QEvent::MouseMove, {90, 60}, Qt::LeftButton);
    send(*button, QEvent::MouseButtonRelease, {5, 5}, Qt::NoButton);
    EXPECT_EQ(window.pos(), dropped);
    EXPECT_EQ(started, 1);

    // Disabled (the window is not the bar), the window's own handlers get the press.
    enabled = false;
    send(window, QEvent::MouseButtonPress, {10, 10}, Qt::LeftButton);
    send(window, QEvent::MouseMove, {60, 10}, Qt::LeftButton);
    EXPECT_EQ(window.pos(), dropped);
    EXPECT_EQ(started, 1);
}
