#include "graphics/ImageScaler.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include "graphics/CpuFeatures.h"
#include "graphics/Image.h"
#include "graphics/ParallelFor.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define TARNIX_SCALER_AVX2 1
#endif

namespace tarnix::graphics {

namespace {

// Output pixels per helper thread: below this a picture is scaled on the calling thread.
constexpr long long kPixelsPerShare = 1'500'000;

// Where an output column or row samples the source: the pair (index, index + 1) and the weight
// of the second, 0 ... 256.
struct Tap {
    int index;
    int weight;
};

// Taps for output pixels [first, first + count) along one axis, sampling source pixels
// [lowest, last]; samples beyond them repeat the edge pixels.
std::vector<Tap> tapsFor(int first, int count, double targetStart, double scale, double sourceStart,
                         int lowest, int last)
{
    std::vector<Tap> taps(count);
    for (int i = 0; i < count; ++i) {
        double s = sourceStart + (first + i + 0.5 - targetStart) * scale - 0.5;
        double base = std::floor(s);
        int index = int(std::clamp(base, lowest - 1.0, double(last)));
        int weight = int(std::lround((s - base) * 256));
        if (index < lowest) {
            index = lowest;
            weight = 0;
        } else if (index >= last) {
            index = last - 1;
            weight = 256;
        } else if (weight == 256) {
            ++index;
            weight = 0;
            if (index >= last) {
                index = last - 1;
                weight = 256;
            }
        }
        taps[i] = {index, weight};
    }
    return taps;
}

// The fraction of each output pixel in [first, first + count) covered by [start, end).
float coverage(int pixel, double start, double end)
{
    double covered = std::min(end, pixel + 1.0) - std::max(start, double(pixel));
    return float(std::clamp(covered, 0.0, 1.0));
}

// How each output column is made from a source row, prepared once per picture.
struct ColumnPlan {
    std::vector<Tap> taps;
    // Per column: the weights of its two source pixels, each repeated for four channels.
    std::vector<std::int16_t> weights;
    // Per group of 4 columns whose source pixels lie within 8 consecutive ones (any enlargement,
    // reductions up to about 2): the first of them, or -1; where each column's left pixels and
    // then its right pixels lie from there; the left weights then the right weights.
    std::vector<std::int32_t> groupBase;
    std::vector<std::int32_t> groupOffsets;
    std::vector<std::int16_t> groupWeights;
    // The same for groups of 8 columns whose source pixels lie within 16 consecutive ones (any
    // enlargement, reductions up to about 2): each column's left pixel only; whether all of them
    // lie within the first 8 (one load is enough then); the weights laid out as the AVX2 code
    // unpacks pixels (columns 0, 1, 4, 5 then 2, 3, 6, 7; left weights, then right ones).
    std::vector<std::int32_t> wideBase;
    std::vector<std::int32_t> wideOffsets;
    std::vector<std::uint8_t> wideNarrow;
    std::vector<std::int16_t> wideWeights;
};

constexpr int kGroup = 4;
constexpr int kWide = 8;
constexpr int kBlock = 8; // source pixels loaded at once

void planWideGroups(ColumnPlan& plan, const std::vector<Tap>& taps, int sourceWidth)
{
    const int groups = int(taps.size()) / kWide;
    plan.wideBase.assign(groups, -1);
    plan.wideOffsets.resize(std::size_t(groups) * kWide);
    plan.wideNarrow.assign(groups, 0);
    plan.wideWeights.resize(std::size_t(groups) * 64);
    static constexpr int kUnpackOrder[kWide] = {0, 1, 4, 5, 2, 3, 6, 7};
    for (int g = 0; g < groups; ++g) {
        const Tap* t = &taps[g * kWide];
        int base = t[0].index;
        bool fits = true, narrow = base + kBlock <= sourceWidth;
        for (int k = 0; k < kWide && fits; ++k) {
            fits = t[k].index >= base && t[k].index + 1 - base < 2 * kBlock;
            narrow = narrow && t[k].index + 1 - base < kBlock;
        }
        if (!fits || (!narrow && base + 2 * kBlock > sourceWidth))
            continue;
        plan.wideBase[g] = base;
        plan.wideNarrow[g] = narrow;
        for (int k = 0; k < kWide; ++k)
            plan.wideOffsets[g * kWide + k] = t[k].index - base;
        std::int16_t* w = &plan.wideWeights[std::size_t(g) * 64];
        for (int slot = 0; slot < kWide; ++slot) {
            const Tap& tap = t[kUnpackOrder[slot]];
            // Slots 0-3 go to the "low" vectors, 4-7 to the "high" ones, 2 columns per lane.
            int vector = slot / 4, lane = (slot % 4) / 2, column = slot % 2;
            for (int c = 0; c < 4; ++c) {
                int at = vector * 16 + lane * 8 + column * 4 + c;
                w[at] = std::int16_t(256 - tap.weight);
                w[32 + at] = std::int16_t(tap.weight);
            }
        }
    }
}

ColumnPlan planColumns(std::vector<Tap> taps, int sourceWidth)
{
    ColumnPlan plan;
    const int count = int(taps.size());
    plan.weights.resize(taps.size() * 8);
    for (int i = 0; i < count; ++i)
        for (int c = 0; c < 4; ++c) {
            plan.weights[i * 8 + c] = std::int16_t(256 - taps[i].weight);
            plan.weights[i * 8 + 4 + c] = std::int16_t(taps[i].weight);
        }
    const int groups = count / kGroup;
    plan.groupBase.assign(groups, -1);
    plan.groupOffsets.resize(std::size_t(groups) * 2 * kGroup);
    plan.groupWeights.resize(std::size_t(groups) * 2 * kGroup * 4);
    for (int g = 0; g < groups; ++g) {
        const Tap* t = &taps[g * kGroup];
        int base = std::min({t[0].index, t[1].index, t[2].index, t[3].index});
        bool fits = base + kBlock <= sourceWidth;
        for (int k = 0; k < kGroup && fits; ++k)
            fits = t[k].index + 1 - base < kBlock;
        if (!fits)
            continue;
        plan.groupBase[g] = base;
        std::int32_t* offsets = &plan.groupOffsets[std::size_t(g) * 2 * kGroup];
        std::int16_t* w = &plan.groupWeights[std::size_t(g) * 2 * kGroup * 4];
        for (int k = 0; k < kGroup; ++k) {
            offsets[k] = t[k].index - base;
            offsets[kGroup + k] = t[k].index + 1 - base;
            for (int c = 0; c < 4; ++c) {
                w[k * 4 + c] = std::int16_t(256 - t[k].weight);
                w[16 + k * 4 + c] = std::int16_t(t[k].weight);
            }
        }
    }
    planWideGroups(plan, taps, sourceWidth);
    plan.taps = std::move(taps);
    return plan;
}

#if defined(TARNIX_SCALER_AVX2)
// AVX2 forms of interpolateRow and mixRows: four output pixels per step. Chosen at run time.

// The source pairs of output pixels k and k + 1, widened to 16 bits and weighted.
__attribute__((target("avx2"))) inline __m256i weightedPairs(const std::uint8_t* row,
                                                               const Tap* taps,
                                                               const std::int16_t* weights, int k)
{
    __m128i a = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + taps[k].index * 4));
    __m128i b = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + taps[k + 1].index * 4));
    __m256i wide = _mm256_cvtepu8_epi16(_mm_unpacklo_epi64(a, b));
    return _mm256_mullo_epi16(wide,
                              _mm256_loadu_si256(reinterpret_cast<const __m256i*>(weights + k * 8)));
}

// The source pixels at `offsets` within 16 consecutive ones, `first` and `second` holding 8 each.
// The permute looks only at an offset's low 3 bits, so one index vector serves both halves.
__attribute__((target("avx2"))) inline __m256i pickPixels(__m256i first, __m256i second,
                                                            __m256i offsets)
{
    __m256i inSecond = _mm256_cmpgt_epi32(offsets, _mm256_set1_epi32(kBlock - 1));
    return _mm256_blendv_epi8(_mm256_permutevar8x32_epi32(first, offsets),
                              _mm256_permutevar8x32_epi32(second, offsets), inSecond);
}

// Eight columns from eight (or sixteen) consecutive source pixels: one load and two permutes, or
// two loads and four.
__attribute__((target("avx2"))) inline void interpolateWideGroup(const std::uint8_t* row,
                                                                   const ColumnPlan& plan, int g,
                                                                   std::uint16_t* out)
{
    const __m256i zero = _mm256_setzero_si256();
    const std::uint8_t* at = row + plan.wideBase[g] * 4;
    __m256i block = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
    __m256i offsets = _mm256_loadu_si256(
        reinterpret_cast<const __m256i*>(&plan.wideOffsets[std::size_t(g) * kWide]));
    __m256i nextOffsets = _mm256_add_epi32(offsets, _mm256_set1_epi32(1));
    __m256i left, right;
    if (plan.wideNarrow[g]) {
        left = _mm256_permutevar8x32_epi32(block, offsets);
        right = _mm256_permutevar8x32_epi32(block, nextOffsets);
    } else {
        __m256i more = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + kBlock * 4));
        left = pickPixels(block, more, offsets);
        right = pickPixels(block, more, nextOffsets);
    }
    const auto* w = reinterpret_cast<const __m256i*>(&plan.wideWeights[std::size_t(g) * 64]);
    __m256i low = _mm256_add_epi16(
        _mm256_mullo_epi16(_mm256_unpacklo_epi8(left, zero), _mm256_loadu_si256(w)),
        _mm256_mullo_epi16(_mm256_unpacklo_epi8(right, zero), _mm256_loadu_si256(w + 2)));
    __m256i high = _mm256_add_epi16(
        _mm256_mullo_epi16(_mm256_unpackhi_epi8(left, zero), _mm256_loadu_si256(w + 1)),
        _mm256_mullo_epi16(_mm256_unpackhi_epi8(right, zero), _mm256_loadu_si256(w + 3)));
    // low holds columns (0, 1 | 4, 5), high (2, 3 | 6, 7).
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out),
                        _mm256_permute2x128_si256(low, high, 0x20));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 16),
                        _mm256_permute2x128_si256(low, high, 0x31));
}

// Four columns from eight consecutive source pixels: one load, one permute puts the four left
// pixels in the low half and the four right pixels in the high half.
__attribute__((target("avx2"))) inline void interpolateGroup(const std::uint8_t* row,
                                                               const ColumnPlan& plan, int g,
                                                               std::uint16_t* out)
{
    __m256i block = _mm256_loadu_si256(
        reinterpret_cast<const __m256i*>(row + plan.groupBase[g] * 4));
    __m256i offsets = _mm256_loadu_si256(
        reinterpret_cast<const __m256i*>(&plan.groupOffsets[std::size_t(g) * 2 * kGroup]));
    __m256i pixels = _mm256_permutevar8x32_epi32(block, offsets);
    const auto* w = reinterpret_cast<const __m256i*>(&plan.groupWeights[std::size_t(g) * 32]);
    __m256i left = _mm256_cvtepu8_epi16(_mm256_castsi256_si128(pixels));
    __m256i right = _mm256_cvtepu8_epi16(_mm256_extracti128_si256(pixels, 1));
    __m256i sum = _mm256_add_epi16(_mm256_mullo_epi16(left, _mm256_loadu_si256(w)),
                                   _mm256_mullo_epi16(right, _mm256_loadu_si256(w + 1)));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), sum);
}

// Four columns, each from its own pair of source pixels.
__attribute__((target("avx2"))) inline void interpolatePairs(const std::uint8_t* row,
                                                               const ColumnPlan& plan, int i,
                                                               std::uint16_t* out)
{
    __m256i first = weightedPairs(row, plan.taps.data(), plan.weights.data(), i);
    __m256i second = weightedPairs(row, plan.taps.data(), plan.weights.data(), i + 2);
    __m256i sum = _mm256_add_epi16(_mm256_unpacklo_epi64(first, second),
                                   _mm256_unpackhi_epi64(first, second));
    // Lanes hold columns (i, i + 2 | i + 1, i + 3): back into order.
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i * 4),
                        _mm256_permute4x64_epi64(sum, _MM_SHUFFLE(3, 1, 2, 0)));
}

__attribute__((target("avx2"))) inline void interpolateFour(const std::uint8_t* row,
                                                              const ColumnPlan& plan, int i,
                                                              std::uint16_t* out)
{
    if (plan.groupBase[i / kGroup] >= 0)
        interpolateGroup(row, plan, i / kGroup, out + i * 4);
    else
        interpolatePairs(row, plan, i, out);
}

__attribute__((target("avx2"))) int interpolateRowAvx2(const std::uint8_t* row,
                                                         const ColumnPlan& plan,
                                                         std::uint16_t* out)
{
    const int wideGroups = int(plan.wideBase.size());
    for (int g = 0; g < wideGroups; ++g) {
        if (plan.wideBase[g] >= 0) {
            interpolateWideGroup(row, plan, g, out + g * kWide * 4);
        } else {
            interpolateFour(row, plan, g * kWide, out);
            interpolateFour(row, plan, g * kWide + kGroup, out);
        }
    }
    int i = wideGroups * kWide;
    if (i + kGroup <= int(plan.taps.size())) {
        interpolateFour(row, plan, i, out);
        i += kGroup;
    }
    return i;
}

// Four pixels of two interpolated rows mixed: 16-bit results of 0 ... 255.
__attribute__((target("avx2"))) inline __m256i mixFour(const std::uint16_t* a,
                                                         const std::uint16_t* b, __m256i weightA,
                                                         __m256i weightB, __m256i half)
{
    __m256i va = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a));
    __m256i vb = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b));
    __m256i mixed =
        _mm256_add_epi16(_mm256_mulhi_epu16(va, weightA), _mm256_mulhi_epu16(vb, weightB));
    return _mm256_srli_epi16(_mm256_adds_epu16(mixed, half), 8);
}

__attribute__((target("avx2"))) int mixRowsAvx2(const std::uint16_t* a, const std::uint16_t* b,
                                                  int weight, int pixels, std::uint8_t* out)
{
    const int wb = std::min(weight * 256, 65535);
    const __m256i weightA = _mm256_set1_epi16(short(std::uint16_t(65535 - wb)));
    const __m256i weightB = _mm256_set1_epi16(short(std::uint16_t(wb)));
    const __m256i half = _mm256_set1_epi16(128);
    int i = 0;
    for (; i + 8 <= pixels; i += 8) {
        __m256i first = mixFour(a + i * 4, b + i * 4, weightA, weightB, half);
        __m256i second = mixFour(a + i * 4 + 16, b + i * 4 + 16, weightA, weightB, half);
        __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi16(first, second),
                                                  _MM_SHUFFLE(3, 1, 2, 0));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i * 4), packed);
    }
    for (; i + 4 <= pixels; i += 4) {
        __m256i bytes = mixFour(a + i * 4, b + i * 4, weightA, weightB, half);
        __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi16(bytes, bytes),
                                                  _MM_SHUFFLE(3, 1, 2, 0));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i * 4), _mm256_castsi256_si128(packed));
    }
    return i;
}
#endif

// One source row interpolated along x: four 8.8 fixed-point channels per output pixel.
void interpolateRow(const std::uint8_t* row, const ColumnPlan& plan, std::uint16_t* out)
{
    const std::vector<Tap>& taps = plan.taps;
    const std::vector<std::int16_t>& weights = plan.weights;
    const int count = int(taps.size());
    int i = 0;
#if defined(TARNIX_SCALER_AVX2)
    if (hasAvx2())
        i = interpolateRowAvx2(row, plan, out);
#endif
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    auto products = [&](int k) {
        __m128i pair = _mm_unpacklo_epi8(
            _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + taps[k].index * 4)), zero);
        return _mm_mullo_epi16(pair,
                               _mm_loadu_si128(reinterpret_cast<const __m128i*>(&weights[k * 8])));
    };
    // Two output pixels at a time: the halves of both products are added in one step.
    for (; i + 2 <= count; i += 2) {
        __m128i a = products(i), b = products(i + 1);
        __m128i sum = _mm_add_epi16(_mm_unpacklo_epi64(a, b), _mm_unpackhi_epi64(a, b));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i * 4), sum);
    }
    for (; i < count; ++i) {
        __m128i a = products(i);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i * 4),
                         _mm_add_epi16(a, _mm_srli_si128(a, 8)));
    }
#else
    (void)weights;
    for (; i < count; ++i) {
        const std::uint8_t* p = row + taps[i].index * 4;
        int w = taps[i].weight;
        for (int c = 0; c < 4; ++c)
            out[i * 4 + c] = std::uint16_t(p[c] * (256 - w) + p[4 + c] * w);
    }
#endif
}

// Mixes two interpolated rows by `weight` (0 ... 256) into bytes.
void mixRows(const std::uint16_t* a, const std::uint16_t* b, int weight, int pixels,
             std::uint8_t* out)
{
    int i = 0;
#if defined(TARNIX_SCALER_AVX2)
    if (hasAvx2())
        i = mixRowsAvx2(a, b, weight, pixels, out);
#endif
#if defined(__SSE2__)
    // 16-bit fractions of 65536; 65535 stands in for one.
    const int wb = std::min(weight * 256, 65535);
    const __m128i weightA = _mm_set1_epi16(short(std::uint16_t(65535 - wb)));
    const __m128i weightB = _mm_set1_epi16(short(std::uint16_t(wb)));
    const __m128i half = _mm_set1_epi16(128);
    for (; i + 2 <= pixels; i += 2) {
        __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i * 4));
        __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i * 4));
        __m128i mixed = _mm_add_epi16(_mm_mulhi_epu16(va, weightA), _mm_mulhi_epu16(vb, weightB));
        __m128i bytes = _mm_srli_epi16(_mm_adds_epu16(mixed, half), 8);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i * 4), _mm_packus_epi16(bytes, bytes));
    }
#endif
    for (; i < pixels; ++i)
        for (int c = 0; c < 4; ++c) {
            int v = (a[i * 4 + c] * (256 - weight) + b[i * 4 + c] * weight + (1 << 15)) >> 16;
            out[i * 4 + c] = std::uint8_t(std::min(v, 255));
        }
}

// Mixes `to` towards `from` by `amount` (0 ... 1).
void mixPixel(const std::uint8_t* from, std::uint8_t* to, float amount)
{
    for (int c = 0; c < 4; ++c)
        to[c] = std::uint8_t(to[c] + (from[c] - to[c]) * amount + 0.5f); // stays within 0 ... 255
}

// Writes one output row: replaced where the row is wholly covered, mixed by coverage elsewhere.
void writeRow(const std::uint16_t* upper, const std::uint16_t* lower, int weight, int count,
              std::uint8_t* dst, std::uint8_t* scratch, float rowCoverage, float firstCoverage,
              float lastCoverage)
{
    if (rowCoverage >= 1) {
        // Straight into the target; only the two end pixels may be partly covered.
        std::uint8_t first[4], last[4];
        std::memcpy(first, dst, 4);
        std::memcpy(last, dst + (count - 1) * 4, 4);
        mixRows(upper, lower, weight, count, dst);
        auto restore = [](std::uint8_t* pixel, const std::uint8_t* old, float amount) {
            if (amount >= 1)
                return;
            std::uint8_t drawn[4];
            std::memcpy(drawn, pixel, 4);
            std::memcpy(pixel, old, 4);
            mixPixel(drawn, pixel, amount);
        };
        restore(dst + (count - 1) * 4, last, lastCoverage);
        restore(dst, first, firstCoverage);
        return;
    }
    mixRows(upper, lower, weight, count, scratch);
    for (int i = 0; i < count; ++i) {
        float amount = rowCoverage * (i == 0 ? firstCoverage : i == count - 1 ? lastCoverage : 1);
        mixPixel(scratch + i * 4, dst + i * 4, amount);
    }
}

// How each output sample of a plane is made from a source row: its two source samples (the
// index, read as 4 bytes from there) and their weights as one pair of 16-bit values.
struct PlanePlan {
    std::vector<Tap> taps;
    std::vector<std::int32_t> index;
    std::vector<std::int32_t> weightPair; // low half 256 - weight, high half weight
    int gatherable = 0; // leading columns whose 4-byte read stays within the source row
    // Per group of 8 columns whose sample pairs lie within 16 consecutive source samples (any
    // enlargement, reductions up to about 1.8): the first of them, or -1, and the byte shuffle
    // that spreads the pairs into 16-bit lanes (the same for both 128-bit halves' sources).
    std::vector<std::int32_t> groupBase;
    std::vector<std::int8_t> groupShuffle;
};

PlanePlan planPlane(std::vector<Tap> taps, int sourceWidth)
{
    PlanePlan plan;
    plan.index.reserve(taps.size());
    plan.weightPair.reserve(taps.size());
    for (const Tap& t : taps) {
        plan.index.push_back(t.index);
        plan.weightPair.push_back(std::int32_t(std::uint32_t(256 - t.weight) |
                                               (std::uint32_t(t.weight) << 16)));
        if (t.index + 4 <= sourceWidth && plan.gatherable == int(plan.index.size()) - 1)
            ++plan.gatherable;
    }
    const int groups = int(taps.size()) / 8;
    plan.groupBase.assign(groups, -1);
    plan.groupShuffle.assign(std::size_t(groups) * 32, -1);
    for (int g = 0; g < groups; ++g) {
        const Tap* t = &taps[g * 8];
        const int base = t[0].index;
        bool fits = base + 16 <= sourceWidth;
        for (int k = 0; k < 8 && fits; ++k)
            fits = t[k].index >= base && t[k].index + 1 - base < 16;
        if (!fits)
            continue;
        plan.groupBase[g] = base;
        for (int k = 0; k < 8; ++k) {
            // Output k's left and right samples as the low bytes of two 16-bit lanes.
            std::int8_t* lane = &plan.groupShuffle[std::size_t(g) * 32 + k * 4];
            lane[0] = std::int8_t(t[k].index - base);
            lane[2] = std::int8_t(t[k].index + 1 - base);
        }
    }
    plan.taps = std::move(taps);
    return plan;
}

#if defined(TARNIX_SCALER_AVX2)
// Eight samples from 16 consecutive source samples: one load and one shuffle.
__attribute__((target("avx2"))) inline __m256i shuffledPairs(const std::uint8_t* row,
                                                               const PlanePlan& plan, int g)
{
    const __m256i block = _mm256_broadcastsi128_si256(
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + plan.groupBase[g])));
    return _mm256_shuffle_epi8(
        block, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(&plan.groupShuffle[std::size_t(g) * 32])));
}

// Eight samples at a time: a shuffle (or, where the pairs lie further apart, a gather) reads each
// sample pair, a multiply-add weighs it.
__attribute__((target("avx2"))) int interpolatePlaneRowAvx2(const std::uint8_t* row,
                                                              const PlanePlan& plan,
                                                              std::uint16_t* out)
{
    const __m256i spread = _mm256_setr_epi8(0, -1, 1, -1, 4, -1, 5, -1, 8, -1, 9, -1, 12, -1, 13,
                                            -1, 0, -1, 1, -1, 4, -1, 5, -1, 8, -1, 9, -1, 12, -1,
                                            13, -1);
    int i = 0;
    const int groups = int(plan.groupBase.size());
    for (; i + 8 <= plan.gatherable || (i / 8 < groups && plan.groupBase[i / 8] >= 0); i += 8) {
        __m256i words;
        if (plan.groupBase[i / 8] >= 0) {
            words = shuffledPairs(row, plan, i / 8);
        } else {
            __m256i index = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(&plan.index[i]));
            __m256i pairs = _mm256_i32gather_epi32(reinterpret_cast<const int*>(row), index, 1);
            words = _mm256_shuffle_epi8(pairs, spread);
        }
        __m256i sums = _mm256_madd_epi16(
            words, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(&plan.weightPair[i])));
        __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi32(sums, sums),
                                                  _MM_SHUFFLE(3, 1, 2, 0));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm256_castsi256_si128(packed));
    }
    return i;
}
#endif

void interpolatePlaneRow(const std::uint8_t* row, const PlanePlan& plan, std::uint16_t* out)
{
    int i = 0;
#if defined(TARNIX_SCALER_AVX2)
    if (hasAvx2())
        i = interpolatePlaneRowAvx2(row, plan, out);
#endif
    for (const int count = int(plan.taps.size()); i < count; ++i) {
        const Tap& t = plan.taps[i];
        out[i] = std::uint16_t(row[t.index] * (256 - t.weight) + row[t.index + 1] * t.weight);
    }
}

// Two interpolated plane rows mixed into bytes; the four-channel mixing serves four samples at a
// time.
void mixPlaneRows(const std::uint16_t* a, const std::uint16_t* b, int weight, int count,
                  std::uint8_t* out)
{
    const int whole = count / 4 * 4;
    mixRows(a, b, weight, whole / 4, out);
    for (int i = whole; i < count; ++i) {
        int v = (a[i] * (256 - weight) + b[i] * weight + (1 << 15)) >> 16;
        out[i] = std::uint8_t(std::min(v, 255));
    }
}

// The two interpolated source rows a run of output rows mixes. Consecutive output rows mostly
// share source rows: each source row is interpolated once, by `interpolate(row, out)`.
class RowPairs {
public:
    explicit RowPairs(std::size_t values) : upper_(values), lower_(values) {}

    template <typename Interpolate>
    void moveTo(int index, const Interpolate& interpolate)
    {
        if (upperIndex_ != index) {
            if (lowerIndex_ == index) {
                std::swap(upper_, lower_);
                std::swap(upperIndex_, lowerIndex_);
            } else {
                interpolate(index, upper_.data());
                upperIndex_ = index;
            }
        }
        if (lowerIndex_ != index + 1) {
            interpolate(index + 1, lower_.data());
            lowerIndex_ = index + 1;
        }
    }
    const std::uint16_t* upper() const { return upper_.data(); }
    const std::uint16_t* lower() const { return lower_.data(); }

private:
    std::vector<std::uint16_t> upper_, lower_;
    int upperIndex_ = -1, lowerIndex_ = -1;
};

// What a stretch of sourceRect over targetRect touches: the output pixels [x0, x1) × [y0, y1)
// within the target, and the source pixels [left, right] × [top, bottom] the samples stay within.
struct Stretch {
    double tx, ty, tw, th, sx, sy, sw, sh;
    int x0, x1, y0, y1;
    int left, right, top, bottom;
    bool empty() const { return x0 >= x1 || y0 >= y1; }
};

// Nothing for inputs that are not handled (a source within fewer than 2 × 2 pixels, empty or
// non-finite rectangles).
std::optional<Stretch> stretchOf(QSize target, const QRectF& targetRect, QSize source,
                                 const QRectF& sourceRect)
{
    if (source.width() < 2 || source.height() < 2)
        return std::nullopt;
    Stretch s{targetRect.x(), targetRect.y(), targetRect.width(), targetRect.height(),
              sourceRect.x(), sourceRect.y(), sourceRect.width(), sourceRect.height(),
              0, 0, 0, 0, 0, 0, 0, 0};
    for (double v : {s.tx, s.ty, s.tw, s.th, s.sx, s.sy, s.sw, s.sh})
        if (!std::isfinite(v))
            return std::nullopt;
    if (!(s.tw > 0) || !(s.th > 0) || !(s.sw > 0) || !(s.sh > 0))
        return std::nullopt;
    s.x0 = int(std::max(std::floor(s.tx), 0.0));
    s.x1 = int(std::min(std::ceil(s.tx + s.tw), double(target.width())));
    s.y0 = int(std::max(std::floor(s.ty), 0.0));
    s.y1 = int(std::min(std::ceil(s.ty + s.th), double(target.height())));
    s.left = int(std::clamp(std::floor(s.sx), 0.0, source.width() - 1.0));
    s.right = int(std::clamp(std::ceil(s.sx + s.sw) - 1, 0.0, source.width() - 1.0));
    s.top = int(std::clamp(std::floor(s.sy), 0.0, source.height() - 1.0));
    s.bottom = int(std::clamp(std::ceil(s.sy + s.sh) - 1, 0.0, source.height() - 1.0));
    if (!s.empty() && (s.right <= s.left || s.bottom <= s.top))
        return std::nullopt;
    return s;
}

} // namespace

bool scaleInto(QImage& target, const QRectF& targetRect, const QImage& source,
               const QRectF& sourceRect)
{
    if (target.format() != kPixelFormat || source.format() != kPixelFormat)
        return false;
    const std::optional<Stretch> stretch =
        stretchOf(target.size(), targetRect, source.size(), sourceRect);
    if (!stretch)
        return false;
    if (stretch->empty())
        return true;
    const auto [tx, ty, tw, th, sx, sy, sw, sh, x0, x1, y0, y1, left, right, top, bottom] =
        *stretch;
    const int columns = x1 - x0;
    const ColumnPlan xPlan =
        planColumns(tapsFor(x0, columns, tx, sw / tw, sx, left, right), source.width());
    const auto yTaps = tapsFor(y0, y1 - y0, ty, sh / th, sy, top, bottom);
    const float firstCoverage = coverage(x0, tx, tx + tw);
    const float lastCoverage = coverage(x1 - 1, tx, tx + tw);
    // Rows are written through one pointer: QImage's own accessors are not for several threads.
    std::uint8_t* const targetBits = target.bits();
    const qsizetype targetStride = target.bytesPerLine();

    int shares = int(std::clamp<long long>((long long)columns * (y1 - y0) / kPixelsPerShare, 1, 4));
    // Structured bindings are copied in by name: older compilers cannot capture them.
    parallelFor(y1 - y0, shares, [&, x0 = x0, y0 = y0, ty = ty, th = th](int begin, int end) {
        RowPairs rows(std::size_t(columns) * 4);
        std::vector<std::uint8_t> row(std::size_t(columns) * 4);
        auto interpolate = [&](int index, std::uint16_t* out) {
            interpolateRow(source.constScanLine(index), xPlan, out);
        };
        for (int r = begin; r < end; ++r) {
            const Tap& tap = yTaps[r];
            rows.moveTo(tap.index, interpolate);
            writeRow(rows.upper(), rows.lower(), tap.weight, columns,
                     targetBits + (y0 + r) * targetStride + x0 * 4, row.data(),
                     coverage(y0 + r, ty, ty + th), firstCoverage, lastCoverage);
        }
    });
    return true;
}

bool scalePlaneInto(const Plane& target, const QRectF& targetRect, const ConstPlane& source,
                    const QRectF& sourceRect)
{
    if (!target.data || !source.data)
        return false;
    const std::optional<Stretch> stretch =
        stretchOf({target.width, target.height}, targetRect, {source.width, source.height},
                  sourceRect);
    if (!stretch)
        return false;
    if (stretch->empty())
        return true;
    const Stretch& s = *stretch;
    const int columns = s.x1 - s.x0;
    const PlanePlan xPlan =
        planPlane(tapsFor(s.x0, columns, s.tx, s.sw / s.tw, s.sx, s.left, s.right), source.width);
    const auto yTaps = tapsFor(s.y0, s.y1 - s.y0, s.ty, s.sh / s.th, s.sy, s.top, s.bottom);
    int shares = int(std::clamp<long long>((long long)columns * (s.y1 - s.y0) / kPixelsPerShare, 1, 4));
    parallelFor(s.y1 - s.y0, shares, [&](int begin, int end) {
        RowPairs rows(static_cast<std::size_t>(columns));
        auto interpolate = [&](int index, std::uint16_t* out) {
            interpolatePlaneRow(source.data + index * source.stride, xPlan, out);
        };
        for (int r = begin; r < end; ++r) {
            const Tap& tap = yTaps[r];
            rows.moveTo(tap.index, interpolate);
            mixPlaneRows(rows.upper(), rows.lower(), tap.weight, columns,
                         target.data + (s.y0 + r) * target.stride + s.x0);
        }
    });
    return true;
}

} // namespace tarnix::graphics
