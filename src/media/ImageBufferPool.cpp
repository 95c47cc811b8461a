#include "media/ImageBufferPool.h"

extern "C" {
#include <libavutil/mem.h>
}

namespace tarnix::media {

// What an image's cleanup needs: its buffer and the pool it goes back to.
struct ImageBufferPool::Loan {
    std::shared_ptr<ImageBufferPool> pool;
    Buffer buffer;
};

std::shared_ptr<ImageBufferPool> ImageBufferPool::create(std::size_t maximumIdle)
{
    return std::shared_ptr<ImageBufferPool>(new ImageBufferPool(maximumIdle));
}

ImageBufferPool::ImageBufferPool(std::size_t maximumIdle)
    : maximumIdle_(maximumIdle)
{
}

ImageBufferPool::~ImageBufferPool()
{
    for (const Buffer& buffer : idle_)
        av_free(buffer.data);
}

qsizetype ImageBufferPool::strideFor(int width)
{
    constexpr qsizetype kBlock = 16;
    return (qsizetype(width) + kBlock - 1) / kBlock * kBlock * 4;
}

QImage ImageBufferPool::image(int width, int height, QImage::Format format)
{
    if (width < 1 || height < 1 || QImage::toPixelFormat(format).bitsPerPixel() != 32)
        return {};
    const qsizetype stride = strideFor(width);
    const std::size_t bytes = std::size_t(stride) * (std::size_t(height) + 1);
    Buffer buffer{nullptr, bytes};
    {
        std::lock_guard lock(mutex_);
        for (auto it = idle_.begin(); it != idle_.end(); ++it)
            if (it->bytes == bytes) {
                buffer = *it;
                idle_.erase(it);
                break;
            }
    }
    if (!buffer.data)
        buffer.data = static_cast<unsigned char*>(av_malloc(bytes));
    if (!buffer.data)
        return {};
    auto* loan = new Loan{shared_from_this(), buffer};
    return QImage(buffer.data, width, height, stride, format, &ImageBufferPool::giveBack, loan);
}

void ImageBufferPool::giveBack(void* info)
{
    std::unique_ptr<Loan> loan(static_cast<Loan*>(info));
    ImageBufferPool& pool = *loan->pool;
    {
        std::lock_guard lock(pool.mutex_);
        if (pool.idle_.size() < pool.maximumIdle_) {
            pool.idle_.push_back(loan->buffer);
            return;
        }
    }
    av_free(loan->buffer.data);
}

} // namespace tarnix::media
