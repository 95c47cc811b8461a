#pragma once

#include <QImage>

#include <filesystem>
#include <map>
#include <memory>

#include "media/Composition.h"
#include "media/VideoFrameReader.h"

// The source frames of a composition's video tracks at a composition time: one decoder per
// source track, opened on first use and shared by every segment of that track (the segments of a
// cut recording read one file forward, jumping over the cuts). Owned and used by one thread at a time (each player or export
// has its own); the composition is shared read-only.

namespace tarnix::media {

class CompositionVideoReader {
public:
    explicit CompositionVideoReader(std::shared_ptr<const Composition> composition);
    // Reads a rebuilt composition with `previous`'s decoders of the same source tracks, which
    // read on from where they are: the frame at the same time needs no seek or decoding. The
    // decoders of other files are closed.
    CompositionVideoReader(std::shared_ptr<const Composition> composition,
                           CompositionVideoReader&& previous);

    const std::shared_ptr<const Composition>& composition() const { return composition_; }

    // The frame of each video track at composition time t (seconds). A track with no segment at
    // t (a gap, or past its end: a camera shorter than the screen) maps to a null image.
    // Throws MediaException when a source file cannot be opened for decoding.
    std::map<TrackID, QImage> framesAt(double t);

    // The frame of one track at t, null when it has none there.
    QImage frameAt(TrackID trackID, double t);

    // The frame of one track at t in the decoder's 4:2:0 planes (VideoFrameReader::yuvFrameAt):
    // null when it has none there or it is not decoded in that layout.
    YuvPicture yuvFrameAt(TrackID trackID, double t);

    // Decoded frames each source track's decoder keeps around its position (see
    // VideoFrameReader::setRetainedFrameBytes); none by default.
    void setRetainedFrameBytes(std::size_t bytes);
    // Frame threads of the decoders opened from now on (0, the default: FFmpeg's choice, which
    // is one more than the cores). Each frame thread holds a frame back after a seek, so a reader
    // that seeks often wants no more than the cores.
    void setDecoderThreads(int threads) { decoderThreads_ = threads; }

    // About how much of its movie (seconds) the track that decodes most decodes before its
    // frame at t (VideoFrameReader::decodingBefore): 0 when every frame is at hand.
    double decodingBefore(double t);
    // One frame of filling in, for each track at t, the key frame interval before the one that
    // holds t, into the kept frames: a step back across the key frame then needs no decoding.
    // A second decoder per source does it, so the one at t stays there; a later read that the
    // second decoder is already on its way to continues with it. Call it while there is
    // nothing else to do; false once there is nothing more to fill (or no frames are kept).
    bool fillBehind(double t);
    // Stand-ins for framesAt(t) from the scrub proxies in `proxyFolder` (ScrubProxy.h): tracks
    // with a proxy read it, the others their own file. Empty when no track has a proxy yet.
    std::map<TrackID, QImage> proxyFramesAt(double t, const std::filesystem::path& proxyFolder);

private:
    struct Source {
        std::unique_ptr<VideoFrameReader> reader; // follows the reads
        std::unique_ptr<VideoFrameReader> filler; // fills in behind them, sharing the kept frames
    };
    Source& sourceFor(const CompositionSegment& segment);
    // The decoder that reads `segment` at source time `t` with the least decoding.
    VideoFrameReader& readerFor(const CompositionSegment& segment, double t);
    bool fillBehind(const CompositionSegment& segment, double t);

    std::shared_ptr<const Composition> composition_;
    std::size_t retainedBytes_ = 0;
    int decoderThreads_ = 0;
    using SourceKey = std::pair<std::filesystem::path, int>;
    std::map<SourceKey, Source> readers_;
    std::map<SourceKey, std::unique_ptr<VideoFrameReader>> proxies_;
};

} // namespace tarnix::media
