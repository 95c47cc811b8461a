// The stop shortcut through the desktop's GlobalShortcuts portal, against a fake portal that the
// test registers on a bus of its own: the conversation, Activated stopping a real recording, and
// every way of ending up without a shortcut.

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusVirtualObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include "capture/CaptureMessages.h"
#include "recorder/RecorderControlBar.h"
#include "recorder/RecorderTestSupport.h"
#include "recorder/RecorderWindow.h"
#include "recorder/StopShortcut.h"
#include "support/ServiceHelpers.h"
#include "support/SessionSetup.h"
#include "support/StillFrameSource.h"

using namespace tarnix;

namespace {

const QString kDesktop = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kShortcuts = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");

// The portal's side of the conversation, answering the way xdg-desktop-portal does: a reply with
// the request's path, then a Response signal on it.
class FakeShortcutsPortal : public QDBusVirtualObject {
public:
    bool hasInterface = true;
    uint bindResponse = 0;
    bool bindsNothing = false;
    PortalShortcutList asked;
    QString session;
    bool closed = false;

    explicit FakeShortcutsPortal(QDBusConnection bus) : bus_(std::move(bus)) {}

    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection&) override
    {
        const QVariantList arguments = message.arguments();
        if (message.member() == QLatin1String("Get") && arguments.value(0).toString() == kShortcuts) {
            bus_.send(hasInterface ? message.createReply(QVariant::fromValue(QDBusVariant(1u)))
                                   : message.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.UnknownInterface"),
                                                              QStringLiteral("No such interface")));
            return true;
        }
        if (message.member() == QLatin1String("Close") && message.path() == session) {
            closed = true;
            bus_.send(message.createReply());
            return true;
        }
        if (message.interface() != kShortcuts)
            return false;
        if (message.member() == QLatin1String("CreateSession")) {
            const auto options = qdbus_cast<QVariantMap>(arguments.value(0));
            session = kDesktop + "/session/" + sender(message) + "/" +
                      options.value(QStringLiteral("session_handle_token")).toString();
            respond(message, options, 0, {{QStringLiteral("session_handle"), session}});
            return true;
        }
        if (message.member() == QLatin1String("BindShortcuts")) {
            asked = qdbus_cast<PortalShortcutList>(arguments.value(1));
            PortalShortcutList given;
            if (!bindsNothing)
                for (auto shortcut : asked)
                    given.push_back({shortcut.id, {{QStringLiteral("trigger_description"), QStringLiteral("Ctrl+Alt+R")}}});
            respond(message, qdbus_cast<QVariantMap>(arguments.value(3)), bindResponse,
                    {{QStringLiteral("shortcuts"), QVariant::fromValue(given)}});
            return true;
        }
        return false;
    }

    void activate(const QString& sessionHandle, const QString& id)
    {
        QDBusMessage signal = QDBusMessage::createSignal(kDesktop, kShortcuts, QStringLiteral("Activated"));
        signal << QVariant::fromValue(QDBusObjectPath(sessionHandle)) << id << QVariant::fromValue(qulonglong(1))
               << QVariantMap();
        bus_.send(signal);
    }

private:
    static QString sender(const QDBusMessage& message)
    {
        return message.service().mid(1).replace(QLatin1Char('.'), QLatin1Char('_'));
    }

    void respond(const QDBusMessage& message, const QVariantMap& options, uint response, const QVariantMap& results)
    {
        const QString request = kDesktop + "/request/" + sender(message) + "/" +
                                options.value(QStringLiteral("handle_token")).toString();
        bus_.send(message.createReply(QVariant::fromValue(QDBusObjectPath(request))));
        QDBusMessage answer = QDBusMessage::createSignal(request, QStringLiteral("org.freedesktop.portal.Request"),
                                                         QStringLiteral("Response"));
        answer << response << results;
        bus_.send(answer);
    }

    QDBusConnection bus_;
};

// A session bus of the test's own, with the fake portal on one connection and the application
// on another.
class StopShortcutTest : public testing::Test {
protected:
    void SetUp() override
    {
        test::ensureWidgetApplication();
        PortalStopShortcut::registerTypes();
        daemon.start(QStringLiteral("dbus-daemon"),
                     {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--nopidfile"),
                      QStringLiteral("--print-address=1")});
        ASSERT_TRUE(daemon.waitForStarted(5000)) << "dbus-daemon is not installed";
        ASSERT_TRUE(test::processEventsUntil(10, [&] { return daemon.canReadLine(); }));
        address = QString::fromUtf8(daemon.readLine()).trimmed();
        app = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(address, QStringLiteral("app")));
        ASSERT_TRUE(app->isConnected());
    }

    void TearDown() override
    {
        portal.reset();
        app.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("app"));
        QDBusConnection::disconnectFromBus(QStringLiteral("portal"));
        daemon.terminate();
        daemon.waitForFinished(5000);
    }

    FakeShortcutsPortal& startPortal()
    {
        QDBusConnection bus = QDBusConnection::connectToBus(address, QStringLiteral("portal"));
        portal = std::make_unique<FakeShortcutsPortal>(bus);
        EXPECT_TRUE(bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop")));
        EXPECT_TRUE(bus.registerVirtualObject(kDesktop, portal.get(), QDBusConnection::SubPath));
        return *portal;
    }

    QProcess daemon;
    QString address;
    std::unique_ptr<QDBusConnection> app;
    std::unique_ptr<FakeShortcutsPortal> portal;
};

} // namespace

TEST_F(StopShortcutTest, BindsOneStopShortcutAndReportsOnlyItsOwnActivations)
{
    FakeShortcutsPortal& fake = startPortal();
    auto shortcut = std::make_unique<PortalStopShortcut>(*app);
    QSignalSpy bound(shortcut.get(), &StopShortcut::bound);
    QSignalSpy unavailable(shortcut.get(), &StopShortcut::unavailable);
    QSignalSpy activated(shortcut.get(), &StopShortcut::activated);
    shortcut->bind();
    ASSERT_TRUE(test::processEventsUntil(10, [&] { return !bound.isEmpty() || !unavailable.isEmpty(); }));
    ASSERT_EQ(bound.size(), 1) << unavailable.value(0).value(0).toString().toStdString();
    EXPECT_EQ(bound.front().front().toString(), QStringLiteral("Ctrl+Alt+R"));
    ASSERT_EQ(fake.asked.size(), 1);
    EXPECT_EQ(fake.asked.front().id, QStringLiteral("stop-recording"));
    EXPECT_EQ(fake.asked.front().properties.value(QStringLiteral("preferred_trigger")).toString(),
              QStringLiteral("CTRL+ALT+R"));
    EXPECT_FALSE(fake.asked.front().properties.value(QStringLiteral("description")).toString().isEmpty());

    // Another application's session and another shortcut id are not ours; the signals arrive in
    // order, so once ours is seen the others have been passed over.
    fake.activate(fake.session + "_other", QStringLiteral("stop-recording"));
    fake.activate(fake.session, QStringLiteral("something-else"));
    fake.activate(fake.session, QStringLiteral("stop-recording"));
    ASSERT_TRUE(test::processEventsUntil(10, [&] { return !activated.isEmpty(); }));
    EXPECT_EQ(activated.size(), 1);

    // The desktop's session ends with the shortcut.
    shortcut.reset();
    EXPECT_TRUE(test::processEventsUntil(10, [&] { return fake.closed; }));
}

TEST_F(StopShortcutTest, WithoutAShortcutItSaysWhy)
{
    struct Case {
        const char* name;
        bool portal;
        bool hasInterface;
        uint bindResponse;
        bool bindsNothing;
    };
    for (const Case& c : {Case{"no portal on the bus", false, true, 0, false},
                          Case{"a portal without global shortcuts", true, false, 0, false},
                          Case{"the user declined", true, true, 1, false},
                          Case{"the desktop bound nothing", true, true, 0, true}}) {
        SCOPED_TRACE(c.name);
        if (c.portal) {
            FakeShortcutsPortal& fake = startPortal();
            fake.hasInterface = c.hasInterface;
            fake.bindResponse = c.bindResponse;
            fake.bindsNothing = c.bindsNothing;
        }
        PortalStopShortcut shortcut(*app);
        QSignalSpy bound(&shortcut, &StopShortcut::bound);
        QSignalSpy unavailable(&shortcut, &StopShortcut::unavailable);
        shortcut.bind();
        ASSERT_TRUE(test::processEventsUntil(10, [&] { return !unavailable.isEmpty(); }));
        EXPECT_TRUE(bound.isEmpty());
        EXPECT_FALSE(unavailable.front().front().toString().isEmpty());
        if (c.portal) {
            QDBusConnection bus = QDBusConnection::connectToBus(address, QStringLiteral("portal"));
            bus.unregisterObject(kDesktop, QDBusConnection::UnregisterTree);
            bus.unregisterService(QStringLiteral("org.freedesktop.portal.Desktop"));
            portal.reset();
        }
    }
}

TEST_F(StopShortcutTest, TheShortcutStopsADisplayRecordingOfTheBar)
{
    if (!test::requireDisplay())
        GTEST_SKIP();
    FakeShortcutsPortal& fake = startPortal();
    test::TemporaryFolder folder;
    test::FakePortalDesktop desktop;
    auto session = test::makeTestSession(folder.path());
    session->sourceProvider().usePortal([] { return portalSourceLists(false); });
    session->sourceProvider().refresh();
    session->recorder().setFrameSourceOpener(desktop.opener());

    RecorderWindow window(*session);
    window.setChecksForUpdatesAtLaunch(false);
    auto* shortcut = new PortalStopShortcut(*app);
    QSignalSpy bound(shortcut, &StopShortcut::bound);
    window.useStopShortcut(shortcut);
    window.show();
    ASSERT_TRUE(test::processEventsUntil(10, [&] { return !bound.isEmpty(); }));

    window.model().selectSource("display-0");
    window.model().toggleRecording();
    ASSERT_TRUE(test::processEventsUntil(30, [&] { return session->isRecording() && !window.model().isBusy(); }));
    ASSERT_TRUE(test::processEventsUntil(10, [&] { return session->recorder().appendedFrameCount() > 2; }));
    fake.activate(fake.session, QStringLiteral("stop-recording"));
    ASSERT_TRUE(test::processEventsUntil(30, [&] { return window.mode() == WindowMode::studio; }));
    EXPECT_FALSE(session->isRecording());
}
