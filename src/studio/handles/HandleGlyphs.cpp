#include "studio/handles/HandleGlyphs.h"

#include <QPainterPath>

#include "studio/EditingTheme.h"

namespace tarnix::HandleGlyphs {

void drawMove(QPainter& painter, QPointF centre, double size)
{
    QPixmap glyph = EditingTheme::icon("move", size, Qt::white);
    if (!glyph.isNull()) {
        painter.drawPixmap(centre - QPointF(size / 2, size / 2), glyph);
        return;
    }
    painter.save();
    painter.setPen(QPen(Qt::white, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    double r = size / 2;
    painter.drawLine(centre - QPointF(r, 0), centre + QPointF(r, 0));
    painter.drawLine(centre - QPointF(0, r), centre + QPointF(0, r));
    double a = size * 0.22;
    for (QPointF dir : {QPointF(1, 0), QPointF(-1, 0), QPointF(0, 1), QPointF(0, -1)}) {
        QPointF tip = centre + dir * r;
        QPointF side(dir.y(), dir.x());
        QPainterPath head;
        head.moveTo(tip - dir * a + side * a);
        head.lineTo(tip);
        head.lineTo(tip - dir * a - side * a);
        painter.drawPath(head);
    }
    painter.restore();
}

void drawCamera(QPainter& painter, const QRectF& box, const CameraOverlaySettings& settings)
{
    const QRectF outline = box.adjusted(1, 1, -1, -1);
    painter.setPen(QPen(Qt::white, 2));
    painter.setBrush(QColor::fromRgbF(1, 1, 1, 0.08f));
    if (settings.shape == CameraBubbleShape::circle)
        painter.drawEllipse(outline);
    else
        painter.drawRoundedRect(outline, settings.cornerRadius, settings.cornerRadius);
    drawMove(painter, box.center(), 14);
}

void drawRedact(QPainter& painter, const QRectF& box)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgbF(0, 0, 0, 0.4f));
    painter.drawRoundedRect(box, 6, 6);
    painter.setPen(QPen(Qt::white, 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(box.adjusted(1, 1, -1, -1), 5, 5);
    QPixmap glyph = EditingTheme::icon("eye-slash-fill", 13, Qt::white);
    if (!glyph.isNull() && box.width() > 17 && box.height() > 17)
        painter.drawPixmap(box.center() - QPointF(6.5, 6.5), glyph);
}

void drawText(QPainter& painter, const QRectF& box)
{
    painter.setPen(QPen(Qt::white, 2, Qt::DashLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(box.adjusted(1, 1, -1, -1), 6, 6);
}

} // namespace tarnix::HandleGlyphs
