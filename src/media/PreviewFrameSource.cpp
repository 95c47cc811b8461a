#include "media/PreviewFrameSource.h"

#include <pthread.h>

#include <algorithm>

#include "media/CompositionVideoReader.h"
#include "media/FrameRequest.h"
#include "media/ScrubProxy.h"

namespace tarnix::media {

using namespace std::chrono_literals;

namespace {

// Decoded frames kept per source file around the playhead, so that a step back, a scrub over the
// same stretch or an edit at the playhead decodes nothing again: 128 MiB holds 40 frames of 1080p
// (4:2:0), more than one key frame interval of a recording at 30 frames a second.
constexpr std::size_t kRetainedFrameBytes = std::size_t(128) << 20;

// The size frames are composed at for pictures shown at `shown`: straight at that size when it is
// smaller than the render size (the screen is scaled once, from the decoded frame), but never
// below half the render size: beyond a reduction of two a bilinear scale skips source pixels, so
// a much smaller picture is composed at half size and then averaged down.
QSize composedSize(QSize renderSize, QSize shown)
{
    if (shown.isEmpty())
        return renderSize;
    const QSize fitted = renderSize.scaled(shown, Qt::KeepAspectRatio);
    if (fitted.width() >= renderSize.width() || fitted.isEmpty())
        return renderSize;
    if (fitted.width() * 2 >= renderSize.width())
        return fitted;
    return QSize(std::max(renderSize.width() / 2, 1), std::max(renderSize.height() / 2, 1));
}

// After a seek, the stretch behind the playhead is filled in only once the user has looked at the
// frame for this long: seeks in quick succession share the cores with nothing else. A step back
// is followed at once, as more steps back are likely.
constexpr auto kQuietBeforeFilling = std::chrono::milliseconds(300);

// A seek whose frame is this close to the decoder's position or the key frame before it (seconds
// of the movie) shows its frame about as soon as a stand-in: it gets none, which would only
// flash by and take the cores from the frame.
constexpr double kDecodingWorthAStandIn = 0.1;

// A seek decodes from the key frame to its frame: frame threads share that work among the cores,
// but each holds a frame back before the first comes out. As many as the cores (FFmpeg's own
// choice is one more) measured a third shorter seeks on two cores, worst ones halved.
int seekingDecoderThreads()
{
    return int(std::clamp(std::thread::hardware_concurrency(), 1u, 16u));
}

} // namespace

struct PreviewFrameSource::Item {
    std::shared_ptr<const Composition> composition;
    VideoComposition videoComposition;
    std::unique_ptr<VideoCompositing> compositor; // called from several threads at once
    int frameCount = 0;
    double frameDuration = 0;
};

PreviewFrameSource::PreviewFrameSource(int compositingThreads, std::function<void()> onReady)
    : onReady_(std::move(onReady))
    , proxyFolder_(defaultScrubProxyFolder())
{
    pool_.setMaxThreadCount(std::max(1, compositingThreads));
    pool_.setExpiryTimeout(-1); // keep the threads for the preview's whole life
    decoder_ = std::thread([this] { decodeLoop(); });
}

PreviewFrameSource::~PreviewFrameSource()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    decoder_.join();
    pool_.clear();
    pool_.waitForDone();
}

void PreviewFrameSource::setScrubProxyFolder(std::filesystem::path folder)
{
    std::lock_guard lock(mutex_);
    proxyFolder_ = std::move(folder);
}

// Starts making the proxy of each large source that has none, in the background at the lowest
// priority: playback and editing come first. A proxy the recorder is still making is left to it.
void PreviewFrameSource::makeProxiesFor(const Composition& composition)
{
    std::filesystem::path folder;
    {
        std::lock_guard lock(mutex_);
        folder = proxyFolder_;
    }
    for (const CompositionTrack* track : composition.tracks(MediaType::video))
        for (const CompositionSegment& segment : track->segments)
            proxyMaker_.make(segment.source, folder);
}

// What a superseded request showed or was about to show is forgotten.
void PreviewFrameSource::resetRequestState()
{
    provisional_.reset();
    realFinishedUpTo_ = -1;
    takenUpTo_ = -1;
}

void PreviewFrameSource::setComposition(std::shared_ptr<const Composition> composition,
                                        VideoComposition videoComposition)
{
    auto item = std::make_shared<Item>();
    if (videoComposition.customVideoCompositor)
        item->compositor = videoComposition.customVideoCompositor();
    if (!composition || !item->compositor || videoComposition.renderSize.isEmpty() ||
        !(videoComposition.frameDuration() > 0))
        throw MediaException(MediaError{"Tarnix.Player", 1, "There is no video to play.",
                                        std::nullopt, nullptr});
    QSize shown;
    {
        std::lock_guard lock(mutex_);
        shown = outputSize_;
    }
    item->compositor->renderContextChanged(
        std::make_shared<FixedRenderContext>(composedSize(videoComposition.renderSize, shown)));
    item->frameCount = media::frameCount(composition->duration(), videoComposition);
    item->frameDuration = videoComposition.frameDuration();
    item->composition = std::move(composition);
    item->videoComposition = std::move(videoComposition);

    makeProxiesFor(*item->composition);
    std::lock_guard lock(mutex_);
    item_ = std::move(item);
    ++generation_;
    requested_ = false;
    ready_.clear();
    resetRequestState();
    pool_.clear();
}

void PreviewFrameSource::clear()
{
    std::lock_guard lock(mutex_);
    item_.reset();
    ++generation_;
    requested_ = false;
    ready_.clear();
    resetRequestState();
    pool_.clear();
}

void PreviewFrameSource::setOutputSize(QSize size)
{
    {
        std::lock_guard lock(mutex_);
        if (size == outputSize_)
            return;
        outputSize_ = size;
        if (item_)
            item_->compositor->renderContextChanged(std::make_shared<FixedRenderContext>(
                composedSize(item_->videoComposition.renderSize, size)));
        // Frames made at the old size are made again from the consumer's position.
        ++generation_;
        nextDecode_ = position_;
        decodeFailed_ = false;
        ready_.clear();
        resetRequestState();
        pool_.clear();
    }
    changed_.notify_all();
}

void PreviewFrameSource::request(int first, int ahead)
{
    {
        std::lock_guard lock(mutex_);
        if (!item_)
            return;
        first = std::clamp(first, 0, std::max(item_->frameCount - 1, 0));
        ahead_ = std::max(ahead, 1);
        // Frames from `first` on are already on their way (a step forward, or play after a
        // pause): keep them.
        if (requested_ && !decodeFailed_ && first >= position_ && first < nextDecode_) {
            position_ = first;
            std::erase_if(ready_, [&](const auto& entry) { return entry.first < first; });
        } else {
            ++generation_; // frames of the older request are dropped wherever they are
            requested_ = true;
            decodeFailed_ = false;
            steppingBack_ = first == position_ - 1;
            position_ = first;
            nextDecode_ = first;
            ready_.clear();
            resetRequestState();
            provisionalGeneration_ = generation_;
            pool_.clear(); // compositions not started yet
        }
    }
    changed_.notify_all();
}

void PreviewFrameSource::setAhead(int ahead)
{
    {
        std::lock_guard lock(mutex_);
        ahead_ = std::max(ahead, 1);
    }
    changed_.notify_all();
}

void PreviewFrameSource::setFillsBehind(bool fills)
{
    {
        std::lock_guard lock(mutex_);
        fillsBehind_ = fills;
    }
    changed_.notify_all();
}

void PreviewFrameSource::advanceTo(int index)
{
    {
        std::lock_guard lock(mutex_);
        position_ = std::max(position_, index);
        std::erase_if(ready_, [&](const auto& entry) { return entry.first < position_; });
    }
    changed_.notify_all();
}

std::optional<PreviewFrameSource::Frame> PreviewFrameSource::take(int index)
{
    std::optional<Frame> frame;
    {
        std::lock_guard lock(mutex_);
        auto found = ready_.find(index);
        if (found == ready_.end())
            return std::nullopt;
        frame = std::move(found->second);
        ready_.erase(found);
        takenUpTo_ = index;
        fillFrom_ = std::chrono::steady_clock::now() + (steppingBack_ ? 0ms : kQuietBeforeFilling);
        provisional_.reset();
        position_ = std::max(position_, index);
        std::erase_if(ready_, [&](const auto& entry) { return entry.first < position_; });
    }
    changed_.notify_all();
    return frame;
}

std::optional<PreviewFrameSource::Frame> PreviewFrameSource::takeProvisional(int index)
{
    std::lock_guard lock(mutex_);
    if (!provisional_ || provisional_->index != index)
        return std::nullopt;
    return std::exchange(provisional_, std::nullopt);
}

bool PreviewFrameSource::isReady(int index) const
{
    std::lock_guard lock(mutex_);
    return ready_.count(index) > 0;
}

int PreviewFrameSource::frameCount() const
{
    std::lock_guard lock(mutex_);
    return item_ ? item_->frameCount : 0;
}

double PreviewFrameSource::frameDuration() const
{
    std::lock_guard lock(mutex_);
    return item_ ? item_->frameDuration : 0;
}

void PreviewFrameSource::decodeLoop()
{
    pthread_setname_np(pthread_self(), "tarnix-preview"); // also names the decoder's threads
    std::unique_ptr<CompositionVideoReader> reader;
    bool fillPending = false; // the stretch behind the latest frame may still be filled in
    while (true) {
        std::shared_ptr<const Item> item;
        std::uint64_t generation = 0;
        int index = 0;
        std::filesystem::path proxyFolder;
        bool filling = false;
        {
            std::unique_lock lock(mutex_);
            const auto hasFrameToMake = [&] {
                return requested_ && item_ && nextDecode_ < item_->frameCount &&
                       nextDecode_ < position_ + ahead_;
            };
            // Filling waits until the consumer's frame is on screen and then a quiet moment.
            const auto mayFill = [&] {
                return fillPending && fillsBehind_ && requested_ && item_ &&
                       takenUpTo_ >= position_;
            };
            while (!stopping_ && !hasFrameToMake()) {
                if (!mayFill())
                    changed_.wait(lock);
                else if (changed_.wait_until(lock, fillFrom_) == std::cv_status::timeout &&
                         mayFill())
                    break;
            }
            if (stopping_)
                return;
            item = item_;
            generation = generation_;
            filling = !hasFrameToMake();
            if (filling) {
                index = position_;
            } else {
                // A consumer that has overtaken the decoder needs no frame it has passed.
                index = std::max(nextDecode_, position_);
                nextDecode_ = index + 1;
                // Only a seek's first frame gets a stand-in.
                if (provisionalGeneration_ == generation_)
                    proxyFolder = proxyFolder_;
                provisionalGeneration_ = 0;
            }
        }
        readCompositionOf(*item, reader);
        if (filling) {
            // One frame at a time, so that a request waits for one frame at most.
            try {
                fillPending = reader->fillBehind(index * item->frameDuration);
            } catch (const std::exception&) {
                fillPending = false; // reading it on the way there reports what is wrong
            }
            continue;
        }
        fillPending = true;
        makeFrame(*reader, item, generation, index, proxyFolder);
    }
}

// Moves `reader` to the item's composition: a rebuilt composition of the same recording reads
// on with the same decoders.
void PreviewFrameSource::readCompositionOf(const Item& item,
                                           std::unique_ptr<CompositionVideoReader>& reader)
{
    if (reader && reader->composition() == item.composition)
        return;
    if (reader) {
        reader = std::make_unique<CompositionVideoReader>(item.composition, std::move(*reader));
    } else {
        reader = std::make_unique<CompositionVideoReader>(item.composition);
        reader->setRetainedFrameBytes(kRetainedFrameBytes);
        reader->setDecoderThreads(seekingDecoderThreads());
    }
}

// Decodes the sources of frame `index` (after a stand-in from the proxies when `proxyFolder` is
// set) and hands them to a compositing thread.
void PreviewFrameSource::makeFrame(CompositionVideoReader& reader,
                                   const std::shared_ptr<const Item>& item,
                                   std::uint64_t generation, int index,
                                   const std::filesystem::path& proxyFolder)
{
    std::map<TrackID, QImage> sources;
    std::optional<MediaError> error;
    const double t = index * item->frameDuration;
    if (!proxyFolder.empty())
        composeProvisional(reader, item, generation, index, proxyFolder);
    try {
        sources = reader.framesAt(t);
    } catch (const MediaException& e) {
        error = e.error();
    } catch (const std::exception& e) {
        error = MediaError{"Tarnix.Player", 2, "The recording couldn't be decoded.", e.what(),
                           nullptr};
    }
    {
        std::lock_guard lock(mutex_);
        if (generation != generation_)
            return; // superseded while decoding
        if (error) {
            nextDecode_ = item->frameCount; // nothing after a failed frame
            decodeFailed_ = true;
            ready_[index] = Frame{index, QImage(), error};
        }
    }
    if (error) {
        onReady_();
        return;
    }
    pool_.start([this, item, generation, index, sources = std::move(sources)]() mutable {
        compose(item, generation, index, std::move(sources), false);
    });
}

void PreviewFrameSource::composeProvisional(CompositionVideoReader& reader,
                                            const std::shared_ptr<const Item>& item,
                                            std::uint64_t generation, int index,
                                            const std::filesystem::path& proxyFolder)
{
    const double t = index * item->frameDuration;
    std::map<TrackID, QImage> standIns;
    try {
        if (reader.decodingBefore(t) > kDecodingWorthAStandIn)
            standIns = reader.proxyFramesAt(t, proxyFolder);
    } catch (const std::exception&) {
        return; // the real frame reports what is wrong
    }
    if (standIns.empty())
        return;
    pool_.start([this, item, generation, index, standIns = std::move(standIns)]() mutable {
        compose(item, generation, index, std::move(standIns), true);
    });
}

void PreviewFrameSource::compose(std::shared_ptr<const Item> item, std::uint64_t generation,
                                 int index, std::map<TrackID, QImage> sources, bool provisional)
{
    QSize outputSize;
    {
        std::lock_guard lock(mutex_);
        if (generation != generation_ || index < position_)
            return; // superseded, or passed by the consumer, while it waited for a thread
        outputSize = outputSize_;
    }
    double t = index * item->frameDuration;
    ComposedFrame composed =
        composeFrame(*item->compositor, t, item->videoComposition.instructionAt(t), sources);
    sources.clear(); // the decoded pictures go back to their pool before the frame is shown
    QSize fitted = item->videoComposition.renderSize.scaled(outputSize, Qt::KeepAspectRatio);
    if (!composed.error && !outputSize.isEmpty() && !composed.image.isNull() &&
        fitted.width() < composed.image.width())
        composed.image = composed.image.scaled(fitted, Qt::IgnoreAspectRatio,
                                               Qt::SmoothTransformation);
    if (provisional && composed.error)
        return; // a stand-in that failed is no news: the real frame follows
    finish(generation,
           Frame{index, std::move(composed.image), std::move(composed.error), provisional});
}

void PreviewFrameSource::finish(std::uint64_t generation, Frame frame)
{
    {
        std::lock_guard lock(mutex_);
        if (generation != generation_)
            return;
        if (frame.index < position_)
            return; // the consumer has moved past it
        if (frame.provisional) {
            if (frame.index <= realFinishedUpTo_)
                return; // the real frame is there already: a stand-in would step back
            provisional_ = std::move(frame);
        } else {
            realFinishedUpTo_ = std::max(realFinishedUpTo_, frame.index);
            if (provisional_ && provisional_->index <= frame.index)
                provisional_.reset();
            ready_[frame.index] = std::move(frame);
        }
    }
    changed_.notify_all();
    onReady_();
}

} // namespace tarnix::media
