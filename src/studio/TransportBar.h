#pragma once

#include <QWidget>

class QLabel;
class QToolButton;

// Play/Pause, back and forward five seconds and the time text ("0:12 / 1:05", in the edited
// movie: cut time is left out of both) under the preview.
// The Space key for Play/Pause belongs to the StudioView, so it works wherever the focus is.
// GUI thread.

namespace tarnix {

class StudioPlayback;
class StudioSession;

class TransportBar : public QWidget {
    Q_OBJECT

public:
    TransportBar(StudioSession& session, QWidget* parent = nullptr);

    QToolButton* playButton() const { return play_; }
    QToolButton* backButton() const { return back_; }
    QToolButton* forwardButton() const { return forward_; }
    QLabel* timeText() const { return time_; }

private:
    void refresh();

    StudioSession& session_;
    StudioPlayback& playback_;
    QToolButton* play_;
    QToolButton* back_;
    QToolButton* forward_;
    QLabel* time_;
    bool showsPause_ = false;
};

} // namespace tarnix
