#pragma once

#include <QWidget>

#include <functional>

// Turns scrolling over a view into one number per scroll event: the vertical delta, fine-grained
// pixels for touchpads, lines (a wheel notch is 1) for classic wheels, positive when scrolling up.
// It swallows every scroll event over it, with or without a callback, so that whatever lies behind
// does not scroll as well. Horizontal scrolling and modifiers are not looked at. GUI thread.

namespace tarnix {

class ScrollWheelCatcher : public QWidget {
    Q_OBJECT

public:
    explicit ScrollWheelCatcher(QWidget* parent = nullptr);

    void setOnScroll(std::function<void(double delta)> onScroll) { onScroll_ = std::move(onScroll); }

    // The delta handed on for a wheel event.
    static double verticalDelta(const QWheelEvent& event);

protected:
    void wheelEvent(QWheelEvent* event) override;

private:
    std::function<void(double)> onScroll_;
};

} // namespace tarnix
