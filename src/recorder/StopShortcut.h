#pragma once

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QObject>
#include <QString>
#include <QList>
#include <QVariantMap>

// A desktop-wide key that stops the recording while the bar is off screen, next to the tray icon.
// The window only asks for it and listens; how the desktop provides it lives behind StopShortcut.
//
// On Wayland desktops an application cannot grab keys itself: PortalStopShortcut asks the
// desktop's org.freedesktop.portal.GlobalShortcuts for one shortcut ("stop-recording", Ctrl+Alt+R
// preferred; the desktop may let the user pick other keys) in a session kept for the process's
// lifetime, and reports its Activated signal.
//
// Threads: GUI thread (the desktop's answers arrive through its event loop).

namespace tarnix {

class StopShortcut : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // Asks the desktop for the shortcut; the answer comes as bound() or unavailable(), once.
    virtual void bind() = 0;

signals:
    // The desktop holds the shortcut; `keys` as it describes them (empty when it says nothing).
    void bound(const QString& keys);
    // There is no shortcut: the desktop has no such service, refused it, or failed.
    void unavailable(const QString& reason);
    // The user pressed it.
    void activated();
};

// One entry of the portal's a(sa{sv}) shortcut lists.
struct PortalShortcut {
    QString id;
    QVariantMap properties;
};
QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut);
const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut);
using PortalShortcutList = QList<PortalShortcut>;

class PortalStopShortcut : public StopShortcut {
    Q_OBJECT

public:
    static constexpr const char* shortcutID = "stop-recording";
    static constexpr const char* preferredTrigger = "CTRL+ALT+R";

    explicit PortalStopShortcut(QDBusConnection bus, QObject* parent = nullptr);
    ~PortalStopShortcut() override;

    void bind() override;

    // Registers PortalShortcut with Qt D-Bus (done by the constructor; idempotent).
    static void registerTypes();

private slots:
    void onResponse(uint response, const QVariantMap& results);
    // (o session, s id, t timestamp, a{sv} options), taken as the whole message: Qt D-Bus
    // would not connect the typed slot for this signature.
    void onActivated(const QDBusMessage& message);

private:
    enum class Step { none, createSession, bindShortcuts, bound, failed };
    void request(Step step, const QString& method, QVariantList arguments, QVariantMap options);
    void fail(const QString& reason);
    void closeSession();
    void unsubscribe();

    QDBusConnection bus_;
    Step step_ = Step::none;
    QString requestPath_;
    QString sessionHandle_;
    int tokenCounter_ = 0;
};

} // namespace tarnix

Q_DECLARE_METATYPE(tarnix::PortalShortcut)
