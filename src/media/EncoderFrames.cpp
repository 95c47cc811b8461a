#include "media/EncoderFrames.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

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

EncoderFrameConverter::EncoderFrameConverter(int scaleFlags)
    : scaleFlags_(scaleFlags)
{
}

EncoderFrameConverter::~EncoderFrameConverter() { sws_freeContext(scaler_); }

bool EncoderFrameConverter::convert(const QImage& image, AVFrame& frame)
{
    if (convertBgraToYuv420(image, frame))
        return true;
    SwsContext* previous = scaler_;
    scaler_ = sws_getCachedContext(scaler_, image.width(), image.height(), AV_PIX_FMT_BGRA, frame.width,
                                   frame.height, AV_PIX_FMT_YUV420P, scaleFlags_, nullptr, nullptr, nullptr);
    if (!scaler_)
        return false;
    if (scaler_ != previous)
        sws_setColorspaceDetails(scaler_, sws_getCoefficients(SWS_CS_ITU709), 1,
                                 sws_getCoefficients(SWS_CS_ITU709), 0, 0, 1 << 16, 1 << 16);
    const std::uint8_t* planes[4] = {image.constBits(), nullptr, nullptr, nullptr};
    const int strides[4] = {int(image.bytesPerLine()), 0, 0, 0};
    sws_scale(scaler_, planes, strides, 0, image.height(), frame.data, frame.linesize);
    return true;
}

} // namespace tarnix::media
