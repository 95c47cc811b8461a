#pragma once

#include <QObject>

#include <functional>

class QMenu;
class QSystemTrayIcon;

// The way to stop a recording while the bar is off screen: an icon in the desktop's tray (a
// StatusNotifierItem on Wayland desktops) whose click, or its menu's "Stop Recording", stops it.
//
// Threads: GUI thread only.

namespace tarnix {

class RecordingTrayIcon : public QObject {
    Q_OBJECT

public:
    explicit RecordingTrayIcon(std::function<void()> stop, QObject* parent = nullptr);
    ~RecordingTrayIcon() override;

    // Whether the desktop has a tray to show the icon in.
    static bool isAvailable();

    void setVisible(bool visible);
    bool isVisible() const;
    QMenu* menu() const { return menu_; }

private:
    QSystemTrayIcon* icon_ = nullptr;
    QMenu* menu_ = nullptr;
};

} // namespace tarnix
