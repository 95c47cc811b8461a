#pragma once

#include "studio/timeline/TimelineClipView.h"

// A text box on the text track: violet, showing its text as far as it fits. Text boxes never
// overlap, so a clip moves and trims up to its neighbours.

namespace tarnix {

class TextClipView final : public TimelineClipView {
    Q_OBJECT
public:
    TextClipView(TimelineModel& model, Uuid id, QWidget* parent = nullptr);
    QString deleteText() const override { return tr("Delete Text"); }
    // The track's colour, for its clips and for a box being dragged out.
    static QColor color();

protected:
    QColor fillColor() const override;
    void paintLabel(QPainter& painter, const QRectF& body) override;
    QString describe(const SecondsRange& span) const override;

private:
    QString text() const;
};

} // namespace tarnix
