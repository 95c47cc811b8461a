// The screen locker seen through logind on a desktop without a screen saver service: a private
// bus stands in for the system bus, with a login session whose LockedHint the test sets. Qt
// connects to the system bus once per process: the test needs a process of its own, as ctest gives it.

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QProcess>

#include <cstdlib>

#include "capture/ScreenLockWatch.h"
#include "support/ServiceHelpers.h"

namespace tarnix {
namespace {

// logind's session object, as far as the watch reads it.
class FakeLoginSession : public QDBusVirtualObject {
public:
    bool locked = false;
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        if (message.interface() != QLatin1String("org.freedesktop.DBus.Properties") ||
            message.member() != QLatin1String("Get") || message.arguments().value(1).toString() != "LockedHint")
            return false;
        connection.send(message.createReply(QVariant::fromValue(QDBusVariant(locked))));
        return true;
    }
};

TEST(ScreenLockWatch, logindsLockedHintCountsWhereNoScreenSaverServiceAnswers)
{
    test::ensureApplication();
    QProcess bus;
    bus.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
    ASSERT_TRUE(bus.waitForStarted(10000));
    ASSERT_TRUE(test::processEventsUntil(10, [&] { return bus.canReadLine(); }));
    const QByteArray address = bus.readLine().trimmed();
    setenv("DBUS_SYSTEM_BUS_ADDRESS", address.constData(), 1); // before the watch's first question

    QDBusConnection login = QDBusConnection::connectToBus(QString::fromUtf8(address), "fake-login1");
    ASSERT_TRUE(login.isConnected());
    FakeLoginSession session;
    ASSERT_TRUE(login.registerVirtualObject("/org/freedesktop/login1/session/auto", &session));
    ASSERT_TRUE(login.registerService("org.freedesktop.login1"));

    ScreenLockWatch watch;
    watch.start();
    auto locked = watch.locked();
    session.locked = true;
    EXPECT_TRUE(test::processEventsUntil(10, [&] { return locked->load(); })) << "the locker is up";
    session.locked = false;
    EXPECT_TRUE(test::processEventsUntil(10, [&] { return !locked->load(); })) << "and down again";
    watch.stop();

    login.unregisterObject("/org/freedesktop/login1/session/auto");
    QDBusConnection::disconnectFromBus("fake-login1");
    bus.kill();
    bus.waitForFinished(10000);
}

} // namespace
} // namespace tarnix
