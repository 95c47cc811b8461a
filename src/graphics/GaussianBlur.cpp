#include "graphics/GaussianBlur.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "graphics/Image.h"
#include "graphics/ParallelFor.h"

namespace tarnix::graphics {

namespace {

// One pixel's four premultiplied channels (memory order B, G, R, A) as a vector of floats.
typedef float Pixel __attribute__((vector_size(16)));

// Below this many pixels of work a blur stays on the calling thread: helper threads cost more
// than they save.
constexpr long long kPixelsPerShare = 300'000;
// Columns blurred together down the rows: enough for long vector loops, few enough for the
// column buffers to stay in cache.
constexpr int kColumnChunk = 32;

struct Radii {
    int r[3];
    int reach() const { return r[0] + r[1] + r[2]; }
};

Radii radiiFor(double sigma)
{
    auto widths = boxWidthsForGaussian(sigma);
    return {{(widths[0] - 1) / 2, (widths[1] - 1) / 2, (widths[2] - 1) / 2}};
}

#if defined(__SSE2__)

Pixel load(const std::uint8_t* p)
{
    std::int32_t word;
    std::memcpy(&word, p, 4);
    __m128i zero = _mm_setzero_si128();
    __m128i bytes = _mm_cvtsi32_si128(word);
    __m128i ints = _mm_unpacklo_epi16(_mm_unpacklo_epi8(bytes, zero), zero);
    return Pixel(_mm_cvtepi32_ps(ints));
}

// Rounds to bytes, keeping every colour channel within alpha so the pixel stays premultiplied.
void store(Pixel v, std::uint8_t* p)
{
    __m128 x = __m128(v);
    __m128 alpha = _mm_shuffle_ps(x, x, _MM_SHUFFLE(3, 3, 3, 3));
    x = _mm_max_ps(_mm_min_ps(x, alpha), _mm_setzero_ps());
    __m128i ints = _mm_cvtps_epi32(x); // rounds to nearest
    __m128i words = _mm_packs_epi32(ints, ints);
    std::int32_t word = _mm_cvtsi128_si32(_mm_packus_epi16(words, words));
    std::memcpy(p, &word, 4);
}

#else

Pixel load(const std::uint8_t* p)
{
    return Pixel{float(p[0]), float(p[1]), float(p[2]), float(p[3])};
}

void store(Pixel v, std::uint8_t* p)
{
    float alpha = std::clamp(v[3], 0.0f, 255.0f);
    for (int c = 0; c < 3; ++c)
        p[c] = std::uint8_t(std::lround(std::clamp(v[c], 0.0f, alpha)));
    p[3] = std::uint8_t(std::lround(alpha));
}

#endif

// One box pass along a line of `stride`-spaced groups: out[i] = mean of in[i ... i + 2r]. The
// output is 2r entries shorter than the input. `width` vectors are processed side by side.
void boxPass(const Pixel* in, int inLength, int width, int r, Pixel* out, Pixel* sum)
{
    const int outLength = inLength - 2 * r;
    const float scale = 1.0f / float(2 * r + 1);
    for (int x = 0; x < width; ++x)
        sum[x] = Pixel{0, 0, 0, 0};
    for (int j = 0; j <= 2 * r; ++j) {
        const Pixel* row = in + std::size_t(j) * width;
        for (int x = 0; x < width; ++x)
            sum[x] += row[x];
    }
    for (int i = 0;; ++i) {
        Pixel* o = out + std::size_t(i) * width;
        for (int x = 0; x < width; ++x)
            o[x] = sum[x] * scale;
        if (i + 1 >= outLength)
            break;
        const Pixel* entering = in + std::size_t(i + 2 * r + 1) * width;
        const Pixel* leaving = in + std::size_t(i) * width;
        for (int x = 0; x < width; ++x)
            sum[x] += entering[x] - leaving[x];
    }
}

// Three box passes; `a` holds the input and is clobbered, the result ends in `b`.
void threePasses(std::vector<Pixel>& a, std::vector<Pixel>& b, int inLength, int width,
                 const Radii& radii, std::vector<Pixel>& sum)
{
    boxPass(a.data(), inLength, width, radii.r[0], b.data(), sum.data());
    inLength -= 2 * radii.r[0];
    boxPass(b.data(), inLength, width, radii.r[1], a.data(), sum.data());
    inLength -= 2 * radii.r[1];
    boxPass(a.data(), inLength, width, radii.r[2], b.data(), sum.data());
}

// The blur of one rectangle of `source` with its edges extended, as a new image of the
// rectangle's size. Down the columns first (vector loops across many columns), then along the
// rows of the rectangle only.
class PatchBlur {
public:
    PatchBlur(const QImage& source, const QRect& area, Radii radii)
        : source_(source)
        , area_(area)
        , radii_(radii)
        , reach_(radii.reach())
        , firstColumn_(std::max(0, area.left() - reach_))
        , lastColumn_(std::min(source.width() - 1, area.right() + reach_))
    {
    }

    QImage run()
    {
        QImage patch = makeImage(area_.width(), area_.height());
        vertical_ = QImage(lastColumn_ - firstColumn_ + 1, area_.height(), kPixelFormat);
        if (patch.isNull() || vertical_.isNull())
            return {};
        // Rows are reached through these pointers: QImage's accessors are not for several threads.
        verticalBits_ = vertical_.bits();
        patchBits_ = patch.bits();
        long long work = (long long)(area_.width() + 2 * reach_) * (area_.height() + 2 * reach_);
        int shares = int(std::clamp<long long>(work / kPixelsPerShare, 1, 8));
        int chunks = (vertical_.width() + kColumnChunk - 1) / kColumnChunk;
        parallelFor(chunks, shares, [this](int begin, int end) {
            for (int chunk = begin; chunk < end; ++chunk)
                verticalChunk(chunk);
        });
        parallelFor(area_.height(), shares,
                    [this, &patch](int begin, int end) { horizontalRows(begin, end, patch); });
        return patch;
    }

private:
    // Blurs one chunk of columns down the rows into vertical_, reading rows beyond the picture
    // as its first or last row.
    void verticalChunk(int chunk)
    {
        int x0 = chunk * kColumnChunk;
        int columns = std::min(kColumnChunk, vertical_.width() - x0);
        int inRows = area_.height() + 2 * reach_;
        std::vector<Pixel> a(std::size_t(inRows) * columns), b(a.size()), sum(columns);
        int lastRow = source_.height() - 1;
        for (int i = 0; i < inRows; ++i) {
            int y = std::clamp(area_.top() - reach_ + i, 0, lastRow);
            const std::uint8_t* src = source_.constScanLine(y) + (firstColumn_ + x0) * 4;
            Pixel* dst = a.data() + std::size_t(i) * columns;
            for (int x = 0; x < columns; ++x)
                dst[x] = load(src + x * 4);
        }
        threePasses(a, b, inRows, columns, radii_, sum);
        for (int y = 0; y < area_.height(); ++y) {
            std::uint8_t* dst = verticalBits_ + y * vertical_.bytesPerLine() + x0 * 4;
            const Pixel* src = b.data() + std::size_t(y) * columns;
            for (int x = 0; x < columns; ++x)
                store(src[x], dst + x * 4);
        }
    }

    // Blurs rows [begin, end) of vertical_ along x into the patch, reading columns beyond the
    // picture as its first or last column.
    void horizontalRows(int begin, int end, QImage& patch) const
    {
        int inLength = area_.width() + 2 * reach_;
        std::vector<Pixel> a(inLength), b(inLength), sum(1);
        for (int row = begin; row < end; ++row) {
            const std::uint8_t* src = verticalBits_ + row * vertical_.bytesPerLine();
            for (int i = 0; i < inLength; ++i) {
                int x = std::clamp(area_.left() - reach_ + i, firstColumn_, lastColumn_);
                a[i] = load(src + (x - firstColumn_) * 4);
            }
            threePasses(a, b, inLength, 1, radii_, sum);
            std::uint8_t* dst = patchBits_ + row * patch.bytesPerLine();
            for (int i = 0; i < area_.width(); ++i)
                store(b[i], dst + i * 4);
        }
    }

    const QImage& source_;
    QRect area_;
    Radii radii_;
    int reach_;
    int firstColumn_;
    int lastColumn_;
    QImage vertical_; // the area's rows, columns widened by the reach, blurred down the columns
    std::uint8_t* verticalBits_ = nullptr;
    std::uint8_t* patchBits_ = nullptr;
};

// Wide blurs run on a grid `factor` times coarser: box-averaged down, blurred, and interpolated
// back up. A Gaussian this wide has nothing left at the grid's scale, so the picture matches a
// full-resolution blur to within a level or two, at a small fraction of the work.
int gridFactor(double sigma)
{
    return std::clamp(int(sigma / 6), 1, 16);
}

// The standard deviation on the coarse grid that, with the variance added by the box average
// (f² − 1) / 12 and by the linear interpolation f² / 6, gives sigma at full resolution.
double coarseSigma(double sigma, int f)
{
    double variance = sigma * sigma - (double(f) * f - 1) / 12 - double(f) * f / 6;
    return std::sqrt(std::max(variance, 1.0)) / f;
}

// Adds the channels of pixels [x, x + count) of a row to sum[0..3] (16-bit: at most 16 × 16
// pixels of 255 are summed).
void addPixels(const std::uint8_t* row, int x, int count, std::uint16_t* sum)
{
    const std::uint8_t* p = row + x * 4;
#if defined(__SSE2__)
    __m128i zero = _mm_setzero_si128();
    __m128i acc = zero;
    int i = 0;
    for (; i + 2 <= count; i += 2)
        acc = _mm_add_epi16(acc, _mm_unpacklo_epi8(_mm_loadl_epi64(
                                     reinterpret_cast<const __m128i*>(p + i * 4)), zero));
    acc = _mm_add_epi16(acc, _mm_srli_si128(acc, 8));
    alignas(16) std::uint16_t lanes[8];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), acc);
    for (int c = 0; c < 4; ++c)
        sum[c] = std::uint16_t(sum[c] + lanes[c]);
    for (; i < count; ++i)
        for (int c = 0; c < 4; ++c)
            sum[c] = std::uint16_t(sum[c] + p[i * 4 + c]);
#else
    for (int i = 0; i < count; ++i)
        for (int c = 0; c < 4; ++c)
            sum[c] = std::uint16_t(sum[c] + p[i * 4 + c]);
#endif
}

// Box-averages the cells `cells` of the coarse grid (f × f pixels each; pixels beyond the
// picture repeat its edge) into `grid`.
void downsample(const QImage& source, int f, const QRect& cells, QImage& grid)
{
    const int lastX = source.width() - 1, lastY = source.height() - 1;
    const float cellScale = 1.0f / float(f * f);
    std::vector<std::uint16_t> sums(std::size_t(cells.width()) * 4);
    for (int j = 0; j < cells.height(); ++j) {
        std::fill(sums.begin(), sums.end(), 0);
        for (int dy = 0; dy < f; ++dy) {
            const std::uint8_t* row = source.constScanLine(std::min((cells.top() + j) * f + dy, lastY));
            for (int i = 0; i < cells.width(); ++i) {
                int x = (cells.left() + i) * f;
                int inside = std::clamp(lastX + 1 - x, 0, f);
                std::uint16_t* sum = &sums[std::size_t(i) * 4];
                addPixels(row, x, inside, sum);
                for (int k = inside; k < f; ++k) // beyond the right edge: the edge pixel
                    addPixels(row, lastX, 1, sum);
            }
        }
        std::uint8_t* dst = grid.scanLine(j);
        for (int i = 0; i < cells.width(); ++i) {
            const std::uint16_t* sum = &sums[std::size_t(i) * 4];
            store(Pixel{float(sum[0]), float(sum[1]), float(sum[2]), float(sum[3])} * cellScale,
                  dst + i * 4);
        }
    }
}

// The cell a pixel's centre lies at or after, on a grid of factor f aligned to the origin.
int cellBelow(int pixel, int f)
{
    return int(std::floor((pixel + 0.5) / f - 0.5));
}

// A pixel's two neighbouring cell centres (indices from `first`, clamped to the `count` cells)
// and their weights for linear interpolation.
struct CellTap {
    int index;
    float weight;
};
std::pair<CellTap, CellTap> cellTaps(int pixel, int first, int count, int f)
{
    const double u = (pixel + 0.5) / f - 0.5;
    const int i = int(std::floor(u));
    const float w = float(u - i);
    return {CellTap{std::clamp(i, first, first + count - 1) - first, 1 - w},
            CellTap{std::clamp(i + 1, first, first + count - 1) - first, w}};
}

// The cells whose centres bracket the pixel centres of `area`, within a grid of gridSize cells.
QRect cellsAround(const QRect& area, int f, QSize gridSize)
{
    return QRect(QPoint(cellBelow(area.left(), f), cellBelow(area.top(), f)),
                 QPoint(cellBelow(area.right(), f) + 1, cellBelow(area.bottom(), f) + 1))
        .intersected(QRect(QPoint(0, 0), gridSize));
}

// The pixels of `area` interpolated linearly from the blurred cells (`cells` gives their place on
// the coarse grid of factor f).
QImage upsample(const QImage& blurredCells, const QRect& cells, const QRect& area, int f)
{
    QImage patch = makeImage(area.width(), area.height());
    if (patch.isNull())
        return {};
    std::vector<std::pair<CellTap, CellTap>> columns(area.width());
    for (int x = 0; x < area.width(); ++x)
        columns[x] = cellTaps(area.left() + x, cells.left(), cells.width(), f);
    std::vector<Pixel> cellRow(cells.width());
    for (int y = 0; y < area.height(); ++y) {
        // Down the rows first, over the few cells of the row; then along it, pixel by pixel.
        auto [top, bottom] = cellTaps(area.top() + y, cells.top(), cells.height(), f);
        const std::uint8_t* r0 = blurredCells.constScanLine(top.index);
        const std::uint8_t* r1 = blurredCells.constScanLine(bottom.index);
        for (int i = 0; i < cells.width(); ++i)
            cellRow[i] = load(r0 + i * 4) * top.weight + load(r1 + i * 4) * bottom.weight;
        std::uint8_t* dst = patch.scanLine(y);
        for (int x = 0; x < area.width(); ++x) {
            const auto& [left, right] = columns[x];
            store(cellRow[left.index] * left.weight + cellRow[right.index] * right.weight,
                  dst + x * 4);
        }
    }
    return patch;
}

// The blur of `area` through the coarse grid. Cells are aligned to the picture's origin, so the
// pixels of an area do not depend on which other areas are blurred.
QImage coarseBlur(const QImage& source, const QRect& area, double sigma, int f)
{
    const double coarse = coarseSigma(sigma, f);
    const Radii radii = radiiFor(coarse);
    const int gridW = (source.width() + f - 1) / f, gridH = (source.height() + f - 1) / f;
    // Cells whose centres bracket the area's pixel centres, then the blur's reach around them.
    QRect cells = cellsAround(area, f, QSize(gridW, gridH));
    QRect read = cells.adjusted(-radii.reach(), -radii.reach(), radii.reach(), radii.reach())
                     .intersected(QRect(0, 0, gridW, gridH));
    QImage grid = makeImage(read.width(), read.height());
    if (grid.isNull() || cells.isEmpty())
        return {};
    downsample(source, f, read, grid);
    // The read area ends at the grid's edge or one reach beyond the cells, so the patch's edge
    // extension matches the grid's.
    QRect inGrid = cells.translated(-read.topLeft());
    QImage blurredCells = PatchBlur(grid, inGrid, radii).run();
    if (blurredCells.isNull())
        return {};
    return upsample(blurredCells, cells, area, f);
}

QImage blurArea(const QImage& source, const QRect& area, double sigma)
{
    int f = gridFactor(sigma);
    if (f > 1)
        return coarseBlur(source, area, sigma, f);
    return PatchBlur(source, area, radiiFor(sigma)).run();
}

// Three box passes over a line of floats: `line` holds the input with radii.reach() more values
// at each end than the `length` wanted; the result is left at the start of `line`.
void boxLine(std::vector<float>& line, std::vector<float>& spare, int length, const Radii& radii)
{
    int inLength = length + 2 * radii.reach();
    for (int r : radii.r) {
        const int outLength = inLength - 2 * r;
        const float scale = 1.0f / float(2 * r + 1);
        float sum = 0;
        for (int j = 0; j <= 2 * r; ++j)
            sum += line[j];
        for (int i = 0; i < outLength; ++i) {
            spare[i] = sum * scale;
            if (i + 1 < outLength)
                sum += line[i + 2 * r + 1] - line[i];
        }
        std::swap(line, spare);
        inLength = outLength;
    }
}

// sums[i] += row[i] for i in [0, count).
void addRow(const std::uint8_t* row, std::uint16_t* sums, int count)
{
    int i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= count; i += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i));
        auto* lo = reinterpret_cast<__m128i*>(sums + i);
        auto* hi = reinterpret_cast<__m128i*>(sums + i + 8);
        _mm_storeu_si128(lo, _mm_add_epi16(_mm_loadu_si128(lo), _mm_unpacklo_epi8(bytes, zero)));
        _mm_storeu_si128(hi, _mm_add_epi16(_mm_loadu_si128(hi), _mm_unpackhi_epi8(bytes, zero)));
    }
#endif
    for (; i < count; ++i)
        sums[i] = std::uint16_t(sums[i] + row[i]);
}

// The means of the f × f cells `cells` of a plane (samples beyond it repeat its edge), row by row.
std::vector<float> planeCells(const ConstPlane& plane, int f, const QRect& cells)
{
    const int lastX = plane.width - 1, lastY = plane.height - 1;
    const int x0 = cells.left() * f, columns = cells.width() * f;
    const int inside = std::clamp(lastX + 1 - x0, 0, columns);
    const float cellScale = 1.0f / float(f * f);
    std::vector<std::uint16_t> sums(static_cast<std::size_t>(columns)); // at most 16 × 255 per column
    std::vector<float> out(std::size_t(cells.width()) * cells.height());
    for (int j = 0; j < cells.height(); ++j) {
        std::fill(sums.begin(), sums.end(), 0);
        for (int dy = 0; dy < f; ++dy) {
            const std::uint8_t* row =
                plane.data + std::min((cells.top() + j) * f + dy, lastY) * plane.stride;
            addRow(row + x0, sums.data(), inside);
            for (int i = inside; i < columns; ++i)
                sums[i] = std::uint16_t(sums[i] + row[lastX]);
        }
        float* cellRow = &out[std::size_t(j) * cells.width()];
        for (int c = 0; c < cells.width(); ++c) {
            int sum = 0;
            for (int k = 0; k < f; ++k)
                sum += sums[std::size_t(c) * f + k];
            cellRow[c] = float(sum) * cellScale;
        }
    }
    return out;
}

// The blur of `area` of a plane, as area.width() × area.height() bytes: the same coarse grid,
// cell alignment and interpolation as the pictures' blur, on one channel, in floats throughout.
std::vector<std::uint8_t> blurPlaneArea(const ConstPlane& plane, const QRect& area, double sigma)
{
    const int f = gridFactor(sigma);
    const Radii radii = radiiFor(f > 1 ? coarseSigma(sigma, f) : sigma);
    const int reach = radii.reach();
    const QRect grid(0, 0, (plane.width + f - 1) / f, (plane.height + f - 1) / f);
    const QRect cells = cellsAround(area, f, grid.size());
    const QRect read = cells.adjusted(-reach, -reach, reach, reach).intersected(grid);
    if (cells.isEmpty())
        return {};
    const std::vector<float> means = planeCells(plane, f, read);

    // Down the columns of the read area, then along the rows of the cells; beyond the read area
    // (the grid's edge, or a full reach away) the edge cell repeats.
    std::vector<float> line(std::size_t(std::max(cells.width(), cells.height()) + 2 * reach));
    std::vector<float> spare(line.size());
    std::vector<float> down(std::size_t(read.width()) * cells.height());
    for (int c = 0; c < read.width(); ++c) {
        for (int i = 0; i < cells.height() + 2 * reach; ++i) {
            const int y = std::clamp(cells.top() - reach + i, read.top(), read.bottom());
            line[i] = means[std::size_t(y - read.top()) * read.width() + c];
        }
        boxLine(line, spare, cells.height(), radii);
        for (int y = 0; y < cells.height(); ++y)
            down[std::size_t(y) * read.width() + c] = line[y];
    }
    std::vector<float> blurredCells(std::size_t(cells.width()) * cells.height());
    for (int y = 0; y < cells.height(); ++y) {
        const float* row = &down[std::size_t(y) * read.width()];
        for (int i = 0; i < cells.width() + 2 * reach; ++i)
            line[i] = row[std::clamp(cells.left() - reach + i, read.left(), read.right()) - read.left()];
        boxLine(line, spare, cells.width(), radii);
        std::copy_n(line.begin(), cells.width(), &blurredCells[std::size_t(y) * cells.width()]);
    }

    // Linear interpolation between cell centres (exact at f = 1).
    std::vector<std::pair<CellTap, CellTap>> columns(std::size_t(area.width()));
    for (int x = 0; x < area.width(); ++x)
        columns[x] = cellTaps(area.left() + x, cells.left(), cells.width(), f);
    std::vector<std::uint8_t> out(std::size_t(area.width()) * area.height());
    std::vector<float> cellRow(std::size_t(cells.width()));
    for (int y = 0; y < area.height(); ++y) {
        const auto [top, bottom] = cellTaps(area.top() + y, cells.top(), cells.height(), f);
        const float* r0 = &blurredCells[std::size_t(top.index) * cells.width()];
        const float* r1 = &blurredCells[std::size_t(bottom.index) * cells.width()];
        for (int i = 0; i < cells.width(); ++i)
            cellRow[i] = r0[i] * top.weight + r1[i] * bottom.weight;
        std::uint8_t* dst = &out[std::size_t(y) * area.width()];
        for (int x = 0; x < area.width(); ++x) {
            const auto& [left, right] = columns[x];
            const float v = cellRow[left.index] * left.weight + cellRow[right.index] * right.weight;
            dst[x] = std::uint8_t(std::clamp(v + 0.5f, 0.0f, 255.0f));
        }
    }
    return out;
}

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
    if (image.format() != kPixelFormat)
        image = image.convertToFormat(kPixelFormat);
    if (radiiFor(sigma).reach() == 0)
        return;
    const QRect bounds = image.rect();
    std::vector<std::pair<QRect, QImage>> patches;
    for (const QRect& rect : rects) {
        QRect area = rect.intersected(bounds);
        if (area.isEmpty())
            continue;
        QImage patch = blurArea(image, area, sigma);
        if (!patch.isNull())
            patches.emplace_back(area, std::move(patch));
    }
    // Written only after every patch was read from the untouched image.
    for (const auto& [area, patch] : patches) {
        for (int y = 0; y < area.height(); ++y)
            std::memcpy(image.scanLine(area.top() + y) + area.left() * 4, patch.constScanLine(y),
                        std::size_t(area.width()) * 4);
    }
}

void blurPlaneRects(const Plane& plane, const std::vector<QRect>& rects, double sigma)
{
    if (!plane.data || plane.width <= 0 || plane.height <= 0 || radiiFor(sigma).reach() == 0)
        return;
    const ConstPlane source{plane.data, plane.stride, plane.width, plane.height};
    const QRect bounds(0, 0, plane.width, plane.height);
    std::vector<std::pair<QRect, std::vector<std::uint8_t>>> patches;
    for (const QRect& rect : rects) {
        const QRect area = rect.intersected(bounds);
        if (area.isEmpty())
            continue;
        auto patch = blurPlaneArea(source, area, sigma);
        if (!patch.empty())
            patches.emplace_back(area, std::move(patch));
    }
    // Written only after every patch was read from the untouched plane.
    for (const auto& [area, patch] : patches)
        for (int y = 0; y < area.height(); ++y)
            std::memcpy(plane.data + (area.top() + y) * plane.stride + area.left(),
                        &patch[std::size_t(y) * area.width()], std::size_t(area.width()));
}

QImage blurred(const QImage& image, double sigma)
{
    QImage copy = inPixelFormat(image).copy();
    blurRects(copy, {copy.rect()}, sigma);
    return copy;
}

} // namespace tarnix::graphics
