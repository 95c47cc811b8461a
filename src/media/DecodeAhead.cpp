#include "media/DecodeAhead.h"

#include <pthread.h>

namespace tarnix::media {

DecodeAhead::DecodeAhead(std::shared_ptr<const Composition> composition, int count, double step,
                         int depth, std::set<TrackID> yuvTracks)
    : depth_(std::size_t(std::max(depth, 1)))
    , yuvTracks_(std::move(yuvTracks))
{
    thread_ = std::thread([this, composition = std::move(composition), count, step] {
        run(composition, count, step);
    });
}

DecodeAhead::~DecodeAhead()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void DecodeAhead::run(std::shared_ptr<const Composition> composition, int count, double step)
{
    pthread_setname_np(pthread_self(), "tarnix-decode"); // also names the decoder's threads
    CompositionVideoReader reader(composition);
    for (int i = 0; i < count; ++i) {
        Item item;
        try {
            item = decode(reader, *composition, i * step);
        } catch (const MediaException& e) {
            item.error = e.error();
        } catch (const std::exception& e) {
            item.error = MediaError{"Tarnix.Media", 5, "The recording couldn't be decoded.",
                                    e.what(), nullptr};
        }
        bool failed = item.error.has_value();
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return stopping_ || ready_.size() < depth_; });
            if (stopping_)
                return;
            ready_.push_back(std::move(item));
        }
        changed_.notify_all();
        if (failed)
            return;
    }
}

DecodeAhead::Item DecodeAhead::decode(CompositionVideoReader& reader,
                                      const Composition& composition, double t) const
{
    Item item;
    for (const CompositionTrack* track : composition.tracks(MediaType::video)) {
        const TrackID id = track->trackID;
        if (yuvTracks_.count(id))
            if (YuvPicture picture = reader.yuvFrameAt(id, t)) {
                item.yuvSources[id] = std::move(picture);
                continue;
            }
        item.sources[id] = reader.frameAt(id, t);
    }
    return item;
}

DecodeAhead::Item DecodeAhead::next()
{
    Item item;
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return !ready_.empty(); });
        item = std::move(ready_.front());
        ready_.pop_front();
    }
    changed_.notify_all();
    return item;
}

} // namespace tarnix::media
