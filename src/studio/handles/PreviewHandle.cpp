#include "studio/handles/PreviewHandle.h"

#include <QMouseEvent>
#include <QPainter>

#include <cmath>

#include "studio/handles/HandleGlyphs.h"
#include "studio/handles/HandleRules.h"

namespace tarnix {

PreviewHandle::PreviewHandle(Kind kind, QWidget* parent) : QWidget(parent), kind_(kind)
{
    switch (kind_) {
    case Kind::camera:
        setAccessibleName(tr("Camera position"));
        setToolTip(tr("Drag to move the camera"));
        break;
    case Kind::redact:
        setAccessibleName(tr("Blur position"));
        setToolTip(tr("Drag to move the blur"));
        break;
    case Kind::text:
        setAccessibleName(tr("Text position"));
        setToolTip(tr("Drag to move the text"));
        break;
    }
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

QRectF PreviewHandle::frame() const
{
    const QSizeF size = container_.size();
    switch (kind_) {
    case Kind::camera:
        return HandleRules::cameraFrame(cameraSettings.get(), size);
    case Kind::redact:
        return HandleRules::redactFrame(redactRect.get(), size);
    case Kind::text:
        break;
    }
    return HandleRules::textFrame(textBox.get(), size);
}

Point PreviewHandle::position() const
{
    if (kind_ == Kind::camera)
        return cameraSettings.get().position;
    if (kind_ == Kind::redact)
        return Point{redactRect.get().x, redactRect.get().y};
    return textBox.get().position;
}

void PreviewHandle::moveTo(Point position)
{
    if (kind_ == Kind::camera) {
        cameraSettings.modify([&](CameraOverlaySettings& s) { s.position = position; });
    } else if (kind_ == Kind::redact) {
        redactRect.modify([&](Rect& r) {
            r.x = position.x;
            r.y = position.y;
        });
    } else {
        textBox.modify([&](TextRegion& r) { r.position = position; });
    }
}

void PreviewHandle::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box(rect());
    if (kind_ == Kind::camera)
        HandleGlyphs::drawCamera(painter, box, cameraSettings.get());
    else if (kind_ == Kind::redact)
        HandleGlyphs::drawRedact(painter, box);
    else
        HandleGlyphs::drawText(painter, box);
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
    const QSizeF size = container_.size();
    std::optional<Point> moved =
        kind_ == Kind::camera
            ? HandleRules::draggedCameraPosition(*dragStart_, translation, size, cameraSettings.get().sizeFraction)
        : kind_ == Kind::redact
            ? HandleRules::draggedRedactOrigin(*dragStart_, translation, size, redactRect.get())
            : HandleRules::draggedTextPosition(*dragStart_, translation, size);
    if (moved)
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
