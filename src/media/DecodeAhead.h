#pragma once

#include <QImage>

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <thread>

#include "media/CompositionVideoReader.h"

// Decodes a composition's source frames for a run of output times on a thread of its own, ahead
// of the consumer, so that decoding overlaps compositing and encoding. The queue holds at most
// `depth` decoded time steps; the decoder waits while it is full.
//
// Threads: construct, next() and destroy on one consumer thread; destruction stops the decoder
// and joins it.

namespace tarnix::media {

class DecodeAhead {
public:
    struct Item {
        std::map<TrackID, QImage> sources;
        // The tracks asked for in 4:2:0 whose frames were decoded so (missing from `sources`).
        std::map<TrackID, YuvPicture> yuvSources;
        std::optional<MediaError> error; // decoding failed: the run ends here
    };

    // Decodes times i × step for i in 0..<count. The frames of `yuvTracks` are handed over in the
    // decoder's 4:2:0 planes where they are decoded so, the others as BGRA.
    DecodeAhead(std::shared_ptr<const Composition> composition, int count, double step, int depth,
                std::set<TrackID> yuvTracks = {});
    ~DecodeAhead();
    DecodeAhead(const DecodeAhead&) = delete;
    DecodeAhead& operator=(const DecodeAhead&) = delete;

    // The sources of the next time step, in order; waits for the decoder.
    Item next();

private:
    void run(std::shared_ptr<const Composition> composition, int count, double step);
    Item decode(CompositionVideoReader& reader, const Composition& composition, double t) const;

    const std::size_t depth_;
    const std::set<TrackID> yuvTracks_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Item> ready_;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace tarnix::media
