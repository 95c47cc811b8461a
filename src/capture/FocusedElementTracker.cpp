#include "capture/FocusedElementTracker.h"

#include <QMetaObject>
#include <QPointer>

#include <cmath>

#include "capture/CaptureBackend.h"
#include "capture/CaptureClock.h"
#include "capture/atspi/AtspiFocusMonitor.h"
#include "capture/x11/X11SourceLister.h"

namespace tarnix {

namespace {

ScreenSpace currentScreenSpace()
{
    try {
        x11::Connection connection;
        return screenSpaceOf(x11::listDisplays(connection));
    } catch (const x11::X11Error&) {
        return {}; // no screen: heights count as 0
    }
}

} // namespace

FocusedElementTracker::FocusedElementTracker(QObject* parent)
    : QObject(parent)
    , trustCheck_(atspi::isTrusted)
{
}

FocusedElementTracker::~FocusedElementTracker() = default;

bool FocusedElementTracker::roughlyEqual(const Rect& a, const Rect& b)
{
    return std::abs(a.x - b.x) < 1 && std::abs(a.y - b.y) < 1 && std::abs(a.width - b.width) < 1 &&
           std::abs(a.height - b.height) < 1;
}

void FocusedElementTracker::start()
{
    stop();
    if (!trustCheck_ || !trustCheck_(true))
        return;
    startMonotonic_ = CaptureClock::now();
    startTime_ = CaptureClock::dateOf(startMonotonic_);
    samples_.clear();
    emit samplesChanged();
    lastRect_.reset();
    const std::uint64_t generation = ++generation_;
    const ScreenSpace space = currentScreenSpace();
    QPointer<FocusedElementTracker> self(this);
    try {
        // A Wayland desktop tells no client which window is active; AT-SPI does.
        const auto test = sessionCaptureBackend() == CaptureBackend::portal ? atspi::FrontmostTest::activeTopLevel
                                                                            : atspi::FrontmostTest::x11ActiveWindow;
        monitor_ = std::make_unique<atspi::FocusMonitor>(
            kPollInterval, test, [self, generation, space](std::optional<Rect> rootFrame, double time) {
                std::optional<Rect> frame;
                if (rootFrame)
                    frame = space.toScreen(QRectF(rootFrame->x, rootFrame->y, rootFrame->width, rootFrame->height));
                QMetaObject::invokeMethod(self.data(), [self, generation, frame, time] {
                    if (self && self->generation_ == generation && self->isRunning())
                        self->handlePoll(frame, time);
                }, Qt::QueuedConnection);
            },
            focusRole_);
    } catch (const std::exception&) {
        // The bus went away between the trust check and now: no samples this run.
    }
}

void FocusedElementTracker::stop()
{
    monitor_.reset();
    startTime_.reset();
}

void FocusedElementTracker::handlePoll(const std::optional<Rect>& frame, double time)
{
    ++pollCount_;
    const auto recorded = pauses_->recordedTime(time);
    if (!recorded || !frame || !(frame->width > 0) || !(frame->height > 0))
        return;
    if (lastRect_ && roughlyEqual(*lastRect_, *frame))
        return;
    lastRect_ = frame;
    samples_.push_back({Uuid::random(), *recorded - startMonotonic_, *frame});
    emit samplesChanged();
}

} // namespace tarnix
