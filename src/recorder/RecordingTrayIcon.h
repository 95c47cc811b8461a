#pragma once

#include <QObject>

#include <functional>

class QAction;
class QMenu;
class QSystemTrayIcon;

// The way to stop a recording while the bar is off screen: an icon in the desktop's tray (a
// StatusNotifierItem on Wayland desktops) whose click, or its menu's "Stop Recording", stops it;
// its menu also pauses and resumes it.
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
    // Offers "Pause Recording" ("Resume Recording" while `paused`) in the menu, which calls
    // `toggle`; the bar is off screen, so this is where a hidden recording is paused.
    void offerPause(std::function<void()> toggle);
    void setPaused(bool paused);

private:
    QSystemTrayIcon* icon_ = nullptr;
    QMenu* menu_ = nullptr;
    QAction* pauseAction_ = nullptr;
};

} // namespace tarnix
