#include "app/DesktopNotifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

#include <memory>

namespace tarnix {

namespace {

constexpr auto kService = "org.freedesktop.Notifications";
constexpr auto kPath = "/org/freedesktop/Notifications";
constexpr auto kInterface = "org.freedesktop.Notifications";

// Notify(app_name, replaces_id, app_icon, summary, body, actions, hints, expire_timeout).
QDBusMessage notifyCall(const QString& summary, const QString& body, const QStringList& actions)
{
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    // The desktop entry lets the server group these under Tarnix and show its icon.
    const QVariantMap hints{{QStringLiteral("desktop-entry"), QStringLiteral("tarnix")}};
    call << QStringLiteral("Tarnix") << uint(0) << QStringLiteral("tarnix") << summary << body
         << actions << hints << int(-1);
    return call;
}

} // namespace

DesktopNotifier::DesktopNotifier(QObject* parent)
    : QObject(parent)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    bus.connect(QString(), kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                SLOT(onActionInvoked(uint, QString)));
    bus.connect(QString(), kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                SLOT(onNotificationClosed(uint, uint)));
}

DesktopNotifier::~DesktopNotifier() = default;

void DesktopNotifier::notify(const QString& summary, const QString& body, std::vector<Action> actions)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    // Actions go over the bus as key, label pairs; the key is the action's index.
    QStringList keyed;
    for (std::size_t i = 0; i < actions.size(); ++i)
        keyed << QString::number(i) << actions[i].label;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(notifyCall(summary, body, keyed)), this);
    auto kept = std::make_shared<std::vector<Action>>(std::move(actions));
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, kept](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        const QDBusPendingReply<uint> reply = *call;
        if (reply.isError())
            return; // no notification server: nothing to show, nothing to wait for
        if (!kept->empty())
            pending_[reply.value()] = std::move(*kept);
        emit shown(reply.value());
    });
}

void DesktopNotifier::recordingEnded(const QString& reason)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected())
        bus.asyncCall(notifyCall(tr("Recording stopped"), reason, {}));
}

void DesktopNotifier::onActionInvoked(uint id, const QString& key)
{
    const auto found = pending_.find(id);
    if (found == pending_.end())
        return; // another program's notification
    bool ok = false;
    const std::size_t index = key.toULongLong(&ok);
    if (!ok || index >= found->second.size())
        return;
    // Copied first: the action may close the notification, which forgets it.
    const std::function<void()> run = found->second[index].run;
    if (run)
        run();
}

void DesktopNotifier::onNotificationClosed(uint id, uint)
{
    pending_.erase(id);
}

} // namespace tarnix
