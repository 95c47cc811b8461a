#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include <optional>
#include <string>

// The rules of choosing an area of a display by dragging, without widgets: a drag from outside
// the rectangle draws a new one, a drag from inside moves it; the rectangle always stays on the
// display. Points and the rectangle are in the display's points as the overlay is drawn; what is
// recorded is in its pixels, `pixelsPerPoint` to a point (2 on a desktop scaled to 2).

namespace tarnix {

class AreaSelection {
public:
    // `initial` (the last area chosen) is cut to the display; nothing shows no rectangle yet.
    AreaSelection(QSize display, std::optional<QRect> initial, qreal pixelsPerPoint = 1.0);

    void press(QPoint point);
    void drag(QPoint point);
    void release(QPoint point);

    // The rectangle shown now; nothing before the first drag.
    const std::optional<QRect>& rect() const { return rect_; }
    // The rectangle with even sides, in points; nothing while it is too small.
    std::optional<QRect> area() const;
    // What would be recorded: that area in the display's pixels, with even sides.
    std::optional<QRect> pixelArea() const;
    // "1280 × 720", the recorded size in pixels; empty when there is no area.
    std::string sizeText() const;

private:
    enum class Gesture { none, drawing, moving };
    QPoint clamped(QPoint point) const;

    QRect bounds_;
    qreal pixelsPerPoint_;
    std::optional<QRect> rect_;
    Gesture gesture_ = Gesture::none;
    QPoint anchor_;       // where the gesture began
    QRect rectAtPress_;   // the rectangle when a move began
};

// An area chosen in a display's points, in the pixels of a picture of that display with
// `pixelsPerPoint` pixels to a point (a desktop scaled to 2 shares twice the points).
QRect areaInPixels(const QRect& points, qreal pixelsPerPoint);

} // namespace tarnix
