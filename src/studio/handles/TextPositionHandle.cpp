#include "studio/handles/TextPositionHandle.h"

#include <QPainter>

#include <algorithm>

#include "compositing/TextRenderer.h"

namespace tarnix {

TextPositionHandle::TextPositionHandle(QWidget* parent) : PreviewHandle(parent)
{
    setAccessibleName(tr("Text position"));
    setToolTip(tr("Drag to move the text"));
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

void TextPositionHandle::dragBy(QPointF translation)
{
    const QSizeF size = containerRect().size();
    if (!dragStart_ || size.isEmpty())
        return;
    TextRegion next = box.get();
    next.position = {std::clamp(dragStart_->x + translation.x() / size.width(), 0.0, 1.0),
                     std::clamp(dragStart_->y + translation.y() / size.height(), 0.0, 1.0)};
    box.set(next);
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
