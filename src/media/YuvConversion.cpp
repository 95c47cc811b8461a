#include "media/YuvConversion.h"

#include <immintrin.h>

#include <cstdint>
#include <cstring>

#include "graphics/CpuFeatures.h"

namespace tarnix::media {

namespace {

// Fixed-point BT.709 with 12 fractional bits. Luma: 219/255 × (0.2126, 0.7152, 0.0722) × 4096,
// offset 16.5. Chroma from the sum of four pixels: 224/255 × coefficient × 4096, offset 128.5
// (× 4 × 4096); each chroma row of coefficients sums to zero so that greys stay neutral.
constexpr int kYR = 748, kYG = 2516, kYB = 254, kYShift = 12, kYOffset = 33 << (kYShift - 1);
constexpr int kUR = -412, kUG = -1387, kUB = 1799;
constexpr int kVR = 1799, kVG = -1634, kVB = -165;
constexpr int kCShift = 14, kCOffset = 257 << (kCShift - 1);

struct RowPair {
    const std::uint8_t* top;
    const std::uint8_t* bottom;
    std::uint8_t* yTop;
    std::uint8_t* yBottom;
    std::uint8_t* u;
    std::uint8_t* v;
};

// Where the chroma samples of a row pair go: U and V in planes of their own (`u`, `v`), or
// interleaved in one (`u` holds U V U V..., `v` is unused).
enum class Chroma { planar, interleaved };

// Pixels [from, to) of a row pair (from and to even), one at a time.
template <Chroma layout>
void convertPlain(const RowPair& r, int from, int to)
{
    for (int x = from; x < to; ++x) {
        const std::uint8_t* a = r.top + 4 * x;
        const std::uint8_t* b = r.bottom + 4 * x;
        r.yTop[x] = std::uint8_t((kYR * a[2] + kYG * a[1] + kYB * a[0] + kYOffset) >> kYShift);
        r.yBottom[x] = std::uint8_t((kYR * b[2] + kYG * b[1] + kYB * b[0] + kYOffset) >> kYShift);
    }
    for (int x = from / 2; x < to / 2; ++x) {
        const std::uint8_t* a = r.top + 8 * x;
        const std::uint8_t* b = r.bottom + 8 * x;
        int blue = a[0] + a[4] + b[0] + b[4];
        int green = a[1] + a[5] + b[1] + b[5];
        int red = a[2] + a[6] + b[2] + b[6];
        const auto u = std::uint8_t((kUR * red + kUG * green + kUB * blue + kCOffset) >> kCShift);
        const auto v = std::uint8_t((kVR * red + kVG * green + kVB * blue + kCOffset) >> kCShift);
        if constexpr (layout == Chroma::planar) {
            r.u[x] = u;
            r.v[x] = v;
        } else {
            r.u[2 * x] = u;
            r.u[2 * x + 1] = v;
        }
    }
}

// The same arithmetic, 16 pixels at a time, bit for bit. An AVX2 register holds 8 pixels as 16-bit
// channels in two 128-bit lanes; unpacking, hadd and packing work per lane, so results come out
// lane-interleaved and are put back in order with one permute.
using Pixels16 = __m256i;

__attribute__((target("avx2"))) inline void widen(const std::uint8_t* p, Pixels16& low, Pixels16& high)
{
    const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
    low = _mm256_unpacklo_epi8(bytes, _mm256_setzero_si256());  // pixels 0 1 | 4 5
    high = _mm256_unpackhi_epi8(bytes, _mm256_setzero_si256()); // pixels 2 3 | 6 7
}

// Per-pixel dot products of 8 pixels with (B, G, R, A) coefficients, in pixel order.
__attribute__((target("avx2"))) inline __m256i dot(Pixels16 low, Pixels16 high, __m256i coefficients)
{
    return _mm256_hadd_epi32(_mm256_madd_epi16(low, coefficients),
                             _mm256_madd_epi16(high, coefficients));
}

__attribute__((target("avx2"))) inline __m256i luma8(const std::uint8_t* p, __m256i coefficients)
{
    Pixels16 low, high;
    widen(p, low, high);
    return _mm256_srai_epi32(_mm256_add_epi32(dot(low, high, coefficients), _mm256_set1_epi32(kYOffset)), kYShift);
}

// Two groups of 8 values (32-bit, in order) to 16 bytes.
__attribute__((target("avx2"))) inline void store16(std::uint8_t* out, __m256i first, __m256i second)
{
    const __m256i words = _mm256_permute4x64_epi64(_mm256_packs_epi32(first, second), 0xD8);
    const __m128i bytes = _mm_packus_epi16(_mm256_castsi256_si128(words), _mm256_extracti128_si256(words, 1));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), bytes);
}

// Per-pixel chroma terms of 16 pixels (two groups of 8) summed over each 2 × 1 pair: 8 bytes, in
// the low half.
__attribute__((target("avx2"))) inline __m128i chroma8(__m256i firstTerms, __m256i secondTerms)
{
    const __m256i pairs = _mm256_hadd_epi32(firstTerms, secondTerms); // 0 1 4 5 | 2 3 6 7
    const __m256i ordered = _mm256_permutevar8x32_epi32(pairs, _mm256_setr_epi32(0, 1, 4, 5, 2, 3, 6, 7));
    const __m256i values = _mm256_srai_epi32(_mm256_add_epi32(ordered, _mm256_set1_epi32(kCOffset)), kCShift);
    const __m128i words = _mm_packs_epi32(_mm256_castsi256_si128(values), _mm256_extracti128_si256(values, 1));
    return _mm_packus_epi16(words, words);
}

template <Chroma layout>
__attribute__((target("avx2"))) int convertAvx2(const RowPair& r, int width)
{
    const __m256i yCoefficients = _mm256_setr_epi16(kYB, kYG, kYR, 0, kYB, kYG, kYR, 0, kYB, kYG, kYR, 0,
                                                    kYB, kYG, kYR, 0);
    const __m256i uCoefficients = _mm256_setr_epi16(kUB, kUG, kUR, 0, kUB, kUG, kUR, 0, kUB, kUG, kUR, 0,
                                                    kUB, kUG, kUR, 0);
    const __m256i vCoefficients = _mm256_setr_epi16(kVB, kVG, kVR, 0, kVB, kVG, kVR, 0, kVB, kVG, kVR, 0,
                                                    kVB, kVG, kVR, 0);
    int x = 0;
    for (; x + 16 <= width; x += 16) {
        const std::uint8_t* top = r.top + 4 * x;
        const std::uint8_t* bottom = r.bottom + 4 * x;
        store16(r.yTop + x, luma8(top, yCoefficients), luma8(top + 32, yCoefficients));
        store16(r.yBottom + x, luma8(bottom, yCoefficients), luma8(bottom + 32, yCoefficients));

        Pixels16 aLow, aHigh, bLow, bHigh, cLow, cHigh, dLow, dHigh;
        widen(top, aLow, aHigh);
        widen(bottom, bLow, bHigh);
        widen(top + 32, cLow, cHigh);
        widen(bottom + 32, dLow, dHigh);
        const Pixels16 firstLow = _mm256_add_epi16(aLow, bLow), firstHigh = _mm256_add_epi16(aHigh, bHigh);
        const Pixels16 secondLow = _mm256_add_epi16(cLow, dLow), secondHigh = _mm256_add_epi16(cHigh, dHigh);
        const __m128i u = chroma8(dot(firstLow, firstHigh, uCoefficients), dot(secondLow, secondHigh, uCoefficients));
        const __m128i v = chroma8(dot(firstLow, firstHigh, vCoefficients), dot(secondLow, secondHigh, vCoefficients));
        if constexpr (layout == Chroma::planar) {
            _mm_storel_epi64(reinterpret_cast<__m128i*>(r.u + x / 2), u);
            _mm_storel_epi64(reinterpret_cast<__m128i*>(r.v + x / 2), v);
        } else {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(r.u + x), _mm_unpacklo_epi8(u, v));
        }
    }
    return x;
}

// BT.709 limited range back to RGB with 16 fractional bits: 255/219 for luma, 255/224 times the
// matrix's factors for chroma.
constexpr int kToY = 76309, kToRV = 117489, kToGU = -13975, kToGV = -34925, kToBU = 138438;

struct YuvRow {
    const std::uint8_t* y;
    const std::uint8_t* u;
    const std::uint8_t* v;
    std::uint8_t* bgra;
};

// Pixels [from, to) of a row, one at a time; each pair of pixels shares its chroma sample.
void toBgraPlain(const YuvRow& r, int from, int to)
{
    auto clamp = [](int v) { return std::uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); };
    for (int x = from; x < to; ++x) {
        const int luma = (r.y[x] - 16) * kToY + (1 << 15);
        const int cb = r.u[x / 2] - 128, cr = r.v[x / 2] - 128;
        r.bgra[4 * x + 0] = clamp((luma + kToBU * cb) >> 16);
        r.bgra[4 * x + 1] = clamp((luma + kToGU * cb + kToGV * cr) >> 16);
        r.bgra[4 * x + 2] = clamp((luma + kToRV * cr) >> 16);
        r.bgra[4 * x + 3] = 255;
    }
}

// A channel's 16-bit fixed-point values to 0 ... 255.
__attribute__((target("avx2"))) inline __m256i channel(__m256i v)
{
    return _mm256_min_epi32(_mm256_max_epi32(_mm256_srai_epi32(v, 16), _mm256_setzero_si256()),
                            _mm256_set1_epi32(255));
}

// The same arithmetic, 8 pixels at a time in 32-bit lanes, bit for bit. Returns where it stopped.
__attribute__((target("avx2"))) int toBgraAvx2(const YuvRow& r, int width)
{
    int x = 0;
    for (; x + 8 <= width; x += 8) {
        const __m256i y = _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(r.y + x)));
        std::int32_t u4, v4;
        std::memcpy(&u4, r.u + x / 2, 4);
        std::memcpy(&v4, r.v + x / 2, 4);
        const __m128i u2 = _mm_cvtsi32_si128(u4), v2 = _mm_cvtsi32_si128(v4);
        const __m256i cb = _mm256_sub_epi32(_mm256_cvtepu8_epi32(_mm_unpacklo_epi8(u2, u2)), _mm256_set1_epi32(128));
        const __m256i cr = _mm256_sub_epi32(_mm256_cvtepu8_epi32(_mm_unpacklo_epi8(v2, v2)), _mm256_set1_epi32(128));
        const __m256i luma = _mm256_add_epi32(
            _mm256_mullo_epi32(_mm256_sub_epi32(y, _mm256_set1_epi32(16)), _mm256_set1_epi32(kToY)),
            _mm256_set1_epi32(1 << 15));
        const __m256i b = channel(_mm256_add_epi32(luma, _mm256_mullo_epi32(cb, _mm256_set1_epi32(kToBU))));
        const __m256i g = channel(_mm256_add_epi32(
            luma, _mm256_add_epi32(_mm256_mullo_epi32(cb, _mm256_set1_epi32(kToGU)),
                                   _mm256_mullo_epi32(cr, _mm256_set1_epi32(kToGV)))));
        const __m256i red = channel(_mm256_add_epi32(luma, _mm256_mullo_epi32(cr, _mm256_set1_epi32(kToRV))));
        const __m256i pixels = _mm256_or_si256(
            _mm256_or_si256(b, _mm256_slli_epi32(g, 8)),
            _mm256_or_si256(_mm256_slli_epi32(red, 16), _mm256_set1_epi32(int(0xFF000000u))));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(r.bgra + 4 * x), pixels);
    }
    return x;
}

// Row pairs of BGRA to luma and chroma (`v` null when interleaved).
template <Chroma layout>
void convertRows(const std::uint8_t* bgra, qsizetype bytesPerLine, int width, int height,
                 std::uint8_t* y, int yStride, std::uint8_t* u, int uStride, std::uint8_t* v, int vStride)
{
    const bool wide = graphics::hasAvx2();
    for (int row = 0; row + 1 < height; row += 2) {
        const RowPair r{bgra + row * bytesPerLine, bgra + (row + 1) * bytesPerLine,
                        y + std::ptrdiff_t(row) * yStride, y + std::ptrdiff_t(row + 1) * yStride,
                        u + std::ptrdiff_t(row / 2) * uStride,
                        v ? v + std::ptrdiff_t(row / 2) * vStride : nullptr};
        convertPlain<layout>(r, wide ? convertAvx2<layout>(r, width & ~1) : 0, width & ~1);
    }
}

} // namespace

YuvPlanes planesAt(const AVFrame& frame, int x, int y)
{
    YuvPlanes planes;
    for (int p = 0; p < 3; ++p) {
        const int shift = p == 0 ? 0 : 1;
        planes.data[p] = frame.data[p] + std::ptrdiff_t(y >> shift) * frame.linesize[p] + (x >> shift);
        planes.stride[p] = frame.linesize[p];
    }
    return planes;
}

void convertBgraToYuv420(const std::uint8_t* bgra, qsizetype bytesPerLine, int width, int height,
                         const YuvPlanes& out)
{
    convertRows<Chroma::planar>(bgra, bytesPerLine, width, height, out.data[0], out.stride[0],
                                out.data[1], out.stride[1], out.data[2], out.stride[2]);
}

void convertBgraToNv12(const std::uint8_t* bgra, qsizetype bytesPerLine, int width, int height,
                       std::uint8_t* y, int yStride, std::uint8_t* uv, int uvStride)
{
    convertRows<Chroma::interleaved>(bgra, bytesPerLine, width, height, y, yStride, uv, uvStride, nullptr, 0);
}

void convertYuv420ToBgra(const YuvPlanes& in, std::uint8_t* bgra, qsizetype bytesPerLine,
                         int width, int height)
{
    const bool wide = graphics::hasAvx2();
    for (int row = 0; row < height; ++row) {
        const YuvRow r{in.data[0] + std::ptrdiff_t(row) * in.stride[0],
                       in.data[1] + std::ptrdiff_t(row / 2) * in.stride[1],
                       in.data[2] + std::ptrdiff_t(row / 2) * in.stride[2],
                       bgra + row * bytesPerLine};
        toBgraPlain(r, wide ? toBgraAvx2(r, width) : 0, width);
    }
}

bool convertBgraToYuv420(const QImage& image, AVFrame& frame)
{
    const int width = image.width();
    const int height = image.height();
    bool bgra = image.format() == QImage::Format_ARGB32_Premultiplied ||
                image.format() == QImage::Format_RGB32;
    const bool planar = frame.format == AV_PIX_FMT_YUV420P;
    const bool interleaved = frame.format == AV_PIX_FMT_NV12;
    if (!bgra || width % 2 || height % 2 || width < 2 || height < 2 || !(planar || interleaved) ||
        frame.width != width || frame.height != height || !frame.data[0] || !frame.data[1] ||
        (planar && !frame.data[2]))
        return false;
    if (interleaved)
        convertBgraToNv12(image.constBits(), image.bytesPerLine(), width, height, frame.data[0],
                          frame.linesize[0], frame.data[1], frame.linesize[1]);
    else
        convertBgraToYuv420(image.constBits(), image.bytesPerLine(), width, height, planesAt(frame, 0, 0));
    return true;
}

} // namespace tarnix::media
