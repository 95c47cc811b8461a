#include "studio/timeline/ZoomClipView.h"

#include <QPainter>
#include <QWheelEvent>

#include "studio/EditingTheme.h"
#include "studio/sidebar/SidebarRules.h"

namespace tarnix {

ZoomClipView::ZoomClipView(TimelineModel& model, Uuid id, QWidget* parent)
    : TimelineClipView(model, Track::zoom, id, parent)
{
}

double ZoomClipView::scrollDelta(const QWheelEvent& event)
{
    // Touchpads report pixels. A notch of a classic wheel (120 eighths of a degree) counts ten
    // units, a tenth of a zoom level, as a short touchpad stroke does, rather than a hundredth
    // that nobody would see.
    if (!event.pixelDelta().isNull())
        return event.pixelDelta().y();
    return event.angleDelta().y() / 120.0 * 10;
}

QColor ZoomClipView::fillColor() const
{
    return StudioTheme::accent();
}

double ZoomClipView::level() const
{
    for (const auto& r : model().regions.view())
        if (r.id == regionID())
            return TimelineRules::zoomLevel(r.rect);
    return 1;
}

void ZoomClipView::paintLabel(QPainter& painter, const QRectF& body)
{
    if (body.width() <= 30)
        return;
    QPixmap glyph = EditingTheme::icon("zoom", 9, Qt::white);
    QString text = body.width() > 60 ? SidebarRules::levelText(level()) : QString();
    QFont font = EditingTheme::font(10, QFont::DemiBold);
    QFontMetricsF metrics(font);
    double glyphWidth = glyph.isNull() ? 0 : 9;
    double gap = glyphWidth > 0 && !text.isEmpty() ? 3 : 0;
    double total = glyphWidth + gap + (text.isEmpty() ? 0 : metrics.horizontalAdvance(text));
    double x = body.center().x() - total / 2;
    if (!glyph.isNull())
        painter.drawPixmap(QPointF(x, body.center().y() - 4.5), glyph);
    if (!text.isEmpty()) {
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(QRectF(x + glyphWidth + gap, body.top(), total, body.height()),
                         Qt::AlignLeft | Qt::AlignVCenter, text);
    }
}

QString ZoomClipView::describe(const SecondsRange& span) const
{
    return tr("Zoom %1, %2").arg(SidebarRules::spanText(span.lower, span.upper),
                                 SidebarRules::levelText(level()));
}

void ZoomClipView::wheelEvent(QWheelEvent* event)
{
    // Ctrl and Shift wheels, and sideways swipes, zoom and scroll the timeline under the clip.
    if (event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier) ||
        event->angleDelta().x() != 0) {
        event->ignore();
        return;
    }
    event->accept();
    if (model().scrollZoomClip(regionID(), scrollDelta(*event)))
        changed();
}

} // namespace tarnix
