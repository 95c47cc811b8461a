#pragma once

#include <QImage>

#include <map>
#include <memory>
#include <optional>

#include "media/ImageBufferPool.h"
#include "media/VideoCompositing.h"

// The engine's side of one compositor call: a render context of a fixed size and a request
// holding the source frames of one composition time. Used by the exporter and by still-frame
// rendering; each request lives on one thread.

namespace tarnix::media {

class FixedRenderContext : public RenderContext {
public:
    explicit FixedRenderContext(QSize size)
        : size_(size)
    {
    }
    QSize size() const override { return size_; }
    QImage newPixelBuffer() override
    {
        return buffers_->image(size_.width(), size_.height(), QImage::Format_ARGB32_Premultiplied);
    }

private:
    QSize size_;
    std::shared_ptr<ImageBufferPool> buffers_ = ImageBufferPool::create();
};

class FrameRequest : public CompositionRequest {
public:
    // `sources` must outlive the request.
    FrameRequest(double time, std::shared_ptr<const VideoCompositionInstruction> instruction,
                 const std::map<TrackID, QImage>& sources)
        : time_(time)
        , instruction_(std::move(instruction))
        , sources_(sources)
    {
    }
    double compositionTime() const override { return time_; }
    std::shared_ptr<const VideoCompositionInstruction> videoCompositionInstruction() const override
    {
        return instruction_;
    }
    QImage sourceFrameByTrackID(TrackID trackID) const override
    {
        auto found = sources_.find(trackID);
        return found == sources_.end() ? QImage() : found->second;
    }
    void finishWithComposedVideoFrame(QImage frame) override
    {
        frame_ = std::move(frame);
        finished_ = true;
    }
    void finishWithError(const MediaError& error) override
    {
        error_ = error;
        finished_ = true;
    }

    bool finished() const { return finished_; }
    QImage& frame() { return frame_; }
    const std::optional<MediaError>& error() const { return error_; }

private:
    double time_;
    std::shared_ptr<const VideoCompositionInstruction> instruction_;
    const std::map<TrackID, QImage>& sources_;
    QImage frame_;
    std::optional<MediaError> error_;
    bool finished_ = false;
};

// Runs one request through the compositor. Returns the composed frame in
// Format_ARGB32_Premultiplied, or the compositor's error (also when it finished with nothing).
struct ComposedFrame {
    QImage image;
    std::optional<MediaError> error;
};
ComposedFrame composeFrame(VideoCompositing& compositor, double time,
                           std::shared_ptr<const VideoCompositionInstruction> instruction,
                           const std::map<TrackID, QImage>& sources);

} // namespace tarnix::media
