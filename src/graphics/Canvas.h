#pragma once

#include <QImage>
#include <QPainter>
#include <QRectF>

#include "document/Geometry.h"
#include "graphics/Image.h"

// Drawing with the compositor's coordinate convention: canvas pixels with the origin at the
// lower-left corner and y pointing up. QImage stores rows top-down; toImageRect() is the only place
// where one convention turns into the other.
//
// A Canvas paints into an image it does not own; the image must stay alive and in kPixelFormat
// while the canvas exists. One canvas belongs to one thread at a time.

namespace tarnix::graphics {

// A rectangle given with a bottom-left origin in a picture `height` pixels tall, in the picture's
// top-left pixel coordinates (the same rectangle of pixels).
QRectF toImageRect(const Rect& bottomLeftRect, double height);
// A point given with a bottom-left origin, in top-left pixel coordinates.
QPointF toImagePoint(const Point& bottomLeftPoint, double height);

class Canvas {
public:
    // Paints into `target`, which must be a non-null image in kPixelFormat.
    explicit Canvas(QImage& target);
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    int width() const { return target_.width(); }
    int height() const { return target_.height(); }
    QImage& image() { return target_; }

    // Draws `source` (a part given in its own top-left pixel coordinates) stretched into `target`
    // (canvas coordinates, bottom-left origin) with bilinear filtering.
    void drawImage(const Rect& target, const QImage& source, const QRectF& sourceRect,
                   QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver);
    // The whole source stretched into `target`.
    void drawImage(const Rect& target, const QImage& source);
    // A slice drawn so that its picture covers `target`.
    void drawSlice(const Rect& target, const ImageSlice& slice,
                   QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver);

    // The underlying painter, for paths and strokes in top-left coordinates of image(); convert
    // positions with toImageRect()/toImagePoint() first. Its state is restored by the caller.
    QPainter& painter() { return painter_; }

    QRectF toImageRect(const Rect& canvasRect) const;
    QPointF toImagePoint(const Point& canvasPoint) const;

private:
    QImage& target_;
    QPainter painter_;
};

} // namespace tarnix::graphics
