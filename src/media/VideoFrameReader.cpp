#include "media/VideoFrameReader.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

#include <cmath>
#include <utility>

namespace tarnix::media {

// Frames whose times differ by less than this are treated as starting at the same moment.
static constexpr double kTimeEpsilon = 1e-6;
// Shorter than any frame interval: the frame holding `until - kFillMargin` is the one that ends at
// `until`.
static constexpr double kFillMargin = 1e-3;

VideoFrameReader::VideoFrameReader(const AssetTrack& track, int decoderThreads)
    : track_(track)
    , format_(ff::openInput(track.url))
{
    if (track.streamIndex < 0 || unsigned(track.streamIndex) >= format_->nb_streams)
        throw MediaException(MediaError{"Tarnix.Media", 2, "The video track couldn't be found.",
                                        track.url.string(), nullptr});
    stream_ = format_->streams[track.streamIndex];
    for (unsigned i = 0; i < format_->nb_streams; ++i)
        if (int(i) != track.streamIndex)
            format_->streams[i]->discard = AVDISCARD_ALL;
    decoder_ = ff::openDecoder(*format_, track.streamIndex, decoderThreads);
    origin_ = ff::startTimeSeconds(*format_);
    current_.frame = ff::makeFrame();
    next_.frame = ff::makeFrame();
}

bool VideoFrameReader::readPacket()
{
    while (!inputEnded_) {
        int status = av_read_frame(format_.get(), packet_.get());
        if (status < 0) {
            // End of file or a truncated file: either way the decoder gets drained.
            inputEnded_ = true;
            avcodec_send_packet(decoder_.get(), nullptr);
            return true;
        }
        bool ours = packet_->stream_index == track_.streamIndex;
        if (ours)
            status = avcodec_send_packet(decoder_.get(), packet_.get());
        // Only frames that come out in the order they went in tell their successor's start.
        if (ours && status >= 0 && packet_->pts != AV_NOPTS_VALUE && decoder_->has_b_frames == 0)
            sentPts_.push_back(packet_->pts);
        av_packet_unref(packet_.get());
        // A damaged packet is skipped; the decoder recovers at the next key frame.
        if (ours && status != AVERROR(EAGAIN))
            return true;
    }
    return false;
}

bool VideoFrameReader::decodeNext(Decoded& into)
{
    while (!decoderDrained_) {
        int status = avcodec_receive_frame(decoder_.get(), into.frame.get());
        if (status == 0) {
            int64_t pts = into.frame->best_effort_timestamp;
            double time = pts == AV_NOPTS_VALUE
                              ? lastTime_ + av_q2d(av_inv_q(stream_->avg_frame_rate.num
                                                                ? stream_->avg_frame_rate
                                                                : AVRational{30, 1}))
                              : ff::toSeconds(pts, stream_->time_base) - origin_;
            into.time = time;
            lastTime_ = time;
            ++decodedFrames_;
            if (!sawFirstFrame_) {
                sawFirstFrame_ = true;
                firstFrameTime_ = time;
            }
            return true;
        }
        if (status == AVERROR_EOF) {
            decoderDrained_ = true;
            break;
        }
        if (status != AVERROR(EAGAIN)) {
            // A frame that failed to decode: keep going with the next packets.
            if (!readPacket() && inputEnded_)
                decoderDrained_ = true;
            continue;
        }
        if (!readPacket())
            decoderDrained_ = true;
    }
    return false;
}

std::optional<double> VideoFrameReader::keyFrameAtOrBefore(double t) const
{
    int64_t target = int64_t(std::floor((t + origin_) / av_q2d(stream_->time_base)));
    int index = av_index_search_timestamp(stream_, target, AVSEEK_FLAG_BACKWARD);
    const AVIndexEntry* entry = index < 0 ? nullptr : avformat_index_get_entry(stream_, index);
    if (!entry)
        return std::nullopt;
    return ff::toSeconds(entry->timestamp, stream_->time_base) - origin_;
}

bool VideoFrameReader::seekHelps(double t) const
{
    const std::optional<double> keyTime = keyFrameAtOrBefore(t);
    const std::optional<double> next = nextStart();
    return keyTime && next && *keyTime > *next + kTimeEpsilon;
}

bool VideoFrameReader::reachesWithoutSeek(double t)
{
    const std::optional<double> next = nextStart();
    return hasCurrent_ && t >= current_.time - kTimeEpsilon &&
           !(next && t > *next && seekHelps(t));
}

std::optional<double> VideoFrameReader::nextStart() const
{
    if (nextPending_)
        return pendingStart_;
    if (hasNext_)
        return next_.time;
    return std::nullopt;
}

// Where the current frame ends. When the decoder gives frames in the order their packets went in
// (no reordering), that is the time of the packet after the current frame's, which a decoder with
// frame threads has already been sent: the current frame is then known to be the one at t without
// waiting for the next to be decoded. Else the next frame is decoded.
void VideoFrameReader::findNext()
{
    hasNext_ = false;
    nextPending_ = false;
    if (!hasCurrent_)
        return;
    const int64_t currentPts = current_.frame->best_effort_timestamp;
    if (decoder_->has_b_frames == 0 && currentPts != AV_NOPTS_VALUE) {
        while (!sentPts_.empty() && sentPts_.front() <= currentPts)
            sentPts_.pop_front();
        if (!sentPts_.empty()) {
            nextPending_ = true;
            pendingStart_ = ff::toSeconds(sentPts_.front(), stream_->time_base) - origin_;
            return;
        }
    }
    hasNext_ = decodeNext(next_);
}

void VideoFrameReader::decodePendingNext()
{
    if (!std::exchange(nextPending_, false))
        return;
    // A packet that fails to decode gives no frame: the next one then starts later.
    hasNext_ = decodeNext(next_);
}

bool VideoFrameReader::stepForward()
{
    decodePendingNext();
    if (!hasNext_)
        return false;
    retainCurrent();
    std::swap(current_, next_);
    currentImage_ = QImage();
    findNext();
    return true;
}

bool VideoFrameReader::fillStep(double from, double until)
{
    if (retained_->byteBudget() == 0 || retained_->holds(until - kFillMargin))
        return false;
    // On its way when the last fill seek was for this interval and nothing read elsewhere since:
    // the key frame a seek lands on may lie before `from` (a segment that starts between key
    // frames), so times alone can't tell.
    const std::optional<double> next = nextStart();
    if (fillingUntil_ == until && hasCurrent_ && next && *next < until - kTimeEpsilon) {
        stepForward();
    } else {
        seekTo(from);
        fillingUntil_ = until;
    }
    retainCurrent();
    const std::optional<double> after = nextStart();
    return hasCurrent_ && after && *after < until - kTimeEpsilon;
}

void VideoFrameReader::seekTo(double t)
{
    ++seeks_;
    int64_t target = int64_t(std::floor((t + origin_) / av_q2d(stream_->time_base)));
    if (avformat_seek_file(format_.get(), track_.streamIndex, INT64_MIN, target, target, 0) < 0)
        av_seek_frame(format_.get(), track_.streamIndex, INT64_MIN, AVSEEK_FLAG_BACKWARD);
    avcodec_flush_buffers(decoder_.get());
    sentPts_.clear();
    inputEnded_ = false;
    decoderDrained_ = false;
    currentImage_ = QImage();
    hasCurrent_ = decodeNext(current_);
    if (hasCurrent_ && current_.time > t + kTimeEpsilon && current_.time > firstFrameTime_ + kTimeEpsilon) {
        // The container's index put us after t: start over from the beginning.
        av_seek_frame(format_.get(), track_.streamIndex, INT64_MIN, AVSEEK_FLAG_BACKWARD);
        avcodec_flush_buffers(decoder_.get());
    sentPts_.clear();
        inputEnded_ = false;
        decoderDrained_ = false;
        hasCurrent_ = decodeNext(current_);
    }
    findNext();
}

void VideoFrameReader::retainCurrent()
{
    if (!hasCurrent_ || retained_->byteBudget() == 0)
        return;
    if (const std::optional<double> end = nextStart())
        retained_->insert(*current_.frame, current_.time, *end);
}

QImage VideoFrameReader::retainedFrameAt(double t)
{
    const AVFrame* frame = retained_->find(t);
    if (!frame)
        return QImage();
    if (retainedImage_.isNull() || retainedImagePts_ != frame->best_effort_timestamp) {
        retainedImage_ = convert(*frame);
        retainedImagePts_ = frame->best_effort_timestamp;
    }
    return retainedImage_;
}

void VideoFrameReader::advanceTo(double t)
{
    for (std::optional<double> next = nextStart(); next && t >= *next - kTimeEpsilon;
         next = nextStart()) {
        decodePendingNext();
        if (!hasNext_ || t < next_.time - kTimeEpsilon)
            break;
        stepForward();
    }
}

bool VideoFrameReader::onCurrent(double t) const
{
    const std::optional<double> next = nextStart();
    return hasCurrent_ && t >= current_.time - kTimeEpsilon && (!next || t < *next - kTimeEpsilon);
}

bool VideoFrameReader::hasFrameAt(double t)
{
    return onCurrent(t) || retained_->find(t) != nullptr;
}

double VideoFrameReader::decodingBefore(double t)
{
    if (hasFrameAt(t))
        return 0;
    if (reachesWithoutSeek(t))
        return t - current_.time;
    return std::max(t - keyFrameAtOrBefore(t).value_or(0.0), 0.0);
}

QImage VideoFrameReader::frameAt(double t)
{
    const AVFrame* frame = decodedAt(t);
    if (!frame)
        return QImage();
    if (frame != current_.frame.get())
        return retainedFrameAt(t);
    if (currentImage_.isNull())
        currentImage_ = convert(*current_.frame);
    return currentImage_;
}

YuvPicture VideoFrameReader::yuvFrameAt(double t)
{
    const AVFrame* frame = decodedAt(t);
    if (!frame || frame->format != AV_PIX_FMT_YUV420P || frame->colorspace != AVCOL_SPC_BT709 ||
        frame->color_range == AVCOL_RANGE_JPEG)
        return nullptr;
    return YuvPicture(av_frame_clone(frame), [](const AVFrame* f) {
        AVFrame* owned = const_cast<AVFrame*>(f);
        av_frame_free(&owned);
    });
}

// The decoded frame on screen at t: the current one, or a kept one.
const AVFrame* VideoFrameReader::decodedAt(double t)
{
    retained_->keepAround(t);
    fillingUntil_.reset();
    if (!hasCurrent_ && !sawFirstFrame_) {
        hasCurrent_ = decodeNext(current_);
        findNext();
    }
    if (!onCurrent(t)) {
        // A frame kept from earlier decoding: no seek, and the decoder stays where it is.
        if (const AVFrame* kept = retained_->find(t))
            return kept;
    }
    if (!hasCurrent_)
        seekTo(t);
    else if (t < current_.time - kTimeEpsilon && current_.time > firstFrameTime_ + kTimeEpsilon)
        seekTo(t);
    else if (const std::optional<double> next = nextStart(); next && t > *next && seekHelps(t))
        seekTo(t);
    if (!hasCurrent_)
        return nullptr;
    advanceTo(t);
    retainCurrent();
    return current_.frame.get();
}

QImage VideoFrameReader::convert(const AVFrame& frame)
{
    return toPicture(frame, scaler_, *pictures_);
}

QImage toPicture(const AVFrame& frame, ff::SwsPtr& scaler, ImageBufferPool& pool)
{
    auto format = AVPixelFormat(frame.format);
    const AVPixFmtDescriptor* descriptor = av_pix_fmt_desc_get(format);
    bool hasAlpha = descriptor && (descriptor->flags & AV_PIX_FMT_FLAG_ALPHA);
    scaler.reset(sws_getCachedContext(scaler.release(), frame.width, frame.height, format,
                                      frame.width, frame.height, AV_PIX_FMT_BGRA, SWS_BILINEAR,
                                      nullptr, nullptr, nullptr));
    if (!scaler)
        return QImage();
    int space = frame.colorspace == AVCOL_SPC_BT709 ? SWS_CS_ITU709 : SWS_CS_DEFAULT;
    const int* table = sws_getCoefficients(space);
    sws_setColorspaceDetails(scaler.get(), table, frame.color_range == AVCOL_RANGE_JPEG, table,
                             1, 0, 1 << 16, 1 << 16);
    QImage image = pool.image(frame.width, frame.height,
                              hasAlpha ? QImage::Format_ARGB32 : QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return image;
    uint8_t* planes[4] = {image.bits(), nullptr, nullptr, nullptr};
    int strides[4] = {int(image.bytesPerLine()), 0, 0, 0};
    sws_scale(scaler.get(), frame.data, frame.linesize, 0, frame.height, planes, strides);
    if (hasAlpha)
        image.convertTo(QImage::Format_ARGB32_Premultiplied);
    return image;
}

QImage toPicture(const AVFrame& frame)
{
    thread_local ff::SwsPtr scaler;
    thread_local std::shared_ptr<ImageBufferPool> pool = ImageBufferPool::create();
    return toPicture(frame, scaler, *pool);
}

} // namespace tarnix::media
