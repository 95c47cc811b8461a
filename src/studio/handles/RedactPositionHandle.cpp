#include "studio/handles/RedactPositionHandle.h"

#include <QPainter>

#include "studio/EditingTheme.h"
#include "studio/handles/HandleRules.h"

namespace tarnix {

RedactPositionHandle::RedactPositionHandle(QWidget* parent)
    : PreviewHandle(tr("Blur position"), tr("Drag to move the blur"), parent)
{
}

QRectF RedactPositionHandle::frame() const
{
    return HandleRules::redactFrame(rect.get(), containerRect().size());
}

Point RedactPositionHandle::position() const
{
    const Rect current = rect.get();
    return Point{current.x, current.y};
}

std::optional<Point> RedactPositionHandle::draggedPosition(Point start, QPointF translation) const
{
    return HandleRules::draggedRedactOrigin(start, translation, containerRect().size(), rect.get());
}

void RedactPositionHandle::moveTo(Point position)
{
    rect.modify([&](Rect& r) {
        r.x = position.x;
        r.y = position.y;
    });
}

void RedactPositionHandle::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QRectF box = QRectF(QWidget::rect());
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

} // namespace tarnix
