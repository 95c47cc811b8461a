#pragma once

#include <QImage>
#include <QRectF>
#include <QSize>

#include <cstdint>
#include <optional>
#include <vector>

#include "compositing/OverlayInstruction.h"

struct AVFrame;

// The export's way to draw a frame: straight into the encoder's 8-bit YUV 4:2:0 planes (BT.709
// limited range), from the decoder's planes of the screen. The screen is cropped and scaled plane
// by plane over a background converted once per output size; the redaction is blurred on the
// planes, and the layers drawn in RGB (camera bubble, cursor, ripples under the blur; text and
// keys over it) only over the areas they cover, which are converted to BGRA and back. 1.5 bytes a pixel instead of 4, and no conversion of the whole
// frame. The picture is the one OverlayFrame::draw makes, within a level or two. Pure apart from
// writing the output; any thread.

namespace tarnix {

// A prepared background in YUV for one output size, and where the screen picture goes in it.
// Immutable once made.
struct YuvBackground {
    int width = 0; // output pixels, even
    int height = 0;
    // Y at full size, U and V at half; empty when there is no background (the screen fills all).
    std::vector<std::uint8_t> planes[3];
    // The screen picture's rectangle, image pixels (top-left origin).
    QRectF content;
    // Samples the screen covers only partly (rounded corners, fractional edges), per plane kind
    // (0 luma, 1 chroma): the background is mixed back in there by coverage / 255.
    struct Run {
        int row;
        int begin;
        int end;
        std::size_t coverage; // index of the run's first value in `coverages`
    };
    std::vector<Run> runs[2];
    std::vector<std::uint8_t> coverages[2];

    // For an output of `size` (even sides) over `frame` (made for that size), or the whole output
    // for the screen when there is no frame. Nothing for odd or empty sizes.
    static std::optional<YuvBackground> make(const BackgroundFrame* frame, QSize size);
};

namespace YuvOverlayFrame {

// Draws the frame at composition time `time` into `output` (AV_PIX_FMT_YUV420P of the
// background's size) from `screen` (AV_PIX_FMT_YUV420P, BT.709 limited range, at least 2 × 2)
// and the camera frame (BGRA, or null). `background` is the BackgroundFrame `yuvBackground` was
// made from (or null). False when the frames do not fit; the output is then undefined.
bool draw(AVFrame& output, const OverlayInstruction& instruction, double time,
          const AVFrame& screen, const QImage& camera, const BackgroundFrame* background,
          const YuvBackground& yuvBackground);

// The image rectangles (top-left origin) the layers of the frame at `time` may change (the
// blurred rectangles included), each grown to even coordinates; exposed for tests.
std::vector<QRect> layerAreas(const OverlayInstruction& instruction, double time, QSize output,
                              const BackgroundFrame* background);

} // namespace YuvOverlayFrame

} // namespace tarnix
