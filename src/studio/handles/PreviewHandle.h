#pragma once

#include <QWidget>

#include <functional>
#include <optional>

#include "document/Geometry.h"

// A draggable outline laid over the video preview. The owner tells it where the displayed picture
// is (`setContainerRect`, in the parent's coordinates); the handle places itself on the picture,
// follows a drag that has travelled 10 points by writing the new position through its binding
// (so the sidebar and the handle update live), and calls `onCommit` once when the drag ends.

namespace tarnix {

class PreviewHandle : public QWidget {
    Q_OBJECT
public:
    // `name` is the accessible name, `toolTip` says what a drag does.
    PreviewHandle(const QString& name, const QString& toolTip, QWidget* parent);

    // Called once at the end of each drag; the editor rebuilds the preview.
    std::function<void()> onCommit;

    void setContainerRect(const QRectF& rect);
    QRectF containerRect() const { return container_; }
    // Re-reads the bound value and moves there.
    void refresh();

protected:
    // The handle's frame in container coordinates.
    virtual QRectF frame() const = 0;
    // The point a drag moves (the bound value's position), read when a drag begins.
    virtual Point position() const = 0;
    // The position for a pointer travel from `start`; none where the rules keep it in place.
    virtual std::optional<Point> draggedPosition(Point start, QPointF translation) const = 0;
    // Writes a new position through the binding.
    virtual void moveTo(Point position) = 0;

    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QRectF container_;
    std::optional<QPointF> pressGlobal_;
    std::optional<Point> dragStart_; // set while a drag runs
};

} // namespace tarnix
