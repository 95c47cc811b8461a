#include "media/AudioSampleReader.h"

#include <algorithm>
#include <cmath>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

namespace tarnix::media {

static AVSampleFormat avFormat(SampleFormat format)
{
    return format == SampleFormat::s16 ? AV_SAMPLE_FMT_S16 : AV_SAMPLE_FMT_FLT;
}

AudioSampleReader::AudioSampleReader(const AssetTrack& track, AudioFormat format)
    : track_(track)
    , format_(format)
    , input_(ff::openInput(track.url))
{
    if (track.streamIndex < 0 || unsigned(track.streamIndex) >= input_->nb_streams ||
        input_->streams[track.streamIndex]->codecpar->codec_type != AVMEDIA_TYPE_AUDIO)
        throw MediaException(MediaError{"Tarnix.Media", 3, "The audio track couldn't be found.",
                                        track.url.string(), nullptr});
    for (unsigned i = 0; i < input_->nb_streams; ++i)
        if (int(i) != track.streamIndex)
            input_->streams[i]->discard = AVDISCARD_ALL;
    decoder_ = ff::openDecoder(*input_, track.streamIndex, 1);
    origin_ = ff::startTimeSeconds(*input_);
    if (decoder_->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
        av_channel_layout_default(&decoder_->ch_layout, decoder_->ch_layout.nb_channels);
    rate_ = format.sampleRate > 0 ? format.sampleRate : decoder_->sample_rate;
    channels_ = format.channels > 0 ? format.channels : decoder_->ch_layout.nb_channels;
    if (rate_ <= 0 || channels_ <= 0)
        throw MediaException(MediaError{"Tarnix.Media", 4,
                                        "The audio track has no usable sample rate or channels.",
                                        track.url.string(), nullptr});

    AVChannelLayout outLayout;
    av_channel_layout_default(&outLayout, channels_);
    SwrContext* raw = nullptr;
    int status = swr_alloc_set_opts2(&raw, &outLayout, avFormat(format.sampleFormat), rate_,
                                     &decoder_->ch_layout, decoder_->sample_fmt,
                                     decoder_->sample_rate, 0, nullptr);
    av_channel_layout_uninit(&outLayout);
    resampler_.reset(raw);
    if (status >= 0)
        status = swr_init(resampler_.get());
    if (status < 0)
        throw MediaException(ff::makeError("The audio couldn't be converted.", status));
}

AudioSampleReader::~AudioSampleReader() = default;

bool AudioSampleReader::decodeFrame()
{
    while (!decoderDrained_) {
        int status = avcodec_receive_frame(decoder_.get(), frame_.get());
        if (status == 0)
            return true;
        if (status == AVERROR_EOF) {
            decoderDrained_ = true;
            break;
        }
        // EAGAIN (or a frame that failed to decode): feed the next packet of this track.
        bool fed = false;
        while (!fed && !inputEnded_) {
            if (av_read_frame(input_.get(), packet_.get()) < 0) {
                inputEnded_ = true;
                avcodec_send_packet(decoder_.get(), nullptr);
                fed = true;
                break;
            }
            if (packet_->stream_index == track_.streamIndex) {
                avcodec_send_packet(decoder_.get(), packet_.get()); // damaged packets are skipped
                fed = true;
            }
            av_packet_unref(packet_.get());
        }
        if (!fed)
            decoderDrained_ = true;
    }
    return false;
}

template <typename T> bool AudioSampleReader::readInto(std::vector<T>& out, SampleFormat expected)
{
    if (format_.sampleFormat != expected)
        return false;
    while (true) {
        const uint8_t** input = nullptr;
        int inputFrames = 0;
        if (decodeFrame()) {
            input = const_cast<const uint8_t**>(frame_->extended_data);
            inputFrames = frame_->nb_samples;
            if (seekTarget_) {
                std::int64_t trim = trimAfterSeek(*frame_);
                if (trim < 0) // the track starts after the target: silence up to its start
                    out.resize(out.size() + std::size_t(-trim) * channels_, T(0));
                dropFrames_ = std::max<std::int64_t>(trim, 0);
                seekTarget_.reset();
            }
        } else if (resamplerFlushed_) {
            return false;
        } else {
            resamplerFlushed_ = true;
        }
        int capacity = swr_get_out_samples(resampler_.get(), inputFrames);
        if (capacity <= 0) {
            av_frame_unref(frame_.get());
            if (resamplerFlushed_)
                return false;
            continue;
        }
        std::size_t before = out.size();
        out.resize(before + std::size_t(capacity) * channels_);
        uint8_t* target = reinterpret_cast<uint8_t*>(out.data() + before);
        int made = swr_convert(resampler_.get(), &target, capacity, input, inputFrames);
        av_frame_unref(frame_.get());
        out.resize(before + std::size_t(std::max(made, 0)) * channels_);
        if (dropFrames_ > 0 && made > 0) {
            std::int64_t dropped = std::min<std::int64_t>(dropFrames_, made);
            auto first = out.begin() + std::ptrdiff_t(before);
            out.erase(first, first + std::ptrdiff_t(dropped * channels_));
            dropFrames_ -= dropped;
            made -= int(dropped);
        }
        if (made > 0)
            return true;
        if (resamplerFlushed_)
            return false;
    }
}

std::int64_t AudioSampleReader::trimAfterSeek(const AVFrame& frame)
{
    std::int64_t pts = frame.best_effort_timestamp != AV_NOPTS_VALUE ? frame.best_effort_timestamp
                                                                      : frame.pts;
    if (pts == AV_NOPTS_VALUE)
        return 0;
    double frameTime = ff::toSeconds(pts, input_->streams[track_.streamIndex]->time_base) - origin_;
    return std::llround((*seekTarget_ - frameTime) * rate_);
}

void AudioSampleReader::seek(double seconds)
{
    const AVStream& stream = *input_->streams[track_.streamIndex];
    // Start a little early: an AAC frame decodes fully only after its predecessor.
    double from = std::max(0.0, seconds - 0.05);
    std::int64_t ts = av_rescale_q(std::llround((from + origin_) * AV_TIME_BASE), AV_TIME_BASE_Q,
                                   stream.time_base);
    if (avformat_seek_file(input_.get(), track_.streamIndex, INT64_MIN, ts, ts, 0) < 0)
        av_seek_frame(input_.get(), track_.streamIndex, ts, AVSEEK_FLAG_BACKWARD);
    avcodec_flush_buffers(decoder_.get());
    swr_close(resampler_.get());
    swr_init(resampler_.get());
    av_packet_unref(packet_.get());
    inputEnded_ = false;
    decoderDrained_ = false;
    resamplerFlushed_ = false;
    seekTarget_ = std::max(seconds, 0.0);
    dropFrames_ = 0;
}

bool AudioSampleReader::readBlock(std::vector<std::int16_t>& out)
{
    return readInto(out, SampleFormat::s16);
}

bool AudioSampleReader::readBlock(std::vector<float>& out)
{
    return readInto(out, SampleFormat::f32);
}

} // namespace tarnix::media
