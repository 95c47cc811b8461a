#pragma once

#include "studio/timeline/TimelineClipView.h"

// A blur region on the blur track: red, with the eye-slash icon when wide enough. Blur clips may
// overlap, so they move and trim within the whole recording.

namespace tarnix {

class RedactClipView final : public TimelineClipView {
    Q_OBJECT
public:
    RedactClipView(TimelineModel& model, Uuid id, QWidget* parent = nullptr);
    QString deleteText() const override { return tr("Delete Blur"); }

protected:
    QColor fillColor() const override;
    void paintLabel(QPainter& painter, const QRectF& body) override;
    QString describe(const SecondsRange& span) const override;
};

} // namespace tarnix
