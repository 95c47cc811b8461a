#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <map>
#include <vector>

// Desktop notifications (org.freedesktop.Notifications on the session bus), shown under
// Tarnix's name and icon. A notification may offer actions; the one the user picks runs here,
// on the GUI thread. Without a session bus or a notification server nothing is shown and nothing
// fails: a notification is a courtesy, never the only place something is said.
//
// Threads: GUI thread for every call; actions run on it too.

namespace tarnix {

class DesktopNotifier : public QObject {
    Q_OBJECT

public:
    struct Action {
        QString label;             // the button's text, e.g. "Show in Files"
        std::function<void()> run; // what picking it does
    };

    explicit DesktopNotifier(QObject* parent = nullptr);
    ~DesktopNotifier() override;

    // Shows a notification without waiting for the server. Its actions stay callable until the
    // server closes it or this object goes.
    void notify(const QString& summary, const QString& body, std::vector<Action> actions = {});

    // A recording that the desktop or a device ended (the screen sharing stopped, the recorded
    // window closed, a microphone unplugged): says so, with `reason` as the text, e.g.
    // DesktopNotifier::recordingEnded("The window you were recording was closed.").
    // Fire and forget: callable from any GUI-thread code, no object to keep.
    static void recordingEnded(const QString& reason);

signals:
    // The server answered the request with this notification's id (for tests and logs).
    void shown(uint id);

private slots:
    void onActionInvoked(uint id, const QString& key);
    void onNotificationClosed(uint id, uint reason);

private:
    std::map<uint, std::vector<Action>> pending_;
};

} // namespace tarnix
