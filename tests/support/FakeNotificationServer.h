#pragma once

// A desktop notification server of the test's own: owns org.freedesktop.Notifications on the
// session bus (over a connection of its own, as a separate program would), records every
// notification it is asked to show, and can play the user picking an action or closing one.

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMetaType>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QStringList>
#include <QVariantMap>

#include <vector>

namespace tarnix::test {

class FakeNotificationServer : public QDBusVirtualObject {
public:
    struct Notification {
        uint id = 0;
        QString appName;
        QString icon;
        QString summary;
        QString body;
        QStringList actions; // key, label, key, label...
        QVariantMap hints;
    };

    FakeNotificationServer()
        : bus_(QDBusConnection::connectToBus(QDBusConnection::SessionBus,
                                             QStringLiteral("tarnix-test-notification-server")))
    {
        registered_ = bus_.isConnected() &&
                      bus_.registerVirtualObject(QString::fromLatin1(kPath), this) &&
                      bus_.registerService(QString::fromLatin1(kInterface));
    }
    ~FakeNotificationServer() override
    {
        bus_.unregisterService(QString::fromLatin1(kInterface));
        bus_.unregisterObject(QString::fromLatin1(kPath));
        QDBusConnection::disconnectFromBus(QStringLiteral("tarnix-test-notification-server"));
    }

    // Whether it owns the name (false without a session bus, or when another server has it).
    bool isRegistered() const { return registered_; }
    const std::vector<Notification>& notifications() const { return shown_; }

    // The user picks an action of a notification; the server then closes it, as servers do.
    void invokeAction(uint id, const QString& key)
    {
        emitSignal("ActionInvoked", {QVariant(id), QVariant(key)});
        emitSignal("NotificationClosed", {QVariant(id), QVariant(uint(2))});
    }

    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        if (message.member() == QLatin1String("Notify") && message.arguments().size() == 8) {
            const QList<QVariant> a = message.arguments();
            Notification n{++lastId_, a[0].toString(), a[2].toString(), a[3].toString(),
                           a[4].toString(), a[5].toStringList(), {}};
            n.hints = qdbus_cast<QVariantMap>(a[6]);
            shown_.push_back(n);
            return connection.send(message.createReply(QVariant(n.id)));
        }
        if (message.member() == QLatin1String("GetCapabilities"))
            return connection.send(message.createReply(QStringList{"actions", "body"}));
        return connection.send(message.createErrorReply(QDBusError::UnknownMethod, message.member()));
    }

private:
    static constexpr const char* kPath = "/org/freedesktop/Notifications";
    static constexpr const char* kInterface = "org.freedesktop.Notifications";

    void emitSignal(const char* name, const QList<QVariant>& arguments)
    {
        QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(kPath),
                                                         QString::fromLatin1(kInterface),
                                                         QString::fromLatin1(name));
        signal.setArguments(arguments);
        bus_.send(signal);
    }

    QDBusConnection bus_;
    bool registered_ = false;
    uint lastId_ = 0;
    std::vector<Notification> shown_;
};

} // namespace tarnix::test
