#pragma once

#include <QColor>
#include <QCoreApplication>
#include <QString>

#include "studio/timeline/TimelineModel.h"

class QPainter;
class QPainterPath;
class QRectF;

// How each track's clips look and read: their colour (shared with the bar a creation drag draws),
// the label on the bar, the sentence a screen reader and the tooltip say, and the context menu's
// delete item. Cuts are hatched (the span is gone from the movie) with scissors and the removed
// length; zooms show their level ("2.0×"); blurs an eye; text boxes their text; speed segments
// their speed ("4×"). GUI thread only.

namespace tarnix {

class TimelineClipLook {
    Q_DECLARE_TR_FUNCTIONS(TimelineClipLook)

public:
    using Track = TimelineModel::Track;

    static QColor color(Track track);
    // The body of a clip; `selected` draws it at full strength.
    static void paintFill(QPainter& painter, Track track, const QPainterPath& shape, bool selected);
    // The hatch that marks removed time, inside `area`; `strong` for a selected cut or a cut being
    // drawn.
    static void paintHatched(QPainter& painter, const QPainterPath& area, bool strong);
    static void paintLabel(QPainter& painter, const TimelineModel& model, Track track, const Uuid& id,
                           const QRectF& body);
    static QString describe(const TimelineModel& model, Track track, const Uuid& id,
                            const SecondsRange& span);
    // The context menu's item that removes the clip ("Delete Zoom", "Restore Cut").
    static QString deleteText(Track track);
    // A speed as menus and the caption line show it: "4×".
    static QString speedText(double speed);
};

} // namespace tarnix
