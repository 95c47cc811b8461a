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

// Black in limited-range YUV (Y 16, chroma at its middle, U and V alike) everywhere outside `area`
// (even coordinates). libswscale writes a few samples past the end of each row it fills, so the
// rows beside the area are filled after it.
void blackOutside(AVFrame& frame, QRect area)
{
    const bool interleaved = frame.format == AV_PIX_FMT_NV12;
    for (int plane = 0; plane < (interleaved ? 2 : 3); ++plane) {
        const int shift = plane == 0 ? 0 : 1;
        const int sampleBytes = interleaved && plane == 1 ? 2 : 1;
        const int rows = (frame.height + shift) >> shift;
        const int width = ((frame.width + shift) >> shift) * sampleBytes;
        const int top = area.y() >> shift, bottom = (area.y() + area.height()) >> shift;
        const int left = (area.x() >> shift) * sampleBytes;
        const int right = ((area.x() + area.width()) >> shift) * sampleBytes;
        const int value = plane == 0 ? 16 : 128;
        for (int y = 0; y < rows; ++y) {
            std::uint8_t* row = frame.data[plane] + std::ptrdiff_t(y) * frame.linesize[plane];
            if (y < top || y >= bottom) {
                std::memset(row, value, std::size_t(width));
            } else {
                std::memset(row, value, std::size_t(left));
                std::memset(row + right, value, std::size_t(width - right));
            }
        }
    }
}

} // namespace

EncoderFramePool::EncoderFramePool(QSize size, AVPixelFormat format)
    : size_(size)
    , format_(format)
{
    const int bytes = av_image_get_buffer_size(format, size.width(), size.height(), kAlign);
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
    frame->format = format_;
    frame->width = size_.width();
    frame->height = size_.height();
    if (av_image_fill_arrays(frame->data, frame->linesize, frame->buf[0]->data, format_,
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
    return scale(image, frame, QRect(0, 0, frame.width, frame.height));
}

bool EncoderFrameConverter::convertInto(const QImage& image, AVFrame& frame, QRect area)
{
    if (area == QRect(0, 0, frame.width, frame.height))
        return convert(image, frame);
    if (area.isEmpty() || area.x() % 2 || area.y() % 2 || area.width() % 2 || area.height() % 2 ||
        !QRect(0, 0, frame.width, frame.height).contains(area))
        return false;
    if (!scale(image, frame, area))
        return false;
    blackOutside(frame, area);
    return true;
}

// libswscale into `area` of the frame (even coordinates), converting to the frame's layout.
bool EncoderFrameConverter::scale(const QImage& image, const AVFrame& frame, QRect area)
{
    const auto format = AVPixelFormat(frame.format);
    const QSize size = area.size();
    SwsContext* previous = scaler_.get();
    scaler_.reset(sws_getCachedContext(scaler_.release(), image.width(), image.height(), AV_PIX_FMT_BGRA,
                                       size.width(), size.height(), format, scaleFlags_,
                                       nullptr, nullptr, nullptr));
    if (!scaler_)
        return false;
    // A context made anew may come back at the old address: the sizes tell it apart too.
    if (scaler_.get() != previous || image.size() != scaledFrom_ || size != scaledTo_ || format != scaledFormat_)
        sws_setColorspaceDetails(scaler_.get(), sws_getCoefficients(SWS_CS_ITU709), 1,
                                 sws_getCoefficients(SWS_CS_ITU709), 0, 0, 1 << 16, 1 << 16);
    scaledFrom_ = image.size();
    scaledTo_ = size;
    scaledFormat_ = format;
    // Interleaved chroma takes two bytes a sample: its column is the pixel's, rounded down to even.
    const int chromaColumn = format == AV_PIX_FMT_NV12 ? area.x() : area.x() / 2;
    std::uint8_t* destination[4] = {frame.data[0] + std::ptrdiff_t(area.y()) * frame.linesize[0] + area.x(),
                                    nullptr, nullptr, nullptr};
    for (int plane = 1; plane < 3 && frame.data[plane]; ++plane)
        destination[plane] = frame.data[plane] + std::ptrdiff_t(area.y() / 2) * frame.linesize[plane] + chromaColumn;
    const int destinationStrides[4] = {frame.linesize[0], frame.linesize[1], frame.linesize[2], 0};
    const std::uint8_t* source[4] = {image.constBits(), nullptr, nullptr, nullptr};
    const int sourceStrides[4] = {int(image.bytesPerLine()), 0, 0, 0};
    sws_scale(scaler_.get(), source, sourceStrides, 0, image.height(), destination, destinationStrides);
    return true;
}

} // namespace tarnix::media
