#include "capture/ScreenLockWatch.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

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
        return; // a slow bus: one question at a time
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    asking_ = true;
    auto pending = std::make_shared<int>(static_cast<int>(std::size(kServices)));
    auto anyLocked = std::make_shared<bool>(false);
    for (const LockService& service : kServices) {
        QDBusMessage call =
            QDBusMessage::createMethodCall(service.name, service.path, service.name, QStringLiteral("GetActive"));
        call.setAutoStartService(false); // ask a running locker; never start one
        auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kCallTimeoutMs), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, pending, anyLocked](QDBusPendingCallWatcher* w) {
            QDBusPendingReply<bool> reply = *w;
            if (reply.isValid() && reply.value())
                *anyLocked = true;
            w->deleteLater();
            if (--*pending == 0) {
                *locked_ = *anyLocked;
                asking_ = false;
            }
        });
    }
}

} // namespace tarnix
