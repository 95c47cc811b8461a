#pragma once

#include <QObject>
#include <QTimer>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "capture/CameraRecorder.h"
#include "capture/CapturePauses.h"
#include "capture/CaptureSourceProvider.h"
#include "capture/CursorTracker.h"
#include "capture/FocusedElementTracker.h"
#include "capture/KeyTracker.h"
#include "capture/MicrophoneRecorder.h"
#include "capture/ScreenRecorder.h"
#include "capture/portal/PortalCapture.h"
#include "app/TimelineAssembly.h"
#include "document/RecordingTimeline.h"

// The spine of a recording, without any user interface: owns one of each capture service, starts
// and stops them together, and turns what they produced into the recording document, which it
// also saves beside the movie (see DocumentFiles) so that the cursor, click and focus samples
// survive whatever happens to the window. While a recording runs, its journal (RecordingJournal)
// keeps the samples on disk, so that even a crash or a kill leaves a recording that can be
// recovered (RecordingRecovery). The application window and tarnix-cli share it.
//
// Threads: a QObject of the GUI thread; everything here runs there.

namespace tarnix {

class RecordingJournal;

class RecordingSession : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isRecording READ isRecording NOTIFY isRecordingChanged)
    Q_PROPERTY(bool hasCompletedTimeline READ hasCompletedTimeline NOTIFY completedTimelineChanged)
    Q_PROPERTY(bool includeSystemAudio READ includeSystemAudio WRITE setIncludeSystemAudio NOTIFY includeSystemAudioChanged)

public:
    // How often a running recording's new samples go to its journal.
    static constexpr std::chrono::milliseconds kJournalInterval{500};

    explicit RecordingSession(QObject* parent = nullptr);
    ~RecordingSession() override;

    CaptureSourceProvider& sourceProvider() { return sourceProvider_; }
    ScreenRecorder& recorder() { return recorder_; }
    CursorTracker& cursorTracker() { return cursorTracker_; }
    FocusedElementTracker& focusedElementTracker() { return focusedElementTracker_; }
    KeyTracker& keyTracker() { return keyTracker_; }
    CameraDeviceProvider& cameraProvider() { return cameraProvider_; }
    CameraRecorder& cameraRecorder() { return cameraRecorder_; }
    MicrophoneDeviceProvider& micProvider() { return micProvider_; }
    MicrophoneRecorder& micRecorder() { return micRecorder_; }

    // The selections (identifiers as the providers list them; none = nothing chosen). Each
    // setter signals only a real change. The next recording starts with what they hold.
    const std::optional<std::string>& selectedSourceID() const { return selectedSourceID_; }
    const std::optional<std::string>& selectedCameraID() const { return selectedCameraID_; }
    const std::optional<std::string>& selectedMicID() const { return selectedMicID_; }
    bool includeSystemAudio() const { return includeSystemAudio_; }
    void setSelectedSourceID(std::optional<std::string> identifier);
    void setSelectedCameraID(std::optional<std::string> identifier);
    void setSelectedMicID(std::optional<std::string> identifier);
    void setIncludeSystemAudio(bool include);

    // The part of the selected display to record, in its pixels (origin at its top-left); nothing
    // records all of it. Ignored for windows and applications.
    const std::optional<QRect>& selectedArea() const { return selectedArea_; }
    void setSelectedArea(std::optional<QRect> area);

    // On a portal desktop: the desktop shares the display `displayIdentifier` now (asking the
    // user which one), so that an area can be chosen on a still of it; the next recording of a
    // display takes that cast over, so the desktop asks once. `done` sees the outcome on this
    // thread and says whether the shared display is wanted (else it stops being shared at once);
    // a second call while one is asked for does nothing.
    void shareDisplayAhead(const std::string& displayIdentifier,
                           std::function<bool(const portal::SharedDisplay::Outcome&)> done);
    // Ends a display shared ahead that no recording took (the area was not confirmed).
    void releaseSharedDisplay() { sharedDisplay_->reset(); }
    bool holdsSharedDisplay() const { return *sharedDisplay_ != nullptr; }
    // Whether the desktop is being asked for a display to share ahead.
    bool isSharingAhead() const { return sharingAhead_; }

    // Which keys the next recording keeps; nothing (the default) records none.
    const std::optional<KeyCaptureScope>& keyCapture() const { return keyCapture_; }
    void setKeyCapture(std::optional<KeyCaptureScope> scope) { keyCapture_ = scope; }

    // Where every recorder writes; nothing = the videos folder, else the temporary folder.
    void setOutputDirectory(const std::optional<std::filesystem::path>& directory);

    bool isRecording() const { return recorder_.isRecording(); }
    const std::optional<CaptureSource>& recordingSource() const { return recordingSource_; }
    // What the desktop does not share in the running or last recording (no pointer position, no
    // clicks), each a sentence for the user; empty on X11.
    const std::vector<std::string>& notices() const { return notices_; }
    // What the last stop found, each a sentence for the user: the desktop ended the sharing, or
    // the pointer's position was asked for but never came. Nobody has seen these yet.
    const std::vector<std::string>& stopNotices() const { return stopNotices_; }
    // What happened during the running or last recording that the user must hear of, each a
    // sentence: sound that went missing (the sound server stopped), a display that changed size,
    // a journal that can no longer be written (until the stop), then what the stop found
    // (stopNotices). Live while recording; after the stop, a gap that
    // never closed lasts to the end. The one list to say once a recording is over.
    std::vector<std::string> recordingNotices() const;
    const std::optional<Date>& recordingStartedAt() const { return recordingStartedAt_; }
    // The finished recording's document; present once a recording has been completed.
    const std::optional<RecordingTimeline>& completedTimeline() const { return completedTimeline_; }
    bool hasCompletedTimeline() const { return completedTimeline_.has_value(); }
    // Where the completed document was saved, or why it could not be.
    const std::optional<std::filesystem::path>& documentURL() const { return documentURL_; }
    const std::optional<std::string>& documentError() const { return documentError_; }

    // Pausing: while a recording is paused nothing of it is kept (no frames, no sound, no
    // camera, no samples), and every file closes the gap, so the recording reads as one
    // continuous take. Ignored when no recording runs; a stop while paused ends it there.
    bool isPaused() const { return active_ && pauses_->isPaused(); }
    void setPaused(bool paused);
    void togglePause() { setPaused(!isPaused()); }
    // The pauses of the running or last recording, on CaptureClock.
    const CapturePauses& pauses() const { return *pauses_; }
    // Seconds recorded so far in the running recording, from its first frame, paused time left
    // out; 0 when none runs or before the first frame.
    double recordedSeconds() const;

    // Starts a recording when the screen recorder is idle, else stops the running one. `done`
    // runs on this thread when the start or stop has finished. A press while a recording whose
    // capture stopped by itself is still being finished does nothing.
    void toggleRecording(std::function<void()> done = {});

signals:
    void selectedSourceIDChanged();
    void selectedCameraIDChanged();
    void selectedMicIDChanged();
    void includeSystemAudioChanged(bool);
    void selectedAreaChanged();
    void isRecordingChanged(bool);
    void completedTimelineChanged();
    // A recording whose capture stopped by itself (its window was closed, the desktop ended the
    // sharing...) has been stopped like a pressed stop: its document is written when frames
    // were. A failure is in the screen recorder's errorMessage; the desktop's own stop is only
    // in stopNotices().
    void recordingEndedByItself();
    void recordingNoticesChanged();
    void pausedChanged(bool paused);

private:
    // What the stop needs from the moment it began.
    struct StopContext {
        Date startedAt;
        std::optional<Date> cursorStart;
        std::optional<Date> focusStart;
        std::optional<Date> keyStart;
    };
    void startRecording(std::function<void()> done);
    void stopRecording(std::function<void()> done);
    void onScreenStoppedByItself();
    StopContext takeStopContext();
    // Everything after the screen recorder's stop: trackers, camera, microphone, document.
    void stopTheRest(const StopContext& context, std::function<void()> done);
    void finishStop(const StopContext& context);
    void collectStopNotices();
    // What the document is made of, its samples aside.
    TimelineAssembly::Inputs recordingInputs(const StopContext& context) const;
    void openJournal();
    void writeJournal();
    // Ends the journal: removed once the document is written (or when there is nothing to
    // recover), kept otherwise.
    void closeJournal(bool documentWritten);
    // Says once that the journal can't be written, as soon as the journal knows.
    void noticeJournalFailure();
    // Where the followed window was, on the movie's time line (0 for what came before it), in
    // screen space.
    std::vector<CaptureFrameSample> followedFrameSamples() const;
    void startKeyTracker();
    // The selected source, cut to the selected area; nothing (and the recorder says why) when
    // there is no such source or the area is not on it.
    std::optional<CaptureSource> sourceToRecord();
    // Hands the one list of pauses to every recorder and tracker.
    void sharePauses();

    CaptureSourceProvider sourceProvider_;
    ScreenRecorder recorder_;
    CursorTracker cursorTracker_;
    FocusedElementTracker focusedElementTracker_;
    KeyTracker keyTracker_;
    CameraDeviceProvider cameraProvider_;
    CameraRecorder cameraRecorder_;
    MicrophoneDeviceProvider micProvider_;
    MicrophoneRecorder micRecorder_;

    std::optional<std::string> selectedSourceID_;
    std::optional<std::string> selectedCameraID_;
    std::optional<std::string> selectedMicID_;
    bool cameraRecorded_ = false; // whether this recording's camera and microphone files were started
    bool micRecorded_ = false;
    bool includeSystemAudio_ = false;
    std::optional<QRect> selectedArea_;
    std::optional<KeyCaptureScope> keyCapture_;

    bool active_ = false; // from a successful start until the stop sequence begins
    std::optional<CaptureSource> recordingSource_;
    std::vector<std::string> notices_;
    std::vector<std::string> stopNotices_;
    bool pointerAskedFor_ = false; // the desktop agreed to send the pointer's position
    std::optional<Date> recordingStartedAt_;
    std::optional<double> stoppedAt_; // CaptureClock time the last stop began
    std::optional<RecordingTimeline> completedTimeline_;
    std::optional<std::filesystem::path> documentURL_;
    std::optional<std::string> documentError_;
    std::unique_ptr<RecordingJournal> journal_;
    std::optional<std::string> journalFailure_; // the running or last recording's, for the user
    // Shared with every recorder and tracker; cleared at each start.
    std::shared_ptr<CapturePauses> pauses_ = std::make_shared<CapturePauses>();
    QTimer journalTimer_;
    // A display the desktop shares ahead of its recording, until the recording takes it.
    portal::SharedDisplayHold sharedDisplay_ = std::make_shared<std::unique_ptr<portal::SharedDisplay>>();
    std::shared_ptr<portal::CursorFeed> cursorFeed_ = std::make_shared<portal::CursorFeed>();
    bool sharingAhead_ = false;
};

} // namespace tarnix
