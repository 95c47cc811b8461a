#include "support/MediaProbe.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <cmath>
#include <vector>

#include "media/FFmpegSupport.h"

namespace tarnix::test {

namespace {

struct Input {
    AVFormatContext* format = nullptr;
    ~Input() { avformat_close_input(&format); }
    bool open(const std::filesystem::path& path)
    {
        return avformat_open_input(&format, path.c_str(), nullptr, nullptr) == 0 &&
               avformat_find_stream_info(format, nullptr) >= 0;
    }
};

struct Decoder {
    AVCodecContext* context = nullptr;
    ~Decoder() { avcodec_free_context(&context); }
    bool open(AVStream* stream)
    {
        const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
        if (!codec)
            return false;
        context = avcodec_alloc_context3(codec);
        avcodec_parameters_to_context(context, stream->codecpar);
        return avcodec_open2(context, codec, nullptr) == 0;
    }
};

// Feeds every packet of one stream through its decoder; calls handler per decoded frame.
bool decodeStream(Input& input, int index, Decoder& decoder, const std::function<void(AVFrame*)>& handler)
{
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    auto drain = [&] {
        while (avcodec_receive_frame(decoder.context, frame) == 0)
            handler(frame);
    };
    while (av_read_frame(input.format, packet) >= 0) {
        if (packet->stream_index == index && avcodec_send_packet(decoder.context, packet) >= 0)
            drain();
        av_packet_unref(packet);
    }
    avcodec_send_packet(decoder.context, nullptr);
    drain();
    av_frame_free(&frame);
    av_packet_free(&packet);
    return true;
}

} // namespace

ProbeResult probe(const std::filesystem::path& path)
{
    ProbeResult result;
    Input input;
    if (!input.open(path))
        return result;
    result.opened = true;
    const double containerDuration = input.format->duration > 0 ? input.format->duration / double(AV_TIME_BASE) : 0;
    for (unsigned i = 0; i < input.format->nb_streams; ++i) {
        AVStream* stream = input.format->streams[i];
        StreamInfo info;
        info.codec = avcodec_get_name(stream->codecpar->codec_id);
        info.width = stream->codecpar->width;
        info.height = stream->codecpar->height;
        info.sampleRate = stream->codecpar->sample_rate;
        info.channels = stream->codecpar->ch_layout.nb_channels;
        info.duration = stream->duration > 0 ? stream->duration * av_q2d(stream->time_base) : containerDuration;
        if (stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO && !result.video)
            result.video = info;
        else if (stream->codecpar->codec_type == AVMEDIA_TYPE_AUDIO && !result.audio)
            result.audio = info;
    }
    return result;
}

int forEachVideoFrame(const std::filesystem::path& path,
                      const std::function<void(const QImage&, double)>& handler)
{
    Input input;
    if (!input.open(path))
        return -1;
    const int index = av_find_best_stream(input.format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (index < 0)
        return -1;
    Decoder decoder;
    if (!decoder.open(input.format->streams[index]))
        return -1;
    const AVRational timeBase = input.format->streams[index]->time_base;
    SwsContext* scaler = nullptr;
    int count = 0;
    decodeStream(input, index, decoder, [&](AVFrame* frame) {
        QImage image = media::ff::imageForScaler(frame->width, frame->height, QImage::Format_RGB32);
        scaler = sws_getCachedContext(scaler, frame->width, frame->height, AVPixelFormat(frame->format),
                                      frame->width, frame->height, AV_PIX_FMT_BGRA, SWS_POINT,
                                      nullptr, nullptr, nullptr);
        const int matrix = frame->colorspace == AVCOL_SPC_BT709 ? SWS_CS_ITU709 : SWS_CS_DEFAULT;
        sws_setColorspaceDetails(scaler, sws_getCoefficients(matrix), frame->color_range == AVCOL_RANGE_JPEG,
                                 sws_getCoefficients(matrix), 1, 0, 1 << 16, 1 << 16);
        std::uint8_t* planes[1] = {image.bits()};
        const int strides[1] = {int(image.bytesPerLine())};
        sws_scale(scaler, frame->data, frame->linesize, 0, frame->height, planes, strides);
        const double time = frame->best_effort_timestamp == AV_NOPTS_VALUE
                                ? 0 : frame->best_effort_timestamp * av_q2d(timeBase);
        ++count;
        handler(image, time);
    });
    sws_freeContext(scaler);
    return count;
}

std::optional<AudioStats> audioStats(const std::filesystem::path& path)
{
    Input input;
    if (!input.open(path))
        return std::nullopt;
    const int index = av_find_best_stream(input.format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (index < 0)
        return std::nullopt;
    Decoder decoder;
    if (!decoder.open(input.format->streams[index]))
        return std::nullopt;
    std::vector<float> samples; // first channel
    decodeStream(input, index, decoder, [&](AVFrame* frame) {
        if (frame->format != AV_SAMPLE_FMT_FLTP)
            return;
        const auto* plane = reinterpret_cast<const float*>(frame->data[0]);
        samples.insert(samples.end(), plane, plane + frame->nb_samples);
    });
    AudioStats stats;
    stats.sampleRate = decoder.context->sample_rate;
    stats.channels = decoder.context->ch_layout.nb_channels;
    if (stats.sampleRate <= 0)
        return stats;
    stats.seconds = double(samples.size()) / stats.sampleRate;
    double sum = 0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        sum += double(samples[i]) * samples[i];
        if (stats.firstLoudTime < 0 && std::abs(samples[i]) > 0.1f)
            stats.firstLoudTime = double(i) / stats.sampleRate;
    }
    if (samples.empty())
        return stats;
    stats.rms = std::sqrt(sum / samples.size());
    constexpr std::size_t kBlock = 1024;
    int blocks = 0, silent = 0;
    double cycles = 0, loudSamples = 0;
    for (std::size_t start = 0; start + kBlock <= samples.size(); start += kBlock) {
        ++blocks;
        double blockSum = 0;
        for (std::size_t i = start; i < start + kBlock; ++i)
            blockSum += double(samples[i]) * samples[i];
        if (std::sqrt(blockSum / kBlock) < 0.01) {
            ++silent;
            continue;
        }
        bool high = samples[start] > 0;
        for (std::size_t i = start; i < start + kBlock; ++i) {
            if (!high && samples[i] > 0.02f) {
                high = true;
                ++cycles;
            } else if (high && samples[i] < -0.02f) {
                high = false;
            }
        }
        loudSamples += kBlock;
    }
    stats.silentFraction = blocks ? double(silent) / blocks : 0;
    if (loudSamples > 0)
        stats.dominantFrequency = cycles / (loudSamples / stats.sampleRate);
    return stats;
}

} // namespace tarnix::test
