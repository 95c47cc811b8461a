#include "media/ScrubProxyMaker.h"

#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

#include "media/ScrubProxy.h"

namespace tarnix::media {

ScrubProxyMaker::~ScrubProxyMaker()
{
    cancel_ = true;
    wait();
}

void makeScrubProxyAndTidy(const AssetTrack& track, const std::filesystem::path& folder,
                           const std::atomic<bool>& cancel)
{
    if (folder.empty() || !wantsScrubProxy(track))
        return;
    const auto path = scrubProxyPath(track, folder);
    std::error_code error;
    if (path.empty() || std::filesystem::exists(path, error))
        return;
    if (makeScrubProxy(track, path, cancel) == ScrubProxyResult::made)
        trimScrubProxies(folder, kScrubProxyFolderBytes);
}

template <typename Work>
void ScrubProxyMaker::start(std::pair<std::filesystem::path, int> key, Work work)
{
    if (!started_.insert(std::move(key)).second)
        return;
    std::lock_guard lock(mutex_);
    threads_.emplace_back([this, work = std::move(work)] {
        pthread_setname_np(pthread_self(), "tarnix-proxy");
        setpriority(PRIO_PROCESS, gettid(), 19);
        work(cancel_);
    });
}

void ScrubProxyMaker::make(const AssetTrack& track, const std::filesystem::path& folder)
{
    if (folder.empty() || !wantsScrubProxy(track))
        return;
    std::error_code error;
    if (std::filesystem::exists(scrubProxyPath(track, folder), error))
        return; // the usual case once the recorder has made it: no thread for nothing
    start({track.url, track.streamIndex}, [track, folder](const std::atomic<bool>& cancel) {
        makeScrubProxyAndTidy(track, folder, cancel);
    });
}

void ScrubProxyMaker::makeForMovie(const std::filesystem::path& movie,
                                   const std::filesystem::path& folder)
{
    if (folder.empty())
        return;
    start({movie, -1}, [movie, folder](const std::atomic<bool>& cancel) {
        try {
            const auto tracks = MediaAsset::load(movie).tracks(MediaType::video);
            if (!tracks.empty())
                makeScrubProxyAndTidy(tracks.front(), folder, cancel);
        } catch (const std::exception&) {
            // A movie that can't be read has no proxy; the Studio says what is wrong with it.
        }
    });
}

void ScrubProxyMaker::wait()
{
    std::vector<std::thread> threads;
    {
        std::lock_guard lock(mutex_);
        threads.swap(threads_);
    }
    for (std::thread& thread : threads)
        thread.join();
}

} // namespace tarnix::media
