#include "studio/IdleSpeedUp.h"

#include <QtConcurrent/QtConcurrentRun>

#include <optional>
#include <vector>

#include "compositing/IdleTime.h"
#include "document/SpeedRegions.h"
#include "media/MediaError.h"
#include "studio/FutureCallback.h"
#include "studio/StudioSession.h"

namespace tarnix {

struct IdleSpeedUp::Result {
    std::vector<TimeSpan> spans;
    std::optional<QString> failure;
    bool stopped = false;
};

IdleSpeedUp::IdleSpeedUp(StudioSession& session, QObject* parent) : QObject(parent), session_(session) {}

IdleSpeedUp::~IdleSpeedUp()
{
    if (stop_)
        *stop_ = true;
    worker_.waitForFinished();
}

bool IdleSpeedUp::canStart() const
{
    return !running_ && session_.timeline().videoURL && session_.playback().duration() > 0;
}

bool IdleSpeedUp::start()
{
    if (!canStart())
        return false;
    running_ = true;
    stop_ = std::make_shared<std::atomic_bool>(false);
    // The worker gets its own copy of the document: the samples it reads and the movie's path.
    RecordingTimeline document = session_.timeline();
    double duration = session_.playback().duration();
    auto result = std::make_shared<Result>();
    auto find = [document = std::move(document), duration, stop = stop_, result] {
        try {
            result->spans = IdleTime::idleSpans(document, duration, [stop] { return bool(*stop); });
        } catch (const std::exception& e) {
            result->failure = QString::fromStdString(media::describe(e));
        }
        result->stopped = *stop;
    };
    worker_ = QtConcurrent::run(find);
    whenFinished(this, worker_, [this, result](const QFuture<void>&) { finish(*result); });
    session_.messages().showNotice(tr("Looking for idle time…"));
    emit runningChanged();
    return true;
}

void IdleSpeedUp::finish(const Result& result)
{
    running_ = false;
    emit runningChanged();
    if (result.stopped)
        return;
    if (result.failure) {
        session_.messages().clearEditNotice();
        session_.messages().setErrorMessage(tr("Couldn't look for idle time: %1").arg(*result.failure));
        return;
    }
    if (result.spans.empty()) {
        session_.messages().showNotice(tr("No idle time found (%1 s or more without activity or change on screen)")
                                           .arg(IdleTime::kMinimumIdle));
        return;
    }
    double duration = session_.playback().duration();
    StudioEditState next = session_.editState();
    next.speedRegions = IdleTime::withIdleSpedUp(next.speedRegions, result.spans, duration);
    double idle = 0;
    for (const TimeSpan& span : result.spans)
        idle += span.duration();
    session_.setLiveEditState(std::move(next));
    session_.commit();
    session_.messages().showNotice(tr("Idle time (%1 s) now plays at %2")
                                       .arg(idle, 0, 'f', 1)
                                       .arg(QString::fromStdString(speedLabel(kIdleSpeed))));
}

} // namespace tarnix
