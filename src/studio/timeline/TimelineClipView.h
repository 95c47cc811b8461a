#pragma once

#include <QPoint>
#include <QWidget>

#include <functional>
#include <optional>

#include "studio/timeline/TimelineModel.h"

// The bar that stands for one region on a timeline track, whichever the track. A tap selects it;
// dragging its body moves the region, dragging one of its end handles trims that end (the model
// applies the limits and reports only the end of each gesture); its context menu and the Delete
// key remove it. A speed segment's menu also picks its speed; the scroll wheel over the selected
// zoom clip changes its level (the wheel is swallowed over any zoom clip). Its colour, label and
// description come from TimelineClipLook.

namespace tarnix {

class TimelineClipView final : public QWidget {
    Q_OBJECT
public:
    using Track = TimelineModel::Track;

    TimelineClipView(TimelineModel& model, Track track, Uuid id, QWidget* parent = nullptr);

    const Uuid& regionID() const { return id_; }
    Track track() const { return track_; }
    // The region's current span, or nothing when it has gone.
    std::optional<SecondsRange> span() const;

    // Called after every change this clip makes, so that the timeline lays out and repaints.
    std::function<void()> onChanged;

    // Describes the clip for screen readers and tooltips.
    void updateAccessibleName();

    // The scroll amount of a wheel event: a trackpad's pixels as they come, a wheel notch 10.
    static double scrollDelta(const QWheelEvent& event);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    std::optional<TimelineRules::ClipEdge> edgeAt(double x) const;
    bool isSelected() const { return model_.isSelected(track_, id_); }
    void changed();

    TimelineModel& model_;
    Track track_;
    Uuid id_;
    struct Press {
        QPointF globalPosition;
        std::optional<TimelineRules::ClipEdge> edge;
        bool dragging = false;
    };
    std::optional<Press> press_;
};

} // namespace tarnix
