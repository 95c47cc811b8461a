#pragma once

#include <QImage>
#include <QSize>

#include <optional>
#include <string>

// Image file size and previews without decoding the full picture (QImageReader reads the size
// from the header and scales while decoding where the format allows). Stateless; any thread.

namespace tarnix::ImageThumbnailLoader {

// The image's pixel width and height as stored, or nothing when it cannot be read.
std::optional<QSize> pixelSize(const std::string& path);

// A preview no larger than maxPixelSize on its longer side (never enlarged), with the file's
// orientation applied, in Format_ARGB32_Premultiplied; nothing when the file cannot be read or
// maxPixelSize < 1.
std::optional<QImage> thumbnail(const std::string& path, int maxPixelSize);

} // namespace tarnix::ImageThumbnailLoader
