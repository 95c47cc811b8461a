#include "graphics/Image.h"

#include <QPainter>

#include <cmath>
#include <limits>

namespace tarnix::graphics {

QImage makeImage(int width, int height, const QColor& fill)
{
    if (width < 1 || height < 1)
        return {};
    QImage image(width, height, kPixelFormat);
    if (image.isNull())
        return {};
    image.fill(fill);
    return image;
}

QImage inPixelFormat(const QImage& image)
{
    if (image.isNull() || image.format() == kPixelFormat)
        return image;
    return image.convertToFormat(kPixelFormat);
}

int roundedPixels(double value)
{
    if (!std::isfinite(value))
        return 0;
    double rounded = std::round(value); // halves away from zero
    if (rounded > std::numeric_limits<int>::max() || rounded < std::numeric_limits<int>::min())
        return 0;
    return static_cast<int>(rounded);
}

QColor opaqueColor(const CodableColor& color)
{
    auto component = [](double v) { return clampUnit(v); };
    return QColor::fromRgbF(static_cast<float>(component(color.red)),
                            static_cast<float>(component(color.green)),
                            static_cast<float>(component(color.blue)), 1.0f);
}

ImageSlice wholeImage(const QImage& image)
{
    return {image, QRectF(0, 0, image.width(), image.height()),
            Size{double(image.width()), double(image.height())}};
}

QImage render(const ImageSlice& slice)
{
    QImage out = makeImage(roundedPixels(slice.size.width), roundedPixels(slice.size.height));
    if (out.isNull() || slice.image.isNull())
        return out;
    QPainter painter(&out);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(QRectF(0, 0, slice.size.width, slice.size.height), slice.image,
                      slice.sourceRect);
    return out;
}

} // namespace tarnix::graphics
