#include "capture/KeyTracker.h"

#include <QMetaObject>
#include <QPointer>

#include "capture/CaptureClock.h"
#include "capture/x11/X11KeyMonitor.h"

namespace tarnix {

KeyTracker::KeyTracker(QObject* parent)
    : QObject(parent)
    , factory_([](KeySource::Handler handler) -> std::unique_ptr<KeySource> {
        return std::make_unique<x11::KeyMonitor>(std::move(handler));
    })
{
}

KeyTracker::~KeyTracker()
{
    stop();
}

void KeyTracker::start(KeyCaptureScope scope)
{
    stop();
    const double start = CaptureClock::now();
    startTime_ = CaptureClock::dateOf(start);
    keys_.clear();
    emit keysChanged();
    monitorError_.reset();
    lockWatch_.start();
    const std::uint64_t generation = ++generation_;
    QPointer<KeyTracker> self(this);
    auto role = focusRole_;
    auto locked = lockWatch_.locked();
    try {
        monitor_ = factory_([self, generation, start, scope, role, locked](const KeyPress& press, double time) {
            // On the monitor's thread: judge the press against the focus as it is now.
            KeyboardContext context;
            context.focusKnown = role && role->known;
            context.passwordFocused = role && role->passwordFocused;
            context.screenLocked = *locked;
            if (!keepsKey(press, scope, context))
                return;
            KeyEvent event{Uuid::random(), time - start, press.key, press.modifiers};
            QMetaObject::invokeMethod(self.data(), [self, generation, event = std::move(event)] {
                if (!self || self->generation_ != generation)
                    return;
                self->keys_.push_back(event);
                emit self->keysChanged();
            }, Qt::QueuedConnection);
        });
    } catch (const std::exception& error) {
        monitorError_ = error.what();
        lockWatch_.stop();
    }
}

void KeyTracker::stop()
{
    monitor_.reset(); // joins the monitor's thread; keys it already posted still arrive
    lockWatch_.stop();
    startTime_.reset();
}

} // namespace tarnix
