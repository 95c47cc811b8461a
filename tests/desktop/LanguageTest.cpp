// The program as a German user starts it: `LANGUAGE=de tarnix`, its bar read through the
// accessibility bus as a screen reader reads it.

#include <QCoreApplication>
#include <QProcess>

#include <gtest/gtest.h>

#include "support/ServiceHelpers.h"

using namespace tarnix;

namespace {

// Whether the process shows a control of that name on the accessibility bus.
bool showsControlNamed(qint64 pid, const QString& name)
{
    QProcess helper;
    helper.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    helper.start(QStringLiteral(TARNIX_ATSPI_ACTION), {QStringLiteral("--find"), QString::number(pid), name});
    return helper.waitForFinished(15000) && helper.exitStatus() == QProcess::NormalExit && helper.exitCode() == 0;
}

} // namespace

TEST(Language, TheGermanBarNamesItsRecordButtonInGerman)
{
    if (!test::requireDisplay() || !test::requireAccessibilityBus())
        return;
    test::TemporaryFolder home;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LANGUAGE"), QStringLiteral("de"));
    // A home of its own: no recordings to offer for recovery, no settings of earlier runs.
    environment.insert(QStringLiteral("HOME"), QString::fromStdString(home.path().string()));
    environment.remove(QStringLiteral("XDG_CONFIG_HOME"));
    environment.insert(QStringLiteral("TARNIX_NO_UPDATE_CHECK"), QStringLiteral("1"));
    environment.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
    QProcess tarnix;
    tarnix.setProcessEnvironment(environment);
    tarnix.setProcessChannelMode(QProcess::ForwardedChannels);
    tarnix.start(QStringLiteral(TARNIX_APP), {});
    ASSERT_TRUE(tarnix.waitForStarted(10000));

    const bool german = test::processEventsUntil(40, [&] {
        return showsControlNamed(tarnix.processId(), QStringLiteral("Aufnahme starten"));
    });
    const bool english = showsControlNamed(tarnix.processId(), QStringLiteral("Start Recording"));
    tarnix.terminate(); // SIGTERM: it quits as a finished piece of work
    EXPECT_TRUE(tarnix.waitForFinished(20000));
    EXPECT_TRUE(german) << "no control named \"Aufnahme starten\"";
    EXPECT_FALSE(english);
}
