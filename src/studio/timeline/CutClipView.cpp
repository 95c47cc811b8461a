#include "studio/timeline/CutClipView.h"

#include <QPainter>
#include <QPainterPath>

#include "studio/EditingTheme.h"
#include "studio/sidebar/SidebarRules.h"

namespace tarnix {

CutClipView::CutClipView(TimelineModel& model, Uuid id, QWidget* parent)
    : TimelineClipView(model, Track::cut, id, parent)
{
}

QColor CutClipView::cutColor()
{
    return QColor(0xF0, 0xA8, 0x3C);
}

void CutClipView::paintHatched(QPainter& painter, const QPainterPath& area, bool strong)
{
    painter.save();
    painter.fillPath(area, QColor(0x14, 0x14, 0x17, 235));
    painter.setClipPath(area);
    QRectF box = area.boundingRect();
    // Stripes at 45 degrees, anchored to the painter's origin so that neighbouring pieces line up.
    constexpr double kPitch = 7;
    painter.setPen(QPen(StudioTheme::withOpacity(cutColor(), strong ? 0.85 : 0.55), 2));
    double first = std::floor((box.left() - box.height()) / kPitch) * kPitch;
    for (double x = first; x < box.right() + kPitch; x += kPitch)
        painter.drawLine(QPointF(x, box.bottom()), QPointF(x + box.height(), box.top()));
    painter.restore();
    painter.save();
    painter.setPen(QPen(StudioTheme::withOpacity(cutColor(), strong ? 0.95 : 0.6), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(area);
    painter.restore();
}

void CutClipView::paintFill(QPainter& painter, const QPainterPath& shape, bool selected)
{
    paintHatched(painter, shape, selected);
}

void CutClipView::paintLabel(QPainter& painter, const QRectF& body)
{
    auto s = span();
    if (!s || body.width() <= 28)
        return;
    QPixmap glyph = EditingTheme::icon("scissors-fill", 11, Qt::white);
    QString text = tr("%1 s").arg(s->upper - s->lower, 0, 'f', 1);
    QFont font = EditingTheme::font(9, QFont::DemiBold);
    double textWidth = QFontMetricsF(font).horizontalAdvance(text);
    bool withText = body.width() > 11 + 4 + textWidth + 2 * TimelineRules::kHandleWidth + 8;
    double width = withText ? 11 + 4 + textWidth : 11;
    double x = body.center().x() - width / 2;
    // A dark plate keeps the label readable over the stripes.
    QRectF plate(x - 4, body.center().y() - 8, width + 8, 16);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x14, 0x14, 0x17, 220));
    painter.drawRoundedRect(plate, 4, 4);
    if (!glyph.isNull())
        painter.drawPixmap(QPointF(x, body.center().y() - 5.5), glyph);
    if (withText) {
        painter.setFont(font);
        painter.setPen(StudioTheme::textPrimary());
        painter.drawText(QRectF(x + 15, plate.top(), textWidth + 1, plate.height()),
                         Qt::AlignVCenter | Qt::AlignLeft, text);
    }
}

QString CutClipView::describe(const SecondsRange& span) const
{
    return tr("Cut %1").arg(SidebarRules::spanText(span.lower, span.upper));
}

} // namespace tarnix
