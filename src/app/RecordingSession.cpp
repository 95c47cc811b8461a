#include "app/RecordingSession.h"

#include "app/DocumentFiles.h"
#include "app/TimelineAssembly.h"
#include "capture/CaptureClock.h"

namespace tarnix {

RecordingSession::RecordingSession(QObject* parent)
    : QObject(parent)
{
    connect(&recorder_, &ScreenRecorder::isRecordingChanged, this, &RecordingSession::isRecordingChanged);
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
    if (!recorder_.isRecording())
        startRecording(std::move(done));
    else
        stopRecording(std::move(done));
}

void RecordingSession::startRecording(std::function<void()> done)
{
    auto source = sourceProvider_.source(selectedSourceID);
    if (!source) {
        if (done)
            done();
        return;
    }
    recordingSource_ = source;
    recordingStartedAt_ = CaptureClock::dateOf(CaptureClock::now());
    cursorTracker_.start();
    focusedElementTracker_.start();
    if (selectedCameraID)
        cameraRecorder_.start();
    if (selectedMicID)
        micRecorder_.start();
    recorder_.start(*source, sourceProvider_.ownWindows(), includeSystemAudio, [this, done] {
        if (recorder_.isRecording()) {
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

void RecordingSession::stopRecording(std::function<void()> done)
{
    const Date startedAt = recordingStartedAt_.value_or(CaptureClock::dateOf(CaptureClock::now()));
    const auto cursorStart = cursorTracker_.startTime();
    const auto focusStart = focusedElementTracker_.startTime();
    recorder_.stop([this, done, startedAt, cursorStart, focusStart] {
        cursorTracker_.stop();
        focusedElementTracker_.stop();
        auto finish = [this, done, startedAt, cursorStart, focusStart] {
            finishStop(startedAt, cursorStart, focusStart);
            if (done)
                done();
        };
        auto afterCamera = [this, finish] {
            if (selectedMicID)
                micRecorder_.stop(finish);
            else
                finish();
        };
        if (selectedCameraID)
            cameraRecorder_.stop(afterCamera);
        else
            afterCamera();
    });
}

void RecordingSession::finishStop(const Date& startedAt, const std::optional<Date>& cursorStart,
                                  const std::optional<Date>& focusStart)
{
    if (recorder_.appendedFrameCount() < 1 || !recorder_.lastOutputURL() || !recordingSource_)
        return;
    TimelineAssembly::Inputs in;
    in.videoURL = *recorder_.lastOutputURL();
    if (selectedCameraID)
        in.cameraURL = cameraRecorder_.lastOutputURL();
    if (selectedMicID)
        in.microphoneURL = micRecorder_.lastOutputURL();
    in.cameraSelected = selectedCameraID.has_value();
    in.hasSystemAudio = recorder_.capturedSystemAudio();
    in.startedAt = startedAt;
    in.captureFrame = recordingSource_->screenFrame();
    in.firstFrame = recorder_.firstFrameWallClockDate();
    in.cursorStart = cursorStart;
    in.focusStart = focusStart;
    in.cursorSamples = cursorTracker_.samples();
    in.clickEvents = cursorTracker_.clicks();
    in.focusedElementSamples = focusedElementTracker_.samples();
    completedTimeline_ = TimelineAssembly::assemble(in);

    const auto path = DocumentFiles::documentPath(in.videoURL);
    try {
        DocumentFiles::writeAtomically(*completedTimeline_, path);
        documentURL_ = path;
        documentError_.reset();
    } catch (const std::exception& error) {
        documentURL_.reset();
        documentError_ = error.what();
    }
    emit completedTimelineChanged();
}

} // namespace tarnix
