#pragma once

#include <atomic>
#include <filesystem>
#include <mutex>
#include <set>
#include <thread>
#include <utility>
#include <vector>

#include "media/MediaAsset.h"

// Makes scrub proxies (ScrubProxy.h) in the background: one thread per movie, at the lowest
// priority, so that recording, playback and editing come first. Each proxy is asked for once per
// maker; a proxy that is there, or that another maker is writing, is left alone. Destruction
// cancels the makers still running (their `.part` goes) and waits for them.
//
// Threads: the methods are called from one thread; the work runs on threads of its own.

namespace tarnix::media {

class ScrubProxyMaker {
public:
    ScrubProxyMaker() = default;
    ~ScrubProxyMaker();
    ScrubProxyMaker(const ScrubProxyMaker&) = delete;
    ScrubProxyMaker& operator=(const ScrubProxyMaker&) = delete;

    // The proxy of `track`, in `folder`, when the track wants one.
    void make(const AssetTrack& track, const std::filesystem::path& folder);
    // The proxy of the first video track of the movie at `movie` (read on the maker's thread).
    void makeForMovie(const std::filesystem::path& movie, const std::filesystem::path& folder);

    // Waits for the makers started so far (tests and benchmarks).
    void wait();

private:
    template <typename Work> void start(std::pair<std::filesystem::path, int> key, Work work);

    std::set<std::pair<std::filesystem::path, int>> started_;
    std::atomic<bool> cancel_{false};
    std::mutex mutex_;
    std::vector<std::thread> threads_;
};

// Makes the proxy of `track` in `folder` if it wants one, then keeps the folder within its size.
// Blocks; `cancel` stops it. Used by the maker's threads.
void makeScrubProxyAndTidy(const AssetTrack& track, const std::filesystem::path& folder,
                           const std::atomic<bool>& cancel);

} // namespace tarnix::media
