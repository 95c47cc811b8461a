#include "capture/ScreenLockWatch.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>

#include <utility>
#include <vector>

namespace tarnix {

namespace {

constexpr int kAskIntervalMs = 500;
constexpr int kCallTimeoutMs = 400;

struct LockService {
    const char* name;
    const char* path;
};
constexpr LockService kServices[] = {{"org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver"},
                                     {"org.gnome.ScreenSaver", "/org/gnome/ScreenSaver"}};

} // namespace

ScreenLockWatch::ScreenLockWatch(QObject* parent)
    : QObject(parent)
{
    timer_.setInterval(kAskIntervalMs);
    connect(&timer_, &QTimer::timeout, this, &ScreenLockWatch::ask);
}

void ScreenLockWatch::start()
{
    *locked_ = false;
    timer_.start();
    ask();
}

void ScreenLockWatch::stop()
{
    timer_.stop();
}

void ScreenLockWatch::ask()
{
    if (asking_)
        return; // a slow bus: one round of questions at a time
    // The desktop's screen saver services on the session bus, and logind's hint for this session
    // on the system bus, which lockers set on desktops without those services.
    std::vector<std::pair<QDBusConnection, QDBusMessage>> calls;
    QDBusConnection session = QDBusConnection::sessionBus();
    if (session.isConnected())
        for (const LockService& service : kServices)
            calls.emplace_back(session, QDBusMessage::createMethodCall(service.name, service.path, service.name,
                                                                       QStringLiteral("GetActive")));
    QDBusConnection system = QDBusConnection::systemBus();
    if (system.isConnected()) {
        QDBusMessage hint = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1/session/auto"),
            QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
        hint << QStringLiteral("org.freedesktop.login1.Session") << QStringLiteral("LockedHint");
        calls.emplace_back(system, hint);
    }
    if (calls.empty())
        return;
    asking_ = true;
    auto pending = std::make_shared<int>(static_cast<int>(calls.size()));
    auto anyLocked = std::make_shared<bool>(false);
    for (auto& [bus, call] : calls) {
        call.setAutoStartService(false); // ask a running service; never start one
        auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kCallTimeoutMs), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, pending, anyLocked](QDBusPendingCallWatcher* w) {
            // GetActive answers a boolean, the property Get a variant holding one.
            QDBusMessage reply = w->reply();
            if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
                QVariant value = reply.arguments().front();
                if (value.canConvert<QDBusVariant>())
                    value = value.value<QDBusVariant>().variant();
                if (value.typeId() == QMetaType::Bool && value.toBool())
                    *anyLocked = true;
            }
            w->deleteLater();
            if (--*pending == 0) {
                *locked_ = *anyLocked;
                asking_ = false;
            }
        });
    }
}

} // namespace tarnix
