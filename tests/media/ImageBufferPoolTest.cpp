#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "media/ImageBufferPool.h"

namespace tarnix::media {
namespace {

TEST(ImageBufferPool, AReleasedBufferIsReusedAndImagesOutliveThePool)
{
    auto pool = ImageBufferPool::create(2);
    QImage first = pool->image(301, 20, QImage::Format_ARGB32_Premultiplied);
    ASSERT_FALSE(first.isNull());
    EXPECT_EQ(first.bytesPerLine(), 304 * 4) << "rows padded to whole blocks of 16 pixels";
    const uchar* buffer = first.constBits();
    first = QImage();
    QImage second = pool->image(301, 20, QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(second.constBits(), buffer);
    EXPECT_NE(pool->image(300, 20, QImage::Format_RGB32).constBits(), buffer) << "another size";

    // The last image keeps the pool alive; its buffer is freed with it (the sanitizer build checks).
    pool.reset();
    second.fill(Qt::red);
    QImage copy = second.copy();
    second = QImage();
    EXPECT_EQ(copy.pixel(300, 19), QColor(Qt::red).rgba());
    EXPECT_TRUE(ImageBufferPool::create()->image(0, 10, QImage::Format_RGB32).isNull());
}

TEST(ImageBufferPool, ThreadsTakeAndReturnBuffersAtOnce)
{
    auto pool = ImageBufferPool::create(4);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([pool, t] {
            for (int i = 0; i < 200; ++i) {
                QImage image = pool->image(64, 8, QImage::Format_RGB32);
                image.fill(QColor(t * 40, i % 256, 0));
                ASSERT_EQ(image.pixel(63, 7), QColor(t * 40, i % 256, 0).rgba());
            }
        });
    for (auto& thread : threads)
        thread.join();
}

} // namespace
} // namespace tarnix::media
