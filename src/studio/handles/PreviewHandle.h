#pragma once

#include <QWidget>

#include <functional>
#include <optional>

// A draggable outline laid over the video preview. The owner tells it where the displayed picture
// is (`setContainerRect`, in the parent's coordinates); the handle places itself on the picture,
// follows a drag that has travelled 10 points by writing the new position through its binding
// (so the sidebar and the handle update live), and calls `onCommit` once when the drag ends.

namespace tarnix {

class PreviewHandle : public QWidget {
    Q_OBJECT
public:
    explicit PreviewHandle(QWidget* parent = nullptr);

    // Called once at the end of each drag; the editor rebuilds the preview.
    std::function<void()> onCommit;

    void setContainerRect(const QRectF& rect);
    QRectF containerRect() const { return container_; }
    // Re-reads the bound value and moves there.
    void refresh();

protected:
    // The handle's frame in container coordinates.
    virtual QRectF frame() const = 0;
    // Remembers the value at the start of a drag.
    virtual void beginDrag() = 0;
    // Writes the value for a pointer travel since the drag began.
    virtual void dragBy(QPointF translation) = 0;
    virtual void endDrag() = 0;

    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QRectF container_;
    std::optional<QPointF> pressGlobal_;
    bool dragging_ = false;
};

} // namespace tarnix
