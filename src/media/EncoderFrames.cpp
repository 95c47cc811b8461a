#include "media/EncoderFrames.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include <cstring>

#include "media/YuvConversion.h"

namespace tarnix::media {

namespace {
constexpr int kAlign = 64;
}

EncoderFramePool::EncoderFramePool(QSize size)
    : size_(size)
{
    const int bytes = av_image_get_buffer_size(AV_PIX_FMT_YUV420P, size.width(), size.height(), kAlign);
    if (bytes > 0)
        pool_ = av_buffer_pool_init(std::size_t(bytes), av_buffer_alloc);
}

EncoderFramePool::~EncoderFramePool()
{
    av_buffer_pool_uninit(&pool_); // buffers still out are freed when they come back
}

std::shared_ptr<AVFrame> EncoderFramePool::frame()
{
    std::shared_ptr<AVFrame> frame(av_frame_alloc(), [](AVFrame* f) { av_frame_free(&f); });
    if (!frame || !pool_)
        return nullptr;
    frame->buf[0] = av_buffer_pool_get(pool_);
    if (!frame->buf[0])
        return nullptr;
    frame->format = AV_PIX_FMT_YUV420P;
    frame->width = size_.width();
    frame->height = size_.height();
    if (av_image_fill_arrays(frame->data, frame->linesize, frame->buf[0]->data, AV_PIX_FMT_YUV420P,
                             size_.width(), size_.height(), kAlign) < 0)
        return nullptr;
    return frame;
}

QRect fitCentred(QSize picture, QSize frame)
{
    const QRect whole(QPoint(0, 0), frame);
    if (picture.isEmpty() || frame.isEmpty())
        return whole;
    const QSize fitted = picture.scaled(frame, Qt::KeepAspectRatio);
    // Even sizes and places, so that no chroma sample straddles the picture's edge.
    const int width = fitted.width() & ~1;
    const int height = fitted.height() & ~1;
    if (frame.width() - width <= 2 && frame.height() - height <= 2)
        return whole;
    return QRect(((frame.width() - width) / 2) & ~1, ((frame.height() - height) / 2) & ~1, width, height);
}

EncoderFrameConverter::EncoderFrameConverter(int scaleFlags, Fit fit)
    : scaleFlags_(scaleFlags)
    , fit_(fit)
{
}

EncoderFrameConverter::~EncoderFrameConverter() { sws_freeContext(scaler_); }

bool EncoderFrameConverter::convert(const QImage& image, AVFrame& frame)
{
    if (convertBgraToYuv420(image, frame))
        return true;
    const QRect target = fit_ == Fit::centred ? fitCentred(image.size(), QSize(frame.width, frame.height))
                                              : QRect(0, 0, frame.width, frame.height);
    SwsContext* previous = scaler_;
    scaler_ = sws_getCachedContext(scaler_, image.width(), image.height(), AV_PIX_FMT_BGRA, target.width(),
                                   target.height(), AV_PIX_FMT_YUV420P, scaleFlags_, nullptr, nullptr, nullptr);
    if (!scaler_)
        return false;
    if (scaler_ != previous)
        sws_setColorspaceDetails(scaler_, sws_getCoefficients(SWS_CS_ITU709), 1,
                                 sws_getCoefficients(SWS_CS_ITU709), 0, 0, 1 << 16, 1 << 16);
    std::uint8_t* destination[4] = {frame.data[0], frame.data[1], frame.data[2], nullptr};
    if (target != QRect(0, 0, frame.width, frame.height)) {
        // Black (limited range) around the picture, which lands in the middle.
        for (int y = 0; y < frame.height; ++y)
            std::memset(frame.data[0] + std::ptrdiff_t(y) * frame.linesize[0], 16, std::size_t(frame.width));
        for (int plane = 1; plane < 3; ++plane)
            for (int y = 0; y < (frame.height + 1) / 2; ++y)
                std::memset(frame.data[plane] + std::ptrdiff_t(y) * frame.linesize[plane], 128,
                            std::size_t((frame.width + 1) / 2));
        destination[0] += std::ptrdiff_t(target.y()) * frame.linesize[0] + target.x();
        for (int plane = 1; plane < 3; ++plane)
            destination[plane] += std::ptrdiff_t(target.y() / 2) * frame.linesize[plane] + target.x() / 2;
    }
    const std::uint8_t* planes[4] = {image.constBits(), nullptr, nullptr, nullptr};
    const int strides[4] = {int(image.bytesPerLine()), 0, 0, 0};
    sws_scale(scaler_, planes, strides, 0, image.height(), destination, frame.linesize);
    return true;
}

} // namespace tarnix::media
