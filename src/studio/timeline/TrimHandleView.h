#pragma once

#include <QWidget>

#include <optional>

#include "studio/timeline/TimelineModel.h"

// A grip at one end of the recording on the cut track. Dragging the start grip inward trims the
// start (a cut from 0), the end grip a cut up to the end; dragging it back out restores the time.
// Left and Right move a focused grip by a tenth of a second, with Shift by a second. The model
// applies the rules; the grip only turns the pointer and the keys into its commands.

namespace tarnix {

class TrimHandleView final : public QWidget {
    Q_OBJECT
public:
    TrimHandleView(TimelineModel& model, TimelineRules::ClipEdge edge, QWidget* timeline);

    TimelineRules::ClipEdge edge() const { return edge_; }
    // Where the grip's outer edge meets the kept time, in the timeline's coordinates.
    double anchorX() const;
    bool isDragging() const { return grabOffset_.has_value(); }

    // Called after every change the grip makes, so that the timeline lays out and repaints.
    std::function<void()> onChanged;

    static constexpr double kKeyStep = 0.1;
    static constexpr double kShiftKeyStep = 1.0;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void changed();

    TimelineModel& model_;
    TimelineRules::ClipEdge edge_;
    // The pointer's distance from the anchor when pressed, so the grip does not jump.
    std::optional<double> grabOffset_; // the pointer's x less the grip's, while dragged
    Qt::FocusReason focusReason_ = Qt::OtherFocusReason;
};

} // namespace tarnix
