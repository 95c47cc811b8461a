#include "studio/TimelineKeyboard.h"

#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QTimer>

#include <chrono>

#include "studio/StudioSession.h"
#include "studio/timeline/TrimHandleView.h"
#include "studio/timeline/TimelineView.h"

namespace tarnix {

using Command = TimelineCommand;

namespace {

double steadySeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

} // namespace

TimelineKeyboard::TimelineKeyboard(QWidget& window, StudioSession& session, TimelineView& timeline)
    : QObject(&timeline)
    , window_(window)
    , session_(session)
    , playback_(session.playback())
    , timelineView_(timeline)
    , reverseTimer_(new QTimer(this))
{
    qApp->installEventFilter(this);
    reverseTimer_->setInterval(1000 / 30);
    connect(reverseTimer_, &QTimer::timeout, this, &TimelineKeyboard::stepBackwards);
}

TimelineKeyboard::~TimelineKeyboard()
{
    qApp->removeEventFilter(this);
}

bool TimelineKeyboard::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    if (widget->window() != window_.window() || !window_.isVisible())
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    std::optional<Command> command = TimelineKeys::commandFor(key->key(), key->modifiers());
    if (!command || !handles(*command, QApplication::focusWidget()))
        return false;
    run(*command);
    return true;
}

bool TimelineKeyboard::handles(Command command, QWidget* focus) const
{
    if (!focus)
        return true;
    bool inTimeline = focus == &timelineView_ || timelineView_.isAncestorOf(focus);
    if (command == Command::nextClip || command == Command::previousClip)
        return inTimeline;
    if (qobject_cast<TrimHandleView*>(focus))
        return command != Command::frameBack && command != Command::frameForward &&
               command != Command::secondBack && command != Command::secondForward;
    // Controls that read these keys themselves.
    return !(qobject_cast<QLineEdit*>(focus) || qobject_cast<QTextEdit*>(focus) ||
             qobject_cast<QPlainTextEdit*>(focus) || qobject_cast<QAbstractSpinBox*>(focus) ||
             qobject_cast<QAbstractSlider*>(focus) || qobject_cast<QComboBox*>(focus) ||
             qobject_cast<QAbstractItemView*>(focus));
}

void TimelineKeyboard::run(Command command)
{
    if (command == Command::playBackward) {
        playBackwards();
        return;
    }
    // Any other key ends playing backwards, then does what it does.
    reverse_.stop();
    reverseTimer_->stop();
    switch (command) {
    case Command::zoomIn:
        timelineView_.zoomBy(TimelineViewport::kZoomStep);
        return;
    case Command::zoomOut:
        timelineView_.zoomBy(1 / TimelineViewport::kZoomStep);
        return;
    case Command::zoomToFit:
        timelineView_.fitAll();
        return;
    case Command::nextClip:
    case Command::previousClip:
        selectAdjacentClip(command == Command::nextClip);
        return;
    case Command::pause:
        setPlaying(false);
        return;
    case Command::playForward:
        setPlaying(true);
        return;
    default:
        break;
    }
    // A frame step is a paused gesture; the others keep playing from where they land.
    if (command == Command::frameBack || command == Command::frameForward)
        setPlaying(false);
    std::optional<double> t = TimelineKeys::playheadAfter(command, playback_.currentTime(), playback_.frameDuration(),
                                                          playback_.duration(), session_.editState());
    if (!t)
        return;
    playback_.seek(*t);
    timelineView_.revealTime(*t);
}

void TimelineKeyboard::playBackwards()
{
    setPlaying(false);
    if (reverse_.isRunning() && playback_.currentTime() != reverseShown_)
        reverse_.stop(); // moved elsewhere meanwhile: start afresh from there
    reverse_.press(steadySeconds(), playback_.currentTime());
    reverseShown_ = playback_.currentTime();
    reverseTimer_->start();
}

void TimelineKeyboard::stepBackwards()
{
    // Played, or sought elsewhere (a click on the timeline, a transport button): that wins.
    if (playback_.isPlaying() || playback_.currentTime() != reverseShown_)
        reverse_.stop();
    std::optional<double> t =
        reverse_.timeAt(steadySeconds(), KeptTime::of(session_.editState(), playback_.duration()));
    if (t) {
        playback_.seek(*t);
        reverseShown_ = playback_.currentTime();
        timelineView_.revealTime(*t);
    }
    if (!reverse_.isRunning())
        reverseTimer_->stop();
}

void TimelineKeyboard::setPlaying(bool playing)
{
    if (playback_.isPlaying() != playing)
        playback_.togglePlayback();
}

void TimelineKeyboard::selectAdjacentClip(bool forward)
{
    TimelineModel& model = timelineView_.model();
    using Track = TimelineModel::Track;
    std::optional<TimelineKeys::ClipRef> selected;
    for (Track track : {Track::cut, Track::speed, Track::zoom, Track::redact, Track::text})
        if (auto id = model.selectedID(track); id && !selected)
            selected = TimelineKeys::ClipRef{track, *id};
    auto next = TimelineKeys::adjacentClip(session_.editState(), selected, playback_.currentTime(), forward);
    if (!next)
        return;
    // One selection at a time, so that Delete and the next Tab act on this clip.
    model.clearSelections();
    model.select(next->track, next->id);
    if (auto span = model.spanOf(next->track, next->id))
        timelineView_.revealTime(span->lower);
    timelineView_.refresh();
}

} // namespace tarnix
