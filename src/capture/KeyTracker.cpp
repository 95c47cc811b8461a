#include "capture/KeyTracker.h"

#include <QMetaObject>
#include <QPointer>

#include "capture/CaptureClock.h"
#include "capture/CaptureBackend.h"

namespace tarnix {

KeyTracker::KeyTracker(QObject* parent)
    : QObject(parent)
    , factory_(keySourceFactory(sessionCaptureBackend()))
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
    inbox_ = std::make_shared<Inbox>(); // a monitor of an earlier run may still hold the old one
    auto inbox = inbox_;
    auto pauses = pauses_;
    try {
        monitor_ = factory_([self, generation, start, scope, role, locked, inbox, pauses](const KeyPress& press,
                                                                                         double time) {
            // On the monitor's thread: a key pressed while paused is not kept at all; the others
            // are judged against the focus as it is now.
            const auto recorded = pauses->recordedTime(time);
            if (!recorded)
                return;
            KeyboardContext context;
            context.focusKnown = role && role->known;
            context.passwordFocused = role && role->passwordFocused;
            context.screenLocked = *locked;
            if (!keepsKey(press, scope, context))
                return;
            {
                std::lock_guard lock(inbox->mutex);
                inbox->keys.push_back({Uuid::random(), *recorded - start, press.key, press.modifiers});
            }
            QMetaObject::invokeMethod(self.data(), [self, generation] {
                if (self && self->generation_ == generation)
                    self->collect();
            }, Qt::QueuedConnection);
        });
    } catch (const std::exception& error) {
        monitorError_ = error.what();
        lockWatch_.stop();
    }
}

void KeyTracker::stop()
{
    monitor_.reset(); // joins the monitor's thread: no key is added after this
    lockWatch_.stop();
    startTime_.reset();
    collect();
}

void KeyTracker::collect()
{
    std::vector<KeyEvent> arrived;
    {
        std::lock_guard lock(inbox_->mutex);
        arrived.swap(inbox_->keys);
    }
    if (arrived.empty())
        return;
    keys_.insert(keys_.end(), arrived.begin(), arrived.end());
    emit keysChanged();
}

} // namespace tarnix
