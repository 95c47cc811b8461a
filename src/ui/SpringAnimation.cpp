#include "ui/SpringAnimation.h"

#include <cmath>

namespace tarnix {

SpringAnimation::SpringAnimation(Spring spring, std::function<void(double)> apply, QObject* parent)
    : QObject(parent)
    , spring_(spring)
    , apply_(std::move(apply))
{
    animation_.setStartValue(0.0);
    animation_.setEndValue(1.0);
    animation_.setDuration(int(std::lround(spring_.settleSeconds() * 1000)));
    connect(&animation_, &QVariantAnimation::valueChanged, this, [this](const QVariant& progress) {
        const double p = progress.toDouble();
        const double x = p >= 1 ? 1 : spring_.value(p * spring_.settleSeconds());
        value_ = from_ + (to_ - from_) * x;
        apply_(value_);
    });
}

bool SpringAnimation::isRunning() const
{
    return animation_.state() == QAbstractAnimation::Running;
}

void SpringAnimation::animateTo(double target, bool animate)
{
    animation_.stop();
    from_ = value_;
    to_ = target;
    if (!animate || from_ == to_) {
        value_ = target;
        apply_(value_);
        return;
    }
    animation_.start();
}

} // namespace tarnix
