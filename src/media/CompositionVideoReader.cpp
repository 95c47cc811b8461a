#include "media/CompositionVideoReader.h"

#include "media/ScrubProxy.h"

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
}

void CompositionVideoReader::setRetainedFrameBytes(std::size_t bytes)
{
    retainedBytes_ = bytes;
    for (auto& [source, reader] : readers_)
        reader->setRetainedFrameBytes(bytes);
}

VideoFrameReader& CompositionVideoReader::readerFor(const CompositionSegment& segment)
{
    auto& reader = readers_[{segment.source.url, segment.source.streamIndex}];
    if (!reader) {
        reader = std::make_unique<VideoFrameReader>(segment.source, decoderThreads_);
        reader->setRetainedFrameBytes(retainedBytes_);
    }
    return *reader;
}

QImage CompositionVideoReader::frameAt(TrackID trackID, double t)
{
    const CompositionTrack* track = composition_->track(trackID);
    if (!track || track->mediaType != MediaType::video)
        return QImage();
    const CompositionSegment* segment = track->segmentAt(t);
    if (!segment)
        return QImage();
    return readerFor(*segment).frameAt(segment->sourceTime(t));
}

YuvPicture CompositionVideoReader::yuvFrameAt(TrackID trackID, double t)
{
    const CompositionTrack* track = composition_->track(trackID);
    const CompositionSegment* segment =
        track && track->mediaType == MediaType::video ? track->segmentAt(t) : nullptr;
    return segment ? readerFor(*segment).yuvFrameAt(segment->sourceTime(t)) : nullptr;
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

bool CompositionVideoReader::framesAtHand(double t)
{
    for (const CompositionTrack* track : composition_->tracks(MediaType::video)) {
        const CompositionSegment* segment = track->segmentAt(t);
        if (segment && !readerFor(*segment).hasFrameAt(segment->sourceTime(t)))
            return false;
    }
    return true;
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
            frames[track->trackID] = readerFor(*segment).frameAt(segment->sourceTime(t));
        }
    }
    if (!proxied)
        frames.clear();
    return frames;
}

} // namespace tarnix::media
