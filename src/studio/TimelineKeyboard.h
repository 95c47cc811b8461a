#pragma once

#include <QObject>

#include "studio/timeline/ReversePlay.h"
#include "studio/timeline/TimelineKeys.h"

class QTimer;

class QKeyEvent;
class QWidget;

// Runs the timeline's keyboard map (TimelineKeys) in the Studio's window: playhead steps and
// jumps, J/K/L, region edges, Tab through the clips, and the timeline's zoom keys. Keys belong to
// a focused control that uses them itself (text fields, sliders, lists, a trim grip's arrows);
// Tab walks the clips only while the timeline (or nothing) has the focus, so that it still moves
// between the other controls. GUI thread.

namespace tarnix {

class StudioPlayback;
class StudioSession;
class TimelineView;

class TimelineKeyboard : public QObject {
    Q_OBJECT
public:
    TimelineKeyboard(QWidget& window, StudioSession& session, TimelineView& timeline);
    ~TimelineKeyboard() override;

    // Runs a command as its key would (for the key filter and the tests).
    void run(TimelineCommand command);

    // Playing backwards (J): its speed, 0 when not.
    double reverseSpeed() const { return reverse_.speed(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool handles(TimelineCommand command, QWidget* focus) const;
    void selectAdjacentClip(bool forward);
    void setPlaying(bool playing);
    void playBackwards();
    void stepBackwards();

    QWidget& window_;
    StudioSession& session_;
    StudioPlayback& playback_;
    TimelineView& timelineView_;
    ReversePlay reverse_;
    QTimer* reverseTimer_;
    double reverseShown_ = 0; // the playhead the last backward step put
};

} // namespace tarnix
