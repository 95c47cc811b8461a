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
// file) made from BGRA pictures, by the exporter's workers and by the screen recorder. Their chroma
// is planar (AV_PIX_FMT_YUV420P) or interleaved (AV_PIX_FMT_NV12), whichever the encoder takes as
// it is (MovieWriter::videoInputFormat).

namespace tarnix::media {

// Frames of one size whose buffers are reused rather than mapped afresh for every frame. A buffer
// comes back when the last reference to it is gone, including the encoder's own, so a frame taken
// here is never one the encoder still reads. Thread-safe; frames may outlive the pool.
class EncoderFramePool {
public:
    // `format` is AV_PIX_FMT_YUV420P or AV_PIX_FMT_NV12.
    explicit EncoderFramePool(QSize size, AVPixelFormat format = AV_PIX_FMT_YUV420P);

    QSize size() const { return size_; }
    AVPixelFormat format() const { return format_; }
    // Uninitialised pixels; null when out of memory.
    std::shared_ptr<AVFrame> frame();

private:
    // Buffers still out when the pool goes are freed when they come back.
    struct Uninit {
        void operator()(AVBufferPool* pool) const { av_buffer_pool_uninit(&pool); }
    };
    QSize size_;
    AVPixelFormat format_;
    std::unique_ptr<AVBufferPool, Uninit> pool_;
};

// Fills encoder frames from BGRA pictures: our own conversion when the sizes match, else one
// libswscale pass that also scales, with `scaleFlags` (SWS_BILINEAR...). Keeps its libswscale
// context between calls; one thread at a time.
class EncoderFrameConverter {
public:
    explicit EncoderFrameConverter(int scaleFlags);

    // `frame` is AV_PIX_FMT_YUV420P or AV_PIX_FMT_NV12 with its buffers. False when libswscale
    // can't be set up.
    bool convert(const QImage& image, AVFrame& frame);
    // The picture scaled into `area` of the frame, the rest black. `area` lies inside the frame
    // with even coordinates and sizes (4:2:0 chroma covers 2 × 2 pixels).
    bool convertInto(const QImage& image, AVFrame& frame, QRect area);

private:
    bool scale(const QImage& image, const AVFrame& frame, QRect area);

    int scaleFlags_;
    ff::SwsPtr scaler_;
    QSize scaledFrom_;
    QSize scaledTo_;
    AVPixelFormat scaledFormat_ = AV_PIX_FMT_NONE;
};

} // namespace tarnix::media
