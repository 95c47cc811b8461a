#pragma once

#include <QImage>

#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

// Reuses the pixel buffers of the large, equally sized pictures a player or an exporter makes
// for every frame (decoded frames, composed frames). A fresh buffer of 8 MB costs its page
// faults each time it is first written; a returned one is already mapped.
//
// Rows are padded to whole blocks of 16 pixels and a spare row follows the last, so libswscale's
// vector paths can write every pixel (see ff::imageForScaler).
//
// Threads: any thread may ask for images and release them (the last copy of an image going away
// gives its buffer back); the pool lives as long as its images.

namespace tarnix::media {

class ImageBufferPool : public std::enable_shared_from_this<ImageBufferPool> {
public:
    // Keeps at most `maximumIdle` returned buffers; more are freed.
    static std::shared_ptr<ImageBufferPool> create(std::size_t maximumIdle = 12);

    // A width × height picture in a 32-bit `format`, uninitialised. Null when out of memory or
    // for an empty size.
    QImage image(int width, int height, QImage::Format format);

    // Bytes per row of a padded picture of this width.
    static qsizetype strideFor(int width);

    ImageBufferPool(const ImageBufferPool&) = delete;
    ImageBufferPool& operator=(const ImageBufferPool&) = delete;
    ~ImageBufferPool();

private:
    struct Buffer {
        unsigned char* data;
        std::size_t bytes;
    };
    struct Loan;

    explicit ImageBufferPool(std::size_t maximumIdle);
    static void giveBack(void* loan);

    std::size_t maximumIdle_;
    std::mutex mutex_;
    std::vector<Buffer> idle_;
};

} // namespace tarnix::media
