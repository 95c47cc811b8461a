#pragma once

#include <QImage>
#include <QRect>
#include <QSize>

#include <memory>

extern "C" {
#include <libavutil/buffer.h>
#include <libavutil/frame.h>
}

struct SwsContext;

// Frames for the video encoder: 8-bit YUV 4:2:0 (BT.709 limited range, as MovieWriter tags the
// file) made from BGRA pictures, by the exporter's workers and by the screen recorder.

namespace tarnix::media {

// Frames of one size whose buffers are reused rather than mapped afresh for every frame. A buffer
// comes back when the last reference to it is gone, including the encoder's own, so a frame taken
// here is never one the encoder still reads. Thread-safe; frames may outlive the pool.
class EncoderFramePool {
public:
    explicit EncoderFramePool(QSize size);
    ~EncoderFramePool();
    EncoderFramePool(const EncoderFramePool&) = delete;
    EncoderFramePool& operator=(const EncoderFramePool&) = delete;

    QSize size() const { return size_; }
    // Uninitialised pixels; null when out of memory.
    std::shared_ptr<AVFrame> frame();

private:
    QSize size_;
    AVBufferPool* pool_ = nullptr;
};

// Where a picture of `picture`'s size lands when scaled into a frame of `frame`'s size with its
// aspect ratio kept and centred, on even pixels (4:2:0 chroma); the whole frame when the two
// aspect ratios are within a pixel of each other.
QRect fitCentred(QSize picture, QSize frame);

// Fills encoder frames from BGRA pictures: our own conversion when the sizes match, else one
// libswscale pass that also scales, with `scaleFlags` (SWS_BILINEAR...). A picture of another
// shape is stretched over the frame, or with Fit::centred scaled to fit it, aspect kept, on
// black. Keeps its libswscale context between calls; one thread at a time.
class EncoderFrameConverter {
public:
    enum class Fit { stretch, centred };
    explicit EncoderFrameConverter(int scaleFlags, Fit fit = Fit::stretch);
    ~EncoderFrameConverter();
    EncoderFrameConverter(const EncoderFrameConverter&) = delete;
    EncoderFrameConverter& operator=(const EncoderFrameConverter&) = delete;

    // `frame` is AV_PIX_FMT_YUV420P with its buffers. False when libswscale can't be set up.
    bool convert(const QImage& image, AVFrame& frame);

private:
    int scaleFlags_;
    Fit fit_;
    SwsContext* scaler_ = nullptr;
};

} // namespace tarnix::media
