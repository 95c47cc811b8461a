#pragma once

#include <cstddef>
#include <map>

#include "media/FFmpegSupport.h"

// Decoded pictures around a reader's position, kept as references to the decoder's own frames
// (YUV, about 3 MB for 1080p 4:2:0): a step or a jump back within them needs no seek and no
// decoding from the key frame. Each entry covers its presentation interval, from its own time to
// the next decoded frame's, so a time maps to exactly the frame a decoder would show there.
// Bounded by bytes: past the budget the entries farthest from the latest lookup (the playhead)
// go first, so frames filled in behind it push out those farthest away, not those under it.
// One thread at a time.

namespace tarnix::media {

class DecodedFrameCache {
public:
    explicit DecodedFrameCache(std::size_t byteBudget = 0) : budget_(byteBudget) {}

    // 0 turns the cache off (and empties it).
    void setByteBudget(std::size_t bytes);
    std::size_t byteBudget() const { return budget_; }

    // Keeps a reference to `frame`, on screen from `start` until `end` (seconds).
    void insert(const AVFrame& frame, double start, double end);
    // The frame whose interval holds t, or nullptr. The latest lookup is the centre that
    // eviction keeps.
    const AVFrame* find(double t);
    // Whether a frame's interval holds t, without moving that centre.
    bool holds(double t) const;
    // Moves the centre that eviction keeps to t (the reader's position) without a lookup.
    void keepAround(double t) { lastLookup_ = t; }

    void clear();
    std::size_t size() const { return entries_.size(); }
    std::size_t bytes() const { return bytes_; }

private:
    struct Entry {
        ff::FramePtr frame;
        double end = 0;
        std::size_t bytes = 0;
    };
    const AVFrame* frameHolding(double t) const;
    void evictAround(double t);

    std::size_t budget_;
    std::size_t bytes_ = 0;
    double lastLookup_ = 0;
    std::map<double, Entry> entries_; // by start time
};

} // namespace tarnix::media
