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
    void beginDrag() override;
    void dragBy(QPointF translation) override;
    void endDrag() override { dragStartPosition_.reset(); }
    void paintEvent(QPaintEvent* event) override;

private:
    std::optional<Point> dragStartPosition_;
};

} // namespace tarnix
