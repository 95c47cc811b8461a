#include "studio/handles/CameraPositionHandle.h"

#include <QPainter>

#include "studio/handles/HandleGlyphs.h"
#include "studio/handles/HandleRules.h"

namespace tarnix {

CameraPositionHandle::CameraPositionHandle(QWidget* parent)
    : PreviewHandle(tr("Camera position"), tr("Drag to move the camera"), parent)
{
}

QRectF CameraPositionHandle::frame() const
{
    return HandleRules::cameraFrame(settings.get(), containerRect().size());
}

Point CameraPositionHandle::position() const
{
    return settings.get().position;
}

std::optional<Point> CameraPositionHandle::draggedPosition(Point start, QPointF translation) const
{
    return HandleRules::draggedCameraPosition(start, translation, containerRect().size(),
                                              settings.get().sizeFraction);
}

void CameraPositionHandle::moveTo(Point position)
{
    settings.modify([&](CameraOverlaySettings& s) { s.position = position; });
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
