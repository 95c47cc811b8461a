#include "compositing/CameraOverlayRenderer.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace tarnix::CameraOverlayRenderer {

namespace {

constexpr double kRenderScale = 2;
constexpr double kBorderWidth = 3;       // at render scale 1
constexpr double kBorderOpacity = 0.85;

QPainterPath outline(const QRectF& bounds, const CameraOverlaySettings& settings, double scale)
{
    QPainterPath path;
    if (settings.shape == CameraBubbleShape::circle) {
        path.addEllipse(bounds);
        return path;
    }
    double r = std::min({settings.cornerRadius * scale, bounds.width() / 2, bounds.height() / 2});
    if (!(r > 0))
        r = 0;
    path.addRoundedRect(bounds, r, r);
    return path;
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
    if (!settings.isEnabled)
        return;
    double W = outputSize.width, H = outputSize.height;
    double D = W * settings.sizeFraction;
    if (!(D > 1) || !std::isfinite(D))
        return;
    QRectF square = centredSquare(camera);
    if (square.isEmpty())
        return;
    graphics::ImageSlice slice{camera, square, Size{square.width(), square.height()}};
    QImage bubble = renderBubble(slice, {kRenderScale * D, kRenderScale * D}, settings,
                                 kRenderScale);
    if (bubble.isNull())
        return;
    double side = bubble.width() / kRenderScale;
    Point centre{W * settings.position.x, H - H * settings.position.y};
    onto.drawImage({centre.x - side / 2, centre.y - side / 2, side, side}, bubble);
}

QImage renderBubble(const graphics::ImageSlice& cameraSquare, Size pixelSize,
                    const CameraOverlaySettings& settings, double renderScale)
{
    int w = graphics::roundedPixels(pixelSize.width);
    int h = graphics::roundedPixels(pixelSize.height);
    QImage bubble = graphics::makeImage(w, h);
    if (bubble.isNull() || cameraSquare.image.isNull())
        return {};
    QRectF bounds(0, 0, w, h);
    QPainterPath path = outline(bounds, settings, renderScale);

    QPainter painter(&bubble);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    painter.save();
    if (settings.mirrored) {
        painter.translate(w, 0);
        painter.scale(-1, 1);
    }
    painter.setClipPath(path);
    painter.drawImage(bounds, cameraSquare.image, cameraSquare.sourceRect);
    painter.restore();

    // The outline lies on the bitmap's edge, so only the inner half of the border shows.
    painter.setPen(QPen(QColor::fromRgbF(1, 1, 1, float(kBorderOpacity)), kBorderWidth * renderScale));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
    return bubble;
}

} // namespace tarnix::CameraOverlayRenderer
