#include "recorder/Countdown.h"

namespace tarnix {

Countdown::Countdown(std::chrono::milliseconds second, QObject* parent)
    : QObject(parent)
{
    timer_.setInterval(second);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &Countdown::step);
}

void Countdown::start(int seconds)
{
    remaining_ = std::max(1, seconds);
    timer_.start();
    emit changed();
}

void Countdown::cancel()
{
    if (!isRunning())
        return;
    timer_.stop();
    remaining_ = 0;
    emit changed();
}

void Countdown::step()
{
    if (--remaining_ > 0) {
        emit changed();
        return;
    }
    timer_.stop();
    emit changed();
    emit finished();
}

} // namespace tarnix
