#pragma once

#include <QImage>
#include <QThreadPool>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "media/Composition.h"
#include "media/MediaError.h"
#include "media/ScrubProxyMaker.h"
#include "media/VideoComposition.h"

// Composed frames of a composition ahead of a consumer (the preview player): one decoding thread
// reads the source frames of output frame i, i+1, ... in order (CompositionVideoReader), and a
// small pool of compositing threads draws them with the video composition's compositor, several
// at once. At most `ahead` frames past the consumer's position are decoded, composed or waiting.
//
// Frames are addressed by index: frame i is the output frame at composition time
// i × frameDuration. A request names the first frame wanted; a newer request supersedes the
// older one at once: its waiting frames are dropped, frames still being composed for it are
// dropped when they finish, and the decoder drops what it was decoding for it and moves on.
//
// A seek to a frame whose pictures are not decoded yet first gets a stand-in from the scrub
// proxies (ScrubProxy.h), made in the background after a recording or, when missing, for each
// large source the first time it is played: a provisional frame, handed over only until the real one is ready and never after it.
//
// Threads: every method is called from one consumer thread (the GUI thread). `onReady` is called
// on a worker thread, without locks held, each time a frame of the current request is ready (or
// failed); the consumer then takes it with take(). Destruction stops and joins every worker.

namespace tarnix::media {

class CompositionVideoReader;

class PreviewFrameSource {
public:
    struct Frame {
        int index = 0;
        QImage image;                    // Format_ARGB32_Premultiplied
        std::optional<MediaError> error; // decoding or compositing failed at this frame
        bool provisional = false;        // composed from the scrub proxy, not the movie
    };

    PreviewFrameSource(int compositingThreads, std::function<void()> onReady);
    ~PreviewFrameSource();
    PreviewFrameSource(const PreviewFrameSource&) = delete;
    PreviewFrameSource& operator=(const PreviewFrameSource&) = delete;

    // Makes the composition current; nothing is produced until the next request(). Throws
    // MediaException when the video composition has no compositor or render size.
    void setComposition(std::shared_ptr<const Composition> composition,
                        VideoComposition videoComposition);
    void clear();

    // Frames fit `size` (aspect ratio kept) when it is not empty and smaller than the render
    // size: composed straight at that size, or, below half the render size, at half size and
    // then averaged down. A new size makes the frames from the consumer's position on again.
    void setOutputSize(QSize size);

    // Frames from `first` on, at most `ahead` (≥ 1) past the consumer's position.
    void request(int first, int ahead);
    // Changes how far ahead the current request runs, keeping what it has.
    void setAhead(int ahead);
    // The consumer has reached frame `index`: earlier frames are dropped, and decoding may run
    // up to index + ahead.
    void advanceTo(int index);
    // While on (the consumer is paused), a decoder with no frame to make fills in the key frame
    // interval before the consumer's frame, one frame at a time, so that steps back across that
    // key frame are served without decoding: once the consumer's frame has been taken and a
    // moment has passed without a new request, or at once after a step back. Off by default.
    void setFillsBehind(bool fills);

    // Takes frame `index` of the current request when it is ready.
    std::optional<Frame> take(int index);
    // Takes the provisional frame `index` while the real one has not been made.
    std::optional<Frame> takeProvisional(int index);

    // Where scrub proxies are looked for and made (empty: none are used). Set before the first
    // composition; by default the user's cache folder.
    void setScrubProxyFolder(std::filesystem::path folder);
    // Whether frame `index` is ready (or failed) without taking it.
    bool isReady(int index) const;

    // Output frames of the current composition (0 without one).
    int frameCount() const;
    double frameDuration() const;
    int compositingThreads() const { return pool_.maxThreadCount(); }

private:
    struct Item; // a composition with its compositor, shared with the workers
    void decodeLoop();
    void readCompositionOf(const Item& item, std::unique_ptr<CompositionVideoReader>& reader);
    void makeFrame(CompositionVideoReader& reader, const std::shared_ptr<const Item>& item,
                   std::uint64_t generation, int index, const std::filesystem::path& proxyFolder);
    void compose(std::shared_ptr<const Item> item, std::uint64_t generation, int index,
                 std::map<TrackID, QImage> sources, bool provisional);
    void composeProvisional(CompositionVideoReader& reader, const std::shared_ptr<const Item>& item,
                            std::uint64_t generation, int index,
                            const std::filesystem::path& proxyFolder);
    void makeProxiesFor(const Composition& composition);
    void resetRequestState();
    void finish(std::uint64_t generation, Frame frame);

    std::function<void()> onReady_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::shared_ptr<const Item> item_;
    std::uint64_t generation_ = 0;
    int nextDecode_ = 0; // the next frame to decode
    int position_ = 0;   // the consumer's frame
    int ahead_ = 1;
    bool requested_ = false;
    bool decodeFailed_ = false; // the current request's decoding stopped at a failed frame
    bool fillsBehind_ = false;
    int takenUpTo_ = -1; // the consumer's latest frame: filling waits until it is on screen
    bool steppingBack_ = false; // the current request is one frame before the one before it
    std::chrono::steady_clock::time_point fillFrom_;
    std::map<int, Frame> ready_;
    std::optional<Frame> provisional_;
    std::uint64_t provisionalGeneration_ = 0; // the seek that may get a provisional frame
    int realFinishedUpTo_ = -1;               // of the current generation
    std::filesystem::path proxyFolder_;
    ScrubProxyMaker proxyMaker_;
    QSize outputSize_;
    bool stopping_ = false;
    QThreadPool pool_;
    std::thread decoder_;
};

} // namespace tarnix::media
