#include "studio/handles/PreviewHandle.h"

#include <QMouseEvent>

#include <cmath>

#include "studio/handles/HandleRules.h"

namespace tarnix {

PreviewHandle::PreviewHandle(const QString& name, const QString& toolTip, QWidget* parent)
    : QWidget(parent)
{
    setAccessibleName(name);
    setToolTip(toolTip);
    setCursor(Qt::OpenHandCursor);
    setAttribute(Qt::WA_TranslucentBackground);
}

void PreviewHandle::setContainerRect(const QRectF& rect)
{
    container_ = rect;
    refresh();
}

void PreviewHandle::refresh()
{
    QRectF f = frame().translated(container_.topLeft());
    setGeometry(f.toAlignedRect());
    update();
}

void PreviewHandle::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    pressGlobal_ = event->globalPosition();
    dragStart_.reset();
    event->accept();
}

void PreviewHandle::mouseMoveEvent(QMouseEvent* event)
{
    if (!pressGlobal_)
        return;
    // The handle moves under the pointer, so travel is measured on the screen.
    QPointF translation = event->globalPosition() - *pressGlobal_;
    if (!dragStart_) {
        if (std::hypot(translation.x(), translation.y()) < HandleRules::kDragThreshold)
            return;
        dragStart_ = position();
        setCursor(Qt::ClosedHandCursor);
    }
    if (std::optional<Point> moved = draggedPosition(*dragStart_, translation))
        moveTo(*moved);
    refresh();
}

void PreviewHandle::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !pressGlobal_)
        return;
    pressGlobal_.reset();
    if (!dragStart_)
        return;
    dragStart_.reset();
    setCursor(Qt::OpenHandCursor);
    refresh();
    if (onCommit)
        onCommit();
}

} // namespace tarnix
