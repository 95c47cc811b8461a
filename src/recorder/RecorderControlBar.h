#pragma once

#include <QWidget>

#include "recorder/ControlBarModel.h"

class QLabel;
class QMenu;
class QStackedWidget;
class QTimer;

// Everything the user sees in setup mode: one translucent capsule holding the source-kind picker,
// the camera and microphone menus, the system-audio toggle, refresh, the overflow menu and the
// record button; while recording, the pickers give way to the live status. Below the capsule the
// message line carries the current error, on more lines when it is long (the window grows; see
// preferredSizeChanged). It draws ControlBarModel and sends it the controls'
// commands; every control has an accessible name (its text, else its tooltip).
//
// Threads: GUI thread only.

namespace tarnix {

class BarButton;
class IconButton;
class PillButton;
class RecordButton;
class SourceKindPicker;
class BarCapsule;
class ErrorLine;
class RecordingStatus;

class RecorderControlBar : public QWidget {
    Q_OBJECT

public:
    explicit RecorderControlBar(ControlBarModel& model, QWidget* parent = nullptr);

    ControlBarModel& model() { return model_; }
    SourceKindPicker* sourcePicker() const { return picker_; }
    PillButton* cameraButton() const { return camera_; }
    PillButton* microphoneButton() const { return microphone_; }
    PillButton* systemAudioButton() const { return systemAudio_; }
    BarButton* refreshButton() const { return refresh_; }
    BarButton* moreButton() const { return more_; }
    RecordButton* recordButton() const { return record_; }
    // Pause/Resume, beside the record (Stop) button while recording.
    IconButton* pauseButton() const { return pause_; }
    QMenu* cameraMenu() const { return cameraMenu_; }
    QMenu* microphoneMenu() const { return microphoneMenu_; }
    QMenu* moreMenu() const { return moreMenu_; }
    // The error line's text; empty when it is hidden.
    QString errorText() const;
    QString statusText() const;
    // The number shown while counting down to a start; empty otherwise.
    QString countdownText() const;
    // The pulse ring's phase, 0...1 (0 when not recording).
    double pulsePhase() const;

    // Whether "Open Recording…" is offered in the overflow menu.
    void setCanOpenRecordings(bool can);

    // The height the message line needs beyond its one line at `width` (a long message wraps).
    int extraMessageHeight(int width) const;

signals:
    // The bar needs another size: the message line wrapped or unwrapped, or a pill's text grew.
    void preferredSizeChanged();
    void checkForUpdatesRequested();
    void openRecordingRequested();
    void quitRequested();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // While recording, the capsule is as wide as the status and the two buttons need.
    void fitCapsule();
    // Fits the message line's height to its text, and the window's shape to the message's pill.
    void fitMessage();
    QWidget* makeSetupRow();
    QWidget* makeCountdownPage();
    void fillCountdownMenu(QMenu* menu);
    // A camera or microphone pill whose menu lists the devices when it opens.
    PillButton* makeDevicePill(QWidget* page, QMenu*& menu, bool camera, const QString& tooltip);
    void fillDeviceMenu(QMenu* menu, bool camera);
    void fillMoreMenu();
    void sync();
    void syncPauseButton();

    ControlBarModel& model_;
    BarCapsule* capsule_ = nullptr;
    QStackedWidget* pages_ = nullptr;
    SourceKindPicker* picker_ = nullptr;
    PillButton* camera_ = nullptr;
    PillButton* microphone_ = nullptr;
    PillButton* systemAudio_ = nullptr;
    BarButton* refresh_ = nullptr;
    BarButton* more_ = nullptr;
    RecordButton* record_ = nullptr;
    IconButton* pause_ = nullptr;
    RecordingStatus* status_ = nullptr;
    QLabel* countdownNumber_ = nullptr;
    ErrorLine* error_ = nullptr;
    QMenu* cameraMenu_ = nullptr;
    QMenu* microphoneMenu_ = nullptr;
    QMenu* moreMenu_ = nullptr;
    bool canOpenRecordings_ = false;
    bool loaded_ = false;
    int extraMessageHeight_ = 0;
    int preferredWidth_ = 0;
};

} // namespace tarnix
