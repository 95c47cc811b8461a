#pragma once

#include "document/RecordingTimeline.h"
#include "studio/Binding.h"
#include "studio/handles/PreviewHandle.h"

// The outline of the selected text box on the preview; dragging it moves the box's centre, held
// on the picture. Its container is the whole picture: text sits on the canvas, not the content.

namespace tarnix {

class TextPositionHandle final : public PreviewHandle {
    Q_OBJECT
public:
    explicit TextPositionHandle(QWidget* parent = nullptr);
    Binding<TextRegion> box;

protected:
    QRectF frame() const override;
    Point position() const override { return box.get().position; }
    std::optional<Point> draggedPosition(Point start, QPointF translation) const override;
    void moveTo(Point position) override;
    void paintEvent(QPaintEvent* event) override;
};

} // namespace tarnix
