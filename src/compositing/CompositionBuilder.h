#pragma once

#include <QFuture>

#include <functional>
#include <memory>
#include <vector>

#include "compositing/OverlayInstruction.h"
#include "document/RecordingTimeline.h"
#include "media/Composition.h"
#include "media/FrameRate.h"
#include "media/MediaError.h"
#include "media/VideoComposition.h"

// Turns a recording with its edits applied (its zoom, blur and cut regions and its look: an
// editor passes its edited document, the command line the decoded one) into a playable,
// exportable composition: the screen video (track 1), the camera video (track 2), the system
// audio (track 3) and the microphone (track 4, or 3 without system audio), all starting at time 0,
// and a video composition that draws every frame with OverlayVideoCompositor from one
// OverlayInstruction. Stateless; every build makes everything afresh.
//
// Cuts: each track is made of the kept spans of its source, one after another, so a player or an
// exporter plays the cut result as it is; audio segments fade over a few milliseconds at each
// join. The instruction maps composition time back to source time, on which every sample and
// region stays. Canvas aspect: with an aspect other than the recording's, the render size takes
// that aspect (short side = the recording's short side) and the recording is fitted inside it.
//
// Threads: build() may run on any thread; buildAsync() runs it on Qt's global thread pool. The
// result is complete and immutable when handed over.

namespace tarnix::CompositionBuilder {

// The only failure of the builder's own: the recording has no usable screen video.
class BuildError : public media::MediaException {
public:
    // noVideoTrack: "No video track found in the recording."; everythingCut: the cuts leave
    // nothing (kEverythingCutMessage).
    enum class Kind { noVideoTrack, everythingCut };
    explicit BuildError(Kind kind);
    Kind kind() const { return kind_; }

private:
    Kind kind_;
};

// A build stopped because it was cancelled.
class BuildCancelled : public std::runtime_error {
public:
    BuildCancelled()
        : std::runtime_error("The composition build was cancelled.")
    {
    }
};

struct Result {
    std::shared_ptr<const media::Composition> composition;
    media::VideoComposition videoComposition;
    std::shared_ptr<const OverlayInstruction> instruction; // also videoComposition.instructions[0]
    // Inputs that were damaged but not fatal, one sentence each: a camera or microphone file that
    // could not be read (left out), a screen movie whose data ends before its index says (the
    // composition then ends where its pictures end).
    std::vector<std::string> warnings;
    // The screen movie's own frames a second (0 when the file doesn't say): whether 60 is worth
    // offering (media::offersSmoothFrameRate).
    double recordedFrameRate = 0;
};

// Builds on the calling thread. Throws BuildError (no screen video), media::MediaException (the
// screen file cannot be read: missing, corrupt, truncated) or BuildCancelled when isCancelled
// returns true between steps. Camera and audio files that cannot be read are left out.
// frameRate: output frames a second, 30, or 60 for a recording made at more than 30 (else 30 all
// the same; media/FrameRate.h).
Result build(const RecordingTimeline& recording, const std::function<bool()>& isCancelled = {},
             int frameRate = media::kStandardFrameRate);

// The same on a worker thread. Cancel with future.cancel(): a cancelled future holds no result.
// Failures are rethrown by future.result() with their own types.
QFuture<Result> buildAsync(RecordingTimeline recording, int frameRate = media::kStandardFrameRate);

// Cursor samples as the compositor reads them: normalised to the capture frame, sorted by time
// (stable). Click samples: button presses only, likewise.
std::vector<NormalizedCursorSample> normalizedCursorSamples(const RecordingTimeline& timeline);
std::vector<NormalizedClickSample> normalizedClickSamples(const RecordingTimeline& timeline);

// The render size of a canvas: the recording's own size for CanvasAspect::source, else the
// aspect's shape whose short side is the recording's short side (even numbers of pixels).
QSize canvasSize(QSize recordingSize, CanvasAspect aspect);

// Seconds of fade at each join of a cut recording's audio.
inline constexpr double kCutFadeSeconds = 0.006;
// The largest padding a canvas of another aspect than the recording's is drawn with.
inline constexpr double kMaxAspectPadding = 0.45;

} // namespace tarnix::CompositionBuilder
