#pragma once

#include <QImage>
#include <QRect>
#include <QSize>

#include <memory>

extern "C" {
#include <libavutil/buffer.h>
#include <libavutil/frame.h>
}

#include "media/FFmpegSupport.h"

// Frames for the video encoder: 8-bit YUV 4:2:0 (BT.709 limited range, as MovieWriter tags the
// file) made from BGRA pictures, by the exporter's workers and by the screen recorder.

namespace tarnix::media {

// Frames of one size whose buffers are reused rather than mapped afresh for every frame. A buffer
// comes back when the last reference to it is gone, including the encoder's own, so a frame taken
// here is never one the encoder still reads. Thread-safe; frames may outlive the pool.
class EncoderFramePool {
public:
    explicit EncoderFramePool(QSize size);

    QSize size() const { return size_; }
    // Uninitialised pixels; null when out of memory.
    std::shared_ptr<AVFrame> frame();

private:
    // Buffers still out when the pool goes are freed when they come back.
    struct Uninit {
        void operator()(AVBufferPool* pool) const { av_buffer_pool_uninit(&pool); }
    };
    QSize size_;
    std::unique_ptr<AVBufferPool, Uninit> pool_;
};

// Fills encoder frames from BGRA pictures: our own conversion when the sizes match, else one
// libswscale pass that also scales, with `scaleFlags` (SWS_BILINEAR...). Keeps its libswscale
// context between calls; one thread at a time.
class EncoderFrameConverter {
public:
    explicit EncoderFrameConverter(int scaleFlags);

    // `frame` is AV_PIX_FMT_YUV420P with its buffers. False when libswscale can't be set up.
    bool convert(const QImage& image, AVFrame& frame);
    // The picture scaled into `area` of the frame, the rest black. `area` lies inside the frame
    // with even coordinates and sizes (4:2:0 chroma covers 2 × 2 pixels).
    bool convertInto(const QImage& image, AVFrame& frame, QRect area);

private:
    bool scale(const QImage& image, std::uint8_t* const planes[3], const int strides[3], QSize size);

    int scaleFlags_;
    ff::SwsPtr scaler_;
    QSize scaledFrom_;
    QSize scaledTo_;
};

} // namespace tarnix::media
