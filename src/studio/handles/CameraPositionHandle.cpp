#include "studio/handles/CameraPositionHandle.h"

#include <QPainter>

#include "studio/handles/HandleGlyphs.h"
#include "studio/handles/HandleRules.h"

namespace tarnix {

CameraPositionHandle::CameraPositionHandle(QWidget* parent) : PreviewHandle(parent)
{
    setAccessibleName(tr("Camera position"));
    setToolTip(tr("Drag to move the camera"));
}

QRectF CameraPositionHandle::frame() const
{
    return HandleRules::cameraFrame(settings.get(), containerRect().size());
}

void CameraPositionHandle::beginDrag()
{
    dragStartPosition_ = settings.get().position;
}

void CameraPositionHandle::dragBy(QPointF translation)
{
    CameraOverlaySettings current = settings.get();
    auto position = HandleRules::draggedCameraPosition(*dragStartPosition_, translation,
                                                       containerRect().size(), current.sizeFraction);
    if (!position)
        return;
    current.position = *position;
    settings.set(current);
}

void CameraPositionHandle::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    CameraOverlaySettings current = settings.get();
    QRectF outline = QRectF(rect()).adjusted(1, 1, -1, -1);
    painter.setPen(QPen(Qt::white, 2));
    painter.setBrush(QColor::fromRgbF(1, 1, 1, 0.08f));
    if (current.shape == CameraBubbleShape::circle)
        painter.drawEllipse(outline);
    else
        painter.drawRoundedRect(outline, current.cornerRadius, current.cornerRadius);
    HandleGlyphs::drawMove(painter, QRectF(rect()).center(), 14);
}

} // namespace tarnix
