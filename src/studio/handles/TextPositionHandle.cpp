#include "studio/handles/TextPositionHandle.h"

#include <QPainter>

#include <algorithm>

#include "compositing/TextRenderer.h"

namespace tarnix {

TextPositionHandle::TextPositionHandle(QWidget* parent)
    : PreviewHandle(tr("Text position"), tr("Drag to move the text"), parent)
{
}

QRectF TextPositionHandle::frame() const
{
    const QSizeF size = containerRect().size();
    const Rect r = TextRenderer::boxRect(box.get(), size);
    // An empty text still has a place to grab.
    const QRectF frame(r.x * size.width(), r.y * size.height(), r.width * size.width(),
                       r.height * size.height());
    if (frame.width() >= 16 && frame.height() >= 16)
        return frame;
    const Point centre = box.get().position;
    return {centre.x * size.width() - 12, centre.y * size.height() - 12, 24, 24};
}

std::optional<Point> TextPositionHandle::draggedPosition(Point start, QPointF translation) const
{
    const QSizeF size = containerRect().size();
    if (size.isEmpty())
        return std::nullopt;
    return Point{std::clamp(start.x + translation.x() / size.width(), 0.0, 1.0),
                 std::clamp(start.y + translation.y() / size.height(), 0.0, 1.0)};
}

void TextPositionHandle::moveTo(Point position)
{
    box.modify([&](TextRegion& r) { r.position = position; });
}

void TextPositionHandle::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF outline = QRectF(rect()).adjusted(1, 1, -1, -1);
    painter.setPen(QPen(Qt::white, 2, Qt::DashLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(outline, 6, 6);
}

} // namespace tarnix
