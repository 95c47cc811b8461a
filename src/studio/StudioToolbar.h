#pragma once

#include <QWidget>

class QAction;
class QLabel;
class QPushButton;
class QToolButton;

// The Studio's toolbar: close, the title, undo and redo, the export menu (the movie's resolution,
// or an animated GIF; the frame rate, 60 offered for recordings made at more than 30, chosen once
// for every recording) and the Export button, which shows the export's progress ("Exporting… 42%")
// and cancels it when pressed again; the "More" menu speeds up the idle time and opens the keyboard
// shortcuts. It draws the
// session's history, the playback's frame rate and the exporter's state and turns presses into
// their commands. GUI thread.

namespace tarnix {

class StudioExporter;
class StudioSession;

class StudioToolbar : public QWidget {
    Q_OBJECT

public:
    StudioToolbar(StudioSession& session, StudioExporter& exporter, QWidget* parent = nullptr);

    QToolButton* closeButton() const { return close_; }
    QToolButton* undoButton() const { return undo_; }
    QToolButton* redoButton() const { return redo_; }
    QToolButton* resolutionButton() const { return resolution_; }
    QPushButton* exportButton() const { return export_; }
    QToolButton* moreButton() const { return more_; }
    // The export menu's "Even out loudness" switch.
    QAction* evenLoudnessAction() const { return evenLoudness_; }
    // The "More" menu's "Speed Up Idle Time".
    QAction* speedUpIdleAction() const { return speedUpIdle_; }

signals:
    void closeClicked();
    void keyboardShortcutsRequested();

private:
    void refresh();
    void buildResolutionMenu();
    void updateFrameRateChoice(QAction* action, int rate) const;

    StudioSession& session_;
    StudioExporter& exporter_;
    QToolButton* close_;
    QLabel* title_;
    QToolButton* undo_;
    QToolButton* redo_;
    QToolButton* resolution_;
    QPushButton* export_;
    QToolButton* more_;
    QAction* evenLoudness_ = nullptr;
    QAction* speedUpIdle_ = nullptr;
};

} // namespace tarnix
