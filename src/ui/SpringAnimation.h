#pragma once

#include <QVariantAnimation>

#include <functional>

#include "ui/Spring.h"

// Moves a number from where it is to a target along a Spring, calling `apply` with each value
// (which may pass beyond the target while the spring settles, and lands exactly on it).
//
// Threads: GUI thread only.

namespace tarnix {

class SpringAnimation : public QObject {
    Q_OBJECT

public:
    SpringAnimation(Spring spring, std::function<void(double)> apply, QObject* parent = nullptr);

    double value() const { return value_; }
    bool isRunning() const;
    // Springs from the current value to `target`; `animate` false jumps there at once.
    void animateTo(double target, bool animate = true);

private:
    Spring spring_;
    std::function<void(double)> apply_;
    double value_ = 0;
    double from_ = 0;
    double to_ = 0;
    QVariantAnimation animation_;
};

} // namespace tarnix
