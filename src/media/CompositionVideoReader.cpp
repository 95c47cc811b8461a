#include "media/CompositionVideoReader.h"

namespace tarnix::media {

CompositionVideoReader::CompositionVideoReader(std::shared_ptr<const Composition> composition)
    : composition_(std::move(composition))
{
}

CompositionVideoReader::CompositionVideoReader(std::shared_ptr<const Composition> composition,
                                               CompositionVideoReader&& previous)
    : composition_(std::move(composition))
    , retainedBytes_(previous.retainedBytes_)
    , readers_(std::move(previous.readers_))
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
        reader = std::make_unique<VideoFrameReader>(segment.source);
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

std::map<TrackID, QImage> CompositionVideoReader::framesAt(double t)
{
    std::map<TrackID, QImage> frames;
    for (const CompositionTrack* track : composition_->tracks(MediaType::video))
        frames[track->trackID] = frameAt(track->trackID, t);
    return frames;
}

} // namespace tarnix::media
