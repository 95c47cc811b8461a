#pragma once

#include <QImage>

#include <deque>
#include <memory>
#include <optional>

#include "media/DecodedFrameCache.h"
#include "media/FFmpegSupport.h"
#include "media/ImageBufferPool.h"
#include "media/MediaAsset.h"
#include "media/VideoCompositing.h"

// Decodes one video track of a file and answers "which frame is on screen at time t".
// Owned and used by one thread at a time; frames it returns are implicitly shared QImages in
// Format_ARGB32_Premultiplied that stay valid after the reader moves on.
//
// Reading forward in small steps is the fast path (each packet is decoded once and a frame is
// converted to BGRA only when asked for). A backwards jump, or a forward jump past a key frame,
// seeks to the key frame at or before t and decodes forward. Timestamps come from the frames
// themselves, so variable frame rate files map correctly. With a retained-frame budget, decoded
// frames around the position are kept, and a jump back among them is served without a seek.

namespace tarnix::media {

class VideoFrameReader {
public:
    // Opens the file and the track's decoder, with `decoderThreads` frame threads (0: FFmpeg's
    // choice). Throws MediaException when it cannot.
    explicit VideoFrameReader(const AssetTrack& track, int decoderThreads = 0);

    // The frame whose presentation interval covers t (seconds on the file's time line): the last
    // frame that starts at or before t, or the first frame when t lies before it. A null image
    // when the track yields no frame at all.
    QImage frameAt(double t);

    // The same frame left in the decoder's planes (a new reference to them) when it is 8-bit
    // 4:2:0 of BT.709 limited range, as the encoder takes it; else null (frameAt converts it).
    YuvPicture yuvFrameAt(double t);

    // Whether frameAt(t) can answer without decoding (its current frame, or a kept one).
    bool hasFrameAt(double t);
    // About how much of the movie (seconds) frameAt(t) decodes before its frame: 0 when it
    // answers at once, from the position or the key frame before t.
    double decodingBefore(double t);

    // Decoded frames kept around the position for jumps back (0, the default, keeps none: an
    // export reads straight through).
    void setRetainedFrameBytes(std::size_t bytes) { retained_->setByteBudget(bytes); }
    const DecodedFrameCache& retainedFrames() const { return *retained_; }
    // Keeps its decoded frames with `other`'s, which both then find (one thread at a time).
    void shareRetainedFrames(const VideoFrameReader& other) { retained_ = other.retained_; }

    // Whether frameAt(t) gets there by decoding on, without a seek.
    bool reachesWithoutSeek(double t);
    // The time of the key frame at or before t in the container's index, if it lists one.
    std::optional<double> keyFrameAtOrBefore(double t) const;
    // Decodes the next frame of [from, until) into the kept frames (from the key frame at or
    // before `from` when the reader is elsewhere), one per call, so that the caller can stop
    // between frames. False once the frame that ends at `until` is kept, or there is none.
    bool fillStep(double from, double until);

    // Decoded frames so far, seeks so far: for tests and diagnostics.
    int decodedFrameCount() const { return decodedFrames_; }
    int seekCount() const { return seeks_; }

private:
    struct Decoded {
        ff::FramePtr frame;
        double time = 0; // seconds on the file's time line
    };

    bool decodeNext(Decoded& into);
    std::optional<double> nextStart() const;
    void findNext();
    void decodePendingNext();
    bool stepForward();
    bool onCurrent(double t) const;
    bool readPacket();
    void seekTo(double t);
    bool seekHelps(double t) const;
    void advanceTo(double t);
    const AVFrame* decodedAt(double t);
    QImage convert(const AVFrame& frame);
    void retainCurrent();
    QImage retainedFrameAt(double t);

    AssetTrack track_;
    ff::FormatContextPtr format_;
    ff::CodecContextPtr decoder_;
    ff::PacketPtr packet_ = ff::makePacket();
    ff::SwsPtr scaler_;
    std::shared_ptr<ImageBufferPool> pictures_ = ImageBufferPool::create();
    AVStream* stream_ = nullptr;
    double origin_ = 0;
    double firstFrameTime_ = 0;
    bool sawFirstFrame_ = false;
    bool inputEnded_ = false;
    bool decoderDrained_ = false;
    double lastTime_ = 0;

    Decoded current_;
    Decoded next_;
    bool hasCurrent_ = false;
    bool hasNext_ = false;     // next_ is decoded
    bool nextPending_ = false; // the next frame is not decoded yet, but starts at pendingStart_
    double pendingStart_ = 0;
    std::deque<int64_t> sentPts_; // of the packets sent to the decoder whose frames are not out
    std::optional<double> fillingUntil_; // the end of the interval fillStep is decoding
    QImage currentImage_;
    std::shared_ptr<DecodedFrameCache> retained_ = std::make_shared<DecodedFrameCache>();
    QImage retainedImage_; // the retained frame converted last, and its timestamp
    int64_t retainedImagePts_ = AV_NOPTS_VALUE;

    int decodedFrames_ = 0;
    int seeks_ = 0;
};

// A decoded frame as BGRA (Format_ARGB32_Premultiplied) through `scaler`, in a buffer of `pool`.
QImage toPicture(const AVFrame& frame, ff::SwsPtr& scaler, ImageBufferPool& pool);
// The same on a scaler and pool kept by the calling thread.
QImage toPicture(const AVFrame& frame);

} // namespace tarnix::media
