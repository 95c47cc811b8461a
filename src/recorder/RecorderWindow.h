#pragma once

#include <QPointer>
#include <QWidget>

#include <filesystem>
#include <optional>

#include "media/ScrubProxy.h"
#include "media/ScrubProxyMaker.h"
#include "recorder/AreaOverlay.h"
#include "recorder/ControlBarModel.h"
#include "recorder/StudioMode.h"
#include "ui/UpdatePrompt.h"

class QScreen;
class QStackedLayout;

// The application's one window. In setup mode it is the small frameless, translucent,
// always-on-top bar (620 × 96, hung 40 points below the top of the screen's available area,
// centred, moved by dragging its background); when a recording completes it becomes the normal,
// resizable 1180 × 800 studio window, centred, showing the finished recording. There is no way
// back to the bar within one run; closing studio mode ends the application.
//
// Threads: GUI thread only.

namespace tarnix {

class RecorderControlBar;
class RecordingTrayIcon;
class StopShortcut;

enum class WindowMode { setup, studio };

class RecorderWindow : public QWidget {
    Q_OBJECT

public:
    static constexpr QSize setupSize{620, 96};
    static constexpr int setupMargin = 40;
    static constexpr QSize studioSize{1180, 800};

    explicit RecorderWindow(RecordingSession& session, QWidget* parent = nullptr);
    ~RecorderWindow() override;

    WindowMode mode() const { return mode_; }
    RecorderControlBar* controlBar() const { return bar_; }
    ControlBarModel& model() { return model_; }
    // The icon that stops a recording while the bar is hidden (see syncVisibility).
    RecordingTrayIcon* trayIcon() const { return tray_; }
    // The desktop-wide key that stops a recording while the bar is hidden: the window takes
    // `shortcut` and asks the desktop for it. Made by the window itself on a portal desktop.
    void useStopShortcut(StopShortcut* shortcut);
    StopShortcut* stopShortcut() const { return shortcut_; }
    // Where the user is dragging the area to record, while they are.
    AreaOverlay* areaOverlay() const { return areaOverlay_; }
    // The studio-mode widget, once there is one.
    QWidget* studioWidget() const { return studio_; }

    // How the update checks of this window reach the network (tests point them elsewhere).
    void setUpdateOptions(UpdatePrompt::Options options) { updateOptions_ = std::move(options); }
    // Whether the quiet update check runs when the window is first shown (on by default).
    void setChecksForUpdatesAtLaunch(bool check) { checkAtLaunch_ = check; }
    // Where the scrub copy of each finished recording is made in the background, so that the
    // Studio seeks with it from the start (by default the user's cache folder; empty: nowhere).
    void setScrubProxyFolder(std::filesystem::path folder) { proxyFolder_ = std::move(folder); }

    // Switches to studio mode with a finished recording.
    void showStudio(const StudioMode::Recording& recording);

    // Ends the application without losing anything, whatever it is doing (a stop signal at
    // log-out): a recording being started or stopped is let finish, a running one is stopped and
    // saved as Stop would, and then the application quits; the Studio writes its last edit as it
    // goes. No question is asked. A second call while this is under way does nothing more.
    void finishAndQuit();

    // Restyles and places the window for `mode`; the bar again on the next turn of the event loop
    // (the window manager may still be adjusting the window from the previous style).
    void styleWindow(WindowMode mode);

signals:
    // "Open Recording…" was chosen (offered only when StudioMode::canOpenRecordings()).
    void openRecordingRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void applyStyle(WindowMode mode);
    // The size limits and the geometry of the bar (setup) or of the Studio.
    void placeFor(bool setup);
    void onRecordingCompleted();
    void releaseDevices();
    // Hides the bar while it would be recorded (a display on a portal desktop) and there is
    // another way to stop (a tray, the desktop's sharing indicator); shows it again afterwards.
    void syncVisibility();
    bool canStopWhileHidden() const;
    // The tray's and the shortcut's stop.
    void stopFromOutside();
    // Carries a close asked for while recording (or while a start or stop was under way) one
    // step further: waits for the press under way, stops a running recording, then closes.
    void finishForClose();
    // Shows the overlay for choosing an area of that display; its Record starts the recording.
    void chooseArea(const std::string& displayIdentifier);
    void chooseAreaOnSharedDisplay(const std::string& displayIdentifier);
    // The screen that shows a display (shared by the desktop, or listed by the X server), by its
    // place; nothing when none does.
    static QScreen* screenShowing(const QRect& displayFrame);
    // `pixelsPerPoint`: the recorded picture's pixels to a point of `frame`.
    void openAreaOverlay(const std::string& displayIdentifier, const QRect& frame, const QImage& still,
                         qreal pixelsPerPoint = 1.0);

    RecordingSession& session_;
    ControlBarModel model_;
    WindowMode mode_ = WindowMode::setup;
    QStackedLayout* stack_ = nullptr;
    RecorderControlBar* bar_ = nullptr;
    QPointer<QWidget> studio_;
    UpdatePrompt::Options updateOptions_;
    bool checkAtLaunch_ = true;
    bool shownOnce_ = false;
    bool userMoved_ = false;   // the user has dragged the bar somewhere else: leave it there
    bool quitting_ = false;    // a close waits for the recording to be stopped and saved
    bool finishing_ = false;   // a stop signal: quit once the recording is saved
    RecordingTrayIcon* tray_ = nullptr;
    StopShortcut* shortcut_ = nullptr;
    bool hiddenForRecording_ = false;
    bool barWasHiddenThisRecording_ = false; // its notices went unseen
    QPointer<AreaOverlay> areaOverlay_;
    std::filesystem::path proxyFolder_ = media::defaultScrubProxyFolder();
    media::ScrubProxyMaker proxyMaker_; // last: cancelled and joined first
};

} // namespace tarnix
