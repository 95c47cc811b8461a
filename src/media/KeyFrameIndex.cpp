#include "media/KeyFrameIndex.h"

#include <algorithm>

#include "media/FFmpegSupport.h"
#include "media/MediaError.h"

namespace tarnix::media {

std::vector<double> keyFrameTimes(const AssetTrack& track)
{
    ff::FormatContextPtr format = ff::openInput(track.url);
    if (track.streamIndex < 0 || unsigned(track.streamIndex) >= format->nb_streams)
        throw MediaException(MediaError{"Tarnix.Media", 2, "The video track couldn't be found.",
                                        track.url.string(), nullptr});
    for (unsigned i = 0; i < format->nb_streams; ++i)
        if (int(i) != track.streamIndex)
            format->streams[i]->discard = AVDISCARD_ALL;
    const AVStream* stream = format->streams[track.streamIndex];
    double origin = ff::startTimeSeconds(*format);
    std::vector<double> times;
    ff::PacketPtr packet = ff::makePacket();
    while (av_read_frame(format.get(), packet.get()) >= 0) {
        bool key = packet->stream_index == track.streamIndex && (packet->flags & AV_PKT_FLAG_KEY);
        int64_t pts = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
        if (key && pts != AV_NOPTS_VALUE)
            times.push_back(double(pts) * av_q2d(stream->time_base) - origin);
        av_packet_unref(packet.get());
    }
    std::sort(times.begin(), times.end());
    times.erase(std::unique(times.begin(), times.end()), times.end());
    return times;
}

} // namespace tarnix::media
