#pragma once

#include <QImage>

#include <cstdint>

extern "C" {
#include <libavutil/frame.h>
}

// Opaque BGRA pixels to 8-bit YUV 4:2:0, BT.709 limited range, each chroma sample the mean of its
// 2 × 2 pixels, within 0.6 of the exact value. The hot path of the exporter and of screen capture:
// AVX2 where the processor has it (about 0.7 ms for a 1920 × 1080 frame, mostly memory traffic),
// else plain loops. Pure; any thread.

namespace tarnix::media {

// Converts `image` (Format_ARGB32_Premultiplied or Format_RGB32, even width and height) into
// `frame` (AV_PIX_FMT_YUV420P or AV_PIX_FMT_NV12 of the same size, buffers allocated). Returns
// false, touching nothing, when the formats or sizes do not fit.
bool convertBgraToYuv420(const QImage& image, AVFrame& frame);

// Where the three planes of a 4:2:0 picture (or of a part of one starting at an even pixel) lie.
struct YuvPlanes {
    std::uint8_t* data[3] = {};
    int stride[3] = {};
};
// `frame`'s planes from pixel (x, y), both even; `frame` is AV_PIX_FMT_YUV420P.
YuvPlanes planesAt(const AVFrame& frame, int x, int y);

// The same conversion of width × height BGRA pixels (even width and height) into `out`.
void convertBgraToYuv420(const std::uint8_t* bgra, qsizetype bytesPerLine, int width, int height,
                         const YuvPlanes& out);
// The same conversion into NV12: the luma plane, then U and V interleaved in one plane (U V U V...),
// the layout x264 and the graphics cards keep their pictures in.
void convertBgraToNv12(const std::uint8_t* bgra, qsizetype bytesPerLine, int width, int height,
                       std::uint8_t* y, int yStride, std::uint8_t* uv, int uvStride);
// And back, to opaque BGRA (premultiplied) of the same matrix and range: each 2 × 2 block takes
// its own chroma sample, so that converting pixels back and forth moves them by at most a level
// or two. Scalar: for small areas.
void convertYuv420ToBgra(const YuvPlanes& in, std::uint8_t* bgra, qsizetype bytesPerLine,
                         int width, int height);

} // namespace tarnix::media
