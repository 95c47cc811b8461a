#pragma once

#include <QImage>
#include <QSize>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "media/MediaError.h"

struct AVFrame;

// The contract between the media engine (player, exporter) and a per-frame video compositor.
// The engine decodes source tracks and asks the compositor for one output frame per composition
// time; the compositor draws it from an immutable instruction and the source frames.
//
// Pixels: every QImage crossing this interface is QImage::Format_ARGB32_Premultiplied (BGRA bytes
// in memory). Times are seconds on the composition's time line.
//
// Threads: startRequest may run on several engine threads at once; instructions are immutable and
// shared; RenderContext must be safe to use from any thread.

namespace tarnix::media {

using TrackID = std::int32_t;
inline constexpr TrackID kInvalidTrackID = 0;

struct TimeRange {
    double start = 0;    // seconds
    double duration = 0; // seconds
    double end() const { return start + duration; }
    bool operator==(const TimeRange&) const = default;
};

// What to draw over a time range. Immutable once built.
class VideoCompositionInstruction {
public:
    virtual ~VideoCompositionInstruction() = default;
    virtual TimeRange timeRange() const = 0;
    virtual bool enablePostProcessing() const = 0;
    virtual bool containsTweening() const = 0;
    // Source tracks whose frames the compositor needs; nothing means every track.
    virtual std::optional<std::vector<TrackID>> requiredSourceTrackIDs() const = 0;
    virtual TrackID passthroughTrackID() const = 0;
};

// The output side of a compositor: the frame size and fresh output buffers.
class RenderContext {
public:
    virtual ~RenderContext() = default;
    virtual QSize size() const = 0;
    // A new buffer of size() in Format_ARGB32_Premultiplied, or a null image when none can be had.
    virtual QImage newPixelBuffer() = 0;
};

// One output frame to produce. The compositor completes it exactly once, before startRequest
// returns, with a frame or with an error.
class CompositionRequest {
public:
    virtual ~CompositionRequest() = default;
    virtual double compositionTime() const = 0;
    virtual std::shared_ptr<const VideoCompositionInstruction> videoCompositionInstruction() const = 0;
    // The frame of a source track at compositionTime(); a null image when the track has none there.
    virtual QImage sourceFrameByTrackID(TrackID trackID) const = 0;
    virtual void finishWithComposedVideoFrame(QImage frame) = 0;
    virtual void finishWithError(const MediaError& error) = 0;
};

class VideoCompositing {
public:
    virtual ~VideoCompositing() = default;
    // Replaces the render context; may happen between requests.
    virtual void renderContextChanged(std::shared_ptr<RenderContext> context) = 0;
    virtual void startRequest(CompositionRequest& request) = 0;
    virtual void cancelAllPendingVideoCompositionRequests() = 0;
};

// A decoded 4:2:0 picture (AV_PIX_FMT_YUV420P, BT.709 limited range), shared with the decoder.
using YuvPicture = std::shared_ptr<const AVFrame>;

// A compositor that can also draw straight into the encoder's 4:2:0 frames (an export to H.264
// or HEVC), from sources left in the decoder's planes: no conversion of whole frames to BGRA and
// back.
class YuvCompositing {
public:
    virtual ~YuvCompositing() = default;
    // The tracks the instruction's frames take as 4:2:0 pictures when they are decoded so.
    virtual std::vector<TrackID> yuvSourceTracks(const VideoCompositionInstruction& instruction) const = 0;
    // Fills `output` (AV_PIX_FMT_YUV420P, BT.709 limited range) with the frame at `time`,
    // composed at the output's own size, which may differ from the render context's (an export
    // scaled by its preset): nothing is drawn at one size and scaled afterwards. `yuvSources`
    // holds the 4:2:0 pictures of yuvSourceTracks that were decoded so, `sources` every other
    // track's BGRA frame. False when this frame cannot be drawn so; the caller then composes it
    // with startRequest.
    virtual bool composeYuv(double time, const std::shared_ptr<const VideoCompositionInstruction>& instruction,
                            const std::map<TrackID, QImage>& sources,
                            const std::map<TrackID, YuvPicture>& yuvSources, AVFrame& output) = 0;
};

// The engine makes one compositor per player item or export.
using VideoCompositorFactory = std::function<std::unique_ptr<VideoCompositing>()>;

} // namespace tarnix::media
