#include "studio/handles/RedactPositionHandle.h"

#include <QPainter>

#include "studio/EditingTheme.h"
#include "studio/handles/HandleRules.h"

namespace tarnix {

RedactPositionHandle::RedactPositionHandle(QWidget* parent) : PreviewHandle(parent)
{
    setAccessibleName(tr("Blur position"));
    setToolTip(tr("Drag to move the blur"));
}

QRectF RedactPositionHandle::frame() const
{
    return HandleRules::redactFrame(rect.get(), containerRect().size());
}

void RedactPositionHandle::beginDrag()
{
    Rect current = rect.get();
    dragStartOrigin_ = Point{current.x, current.y};
}

void RedactPositionHandle::dragBy(QPointF translation)
{
    Rect current = rect.get();
    auto origin = HandleRules::draggedRedactOrigin(*dragStartOrigin_, translation,
                                                   containerRect().size(), current);
    if (!origin)
        return;
    current.x = origin->x;
    current.y = origin->y;
    rect.set(current);
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
