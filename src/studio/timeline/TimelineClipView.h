#pragma once

#include <QPoint>
#include <QWidget>

#include <functional>
#include <optional>

#include "studio/timeline/TimelineModel.h"

// The bar that stands for one region on a timeline track. A tap selects it; dragging its body
// moves the region, dragging one of its end handles trims that end (the model applies the limits
// and reports only the end of each gesture); its context menu and the Delete key remove it.
// ZoomClipView, RedactClipView and CutClipView add their colour, label and (zoom) scroll wheel.

namespace tarnix {

class TimelineClipView : public QWidget {
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

    // The text of the context menu's one item ("Delete Zoom", "Delete Blur").
    virtual QString deleteText() const = 0;
    // Describes the clip for screen readers and tooltips.
    void updateAccessibleName();

protected:
    virtual QColor fillColor() const = 0;
    // The body under the handles and label; by default fillColor(), brighter when selected.
    virtual void paintFill(QPainter& painter, const QPainterPath& shape, bool selected);
    virtual void paintLabel(QPainter& painter, const QRectF& body) = 0;
    virtual QString describe(const SecondsRange& span) const = 0;

    TimelineModel& model() const { return model_; }
    bool isSelected() const { return model_.isSelected(track_, id_); }
    void changed();

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    std::optional<TimelineRules::ClipEdge> edgeAt(double x) const;

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
