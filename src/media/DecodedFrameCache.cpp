#include "media/DecodedFrameCache.h"

#include <cmath>

namespace tarnix::media {

namespace {

// Frames whose times differ by less than this start at the same moment.
constexpr double kTimeEpsilon = 1e-6;

std::size_t frameBytes(const AVFrame& frame)
{
    std::size_t bytes = 0;
    for (const AVBufferRef* buffer : frame.buf)
        if (buffer)
            bytes += buffer->size;
    return bytes;
}

} // namespace

void DecodedFrameCache::setByteBudget(std::size_t bytes)
{
    budget_ = bytes;
    evictAround(lastLookup_);
}

void DecodedFrameCache::insert(const AVFrame& frame, double start, double end)
{
    if (budget_ == 0 || !(end > start) || entries_.count(start))
        return;
    ff::FramePtr ref = ff::makeFrame();
    if (!ref || av_frame_ref(ref.get(), &frame) < 0)
        return;
    std::size_t bytes = frameBytes(*ref);
    if (bytes > budget_)
        return;
    bytes_ += bytes;
    entries_.emplace(start, Entry{std::move(ref), end, bytes});
    evictAround(lastLookup_);
}

const AVFrame* DecodedFrameCache::find(double t)
{
    lastLookup_ = t;
    return frameHolding(t);
}

bool DecodedFrameCache::holds(double t) const
{
    return frameHolding(t) != nullptr;
}

const AVFrame* DecodedFrameCache::frameHolding(double t) const
{
    auto after = entries_.upper_bound(t + kTimeEpsilon);
    if (after == entries_.begin())
        return nullptr;
    const auto& [start, entry] = *std::prev(after);
    if (t >= entry.end - kTimeEpsilon)
        return nullptr;
    return entry.frame.get();
}

void DecodedFrameCache::clear()
{
    entries_.clear();
    bytes_ = 0;
}

void DecodedFrameCache::evictAround(double t)
{
    while (bytes_ > budget_ && !entries_.empty()) {
        auto first = entries_.begin();
        auto last = std::prev(entries_.end());
        auto farthest = std::abs(first->first - t) >= std::abs(last->first - t) ? first : last;
        bytes_ -= farthest->second.bytes;
        entries_.erase(farthest);
    }
}

} // namespace tarnix::media
