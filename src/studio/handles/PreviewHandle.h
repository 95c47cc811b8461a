#pragma once

#include <QWidget>

#include <functional>
#include <optional>

#include "document/LookSettings.h"
#include "document/RecordingTimeline.h"
#include "studio/Binding.h"

// A draggable outline laid over the video preview, for one of the things placed on the picture:
// the camera bubble (circle or rounded square, as the bubble is; dragging writes its `position`),
// a blur box (never shown smaller than 8 points either way; dragging writes the rectangle's
// origin) or the selected text box (dragging moves its centre, held on the picture; its container
// is the whole picture, as text sits on the canvas). The owner tells it where the displayed
// picture is (`setContainerRect`, in the parent's coordinates); the handle places itself on the
// picture, follows a drag that has travelled 10 points by writing the new position through its
// kind's binding (so the sidebar and the handle update live), and calls `onCommit` once when the
// drag ends. Where each kind sits and moves: HandleRules; how it is drawn: HandleGlyphs.

namespace tarnix {

class PreviewHandle final : public QWidget {
    Q_OBJECT
public:
    enum class Kind { camera, redact, text };

    PreviewHandle(Kind kind, QWidget* parent);

    // The value the handle moves; only its kind's binding is read.
    Binding<CameraOverlaySettings> cameraSettings;
    Binding<Rect> redactRect;
    Binding<TextRegion> textBox;

    // Called once at the end of each drag; the editor rebuilds the preview.
    std::function<void()> onCommit;

    Kind kind() const { return kind_; }
    void setContainerRect(const QRectF& rect);
    QRectF containerRect() const { return container_; }
    // Re-reads the bound value and moves there.
    void refresh();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // The handle's frame in container coordinates.
    QRectF frame() const;
    // The point a drag moves (the bound value's position), read when a drag begins.
    Point position() const;
    // Writes a new position through the binding.
    void moveTo(Point position);

    Kind kind_;
    QRectF container_;
    std::optional<QPointF> pressGlobal_;
    std::optional<Point> dragStart_; // set while a drag runs
};

} // namespace tarnix
