#include "capture/CursorTracker.h"

#include <QMetaObject>
#include <QPointer>

#include "capture/CaptureClock.h"
#include "capture/x11/X11Connection.h"
#include "capture/x11/X11PointerMonitor.h"

namespace tarnix {

CursorTracker::CursorTracker(QObject* parent)
    : QObject(parent)
    , factory_(x11::watchPointer)
{
}

CursorTracker::~CursorTracker() = default;

void CursorTracker::start()
{
    stop();
    const double start = CaptureClock::now();
    startTime_ = CaptureClock::dateOf(start);
    samples_.clear();
    clicks_.clear();
    emit samplesChanged();
    emit clicksChanged();
    monitorError_.reset();
    limitation_.reset();
    const std::uint64_t generation = ++generation_;
    QPointer<CursorTracker> self(this);
    try {
        monitor_ = factory_(
            [self, generation, start](PointerEvent event, Point point, double time) {
                // Runs on the monitor's thread: hand the record to the GUI thread.
                QMetaObject::invokeMethod(self.data(), [self, generation, start, event, point, time] {
                    if (!self || self->generation_ != generation)
                        return;
                    const auto recorded = self->pauses_->recordedTime(time);
                    if (!recorded)
                        return; // paused
                    const double timestamp = *recorded - start;
                    switch (event) {
                    case PointerEvent::moved:
                        self->samples_.push_back({Uuid::random(), timestamp, point});
                        emit self->samplesChanged();
                        return;
                    case PointerEvent::leftDown:
                    case PointerEvent::leftUp:
                    case PointerEvent::rightDown:
                    case PointerEvent::rightUp: {
                        static constexpr ClickKind kinds[] = {ClickKind::leftDown, ClickKind::leftDown,
                                                              ClickKind::leftUp, ClickKind::rightDown,
                                                              ClickKind::rightUp};
                        self->clicks_.push_back({Uuid::random(), timestamp, point,
                                                 kinds[static_cast<int>(event)]});
                        emit self->clicksChanged();
                        return;
                    }
                    }
                }, Qt::QueuedConnection);
            });
        limitation_ = monitor_->limitation();
    } catch (const std::exception& error) {
        monitorError_ = error.what();
    }
}

void CursorTracker::stop()
{
    monitor_.reset(); // joins the monitor's thread; events it already posted still arrive
    startTime_.reset();
}

} // namespace tarnix
