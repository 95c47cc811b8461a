#pragma once

#include <QObject>
#include <QTimer>

#include <atomic>
#include <memory>

// Follows whether the desktop's screen locker is up, asking the session's screen-saver service
// (org.freedesktop.ScreenSaver, else GNOME's) and logind's LockedHint of this session (set by
// lockers on desktops without those services) twice a second without blocking. While the locker
// is up the keyboard belongs to it, and nothing typed there may be recorded.
//
// Threads: a QObject of the GUI thread; `locked()` may be read from any thread.

namespace tarnix {

class ScreenLockWatch : public QObject {
    Q_OBJECT

public:
    explicit ScreenLockWatch(QObject* parent = nullptr);

    void start();
    void stop();
    std::shared_ptr<const std::atomic<bool>> locked() const { return locked_; }

private:
    void ask();

    QTimer timer_;
    std::shared_ptr<std::atomic<bool>> locked_ = std::make_shared<std::atomic<bool>>(false);
    bool asking_ = false;
};

} // namespace tarnix
