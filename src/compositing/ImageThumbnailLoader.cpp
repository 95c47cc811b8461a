#include "compositing/ImageThumbnailLoader.h"

#include <QImageReader>

#include <algorithm>
#include <cmath>

namespace tarnix::ImageThumbnailLoader {

std::optional<QSize> pixelSize(const std::string& path)
{
    QImageReader reader(QString::fromStdString(path));
    QSize size = reader.size();
    if (!size.isValid() || size.isEmpty())
        return std::nullopt;
    return size;
}

std::optional<QImage> thumbnail(const std::string& path, int maxPixelSize)
{
    if (maxPixelSize < 1)
        return std::nullopt;
    QImageReader reader(QString::fromStdString(path));
    reader.setAutoTransform(true);
    QSize size = reader.size();
    if (!size.isValid() || size.isEmpty())
        return std::nullopt;
    int longer = std::max(size.width(), size.height());
    if (longer > maxPixelSize) {
        double scale = double(maxPixelSize) / longer;
        reader.setScaledSize(QSize(std::max(1, int(std::lround(size.width() * scale))),
                                   std::max(1, int(std::lround(size.height() * scale)))));
    }
    QImage image = reader.read();
    if (image.isNull())
        return std::nullopt;
    // A reader that ignored the scaled size (some formats do) still gets a small result.
    if (std::max(image.width(), image.height()) > maxPixelSize)
        image = image.scaled(maxPixelSize, maxPixelSize, Qt::KeepAspectRatio,
                             Qt::SmoothTransformation);
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

} // namespace tarnix::ImageThumbnailLoader
