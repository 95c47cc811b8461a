#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/RecordingSession.h"
#include "recorder/Countdown.h"

// The rules of the recorder bar, without widgets: what each control shows, what is selected,
// which message the error line carries, and the commands the controls send. It observes the
// session's capture services and edits the session's selections; the bar widget only draws it.
//
// Threads: GUI thread only.

namespace tarnix {

class DeviceWatch;

// An area is a rectangle of a display: its items are the displays, and its selection a display
// with an area (RecordingSession::selectedArea).
enum class SourceKind { display, window, application, area };

struct SourceKindInfo {
    SourceKind kind;
    const char* title;  // "Display"
    const char* icon;   // PhosphorIcon name
    const char* prefix; // identifier prefix, "display-"
};
const std::vector<SourceKindInfo>& sourceKinds(); // in bar order

struct SourceItem {
    std::string identifier;
    std::string label;
    bool operator==(const SourceItem&) const = default;
};

// A device pill's face.
struct Pill {
    const char* icon;
    std::string text;
    bool active;
    bool operator==(const Pill&) const = default;
};

struct DeviceItem {
    std::optional<std::string> identifier; // none = "No Camera" / "No Microphone"
    std::string label;
};

class ControlBarModel : public QObject {
    Q_OBJECT

public:
    explicit ControlBarModel(RecordingSession& session, QObject* parent = nullptr);
    ~ControlBarModel() override;

    RecordingSession& session() { return session_; }

    // What the controls show.
    // Whether the bar offers a kind: a desktop that shares through the portal has no App.
    bool offersKind(SourceKind kind) const;
    std::vector<SourceItem> sourceItems(SourceKind kind) const;
    std::optional<SourceKind> selectedKind() const;
    Pill cameraPill() const;
    Pill microphonePill() const;
    Pill systemAudioPill() const;
    std::vector<DeviceItem> cameraItems() const;     // "No Camera" first
    std::vector<DeviceItem> microphoneItems() const; // "No Microphone" first
    bool isRecording() const;
    // A start or stop has been asked for and not finished: the record button waits.
    bool isBusy() const { return busy_; }
    // "1520 frames · 14 clicks"
    std::string statusText() const;
    // Whether the running recording is paused: the status then says "Paused" and its clock stands.
    bool isPaused() const { return session_.isPaused(); }
    // The status's clock: the time recorded so far, pauses left out.
    double elapsedSeconds() const { return session_.recordedSeconds(); }
    // The pause button's name and tooltip: "Pause", or "Resume" while paused.
    QString pauseTitle() const { return isPaused() ? tr("Resume") : tr("Pause"); }
    // The first message of the source provider, the screen recorder, the camera provider and the
    // microphone provider, in that order; else what the desktop does not share in this
    // recording, when the bar has not said it before in this run, and what went wrong during
    // it (sound that went missing...), each notice whole on a line of its own; else, before a
    // recording that hides the bar, how to stop it.
    std::optional<std::string> currentError() const;
    // The recording being started or running shows a whole display on a desktop that cannot
    // leave our own windows out (the portal): the bar must be off screen from the press on, and
    // the recording is stopped from the tray.
    bool hidesWhileRecording() const;
    // The desktop's notices said at the latest start (what this recording lacks).
    const std::vector<std::string>& notices() const { return notices_; }
    // A notice said once per run when a recording hides the bar (what the user has to stop it).
    void addNoticeWhileHidden(std::string notice);
    // How to stop a recording that hides the bar where the desktop has no tray: said in the
    // message line while such a recording is about to be made, before the bar hides.
    void setHiddenBarStopHint(std::optional<std::string> hint);
    const std::optional<std::string>& hiddenBarStopHint() const { return hiddenBarStopHint_; }

    // What the controls do.
    void selectSource(const std::string& identifier);
    void selectCamera(std::optional<std::string> identifier);
    void selectMicrophone(std::optional<std::string> identifier);
    void toggleSystemAudio();
    // Re-reads the sources, then the cameras, then the microphones.
    void refresh();
    // Follows the cameras and microphones as they are plugged in and out, while the bar is up.
    // A list is read again when the hardware changes, except during a recording (or a start or
    // stop under way): nothing changes under it, and the list is read once it is over.
    void watchDevices();
    void stopWatchingDevices();
    const DeviceWatch* deviceWatch() const { return watch_.get(); }
    // Re-reads the displays, windows and applications only: a source menu is about to open, and
    // a window opened since the last refresh belongs in it.
    void refreshSources();
    // Starts or stops the recording; ignored while a previous press is still being carried out.
    // With a countdown set, a start counts down first and a press during the count cancels it;
    // with an area selected, a start asks for the area first (areaRequested).
    void toggleRecording();
    // Pauses or resumes the running recording; ignored while a start or stop is under way.
    void togglePause();

    // The countdown before each start, in seconds (0: none).
    int countdownSeconds() const { return countdownSeconds_; }
    void setCountdownSeconds(int seconds);
    // How long one counted second lasts (tests count faster).
    void setCountdownStep(std::chrono::milliseconds step);
    // The number the bar shows while counting down; nothing otherwise.
    std::optional<int> countdownRemaining() const;
    // Escape, or a second press of record: nothing is started.
    void cancelCountdown();

    // An Area item was chosen: the user is asked for the area of that display (areaRequested).
    void chooseArea(const std::string& displayIdentifier);
    // The area was chosen on `displayIdentifier` (its pixels): it is selected and recorded.
    void confirmArea(const std::string& displayIdentifier, const QRect& area);

signals:
    // Anything the bar shows may have changed.
    void changed();
    void isRecordingChanged(bool recording);
    void pausedChanged(bool paused);
    // The recording counts changed (frequent while recording; only the status needs redrawing).
    void countsChanged();
    // The camera or the microphone list is new (an open device menu is filled again).
    void deviceListsChanged();
    // The user is to drag the area to record on this display (the window shows its overlay).
    void areaRequested(const std::string& displayIdentifier);

private:
    // The selected camera or microphone as its list changes. A selected device that is no longer
    // listed is let go and the selection kept (its pill says "No Camera"); the message line says
    // so until it is listed again, when it is taken up again, or until another is chosen.
    struct FollowedDevice {
        std::string name;  // the selected device's name, when it was last listed
        bool gone = false; // selected but no longer listed
        bool stale = false; // the hardware changed during a recording: to be read after it
    };
    // `listedName`: the selected device's name in the new list; null when it isn't listed.
    void followList(FollowedDevice& followed, bool selected, const std::string* listedName,
                    const std::function<void()>& release, void (ControlBarModel::*configure)());
    void followCameraList();
    void followMicrophoneList();
    // Reads the lists the watch marked stale, unless a recording or a start or stop is under way.
    void relistStale();
    std::optional<std::string> goneDevicesNotice() const;

    // Applies a changed camera or microphone selection to its recorder.
    void applyCameraSelection();
    void applyMicrophoneSelection();

    // Starts now, or after the countdown.
    void beginStart();
    // Starts or stops at once.
    void toggleNow();
    // A recording of the selection would show the whole display on a portal desktop.
    bool recordingHidesBar() const;
    // After a start: the desktop's notices that this run has not shown yet.
    void takeNotices();

    RecordingSession& session_;
    bool busy_ = false;
    bool starting_ = false;
    std::vector<std::string> notices_;   // shown until the next start
    std::vector<std::string> shownOnce_; // every notice shown in this run
    std::vector<std::string> hiddenBarNotices_;
    std::optional<std::string> hiddenBarStopHint_;
    int countdownSeconds_ = 0;
    Countdown countdown_;
    FollowedDevice camera_;
    FollowedDevice microphone_;
    std::unique_ptr<DeviceWatch> watch_;
};

} // namespace tarnix
