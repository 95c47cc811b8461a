#include "studio/timeline/RedactClipView.h"

#include <QPainter>

#include "studio/EditingTheme.h"
#include "studio/sidebar/SidebarRules.h"

namespace tarnix {

RedactClipView::RedactClipView(TimelineModel& model, Uuid id, QWidget* parent)
    : TimelineClipView(model, Track::redact, id, parent)
{
}

QColor RedactClipView::fillColor() const
{
    return StudioTheme::recording();
}

void RedactClipView::paintLabel(QPainter& painter, const QRectF& body)
{
    if (body.width() <= 22)
        return;
    QPixmap glyph = EditingTheme::icon("eye-slash-fill", 9, Qt::white);
    if (!glyph.isNull())
        painter.drawPixmap(QPointF(body.center().x() - 4.5, body.center().y() - 4.5), glyph);
}

QString RedactClipView::describe(const SecondsRange& span) const
{
    return tr("Blur %1").arg(SidebarRules::spanText(span.lower, span.upper));
}

} // namespace tarnix
