#include "app/RecordingSession.h"

#include <algorithm>

#include "app/DocumentFiles.h"
#include "app/TimelineAssembly.h"
#include "capture/CaptureBackend.h"
#include "capture/CaptureClock.h"
#include "capture/CaptureMessages.h"
#include "media/EncoderFrames.h"

namespace tarnix {

RecordingSession::RecordingSession(QObject* parent)
    : QObject(parent)
{
    connect(&recorder_, &ScreenRecorder::isRecordingChanged, this, &RecordingSession::isRecordingChanged);
    connect(&recorder_, &ScreenRecorder::stoppedByItself, this, &RecordingSession::onScreenStoppedByItself);
    connect(&recorder_, &ScreenRecorder::soundGapsChanged, this, &RecordingSession::recordingNoticesChanged);
    connect(&recorder_, &ScreenRecorder::displayChangesChanged, this, &RecordingSession::recordingNoticesChanged);
    connect(&micRecorder_, &MicrophoneRecorder::soundGapsChanged, this, &RecordingSession::recordingNoticesChanged);
    cursorTracker_.setPointerSourceFactory(pointerSourceFactory(sessionCaptureBackend()));
}

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
    auto source = sourceProvider_.source(selectedSourceID_);
    if (!source) {
        if (done)
            done();
        return;
    }
    recordingSource_ = source;
    notices_.clear();
    recordingStartedAt_ = CaptureClock::dateOf(CaptureClock::now());
    stoppedAt_.reset();
    cursorTracker_.start();
    focusedElementTracker_.start();
    if (selectedCameraID_)
        cameraRecorder_.start();
    if (selectedMicID_)
        micRecorder_.start();
    recorder_.start(*source, sourceProvider_.ownWindows(), includeSystemAudio_, [this, done] {
        if (recorder_.isRecording()) {
            active_ = true;
            // The portal says what it recorded (size, place) only once the desktop has started.
            if (recorder_.recordedSource())
                recordingSource_ = recorder_.recordedSource();
            notices_ = recorder_.notices();
            // A click is placed where the pointer is: without its position there are none.
            const bool noPointer = std::find(notices_.begin(), notices_.end(), CaptureMessages::kNoCursorShared) !=
                                   notices_.end();
            if (noPointer && recordingSource_->backend() == CaptureBackend::portal)
                notices_.push_back(CaptureMessages::kNoClicksShared);
            else if (auto limitation = cursorTracker_.limitation())
                notices_.push_back(*limitation);
            if (done)
                done();
            return;
        }
        // The screen did not start: undo whatever did.
        cursorTracker_.stop();
        focusedElementTracker_.stop();
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
    return notices;
}

std::vector<TimelineAssembly::PictureChange> RecordingSession::pictureChanges() const
{
    std::vector<TimelineAssembly::PictureChange> changes;
    const auto& first = recorder_.firstFrameWallClockDate();
    const QSize movie = recorder_.movieSize();
    if (!first || movie.isEmpty() || !recordingSource_)
        return changes;
    for (const DisplayChange& change : recorder_.displayChanges()) {
        if (change.area.isEmpty())
            continue;
        // The movie's frame in pixels has its origin at the top-left; the document's at the
        // bottom-left.
        const QRect fitted = media::fitCentred(change.size, movie);
        const double width = movie.width();
        const double height = movie.height();
        changes.push_back({change.time - CaptureClock::monotonicOf(*first), recordingSource_->toScreen(change.area),
                           Rect{fitted.x() / width, (height - fitted.y() - fitted.height()) / height,
                                fitted.width() / width, fitted.height() / height}});
    }
    return changes;
}

RecordingSession::StopContext RecordingSession::takeStopContext()
{
    active_ = false;
    stoppedAt_ = CaptureClock::now();
    emit recordingNoticesChanged();
    return {recordingStartedAt_.value_or(CaptureClock::dateOf(CaptureClock::now())),
            cursorTracker_.startTime(), focusedElementTracker_.startTime()};
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

void RecordingSession::finishStop(const StopContext& context)
{
    if (recorder_.appendedFrameCount() < 1 || !recorder_.lastOutputURL() || !recordingSource_)
        return;
    TimelineAssembly::Inputs in;
    in.videoURL = *recorder_.lastOutputURL();
    if (selectedCameraID_)
        in.cameraURL = cameraRecorder_.lastOutputURL();
    if (selectedMicID_)
        in.microphoneURL = micRecorder_.lastOutputURL();
    in.cameraSelected = selectedCameraID_.has_value();
    in.hasSystemAudio = recorder_.capturedSystemAudio();
    in.startedAt = context.startedAt;
    in.captureFrame = recordingSource_->screenFrame();
    in.firstFrame = recorder_.firstFrameWallClockDate();
    in.cursorStart = context.cursorStart;
    in.focusStart = context.focusStart;
    in.cursorSamples = cursorTracker_.samples();
    in.clickEvents = cursorTracker_.clicks();
    in.focusedElementSamples = focusedElementTracker_.samples();
    in.pictureChanges = pictureChanges();
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
    emit completedTimelineChanged();
}

} // namespace tarnix
