#include "media/CompositionVideoReader.h"

#include "media/ScrubProxy.h"

#include <algorithm>
#include <set>

namespace tarnix::media {

CompositionVideoReader::CompositionVideoReader(std::shared_ptr<const Composition> composition)
    : composition_(std::move(composition))
{
}

CompositionVideoReader::CompositionVideoReader(std::shared_ptr<const Composition> composition,
                                               CompositionVideoReader&& previous)
    : composition_(std::move(composition))
    , retainedBytes_(previous.retainedBytes_)
    , decoderThreads_(previous.decoderThreads_)
    , readers_(std::move(previous.readers_))
    , proxies_(std::move(previous.proxies_))
{
    // Decoders of files the new composition does not read go, with the frames they keep.
    std::set<SourceKey> used;
    for (const CompositionTrack* track : composition_->tracks(MediaType::video))
        for (const CompositionSegment& segment : track->segments)
            used.insert({segment.source.url, segment.source.streamIndex});
    std::erase_if(readers_, [&](const auto& entry) { return !used.count(entry.first); });
    std::erase_if(proxies_, [&](const auto& entry) { return !used.count(entry.first); });
}

void CompositionVideoReader::setRetainedFrameBytes(std::size_t bytes)
{
    retainedBytes_ = bytes;
    for (auto& [key, source] : readers_)
        source.reader->setRetainedFrameBytes(bytes); // the filler shares its kept frames
}

CompositionVideoReader::Source& CompositionVideoReader::sourceFor(const CompositionSegment& segment)
{
    Source& source = readers_[{segment.source.url, segment.source.streamIndex}];
    if (!source.reader) {
        source.reader = std::make_unique<VideoFrameReader>(segment.source, decoderThreads_);
        source.reader->setRetainedFrameBytes(retainedBytes_);
    }
    return source;
}

VideoFrameReader& CompositionVideoReader::readerFor(const CompositionSegment& segment, double t)
{
    Source& source = sourceFor(segment);
    if (source.filler && !source.reader->hasFrameAt(t) && !source.reader->reachesWithoutSeek(t) &&
        source.filler->reachesWithoutSeek(t))
        std::swap(source.reader, source.filler); // already on its way there
    return *source.reader;
}

bool CompositionVideoReader::fillBehind(double t)
{
    for (const CompositionTrack* track : composition_->tracks(MediaType::video))
        if (const CompositionSegment* segment = track->segmentAt(t))
            if (fillBehind(*segment, segment->sourceTime(t)))
                return true;
    return false;
}

bool CompositionVideoReader::fillBehind(const CompositionSegment& segment, double t)
{
    if (retainedBytes_ == 0)
        return false;
    Source& source = sourceFor(segment);
    // The interval to fill ends at the key frame before t and starts at the one before that,
    // within the segment (what lies before its start is another segment's).
    const std::optional<double> key = source.reader->keyFrameAtOrBefore(t);
    if (!key || *key <= segment.sourceRange.start)
        return false;
    const std::optional<double> previous = source.reader->keyFrameAtOrBefore(*key - 1e-3);
    if (!previous)
        return false;
    if (!source.filler) {
        source.filler = std::make_unique<VideoFrameReader>(segment.source, decoderThreads_);
        source.filler->shareRetainedFrames(*source.reader);
    }
    return source.filler->fillStep(std::max(*previous, segment.sourceRange.start), *key);
}

QImage CompositionVideoReader::frameAt(TrackID trackID, double t)
{
    const CompositionTrack* track = composition_->track(trackID);
    if (!track || track->mediaType != MediaType::video)
        return QImage();
    const CompositionSegment* segment = track->segmentAt(t);
    if (!segment)
        return QImage();
    const double sourceTime = segment->sourceTime(t);
    return readerFor(*segment, sourceTime).frameAt(sourceTime);
}

YuvPicture CompositionVideoReader::yuvFrameAt(TrackID trackID, double t)
{
    const CompositionTrack* track = composition_->track(trackID);
    const CompositionSegment* segment =
        track && track->mediaType == MediaType::video ? track->segmentAt(t) : nullptr;
    if (!segment)
        return nullptr;
    const double sourceTime = segment->sourceTime(t);
    return readerFor(*segment, sourceTime).yuvFrameAt(sourceTime);
}

std::map<TrackID, QImage> CompositionVideoReader::framesAt(double t)
{
    std::map<TrackID, QImage> frames;
    for (const CompositionTrack* track : composition_->tracks(MediaType::video))
        frames[track->trackID] = frameAt(track->trackID, t);
    return frames;
}

} // namespace tarnix::media

namespace tarnix::media {

double CompositionVideoReader::decodingBefore(double t)
{
    double most = 0;
    for (const CompositionTrack* track : composition_->tracks(MediaType::video))
        if (const CompositionSegment* segment = track->segmentAt(t)) {
            const double sourceTime = segment->sourceTime(t);
            most = std::max(most, readerFor(*segment, sourceTime).decodingBefore(sourceTime));
        }
    return most;
}

std::map<TrackID, QImage> CompositionVideoReader::proxyFramesAt(
    double t, const std::filesystem::path& proxyFolder)
{
    std::map<TrackID, QImage> frames;
    bool proxied = false;
    for (const CompositionTrack* track : composition_->tracks(MediaType::video)) {
        const CompositionSegment* segment = track->segmentAt(t);
        if (!segment) {
            frames[track->trackID] = QImage();
            continue;
        }
        auto& proxy = proxies_[{segment->source.url, segment->source.streamIndex}];
        if (!proxy && wantsScrubProxy(segment->source)) {
            const auto path = scrubProxyPath(segment->source, proxyFolder);
            std::error_code error;
            if (!path.empty() && std::filesystem::exists(path, error)) {
                try {
                    // Key frames only, and small: a frame thread would only hold each back.
                    proxy = std::make_unique<VideoFrameReader>(
                        MediaAsset::load(path).tracks(MediaType::video).at(0), 1);
                } catch (const std::exception&) {
                    // A damaged proxy is no proxy: the movie itself is read.
                }
            }
        }
        if (proxy) {
            frames[track->trackID] = proxy->frameAt(segment->sourceTime(t));
            proxied = true;
        } else {
            const double sourceTime = segment->sourceTime(t);
            frames[track->trackID] = readerFor(*segment, sourceTime).frameAt(sourceTime);
        }
    }
    if (!proxied)
        frames.clear();
    return frames;
}

} // namespace tarnix::media
