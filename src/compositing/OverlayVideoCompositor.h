#pragma once

#include <QImage>

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "media/VideoCompositing.h"

// The per-frame compositor of every preview and export frame: takes the screen frame (track 1)
// and the optional camera frame, zooms, lays the picture on the background, adds the camera
// bubble, the cursor and click ripples, blurs the redacted areas and fills an output buffer of
// the render context's size. Instructions must be OverlayInstruction.
//
// The output may be smaller than the composition's render size (the preview draws at the size it
// is shown) or larger (a 4K export of a 1080p recording, drawn in 4:2:0 at 4K): the background
// prepared for the render size is then made once more for the output's size and kept for the
// following frames.
//
// Threads: startRequest may run on several threads at once; it reads the immutable instruction,
// the request, a copy of the render context pointer and, under a lock, the resized background.
// renderContextChanged may be called from any thread at any time.

namespace tarnix {

struct BackgroundFrame;
struct YuvBackground;
class OverlayInstruction;

class OverlayVideoCompositor final : public media::VideoCompositing, public media::YuvCompositing {
public:
    // Pixel formats of source frames and of output buffers: 32-bit BGRA, premultiplied.
    static std::vector<QImage::Format> sourcePixelFormats();
    static QImage::Format requiredPixelFormatForRenderContext();

    void renderContextChanged(std::shared_ptr<media::RenderContext> context) override;
    void startRequest(media::CompositionRequest& request) override;
    // Requests are finished inside startRequest, so nothing is ever pending.
    void cancelAllPendingVideoCompositionRequests() override {}

    // The screen track; its frame drawn in 4:2:0 planes (YuvOverlayFrame).
    std::vector<media::TrackID>
    yuvSourceTracks(const media::VideoCompositionInstruction& instruction) const override;
    bool composeYuv(double time,
                    const std::shared_ptr<const media::VideoCompositionInstruction>& instruction,
                    const std::map<media::TrackID, QImage>& sources,
                    const std::map<media::TrackID, media::YuvPicture>& yuvSources,
                    AVFrame& output) override;

    // Makes one compositor per player item or export.
    static media::VideoCompositorFactory factory();

private:
    // The instruction's background for an output of `size`.
    std::shared_ptr<const BackgroundFrame>
    backgroundFor(const std::shared_ptr<const OverlayInstruction>& instruction, QSize size);

    // The background in 4:2:0 for the export's frames at `size`, and the background whose
    // geometry lays the frame out; made on first use.
    struct YuvKept {
        std::shared_ptr<const OverlayInstruction> instruction;
        QSize size;
        std::shared_ptr<const BackgroundFrame> layout;
        std::shared_ptr<const YuvBackground> planes;
    };
    YuvKept yuvBackgroundFor(const std::shared_ptr<const OverlayInstruction>& instruction, QSize size);

    std::atomic<std::shared_ptr<media::RenderContext>> renderContext_;
    // A background made for one instruction and output size, kept for the following frames.
    struct Kept {
        std::shared_ptr<const OverlayInstruction> instruction;
        QSize size;
        std::shared_ptr<const BackgroundFrame> background;
    };
    std::mutex resizedMutex_;
    Kept resized_;
    std::mutex yuvMutex_;
    YuvKept yuv_;
};

} // namespace tarnix
