#include "media/MediaAsset.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "media/FFmpegSupport.h"

namespace tarnix::media {

static double streamDuration(const AVStream& stream)
{
    if (stream.duration == AV_NOPTS_VALUE || stream.duration <= 0)
        return 0;
    return ff::toSeconds(stream.duration, stream.time_base);
}

// The stream's average rate, else the rate its timestamps are laid out in; 0 when neither is
// known. A recording that dropped frames under load still states the rate it was made at.
static double nominalFrameRate(const AVStream& stream)
{
    for (AVRational rate : {stream.avg_frame_rate, stream.r_frame_rate})
        if (rate.num > 0 && rate.den > 0)
            return av_q2d(rate);
    return 0;
}

static double fileDuration(const AVFormatContext& format)
{
    if (format.duration != AV_NOPTS_VALUE && format.duration > 0)
        return double(format.duration) / AV_TIME_BASE;
    double longest = 0;
    for (unsigned i = 0; i < format.nb_streams; ++i)
        longest = std::max(longest, streamDuration(*format.streams[i]));
    return longest;
}

// The earliest time at which a stream's indexed samples run past the end of the file.
static std::optional<double> indexedDataEnd(const AVFormatContext& format, std::int64_t fileSize,
                                            double origin)
{
    std::optional<double> end;
    for (unsigned i = 0; i < format.nb_streams; ++i) {
        AVStream* stream = format.streams[i];
        const int count = avformat_index_get_entries_count(stream);
        for (int k = 0; k < count; ++k) {
            const AVIndexEntry* entry = avformat_index_get_entry(stream, k);
            if (entry->pos + entry->size <= fileSize)
                continue;
            const double at =
                std::max(0.0, ff::toSeconds(entry->timestamp, stream->time_base) - origin);
            end = end ? std::min(*end, at) : at;
            break;
        }
    }
    return end;
}

// The end of the last packet of each stream, in seconds from the file's start: the length of a
// file whose headers don't say (a fragmented recording cut off before it was finished). Reads
// packets without decoding them.
static std::map<int, double> measuredStreamEnds(AVFormatContext& format, double origin)
{
    std::map<int, double> ends;
    ff::PacketPtr packet = ff::makePacket();
    while (av_read_frame(&format, packet.get()) >= 0) {
        const AVStream& stream = *format.streams[packet->stream_index];
        const std::int64_t start = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
        if (start != AV_NOPTS_VALUE) {
            double end = ff::toSeconds(start + std::max<std::int64_t>(packet->duration, 0),
                                       stream.time_base) - origin;
            double& known = ends[packet->stream_index];
            known = std::max(known, end);
        }
        av_packet_unref(packet.get());
    }
    return ends;
}

MediaAsset MediaAsset::load(const std::filesystem::path& url, DurationNeed need,
                            std::optional<std::int64_t> readableBytes)
{
    ff::FormatContextPtr format = ff::openInput(url, readableBytes);
    MediaAsset asset;
    asset.url_ = url;
    asset.duration_ = fileDuration(*format);
    double origin = ff::startTimeSeconds(*format);
    std::map<int, double> measured;
    if (!(asset.duration_ > 0) || !std::isfinite(asset.duration_)) {
        measured = measuredStreamEnds(*format, origin);
        asset.duration_ = 0;
        for (const auto& [stream, end] : measured)
            asset.duration_ = std::max(asset.duration_, end);
    }
    if (!(asset.duration_ > 0) || !std::isfinite(asset.duration_)) {
        asset.duration_ = 0;
        if (need == DurationNeed::required)
            throw MediaException(MediaError{"Tarnix.Media", 1,
                                            "The duration of “" + url.filename().string() +
                                                "” couldn't be read.",
                                            "The file may be truncated or still being written.",
                                            nullptr});
    }
    if (format->pb && avio_size(format->pb) > 0)
        asset.truncatedAt_ = indexedDataEnd(*format, avio_size(format->pb), origin);
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        const AVStream& stream = *format->streams[i];
        AVMediaType kind = stream.codecpar->codec_type;
        bool picture = stream.disposition & AV_DISPOSITION_ATTACHED_PIC;
        if ((kind != AVMEDIA_TYPE_VIDEO || picture) && kind != AVMEDIA_TYPE_AUDIO)
            continue;
        AssetTrack track;
        track.url = url;
        track.streamIndex = int(i);
        track.mediaType = kind == AVMEDIA_TYPE_VIDEO ? MediaType::video : MediaType::audio;
        if (track.mediaType == MediaType::video) {
            track.naturalSize = QSize(stream.codecpar->width, stream.codecpar->height);
            track.frameRate = nominalFrameRate(stream);
        }
        double start = 0;
        if (stream.start_time != AV_NOPTS_VALUE)
            start = std::max(0.0, ff::toSeconds(stream.start_time, stream.time_base) - origin);
        double length = streamDuration(stream);
        if (!(length > 0) && measured.count(int(i)))
            length = measured[int(i)] - start;
        if (!(length > 0))
            length = std::max(asset.duration_ - start, 0.0);
        track.timeRange = TimeRange{start, length};
        asset.tracks_.push_back(track);
    }
    return asset;
}

std::vector<AssetTrack> MediaAsset::tracks(MediaType type) const
{
    std::vector<AssetTrack> result;
    for (const auto& track : tracks_)
        if (track.mediaType == type)
            result.push_back(track);
    return result;
}

} // namespace tarnix::media
