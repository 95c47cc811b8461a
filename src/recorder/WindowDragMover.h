#pragma once

#include <QObject>
#include <QPoint>

#include <functional>
#include <optional>

class QWidget;

namespace tarnix {

// Moves a frameless window when its background is dragged with the left button: by the window
// manager where it can (startSystemMove), else by hand. Presses that a child control takes never
// reach the window, so only the background drags. GUI thread only.
class WindowDragMover : public QObject {
public:
    // Watches `window`'s own mouse events; owned by the window.
    explicit WindowDragMover(QWidget& window);

    // Whether a press starts a drag now (by default always).
    std::function<bool()> enabled;
    // Called when a drag starts.
    std::function<void()> onDragStarted;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& window_;
    std::optional<QPoint> offset_; // of the pointer from the window's corner, in a drag by hand
};

} // namespace tarnix
