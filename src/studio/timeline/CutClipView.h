#pragma once

#include "studio/timeline/TimelineClipView.h"

// A cut on the cut track: a hatched bar (the span is gone from the movie) with scissors and the
// removed length when wide enough. Cuts never overlap, so one moves and trims only up to its
// neighbours; dropped against one, it joins it. Deleting a cut restores its span.

namespace tarnix {

class CutClipView final : public TimelineClipView {
    Q_OBJECT
public:
    CutClipView(TimelineModel& model, Uuid id, QWidget* parent = nullptr);
    QString deleteText() const override { return tr("Restore Cut"); }

    // The hatch that marks removed time, inside `area`; `strong` for a selected cut or a cut being
    // drawn. Shared with the timeline, which hatches a pending cut the same way.
    static void paintHatched(QPainter& painter, const QPainterPath& area, bool strong);
    // The colour of cuts and trims.
    static QColor cutColor();

protected:
    QColor fillColor() const override { return cutColor(); }
    void paintFill(QPainter& painter, const QPainterPath& shape, bool selected) override;
    void paintLabel(QPainter& painter, const QRectF& body) override;
    QString describe(const SecondsRange& span) const override;
};

} // namespace tarnix
