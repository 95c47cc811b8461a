#include "app/RecordingSession.h"

#include <QPointer>

#include <algorithm>
#include <system_error>

#include "app/DocumentFiles.h"
#include "app/RecordingJournal.h"
#include "app/TimelineAssembly.h"
#include "capture/CaptureBackend.h"
#include "capture/CaptureClock.h"
#include "capture/CaptureMessages.h"
#include "capture/portal/CursorFeed.h"
#include "media/MediaAsset.h"

namespace tarnix {

namespace {

// The finished movie's length from its headers; nothing when it cannot be read, and the automatic
// zoom regions then keep their own ends.
std::optional<double> movieDuration(const std::filesystem::path& movie)
{
    try {
        const auto asset = media::MediaAsset::load(movie, media::DurationNeed::optional);
        if (asset.hasDuration())
            return asset.duration();
    } catch (const std::exception&) {
    }
    return std::nullopt;
}

} // namespace

RecordingSession::RecordingSession(QObject* parent)
    : QObject(parent)
{
    connect(&recorder_, &ScreenRecorder::isRecordingChanged, this, &RecordingSession::isRecordingChanged);
    connect(&recorder_, &ScreenRecorder::stoppedByItself, this, &RecordingSession::onScreenStoppedByItself);
    connect(&recorder_, &ScreenRecorder::soundGapsChanged, this, &RecordingSession::recordingNoticesChanged);
    connect(&recorder_, &ScreenRecorder::displayChangesChanged, this, &RecordingSession::recordingNoticesChanged);
    connect(&micRecorder_, &MicrophoneRecorder::soundGapsChanged, this, &RecordingSession::recordingNoticesChanged);
    // On a portal desktop the pointer's positions come with the cast's pictures.
    recorder_.setFrameSourceOpener(frameSourceOpener(cursorFeed_, sharedDisplay_));
    cursorTracker_.setPointerSourceFactory(pointerSourceFactory(sessionCaptureBackend(), cursorFeed_));
    // Keys come from the X server, or on a portal desktop from the keyboards libinput can read.
    keyTracker_.setKeySourceFactory(keySourceFactory(sessionCaptureBackend()));
    journalTimer_.setInterval(kJournalInterval);
    connect(&journalTimer_, &QTimer::timeout, this, &RecordingSession::writeJournal);
    keyTracker_.setFocusRole(focusedElementTracker_.focusRole());
    sharePauses();
}

void RecordingSession::sharePauses()
{
    recorder_.setPauses(pauses_);
    cursorTracker_.setPauses(pauses_);
    focusedElementTracker_.setPauses(pauses_);
    keyTracker_.setPauses(pauses_);
    cameraRecorder_.setPauses(pauses_);
    micRecorder_.setPauses(pauses_);
}

void RecordingSession::setPaused(bool paused)
{
    if (!active_ || paused == pauses_->isPaused())
        return;
    if (paused)
        pauses_->pause();
    else
        pauses_->resume();
    emit pausedChanged(paused);
}

double RecordingSession::recordedSeconds() const
{
    // On the movie's time line, which starts at its first frame (a portal start may wait for the
    // desktop long before it).
    const auto& first = recorder_.firstFrameWallClockDate();
    if (!active_ || !first)
        return 0;
    const double now = pauses_->recordedTimeUpTo(CaptureClock::now());
    return std::max(0.0, now - CaptureClock::monotonicOf(*first));
}

RecordingSession::~RecordingSession() = default;

void RecordingSession::setSelectedSourceID(std::optional<std::string> identifier)
{
    if (identifier == selectedSourceID_)
        return;
    selectedSourceID_ = std::move(identifier);
    emit selectedSourceIDChanged();
}

void RecordingSession::setSelectedCameraID(std::optional<std::string> identifier)
{
    if (identifier == selectedCameraID_)
        return;
    selectedCameraID_ = std::move(identifier);
    emit selectedCameraIDChanged();
}

void RecordingSession::setSelectedMicID(std::optional<std::string> identifier)
{
    if (identifier == selectedMicID_)
        return;
    selectedMicID_ = std::move(identifier);
    emit selectedMicIDChanged();
}

void RecordingSession::setIncludeSystemAudio(bool include)
{
    if (include == includeSystemAudio_)
        return;
    includeSystemAudio_ = include;
    emit includeSystemAudioChanged(include);
}

void RecordingSession::setSelectedArea(std::optional<QRect> area)
{
    if (area == selectedArea_)
        return;
    selectedArea_ = area;
    emit selectedAreaChanged();
}

void RecordingSession::shareDisplayAhead(const std::string& displayIdentifier,
                                         std::function<bool(const portal::SharedDisplay::Outcome&)> done)
{
    const auto display = sourceProvider_.source(displayIdentifier);
    if (sharingAhead_ || !display || display->backend() != CaptureBackend::portal ||
        display->kind() != CaptureSource::Kind::display)
        return;
    sharingAhead_ = true;
    sharedDisplay_->reset(); // one shared display at a time: an earlier one ends
    portal::SharedDisplay::start(*display, cursorFeed_,
                                 [self = QPointer(this), done](portal::SharedDisplay::Outcome outcome) {
                                     if (!self)
                                         return; // the display stops being shared with the outcome
                                     self->sharingAhead_ = false;
                                     if (done(outcome))
                                         *self->sharedDisplay_ = std::move(outcome.display);
                                 });
}

std::optional<CaptureSource> RecordingSession::sourceToRecord()
{
    auto source = sourceProvider_.source(selectedSourceID_);
    if (!source || !selectedArea_ || source->kind() != CaptureSource::Kind::display)
        return source;
    auto cut = source->cutTo(*selectedArea_);
    if (!cut)
        recorder_.refuseStart(CaptureMessages::kAreaOffDisplay);
    return cut;
}

void RecordingSession::setOutputDirectory(const std::optional<std::filesystem::path>& directory)
{
    auto options = recorder_.options();
    options.outputDirectory = directory;
    recorder_.setOptions(options);
    cameraRecorder_.setOutputDirectory(directory);
    micRecorder_.setOutputDirectory(directory);
}

void RecordingSession::toggleRecording(std::function<void()> done)
{
    if (recorder_.isRecording())
        stopRecording(std::move(done));
    else if (!active_)
        startRecording(std::move(done));
    else if (done) // the ended capture's files are being finished; its stop follows by itself
        done();
}

void RecordingSession::startRecording(std::function<void()> done)
{
    auto source = sourceToRecord();
    if (!source) {
        if (done)
            done();
        return;
    }
    recordingSource_ = source;
    notices_.clear();
    stopNotices_.clear();
    pointerAskedFor_ = false;
    pauses_->clear(); // before anything starts stamping
    recordingStartedAt_ = CaptureClock::dateOf(CaptureClock::now());
    stoppedAt_.reset();
    journalFailure_.reset();
    cursorTracker_.start();
    focusedElementTracker_.start();
    startKeyTracker();
    if (selectedCameraID_)
        cameraRecorder_.start();
    if (selectedMicID_)
        micRecorder_.start();
    // A device that is selected but gone (unplugged) or failed to open records nothing this time:
    // its recorder's last file is an earlier recording's and must not be taken for this one's.
    cameraRecorded_ = cameraRecorder_.isRecording();
    micRecorded_ = micRecorder_.isRecording();
    recorder_.start(*source, sourceProvider_.ownWindows(), includeSystemAudio_, [this, done] {
        if (recorder_.isRecording()) {
            active_ = true;
            // The portal says what it recorded (size, place) only once the desktop has started.
            if (recorder_.recordedSource())
                recordingSource_ = recorder_.recordedSource();
            notices_ = recorder_.notices();
            // A click is placed where the pointer is: without its position there are none.
            const bool noPointer = std::find(notices_.begin(), notices_.end(), CaptureMessages::text(CaptureMessages::kNoCursorShared)) !=
                                   notices_.end();
            const bool portal = recordingSource_->backend() == CaptureBackend::portal;
            pointerAskedFor_ = portal && !noPointer;
            if (noPointer && portal)
                notices_.push_back(CaptureMessages::text(CaptureMessages::kNoClicksShared));
            else if (auto limitation = cursorTracker_.limitation())
                notices_.push_back(*limitation);
            if (keyCapture_ && keyTracker_.monitorError())
                notices_.push_back(CaptureMessages::keysNotRecorded(*keyTracker_.monitorError()));
            openJournal();
            if (done)
                done();
            return;
        }
        // The screen did not start: undo whatever did.
        cursorTracker_.stop();
        focusedElementTracker_.stop();
        keyTracker_.stop();
        auto afterCamera = [this, done] {
            if (micRecorder_.isRecording())
                micRecorder_.stop(done);
            else if (done)
                done();
        };
        if (cameraRecorder_.isRecording())
            cameraRecorder_.stop(afterCamera);
        else
            afterCamera();
    });
}

// Keys are read on X11 only: a Wayland desktop shares them with no client (the notice says so).
void RecordingSession::startKeyTracker()
{
    keyTracker_.stop();
    if (keyCapture_)
        keyTracker_.start(*keyCapture_);
}

std::vector<std::string> RecordingSession::recordingNotices() const
{
    // Times are said on the movie's time line, which starts at its first frame.
    const auto& first = recorder_.firstFrameWallClockDate() ? recorder_.firstFrameWallClockDate() : recordingStartedAt_;
    const double movieStart = first ? CaptureClock::monotonicOf(*first) : 0;
    static const std::vector<SoundGap> none;
    auto notices = soundGapNotices(recorder_.systemAudioGaps(), selectedMicID_ ? micRecorder_.soundGaps() : none,
                                   movieStart, stoppedAt_);
    if (auto resized = displayChangeNotice(recorder_.displayChanges(), recorder_.movieSize(), movieStart))
        notices.push_back(std::move(*resized));
    if (journalFailure_)
        notices.push_back(*journalFailure_);
    notices.insert(notices.end(), stopNotices_.begin(), stopNotices_.end());
    return notices;
}

RecordingSession::StopContext RecordingSession::takeStopContext()
{
    // A pause under way lasts to the end: nothing after it is kept.
    const bool wasPaused = isPaused();
    active_ = false;
    if (wasPaused)
        emit pausedChanged(false);
    stoppedAt_ = pauses_->recordedTimeUpTo(CaptureClock::now());
    emit recordingNoticesChanged();
    return {recordingStartedAt_.value_or(CaptureClock::dateOf(CaptureClock::now())),
            cursorTracker_.startTime(), focusedElementTracker_.startTime(), keyTracker_.startTime()};
}

void RecordingSession::stopRecording(std::function<void()> done)
{
    const StopContext context = takeStopContext();
    recorder_.stop([this, done, context] { stopTheRest(context, done); });
}

void RecordingSession::onScreenStoppedByItself()
{
    if (!active_)
        return;
    // Stop everything else as a pressed stop would, so the samples are saved with the movie.
    stopTheRest(takeStopContext(), [this] { emit recordingEndedByItself(); });
}

void RecordingSession::stopTheRest(const StopContext& context, std::function<void()> done)
{
    cursorTracker_.stop();
    focusedElementTracker_.stop();
    keyTracker_.stop();
    collectStopNotices();
    auto finish = [this, done, context] {
        finishStop(context);
        if (done)
            done();
    };
    auto afterCamera = [this, finish] {
        if (selectedMicID_)
            micRecorder_.stop(finish);
        else
            finish();
    };
    if (selectedCameraID_)
        cameraRecorder_.stop(afterCamera);
    else
        afterCamera();
}

void RecordingSession::collectStopNotices()
{
    stopNotices_.clear();
    const auto& recorded = recorder_.notices();
    const std::string endedSharing = CaptureMessages::text(CaptureMessages::kDesktopEndedSharing);
    if (std::find(recorded.begin(), recorded.end(), endedSharing) != recorded.end())
        stopNotices_.push_back(endedSharing);
    // The desktop agreed to send the pointer with its pictures and then never did (GNOME before
    // its cursor metadata was negotiated): the recording has no pointer at all.
    if (pointerAskedFor_ && cursorTracker_.samples().empty())
        stopNotices_.push_back(CaptureMessages::text(CaptureMessages::kNoCursorPositionsArrived));
    if (!stopNotices_.empty())
        emit recordingNoticesChanged();
}

TimelineAssembly::Inputs RecordingSession::recordingInputs(const StopContext& context) const
{
    TimelineAssembly::Inputs in;
    in.videoURL = *recorder_.lastOutputURL();
    if (cameraRecorded_)
        in.cameraURL = cameraRecorder_.lastOutputURL();
    if (micRecorded_)
        in.microphoneURL = micRecorder_.lastOutputURL();
    in.cameraSelected = cameraRecorded_;
    in.hasSystemAudio = recorder_.capturedSystemAudio();
    in.startedAt = context.startedAt;
    in.captureFrame = recordingSource_->screenFrame();
    in.firstFrame = recorder_.firstFrameWallClockDate();
    in.cursorStart = context.cursorStart;
    in.focusStart = context.focusStart;
    in.keyStart = context.keyStart;
    return in;
}

void RecordingSession::openJournal()
{
    journal_.reset();
    if (!recorder_.lastOutputURL() || !recordingSource_)
        return;
    try {
        journal_ = std::make_unique<RecordingJournal>(recordingInputs(
            {*recordingStartedAt_, cursorTracker_.startTime(), focusedElementTracker_.startTime(),
             keyTracker_.startTime()}));
    } catch (const std::exception& error) {
        // The recording goes on; only a crash would lose more than it does without the journal.
        notices_.push_back(tr("Recovery after a crash won't be possible for this recording: %1")
                               .arg(QString::fromUtf8(error.what()))
                               .toStdString());
        return;
    }
    writeJournal();
    journalTimer_.start();
}

void RecordingSession::writeJournal()
{
    if (!journal_)
        return;
    if (const auto& first = recorder_.firstFrameWallClockDate())
        journal_->noteFirstFrame(*first);
    if (recorder_.capturedSystemAudio())
        journal_->noteSystemAudio();
    journal_->appendNew(cursorTracker_.samples());
    journal_->appendNew(cursorTracker_.clicks());
    journal_->appendNew(focusedElementTracker_.samples());
    journal_->appendNew(keyTracker_.keys());
    journal_->appendNew(followedFrameSamples());
    noticeJournalFailure();
}

void RecordingSession::noticeJournalFailure()
{
    const auto failure = journal_->writeFailure();
    if (!failure || journalFailure_)
        return;
    // The movie is another file and may well go on: the recording is not stopped for this.
    journalFailure_ = tr("The recording's safety copy can't be written (%1); the recording goes on, but a crash "
                         "now would lose its cursor and clicks.")
                          .arg(QString::fromStdString(std::generic_category().message(*failure)))
                          .toStdString();
    emit recordingNoticesChanged();
}

std::vector<CaptureFrameSample> RecordingSession::followedFrameSamples() const
{
    std::vector<CaptureFrameSample> samples;
    for (const auto& frame : recorder_.followedFrames())
        samples.push_back({Uuid::random(), std::max(frame.time, 0.0), recordingSource_->screenFrameOf(frame.rootFrame)});
    return samples;
}

void RecordingSession::closeJournal(bool documentWritten)
{
    journalTimer_.stop();
    if (!journal_)
        return;
    writeJournal();
    // Without frames there is nothing to recover; without its document the journal stays, so
    // that the recording can still be recovered.
    if (documentWritten || recorder_.appendedFrameCount() < 1)
        journal_->remove();
    else
        journal_->close();
    journal_.reset();
    // It was said while the recording went on, which it no longer does; the document (or why it
    // couldn't be written) is what counts now.
    if (std::exchange(journalFailure_, std::nullopt))
        emit recordingNoticesChanged();
}

void RecordingSession::finishStop(const StopContext& context)
{
    if (recorder_.appendedFrameCount() < 1 || !recorder_.lastOutputURL() || !recordingSource_) {
        closeJournal(false);
        return;
    }
    TimelineAssembly::Inputs in = recordingInputs(context);
    in.movieDuration = movieDuration(in.videoURL);
    in.cursorSamples = cursorTracker_.samples();
    in.clickEvents = cursorTracker_.clicks();
    in.focusedElementSamples = focusedElementTracker_.samples();
    in.followedFrames = followedFrameSamples();
    in.keyEvents = keyTracker_.keys();
    completedTimeline_ = TimelineAssembly::assemble(in);

    const auto path = DocumentFiles::documentPath(in.videoURL);
    try {
        DocumentFiles::writeNew(*completedTimeline_, path);
        documentURL_ = path;
        documentError_.reset();
    } catch (const std::exception& error) {
        documentURL_.reset();
        documentError_ = error.what();
    }
    closeJournal(documentURL_.has_value());
    emit completedTimelineChanged();
}

} // namespace tarnix
