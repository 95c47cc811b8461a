// Desktop notifications against a notification server of the test's own on the session bus.

#include <gtest/gtest.h>

#include "app/DesktopNotifier.h"
#include "support/FakeNotificationServer.h"
#include "support/ServiceHelpers.h"

namespace tarnix {
namespace {

class DesktopNotifierTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::ensureApplication();
        server = std::make_unique<test::FakeNotificationServer>();
        ASSERT_TRUE(server->isRegistered()) << "needs the session bus that scripts/test starts";
    }

    bool shownCount(std::size_t count)
    {
        return test::processEventsUntil(10, [&] { return server->notifications().size() >= count; });
    }

    std::unique_ptr<test::FakeNotificationServer> server;
};

TEST_F(DesktopNotifierTest, ARecordingEndedByTheDesktopIsAnnouncedUnderTarnixsName)
{
    DesktopNotifier::recordingEnded("The window you were recording was closed.");
    ASSERT_TRUE(shownCount(1));
    const auto& shown = server->notifications()[0];
    EXPECT_EQ(shown.appName, "Tarnix");
    EXPECT_EQ(shown.icon, "tarnix");
    EXPECT_EQ(shown.summary, "Recording stopped");
    EXPECT_EQ(shown.body, "The window you were recording was closed.");
    EXPECT_TRUE(shown.actions.isEmpty());
    EXPECT_EQ(shown.hints.value("desktop-entry").toString(), "tarnix");
}

TEST_F(DesktopNotifierTest, AnActionRunsOnceWhenPickedAndNotForOtherNotifications)
{
    DesktopNotifier notifier;
    int opened = 0, other = 0;
    notifier.notify("Export finished", "movie.mp4 is in /tmp",
                    {{"Show in Files", [&] { ++opened; }}, {"Other", [&] { ++other; }}});
    ASSERT_TRUE(shownCount(1));
    const auto shown = server->notifications()[0];
    EXPECT_EQ(shown.actions, (QStringList{"0", "Show in Files", "1", "Other"}));
    ASSERT_TRUE(test::processEventsUntil(10, [&] { return notifier.findChildren<QObject*>().isEmpty(); }))
        << "the reply carrying the id has been handled";

    server->invokeAction(shown.id + 100, "0"); // another program's notification
    server->invokeAction(shown.id, "0");
    ASSERT_TRUE(test::processEventsUntil(10, [&] { return opened == 1; }));
    // Closed by now: picking it again (a late or repeated signal) does nothing.
    server->invokeAction(shown.id, "0");
    notifier.notify("second", "", {});
    ASSERT_TRUE(shownCount(2));
    test::processEventsUntil(10, [&] { return notifier.findChildren<QObject*>().isEmpty(); });
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(other, 0);
}

TEST_F(DesktopNotifierTest, WithoutAServerNothingFails)
{
    server.reset();
    DesktopNotifier notifier;
    bool shown = false;
    QObject::connect(&notifier, &DesktopNotifier::shown, [&] { shown = true; });
    notifier.notify("Export finished", "", {{"Show in Files", [] {}}});
    DesktopNotifier::recordingEnded("The desktop ended the screen sharing.");
    EXPECT_TRUE(test::processEventsUntil(30, [&] { return notifier.findChildren<QObject*>().isEmpty(); }))
        << "the failed call is answered and forgotten";
    EXPECT_FALSE(shown);
}

} // namespace
} // namespace tarnix
