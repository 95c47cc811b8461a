#include "graphics/GaussianBlur.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "graphics/Image.h"
#include "graphics/ParallelFor.h"

namespace tarnix::graphics {

namespace {

constexpr int kChannels = 4;
// Below this many pixels read, a blur stays on the calling thread: helper threads cost more
// than they save.
constexpr long long kPixelsPerShare = 400'000;
// Columns handled together by the vertical passes: wide enough for vector code, narrow enough for
// the column buffers to stay in cache.
constexpr int kColumnChunk = 64;

struct Radii {
    int r[3];
    int reach() const { return r[0] + r[1] + r[2]; }
};

Radii radiiFor(double sigma)
{
    auto widths = boxWidthsForGaussian(sigma);
    return {{(widths[0] - 1) / 2, (widths[1] - 1) / 2, (widths[2] - 1) / 2}};
}

int sharesFor(long long pixels)
{
    return int(std::clamp<long long>(pixels / kPixelsPerShare, 1, 8));
}

// One box pass over a line of pixels: out[i] is the mean of in[i - r ... i + r] shifted by r, so
// the output is 2r pixels shorter than the input.
void boxLine(const float* in, int inLength, int r, float* out)
{
    int outLength = inLength - 2 * r;
    float scale = 1.0f / float(2 * r + 1);
    float sum[kChannels] = {0, 0, 0, 0};
    for (int j = 0; j <= 2 * r; ++j)
        for (int c = 0; c < kChannels; ++c)
            sum[c] += in[j * kChannels + c];
    for (int i = 0;; ++i) {
        for (int c = 0; c < kChannels; ++c)
            out[i * kChannels + c] = sum[c] * scale;
        if (i + 1 >= outLength)
            break;
        for (int c = 0; c < kChannels; ++c)
            sum[c] += in[(i + 2 * r + 1) * kChannels + c] - in[i * kChannels + c];
    }
}

// One box pass down a block of rows `width` floats wide; the output has 2r rows fewer.
void boxRows(const float* in, int inRows, int width, int r, float* out)
{
    int outRows = inRows - 2 * r;
    float scale = 1.0f / float(2 * r + 1);
    std::vector<float> sum(width, 0.0f);
    for (int j = 0; j <= 2 * r; ++j) {
        const float* row = in + std::size_t(j) * width;
        for (int x = 0; x < width; ++x)
            sum[x] += row[x];
    }
    for (int i = 0;; ++i) {
        float* o = out + std::size_t(i) * width;
        for (int x = 0; x < width; ++x)
            o[x] = sum[x] * scale;
        if (i + 1 >= outRows)
            break;
        const float* entering = in + std::size_t(i + 2 * r + 1) * width;
        const float* leaving = in + std::size_t(i) * width;
        for (int x = 0; x < width; ++x)
            sum[x] += entering[x] - leaving[x];
    }
}

std::uint8_t toByte(float v)
{
    return std::uint8_t(std::clamp(v + 0.5f, 0.0f, 255.0f));
}

// Stores premultiplied pixels, keeping every colour component within alpha.
void storePixel(const float* v, std::uint8_t* dst)
{
    // Memory order of kPixelFormat is B, G, R, A.
    std::uint8_t alpha = toByte(v[3]);
    for (int c = 0; c < 3; ++c)
        dst[c] = std::min(toByte(v[c]), alpha);
    dst[3] = alpha;
}

// The blur of one rectangle of `source`, edges extended, as a new image of the rectangle's size.
class PatchBlur {
public:
    PatchBlur(const QImage& source, const QRect& area, Radii radii)
        : source_(source)
        , area_(area)
        , radii_(radii)
        , reach_(radii.reach())
        , firstRow_(std::max(0, area.top() - reach_))
        , lastRow_(std::min(source.height() - 1, area.bottom() + reach_))
    {
    }

    QImage run()
    {
        QImage patch = makeImage(area_.width(), area_.height());
        horizontal_ = QImage(area_.width(), lastRow_ - firstRow_ + 1, kPixelFormat);
        if (patch.isNull() || horizontal_.isNull())
            return {};
        long long work = (long long)(area_.width() + 2 * reach_) * (area_.height() + 2 * reach_);
        int shares = sharesFor(work);
        parallelFor(horizontal_.height(), shares,
                    [this](int begin, int end) { horizontalRows(begin, end); });
        int chunks = (area_.width() + kColumnChunk - 1) / kColumnChunk;
        parallelFor(chunks, shares, [this, &patch](int begin, int end) {
            for (int chunk = begin; chunk < end; ++chunk)
                verticalChunk(chunk, patch);
        });
        return patch;
    }

private:
    // Blurs source rows firstRow_ + [begin, end) along x into horizontal_, over the area's columns.
    void horizontalRows(int begin, int end)
    {
        int inLength = area_.width() + 2 * reach_;
        std::vector<float> a(std::size_t(inLength) * kChannels);
        std::vector<float> b(a.size());
        int lastColumn = source_.width() - 1;
        for (int row = begin; row < end; ++row) {
            const std::uint8_t* src = source_.constScanLine(firstRow_ + row);
            for (int i = 0; i < inLength; ++i) {
                int x = std::clamp(area_.left() - reach_ + i, 0, lastColumn);
                for (int c = 0; c < kChannels; ++c)
                    a[i * kChannels + c] = src[x * kChannels + c];
            }
            boxLine(a.data(), inLength, radii_.r[0], b.data());
            boxLine(b.data(), inLength - 2 * radii_.r[0], radii_.r[1], a.data());
            int length = inLength - 2 * (radii_.r[0] + radii_.r[1]);
            boxLine(a.data(), length, radii_.r[2], b.data());
            std::uint8_t* dst = horizontal_.scanLine(row);
            for (int i = 0; i < area_.width(); ++i)
                storePixel(&b[i * kChannels], dst + i * kChannels);
        }
    }

    // Blurs columns of one chunk along y from horizontal_ into the patch.
    void verticalChunk(int chunk, QImage& patch) const
    {
        int x0 = chunk * kColumnChunk;
        int columns = std::min(kColumnChunk, area_.width() - x0);
        int width = columns * kChannels;
        int inRows = area_.height() + 2 * reach_;
        std::vector<float> a(std::size_t(inRows) * width);
        std::vector<float> b(a.size());
        for (int i = 0; i < inRows; ++i) {
            int y = std::clamp(area_.top() - reach_ + i, firstRow_, lastRow_);
            const std::uint8_t* src = horizontal_.constScanLine(y - firstRow_) + x0 * kChannels;
            float* dst = a.data() + std::size_t(i) * width;
            for (int k = 0; k < width; ++k)
                dst[k] = src[k];
        }
        boxRows(a.data(), inRows, width, radii_.r[0], b.data());
        boxRows(b.data(), inRows - 2 * radii_.r[0], width, radii_.r[1], a.data());
        boxRows(a.data(), inRows - 2 * (radii_.r[0] + radii_.r[1]), width, radii_.r[2], b.data());
        for (int y = 0; y < area_.height(); ++y) {
            const float* src = b.data() + std::size_t(y) * width;
            std::uint8_t* dst = patch.scanLine(y) + x0 * kChannels;
            for (int i = 0; i < columns; ++i)
                storePixel(src + i * kChannels, dst + i * kChannels);
        }
    }

    const QImage& source_;
    QRect area_;
    Radii radii_;
    int reach_;
    int firstRow_;
    int lastRow_;
    QImage horizontal_;
};

} // namespace

std::vector<int> boxWidthsForGaussian(double sigma)
{
    if (!(sigma > 0) || !std::isfinite(sigma))
        return {1, 1, 1};
    constexpr int n = 3;
    // Three box filters of widths wl (m of them) and wl + 2 whose summed variance is sigma².
    double ideal = std::sqrt(12.0 * sigma * sigma / n + 1);
    int wl = int(std::floor(ideal));
    if (wl % 2 == 0)
        --wl;
    wl = std::max(wl, 1);
    int wu = wl + 2;
    double mIdeal = (12.0 * sigma * sigma - n * wl * wl - 4.0 * n * wl - 3.0 * n) / (-4.0 * wl - 4);
    int m = std::clamp(int(std::lround(mIdeal)), 0, n);
    std::vector<int> widths;
    for (int i = 0; i < n; ++i)
        widths.push_back(i < m ? wl : wu);
    return widths;
}

void blurRects(QImage& image, const std::vector<QRect>& rects, double sigma)
{
    if (image.isNull() || rects.empty())
        return;
    image = inPixelFormat(image);
    Radii radii = radiiFor(sigma);
    if (radii.reach() == 0)
        return;
    const QRect bounds = image.rect();
    std::vector<std::pair<QRect, QImage>> patches;
    for (const QRect& rect : rects) {
        QRect area = rect.intersected(bounds);
        if (area.isEmpty())
            continue;
        QImage patch = PatchBlur(image, area, radii).run();
        if (!patch.isNull())
            patches.emplace_back(area, std::move(patch));
    }
    // Written only after every patch was read from the untouched image.
    for (const auto& [area, patch] : patches) {
        for (int y = 0; y < area.height(); ++y)
            std::memcpy(image.scanLine(area.top() + y) + area.left() * kChannels,
                        patch.constScanLine(y), std::size_t(area.width()) * kChannels);
    }
}

QImage blurred(const QImage& image, double sigma)
{
    QImage copy = inPixelFormat(image).copy();
    blurRects(copy, {copy.rect()}, sigma);
    return copy;
}

} // namespace tarnix::graphics
