#include <gtest/gtest.h>

#include "ui/FramePlacement.h"

using namespace tarnix;

namespace {

// A 1920 × 1080 screen under a 30-point top panel, and a frame with a 20-point title bar and
// 2-point borders.
const QRect available(0, 30, 1920, 1050);
const QMargins frame(2, 20, 2, 2);

QRect framed(const QRect& client)
{
    return client.marginsAdded(frame);
}

} // namespace

TEST(FramePlacement, AWindowThatFitsIsMovedOnlyAsFarAsItsFrameNeeds)
{
    // Well inside: left where it is.
    EXPECT_EQ(FramePlacement::inside(available, QRect(300, 200, 800, 600), frame), QRect(300, 200, 800, 600));
    // Its client area at the top of the free area: the title bar would sit on the panel.
    const QRect atTop = FramePlacement::inside(available, QRect(300, 30, 800, 600), frame);
    EXPECT_EQ(atTop, QRect(300, 50, 800, 600));
    // Past the right and the bottom edges, and past the left one on a second monitor.
    EXPECT_EQ(FramePlacement::inside(available, QRect(1500, 900, 800, 600), frame), QRect(1118, 478, 800, 600));
    EXPECT_EQ(FramePlacement::inside(QRect(1920, 0, 1280, 1024), QRect(1900, 10, 800, 600), frame),
              QRect(1922, 20, 800, 600));
    for (const QRect& client : {atTop, QRect(1118, 478, 800, 600)})
        EXPECT_TRUE(available.contains(framed(client)));
    // Without a frame (not yet known, or none), the client area itself is kept inside.
    EXPECT_EQ(FramePlacement::inside(available, QRect(-10, 0, 800, 600), QMargins()), QRect(0, 30, 800, 600));
}

TEST(FramePlacement, AWindowTallerThanTheScreenIsMadeLowerDownToItsLeastSize)
{
    // As high as the free area: lowered by the frame's height, the frame exactly filling it.
    const QRect tall = FramePlacement::inside(available, QRect(300, 30, 1180, 1050), frame);
    EXPECT_EQ(tall, QRect(300, 50, 1180, 1028));
    EXPECT_EQ(framed(tall).top(), available.top());
    EXPECT_EQ(framed(tall).bottom(), available.bottom());
    // Content that needs more than the screen has: the title bar stays on the screen and the
    // window hangs below it.
    const QRect least = FramePlacement::inside(available, QRect(300, 0, 1180, 1050), frame, {940, 1100});
    EXPECT_EQ(least.size(), QSize(1180, 1100));
    EXPECT_EQ(framed(least).top(), available.top());
    // Wider than the screen: its left edge stays on it.
    EXPECT_EQ(FramePlacement::inside(available, QRect(-50, 100, 2000, 600), frame, {1950, 0}).left(), 2);
}
