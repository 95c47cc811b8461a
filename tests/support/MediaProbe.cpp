#include "support/MediaProbe.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "media/FFmpegSupport.h"
#include "media/MediaError.h"

namespace tarnix::test {

namespace {

// The file opened for reading, or null when it can't be read.
media::ff::FormatContextPtr openInput(const std::filesystem::path& path)
{
    try {
        return media::ff::openInput(path);
    } catch (const media::MediaException&) {
        return nullptr;
    }
}

// The best stream of `type` with its decoder opened, or {-1, null}.
std::pair<int, media::ff::CodecContextPtr> openBestStream(AVFormatContext& format, AVMediaType type)
{
    const int index = av_find_best_stream(&format, type, -1, -1, nullptr, 0);
    if (index < 0)
        return {-1, nullptr};
    try {
        return {index, media::ff::openDecoder(format, index, 1)};
    } catch (const media::MediaException&) {
        return {-1, nullptr};
    }
}

// Feeds every packet of one stream through its decoder; calls handler per decoded frame.
void decodeStream(AVFormatContext& format, int index, AVCodecContext& decoder,
                  const std::function<void(AVFrame*)>& handler)
{
    media::ff::PacketPtr packet = media::ff::makePacket();
    media::ff::FramePtr frame = media::ff::makeFrame();
    auto drain = [&] {
        while (avcodec_receive_frame(&decoder, frame.get()) == 0)
            handler(frame.get());
    };
    while (av_read_frame(&format, packet.get()) >= 0) {
        if (packet->stream_index == index && avcodec_send_packet(&decoder, packet.get()) >= 0)
            drain();
        av_packet_unref(packet.get());
    }
    avcodec_send_packet(&decoder, nullptr);
    drain();
}

} // namespace

int forEachVideoFrame(const std::filesystem::path& path,
                      const std::function<void(const QImage&, double)>& handler)
{
    const auto format = openInput(path);
    if (!format)
        return -1;
    const auto [index, decoder] = openBestStream(*format, AVMEDIA_TYPE_VIDEO);
    if (!decoder)
        return -1;
    const AVRational timeBase = format->streams[index]->time_base;
    SwsContext* scaler = nullptr;
    int count = 0;
    decodeStream(*format, index, *decoder, [&](AVFrame* frame) {
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
                                ? 0 : media::ff::toSeconds(frame->best_effort_timestamp, timeBase);
        ++count;
        handler(image, time);
    });
    sws_freeContext(scaler);
    return count;
}

namespace {

// The tone's frequency from the cycles of each loud block. A block that holds a dropout (a
// source that fell behind on a busy machine) counts fewer cycles, so only the blocks within one
// cycle of the median are averaged.
double typicalFrequency(const std::vector<int>& blockCycles, std::size_t blockSize, int sampleRate)
{
    if (blockCycles.empty())
        return 0;
    auto sorted = blockCycles;
    std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
    const int median = sorted[sorted.size() / 2];
    double cycles = 0, blocks = 0;
    for (const int count : blockCycles) {
        if (std::abs(count - median) > 1)
            continue;
        cycles += count;
        ++blocks;
    }
    return cycles / (blocks * double(blockSize) / sampleRate);
}

} // namespace

std::optional<AudioStats> audioStats(const std::filesystem::path& path)
{
    const auto format = openInput(path);
    if (!format)
        return std::nullopt;
    const auto [index, decoder] = openBestStream(*format, AVMEDIA_TYPE_AUDIO);
    if (!decoder)
        return std::nullopt;
    std::vector<float> samples; // first channel
    decodeStream(*format, index, *decoder, [&](AVFrame* frame) {
        if (frame->format != AV_SAMPLE_FMT_FLTP)
            return;
        const auto* plane = reinterpret_cast<const float*>(frame->data[0]);
        samples.insert(samples.end(), plane, plane + frame->nb_samples);
    });
    AudioStats stats;
    stats.sampleRate = decoder->sample_rate;
    stats.channels = decoder->ch_layout.nb_channels;
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
    std::vector<int> blockCycles; // of each loud block
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
        int cycles = 0;
        for (std::size_t i = start; i < start + kBlock; ++i) {
            if (!high && samples[i] > 0.02f) {
                high = true;
                ++cycles;
            } else if (high && samples[i] < -0.02f) {
                high = false;
            }
        }
        blockCycles.push_back(cycles);
    }
    stats.silentFraction = blocks ? double(silent) / blocks : 0;
    const std::size_t tenMs = static_cast<std::size_t>(stats.sampleRate / 100);
    std::size_t runStart = 0, runLength = 0, bestStart = 0, bestLength = 0;
    for (std::size_t start = 0; start + tenMs <= samples.size(); start += tenMs) {
        double blockSum = 0;
        for (std::size_t i = start; i < start + tenMs; ++i)
            blockSum += double(samples[i]) * samples[i];
        if (std::sqrt(blockSum / tenMs) >= 0.01) {
            runLength = 0;
            continue;
        }
        if (runLength++ == 0)
            runStart = start;
        if (runLength > bestLength) {
            bestLength = runLength;
            bestStart = runStart;
        }
    }
    stats.longestSilenceStart = double(bestStart) / stats.sampleRate;
    stats.longestSilenceEnd = double(bestStart + bestLength * tenMs) / stats.sampleRate;
    stats.dominantFrequency = typicalFrequency(blockCycles, kBlock, stats.sampleRate);
    return stats;
}

} // namespace tarnix::test
