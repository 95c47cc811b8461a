#pragma once

#include <QObject>
#include <QRect>
#include <QString>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "capture/CapturePauses.h"
#include "capture/CaptureSource.h"
#include "capture/FrameSource.h"
#include "capture/RecordingNotices.h"
#include "document/Date.h"
#include "media/MovieWriter.h"

// Records one capture source into a movie file, with the system's audio as a second track when
// asked.
//
// Threads: a QObject of the GUI thread; every property is read and written there only. Frames are
// grabbed on a capture thread paced by CaptureClock (at most 60 per second), handed to a writer
// thread through a queue of depth 8 (a frame that finds it full is dropped and counted), and the
// system audio is read on the sound stream's thread. Those threads post to this object with queued
// calls. The movie is a fragmented MP4 while recording, so a crash loses at most its last second.
//
// Times: the movie starts at the first written frame; firstFrameWallClockDate is that frame's
// grab time on CaptureClock, so trackers stamped with the same clock line up exactly. Times are
// recorded times (CapturePauses): the time spent paused before them is taken out.

namespace tarnix {

// What became of the frame slots of a recording and what the capture thread spent on them.
struct CaptureStatistics {
    std::int64_t grabbed = 0;       // pictures read from the source
    std::int64_t encoderBehind = 0; // lost: the writer's queue was full
    std::int64_t encoderBehindAtStart = 0; // of those, in the first second (the encoder setting up)
    std::int64_t unreadable = 0;    // lost: the picture was there but could not be read
    std::int64_t lateSlots = 0;     // lost: slots skipped after the capture thread stalled
    double grabSeconds = 0;         // capture thread's processor time reading pictures
    double conversionSeconds = 0;   // capture thread's processor time converting them to YUV

    std::int64_t lost() const { return encoderBehind + unreadable + lateSlots; }
};

// Where a recorded window or display was from `time` on: seconds on the movie's time line
// (negative before its first frame), frame in root pixels.
struct FollowedFrame {
    double time = 0;
    QRect rootFrame;
    bool operator==(const FollowedFrame&) const = default;
};

class ScreenRecorder : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isRecording READ isRecording NOTIFY isRecordingChanged)
    Q_PROPERTY(QString lastOutputURL READ lastOutputURLString NOTIFY lastOutputURLChanged)
    Q_PROPERTY(QString errorMessage READ errorMessageString NOTIFY errorMessageChanged)
    Q_PROPERTY(int appendedFrameCount READ appendedFrameCount NOTIFY appendedFrameCountChanged)

public:
    struct Options {
        // Where movies go; nothing = the videos folder, else the temporary folder.
        std::optional<std::filesystem::path> outputDirectory;
        double maximumFrameRate = 60;
        std::vector<std::string> encoders = media::realTimeEncoderPreference();
        std::string preset = "superfast"; // holds 1080p60 on two cores with room to spare
        int quality = 23;
        // How far (in 20 ms blocks of system audio) the writer may fall behind before sound is
        // dropped: 10 s.
        std::size_t systemAudioQueueBlocks = 500;
        // How many nice steps the encoder (the writer thread and the encoder's own threads) runs
        // below the capture thread: the grab then gets the processor when its slot comes even
        // while the encoder keeps every core busy, and the queue absorbs the encoder's delay.
        // 0 (the default) runs both alike: a niced encoder loses to the other processes of a
        // busy machine, and on an idle one it is not yet measured to save a frame.
        int encoderNiceness = 0;
    };

    explicit ScreenRecorder(QObject* parent = nullptr);
    ~ScreenRecorder() override;

    void setOptions(Options options) { options_ = std::move(options); }
    // Replaces where frames come from: tests and benchmarks give their own sources, and a
    // recording that follows the portal's cursor gives frameSourceOpener(its feed). By default
    // the source's own backend, with a cursor feed nobody follows.
    void setFrameSourceOpener(FrameSourceOpener opener) { opener_ = std::move(opener); }
    const Options& options() const { return options_; }
    // The recording's pauses: nothing is grabbed or heard inside one, and what comes after is
    // written where the pauses put it. Read at each start; by default there are none.
    void setPauses(std::shared_ptr<const CapturePauses> pauses) { pauses_ = std::move(pauses); }

    bool isRecording() const { return isRecording_; }
    const std::optional<std::filesystem::path>& lastOutputURL() const { return lastOutputURL_; }
    const std::optional<std::string>& errorMessage() const { return errorMessage_; }
    int appendedFrameCount() const { return appendedFrameCount_; }
    bool capturedSystemAudio() const { return capturedSystemAudio_; }
    const std::optional<Date>& firstFrameWallClockDate() const { return firstFrameWallClockDate_; }
    // The source of the current or last recording as it was recorded (a portal source has the
    // size and place the desktop gave it); nothing before the first successful start.
    const std::optional<CaptureSource>& recordedSource() const { return recordedSource_; }
    // What the desktop does not share in the current or last recording ("…no cursor…"), and that
    // the desktop ended it, for the user; empty on X11.
    const std::vector<std::string>& notices() const { return notices_; }
    // Frames lost in the current or last recording: found the writer's queue full, had a picture
    // that could not be read (a display in the middle of a mode change), or had their slot pass
    // while the capture thread was held up for more than a few frames.
    std::int64_t droppedFrameCount() const { return captureStatistics().lost(); }
    // The current or last recording's frame slots and capture costs.
    CaptureStatistics captureStatistics() const;
    // System-audio blocks (20 ms each) that found the writer's audio queue full, in the current or
    // last recording. The sound after a dropped block keeps its own time: the gap stays silent.
    std::int64_t droppedAudioBlockCount() const;
    // Where the system audio of the current or last recording was missing (the sound server went
    // away); the sound track stays aligned with the picture, silent there.
    const std::vector<SoundGap>& systemAudioGaps() const { return systemAudioGaps_; }
    // When the recorded display of the current or last recording changed size (RandR), with the
    // size its pictures have from then on; they are scaled to fit the movie's frame.
    const std::vector<DisplayChange>& displayChanges() const { return displayChanges_; }
    // The size of the current or last movie's pictures.
    QSize movieSize() const { return movieSize_; }
    // Where the recorded area was wherever it moved or changed size (a window recording's window,
    // a display that RandR moved or resized), in time order, from the first grab that showed it;
    // growing while the recording runs (from its first frame on), final once it has stopped. A
    // picture whose size is not the movie's is scaled into the movie's frame, aspect kept and
    // centred.
    const std::vector<FollowedFrame>& followedFrames() const { return followedFrames_; }
    // The video encoder of the current or last recording ("libx264", "hevc_nvenc"...).
    const std::string& videoEncoderName() const { return encoderName_; }

    QString lastOutputURLString() const;
    QString errorMessageString() const;

    // Starts capturing; `done` runs on this thread once the capture runs or has failed (then
    // isRecording is false and errorMessage says why). On a portal source that is after the
    // desktop has answered (the user may be asked what to share). A start while recording, or
    // while an earlier start waits for the desktop, changes nothing.
    void start(const CaptureSource& source, const std::vector<WindowInfo>& excludingOwnWindows,
               bool capturesSystemAudio, std::function<void()> done = {});
    // A start that its caller found impossible before capturing (the chosen area is no longer on
    // its display): errorMessage says why, as for a start that failed here.
    void refuseStart(const std::string& why);
    // Stops capturing and finishes the file; `done` runs on this thread afterwards.
    void stop(std::function<void()> done = {});

    // The message a stop leaves: a failure to finish the file comes first (the frames may be on
    // disk but the file is not right), then an empty recording; nothing when all went well.
    static std::optional<std::string> stopMessage(const std::optional<std::string>& finishFailure,
                                                  int appendedFrames);

signals:
    void isRecordingChanged(bool);
    void lastOutputURLChanged();
    void errorMessageChanged();
    void appendedFrameCountChanged(int);
    // The capture stopped by itself and its movie has since been finished: the frame count and
    // first-frame date are final. A failed capture leaves a "Capture stopped" message; a desktop
    // that ended the sharing leaves a notice instead, as the stop was the user's.
    void stoppedByItself();
    // systemAudioGaps changed: the sound went away or came back.
    void soundGapsChanged();
    void displayChangesChanged();

private:
    struct Run;
    void beginRun(OpenedFrameSource opened, const CaptureSource& source, bool capturesSystemAudio,
                  std::function<void()> done);
    void setRecording(bool value);
    void setErrorMessage(std::optional<std::string> message);
    void setLastOutputURL(std::optional<std::filesystem::path> url);
    void setAppendedFrameCount(int value);
    void onFrameWritten(const std::shared_ptr<Run>& run, int count, std::optional<double> firstFrameTime);
    void onAudioWritten(const std::shared_ptr<Run>& run);
    void onWriterError(const std::shared_ptr<Run>& run, const std::string& message);
    void onAreaMoved(const std::shared_ptr<Run>& run, double time, QRect area);
    void onStreamFailed(const std::shared_ptr<Run>& run, const std::string& description, bool byDesktop);
    void finishRun(std::shared_ptr<Run> run, std::function<void(std::optional<std::string>)> done);
    void joinFinisher();
    void addSystemAudioGap(SoundGap gap);
    void closeSystemAudioGap(double time);
    static void padSystemAudio(Run& run);
    // onFailure(description, whether the desktop ended the sharing); onResize(time, new picture
    // size, where the display now is) for a display whose size changed; onMoved(time, where the
    // followed window or display now is) whenever that changes.
    static void captureLoop(Run* run, const std::function<void(const std::string&, bool)>& onFailure,
                            const std::function<void(double, QSize, QRect)>& onResize,
                            const std::function<void(double, QRect)>& onMoved);

    Options options_;
    bool isRecording_ = false;
    std::optional<std::filesystem::path> lastOutputURL_;
    std::optional<std::string> errorMessage_;
    int appendedFrameCount_ = 0;
    bool capturedSystemAudio_ = false;
    std::optional<Date> firstFrameWallClockDate_;
    std::string encoderName_;
    CaptureStatistics lastStatistics_;
    std::int64_t lastDroppedAudio_ = 0;
    bool stopping_ = false;
    bool opening_ = false; // waiting for the frame source (the desktop's answer)
    FrameSourceOpener opener_;
    std::shared_ptr<const CapturePauses> pauses_ = std::make_shared<CapturePauses>();
    std::optional<CaptureSource> recordedSource_;
    std::vector<std::string> notices_;
    std::vector<SoundGap> systemAudioGaps_;
    std::vector<DisplayChange> displayChanges_;
    QSize movieSize_;
    std::vector<FollowedFrame> followedFrames_;
    // The running capture's followed places as the capture thread reports them (recorded
    // times), and its first frame's recorded time, which puts them on the movie's time line.
    std::vector<std::pair<double, QRect>> liveAreas_;
    std::optional<double> liveFirstFrameTime_;
    std::shared_ptr<Run> run_; // the running capture, or one left by a stream failure
    std::thread finisher_;     // stops threads and finishes the file off the GUI thread
};

} // namespace tarnix
