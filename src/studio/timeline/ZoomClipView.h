#pragma once

#include "studio/timeline/TimelineClipView.h"

// A zoom region on the zoom track: accent-coloured, labelled with the zoom icon and its level
// ("2.0×") when wide enough. The scroll wheel over the selected clip changes its zoom level; the
// wheel is swallowed either way.

namespace tarnix {

class ZoomClipView final : public TimelineClipView {
    Q_OBJECT
public:
    ZoomClipView(TimelineModel& model, Uuid id, QWidget* parent = nullptr);
    QString deleteText() const override { return tr("Delete Zoom"); }

    // The scroll amount of a wheel event: a trackpad's pixels as they come, a wheel notch 10.
    static double scrollDelta(const QWheelEvent& event);

protected:
    QColor fillColor() const override;
    void paintLabel(QPainter& painter, const QRectF& body) override;
    QString describe(const SecondsRange& span) const override;
    void wheelEvent(QWheelEvent* event) override;

private:
    double level() const;
};

} // namespace tarnix
