#pragma once

#include "document/LookSettings.h"
#include "studio/Binding.h"
#include "studio/handles/PreviewHandle.h"

// The outline of the camera bubble on the preview (circle or rounded square, as the bubble is);
// dragging it moves the bubble. Writes `position` only.

namespace tarnix {

class CameraPositionHandle final : public PreviewHandle {
    Q_OBJECT
public:
    explicit CameraPositionHandle(QWidget* parent = nullptr);
    Binding<CameraOverlaySettings> settings;

protected:
    QRectF frame() const override;
    Point position() const override;
    std::optional<Point> draggedPosition(Point start, QPointF translation) const override;
    void moveTo(Point position) override;
    void paintEvent(QPaintEvent* event) override;
};

} // namespace tarnix
