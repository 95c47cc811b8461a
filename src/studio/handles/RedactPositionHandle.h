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
    void beginDrag() override;
    void dragBy(QPointF translation) override;
    void endDrag() override { dragStartOrigin_.reset(); }
    void paintEvent(QPaintEvent* event) override;

private:
    std::optional<Point> dragStartOrigin_;
};

} // namespace tarnix
