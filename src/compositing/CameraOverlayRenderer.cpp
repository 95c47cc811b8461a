#include "compositing/CameraOverlayRenderer.h"

#include <QPainter>

#include "graphics/ImageScaler.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace tarnix::CameraOverlayRenderer {

namespace {

constexpr double kRenderScale = 1; // see the header: exact coverage instead of supersampling
constexpr double kBorderWidth = 3; // at render scale 1
constexpr float kBorderOpacity = 0.85f;

// The share of a unit pixel lying on the inner side of a straight edge that passes `t` pixels
// beyond its centre (t < 0: the edge cuts before the centre), for an edge whose normal has the
// components a >= b >= 0. The exact area, so a slanted edge is smoothed as a drawing at many times
// the size would be.
double halfPlaneCoverage(double t, double a, double b)
{
    if (b < 1e-6)
        return std::clamp(t + 0.5, 0.0, 1.0);
    const double reach = (a + b) / 2, ramp = (a - b) / 2;
    if (t <= -reach)
        return 0;
    if (t >= reach)
        return 1;
    if (t < -ramp)
        return (t + reach) * (t + reach) / (2 * a * b);
    if (t > ramp)
        return 1 - (reach - t) * (reach - t) / (2 * a * b);
    return b / (2 * a) + (t + ramp) / a;
}

// Where a pixel centre lies against the bubble's outline: the signed distance (negative inside)
// and the outline's normal there, for a bitmap of w × h pixels holding the inscribed ellipse or the
// rounded rectangle over the whole bitmap.
struct OutlinePoint {
    double distance;
    double normalMajor = 1, normalMinor = 0; // |normal| components, larger first

    double coverage(double t) const { return halfPlaneCoverage(t, normalMajor, normalMinor); }
};

class Outline {
public:
    Outline(int w, int h, const CameraOverlaySettings& settings, double scale)
        : hx_(w / 2.0), hy_(h / 2.0), circle_(settings.shape == CameraBubbleShape::circle)
    {
        radius_ = std::min({settings.cornerRadius * scale, hx_, hy_});
        if (!(radius_ > 0))
            radius_ = 0;
    }

    OutlinePoint at(int x, int y) const
    {
        double dx = std::abs(x + 0.5 - hx_), dy = std::abs(y + 0.5 - hy_);
        if (circle_) {
            double shorter = std::min(hx_, hy_);
            double nx = dx / hx_, ny = dy / hy_;
            return withNormal((std::sqrt(nx * nx + ny * ny) - 1) * shorter, nx / hx_, ny / hy_);
        }
        double qx = dx - (hx_ - radius_), qy = dy - (hy_ - radius_);
        if (qx > 0 && qy > 0)
            return withNormal(std::sqrt(qx * qx + qy * qy) - radius_, qx, qy);
        return {std::max(qx, qy) - radius_};
    }

    double distance(int x, int y) const { return at(x, y).distance; }

private:
    static OutlinePoint withNormal(double distance, double nx, double ny)
    {
        double length = std::hypot(nx, ny);
        if (!(length > 0))
            return {distance};
        return {distance, std::max(nx, ny) / length, std::min(nx, ny) / length};
    }

    double hx_, hy_, radius_ = 0;
    bool circle_;
};

// Cuts the picture to the outline with anti-aliased edges and strokes the border centred on it.
// Coverage is each pixel's exact area on either side of the outline, taken as straight across the
// pixel, so only pixels near it are touched.
void shapeAndBorder(QImage& bubble, const Outline& outline, double borderWidth)
{
    const int w = bubble.width(), h = bubble.height();
    const double halfBorder = borderWidth / 2;
    const double untouched = -(halfBorder + 1); // deeper inside than this nothing changes
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<std::uint8_t*>(bubble.scanLine(y));
        int x0 = 0;
        while (x0 < w && outline.distance(x0, y) >= untouched)
            ++x0;
        // The outline is symmetric: the mirror image of [0, x0) is touched on the right.
        int x1 = w - x0;
        for (int x = 0; x < w; ++x) {
            if (x == x0 && x0 < x1) {
                x = x1 - 1;
                continue;
            }
            const OutlinePoint p = outline.at(x, y);
            const float inside = float(p.coverage(-p.distance));
            // White at the border's opacity laid over the cut picture (premultiplied).
            const float stroke = float(p.coverage(halfBorder - p.distance) -
                                       p.coverage(-halfBorder - p.distance)) *
                                 kBorderOpacity;
            std::uint8_t* px = row + x * 4;
            for (int c = 0; c < 4; ++c)
                px[c] = std::uint8_t(px[c] * inside * (1 - stroke) + 255 * stroke + 0.5f);
        }
    }
}

// The last bubble made on this thread, kept while the camera picture (by its cache key, which
// changes with every new or modified picture) and the bubble's size and shape stay the same: a
// still camera picture or several outputs of one frame are not scaled and cut again.
QImage cachedBubble(const QImage& camera, const QRectF& square, double side,
                    const CameraOverlaySettings& settings)
{
    struct Kept {
        qint64 cameraKey = 0;
        double side = 0;
        CameraBubbleShape shape{};
        double cornerRadius = 0;
        bool mirrored = false;
        QImage bubble;
    };
    thread_local Kept kept;
    const bool same = !kept.bubble.isNull() && kept.cameraKey == camera.cacheKey() &&
                      kept.side == side && kept.shape == settings.shape &&
                      kept.cornerRadius == settings.cornerRadius &&
                      kept.mirrored == settings.mirrored;
    if (same)
        return kept.bubble;
    graphics::ImageSlice slice{camera, square, Size{square.width(), square.height()}};
    QImage bubble = renderBubble(slice, {kRenderScale * side, kRenderScale * side}, settings,
                                 kRenderScale);
    kept = {camera.cacheKey(), side, settings.shape, settings.cornerRadius, settings.mirrored,
            bubble};
    return bubble;
}

} // namespace

QRectF centredSquare(const QImage& camera)
{
    double side = std::min(camera.width(), camera.height());
    if (!(side > 0))
        return {};
    return QRectF((camera.width() - side) / 2, (camera.height() - side) / 2, side, side);
}

void compose(const QImage& camera, graphics::Canvas& onto, Size outputSize,
             const CameraOverlaySettings& settings)
{
    composeInFrame(camera, onto, Rect{0, 0, outputSize.width, outputSize.height}, settings);
}

void composeInFrame(const QImage& camera, graphics::Canvas& onto, const Rect& frame,
                    const CameraOverlaySettings& settings)
{
    if (!settings.isEnabled)
        return;
    double W = frame.width;
    double D = W * settings.sizeFraction;
    if (!(D > 1) || !std::isfinite(D))
        return;
    QRectF square = centredSquare(camera);
    if (square.isEmpty())
        return;
    const QImage bubble = cachedBubble(camera, square, D, settings);
    if (bubble.isNull())
        return;
    double side = bubble.width() / kRenderScale;
    Point centre = bubbleCentre(frame, settings);
    // On whole pixels the bubble is blended as it is, without a resampling pass; the shift is
    // under half a pixel.
    Point corner{std::round(centre.x - side / 2), std::round(centre.y - side / 2)};
    onto.drawImage({corner.x, corner.y, side, side}, bubble);
}

Point bubbleCentre(const Rect& frame, const CameraOverlaySettings& settings)
{
    return {frame.x + frame.width * settings.position.x,
            frame.y + frame.height - frame.height * settings.position.y};
}

QImage renderBubble(const graphics::ImageSlice& cameraSquare, Size pixelSize,
                    const CameraOverlaySettings& settings, double renderScale)
{
    int w = graphics::roundedPixels(pixelSize.width);
    int h = graphics::roundedPixels(pixelSize.height);
    QImage bubble = graphics::makeImage(w, h);
    if (bubble.isNull() || cameraSquare.image.isNull())
        return {};
    // The bilinear scaler is several times faster than QPainter's smooth transform; QPainter stays
    // for pictures in other formats.
    if (graphics::scaleInto(bubble, QRectF(0, 0, w, h), cameraSquare.image, cameraSquare.sourceRect)) {
        if (settings.mirrored)
            bubble.mirror(true, false);
    } else {
        QPainter painter(&bubble);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        if (settings.mirrored) {
            painter.translate(w, 0);
            painter.scale(-1, 1);
        }
        painter.drawImage(QRectF(0, 0, w, h), cameraSquare.image, cameraSquare.sourceRect);
    }
    // The outline is symmetric, so mirroring the picture leaves it and the border as they are.
    shapeAndBorder(bubble, Outline(w, h, settings, renderScale), kBorderWidth * renderScale);
    return bubble;
}

} // namespace tarnix::CameraOverlayRenderer
