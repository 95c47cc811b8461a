#pragma once

#include <QImage>

#include <memory>

#include "media/Composition.h"
#include "media/CompositionVideoReader.h"
#include "media/VideoComposition.h"

// Composed frames of a composition one at a time, at any times (a still for looking at, a
// contact sheet): decodes the sources and runs the video composition's compositor at its render
// size. Owns its compositor and decoders; used by one thread at a time.

namespace tarnix::media {

class CompositionFrameRenderer {
public:
    // Throws MediaException when the video composition has no compositor or render size.
    CompositionFrameRenderer(std::shared_ptr<const Composition> composition,
                             VideoComposition videoComposition);
    ~CompositionFrameRenderer();

    // The composed frame at composition time t (seconds), render size, premultiplied BGRA.
    // Throws MediaException when a source cannot be decoded or the compositor fails.
    QImage frameAt(double t);

private:
    VideoComposition videoComposition_;
    std::unique_ptr<VideoCompositing> compositor_;
    CompositionVideoReader reader_;
};

} // namespace tarnix::media
