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

} // namespace tarnix::HandleGlyphs
