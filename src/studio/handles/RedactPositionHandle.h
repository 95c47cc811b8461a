#pragma once

#include "document/Geometry.h"
#include "studio/Binding.h"
#include "studio/handles/PreviewHandle.h"

// The outline of one blur box on the preview; dragging it moves the box. Writes the rectangle's
// origin only; never shown smaller than 8 points either way.

namespace tarnix {

class RedactPositionHandle final : public PreviewHandle {
    Q_OBJECT
public:
    explicit RedactPositionHandle(QWidget* parent = nullptr);
    Binding<Rect> rect;

protected:
    QRectF frame() const override;
    Point position() const override;
    std::optional<Point> draggedPosition(Point start, QPointF translation) const override;
    void moveTo(Point position) override;
    void paintEvent(QPaintEvent* event) override;
};

} // namespace tarnix
