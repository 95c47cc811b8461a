#pragma once

#include <QRectF>
#include <QSizeF>

#include <optional>

#include "document/LookSettings.h"
#include "document/RecordingTimeline.h"

// Where the preview handles sit and where a drag puts the camera bubble, a blur box or a text box. Positions
// are normalised to the displayed picture (origin top-left, y down); the container is that
// picture's size in points and translations are the pointer's travel in points.

namespace tarnix::HandleRules {

// A pointer must travel this far before a drag starts.
inline constexpr double kDragThreshold = 10;
// A blur box's handle is never smaller than this, either way.
inline constexpr double kMinRedactHandleSize = 8;

// The camera handle's square, in container coordinates: side = container width × size fraction.
QRectF cameraFrame(const CameraOverlaySettings& settings, QSizeF container);
// The bubble's centre after a drag, held so the whole bubble stays in the frame; nothing when the
// container has no area yet.
std::optional<Point> draggedCameraPosition(Point start, QPointF translation, QSizeF container,
                                           double sizeFraction);

QRectF redactFrame(const Rect& rect, QSizeF container);
// The box's new origin, held inside the frame; its size stays.
std::optional<Point> draggedRedactOrigin(Point start, QPointF translation, QSizeF container,
                                         const Rect& rect);

// The text box's outline as the compositor draws it; around its centre, 24 points wide, when the
// text is too small to grab (or empty).
QRectF textFrame(const TextRegion& box, QSizeF container);
// The box's centre after a drag, held on the picture.
std::optional<Point> draggedTextPosition(Point start, QPointF translation, QSizeF container);

} // namespace tarnix::HandleRules
