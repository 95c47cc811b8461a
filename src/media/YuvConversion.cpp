#include "media/YuvConversion.h"

#include <cstdint>

namespace tarnix::media {

namespace {

// Fixed-point BT.709 coefficients. Luma: 219/255 × (0.2126, 0.7152, 0.0722) × 256, offset 16.5.
// Chroma from the sum of four pixels: 224/255 × coefficient × 256, offset 128.5 (× 1024).
constexpr int kYR = 47, kYG = 157, kYB = 16, kYOffset = 16 * 256 + 128;
constexpr int kUR = -26, kUG = -87, kUB = 112;
constexpr int kVR = 112, kVG = -102, kVB = -10;
constexpr int kCOffset = 128 * 1024 + 512;

// Two source rows to two luma rows and one row of each chroma plane. Written as plain loops over
// independent pixels so that the compiler vectorises them.
void convertRowPair(const std::uint8_t* __restrict top, const std::uint8_t* __restrict bottom,
                    int width, std::uint8_t* __restrict yTop, std::uint8_t* __restrict yBottom,
                    std::uint8_t* __restrict u, std::uint8_t* __restrict v)
{
    for (int x = 0; x < width; ++x) {
        const std::uint8_t* a = top + 4 * x;
        const std::uint8_t* b = bottom + 4 * x;
        yTop[x] = std::uint8_t((kYR * a[2] + kYG * a[1] + kYB * a[0] + kYOffset) >> 8);
        yBottom[x] = std::uint8_t((kYR * b[2] + kYG * b[1] + kYB * b[0] + kYOffset) >> 8);
    }
    for (int x = 0; x < width / 2; ++x) {
        const std::uint8_t* a = top + 8 * x;
        const std::uint8_t* b = bottom + 8 * x;
        int blue = a[0] + a[4] + b[0] + b[4];
        int green = a[1] + a[5] + b[1] + b[5];
        int red = a[2] + a[6] + b[2] + b[6];
        u[x] = std::uint8_t((kUR * red + kUG * green + kUB * blue + kCOffset) >> 10);
        v[x] = std::uint8_t((kVR * red + kVG * green + kVB * blue + kCOffset) >> 10);
    }
}

} // namespace

bool convertBgraToYuv420(const QImage& image, AVFrame& frame)
{
    const int width = image.width();
    const int height = image.height();
    bool bgra = image.format() == QImage::Format_ARGB32_Premultiplied ||
                image.format() == QImage::Format_RGB32;
    if (!bgra || width % 2 || height % 2 || width < 2 || height < 2 ||
        frame.format != AV_PIX_FMT_YUV420P || frame.width != width || frame.height != height ||
        !frame.data[0] || !frame.data[1] || !frame.data[2])
        return false;
    for (int row = 0; row < height; row += 2)
        convertRowPair(image.constScanLine(row), image.constScanLine(row + 1), width,
                       frame.data[0] + std::ptrdiff_t(row) * frame.linesize[0],
                       frame.data[0] + std::ptrdiff_t(row + 1) * frame.linesize[0],
                       frame.data[1] + std::ptrdiff_t(row / 2) * frame.linesize[1],
                       frame.data[2] + std::ptrdiff_t(row / 2) * frame.linesize[2]);
    return true;
}

} // namespace tarnix::media
