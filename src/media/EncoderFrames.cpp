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
        pool_.reset(av_buffer_pool_init(std::size_t(bytes), av_buffer_alloc));
}

std::shared_ptr<AVFrame> EncoderFramePool::frame()
{
    std::shared_ptr<AVFrame> frame(av_frame_alloc(), [](AVFrame* f) { av_frame_free(&f); });
    if (!frame || !pool_)
        return nullptr;
    frame->buf[0] = av_buffer_pool_get(pool_.get());
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

bool EncoderFrameConverter::convert(const QImage& image, AVFrame& frame)
{
    if (convertBgraToYuv420(image, frame))
        return true;
    return scale(image, frame.data, frame.linesize, QSize(frame.width, frame.height));
}

bool EncoderFrameConverter::convertInto(const QImage& image, AVFrame& frame, QRect area)
{
    if (area == QRect(0, 0, frame.width, frame.height))
        return convert(image, frame);
    if (area.isEmpty() || area.x() % 2 || area.y() % 2 || area.width() % 2 || area.height() % 2 ||
        !QRect(0, 0, frame.width, frame.height).contains(area))
        return false;
    // Black in limited-range YUV: Y 16, chroma at its middle.
    const std::uint8_t black[3] = {16, 128, 128};
    for (int plane = 0; plane < 3; ++plane) {
        const int rows = plane == 0 ? frame.height : (frame.height + 1) / 2;
        std::memset(frame.data[plane], black[plane], std::size_t(frame.linesize[plane]) * std::size_t(rows));
    }
    std::uint8_t* const planes[3] = {
        frame.data[0] + std::ptrdiff_t(area.y()) * frame.linesize[0] + area.x(),
        frame.data[1] + std::ptrdiff_t(area.y() / 2) * frame.linesize[1] + area.x() / 2,
        frame.data[2] + std::ptrdiff_t(area.y() / 2) * frame.linesize[2] + area.x() / 2};
    return scale(image, planes, frame.linesize, area.size());
}

bool EncoderFrameConverter::scale(const QImage& image, std::uint8_t* const planes[3], const int strides[3],
                                  QSize size)
{
    SwsContext* previous = scaler_.get();
    scaler_.reset(sws_getCachedContext(scaler_.release(), image.width(), image.height(), AV_PIX_FMT_BGRA,
                                       size.width(), size.height(), AV_PIX_FMT_YUV420P, scaleFlags_,
                                       nullptr, nullptr, nullptr));
    if (!scaler_)
        return false;
    // A context made anew may come back at the old address: the sizes tell it apart too.
    if (scaler_.get() != previous || image.size() != scaledFrom_ || size != scaledTo_)
        sws_setColorspaceDetails(scaler_.get(), sws_getCoefficients(SWS_CS_ITU709), 1,
                                 sws_getCoefficients(SWS_CS_ITU709), 0, 0, 1 << 16, 1 << 16);
    scaledFrom_ = image.size();
    scaledTo_ = size;
    const std::uint8_t* source[4] = {image.constBits(), nullptr, nullptr, nullptr};
    const int sourceStrides[4] = {int(image.bytesPerLine()), 0, 0, 0};
    std::uint8_t* destination[4] = {planes[0], planes[1], planes[2], nullptr};
    const int destinationStrides[4] = {strides[0], strides[1], strides[2], 0};
    sws_scale(scaler_.get(), source, sourceStrides, 0, image.height(), destination, destinationStrides);
    return true;
}

} // namespace tarnix::media
