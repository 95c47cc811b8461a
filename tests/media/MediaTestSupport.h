#pragma once

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>

#include <filesystem>
#include <string>
#include <vector>

#include "media/FFmpegSupport.h"
#include "media/MovieWriter.h"
#include "media/VideoCompositing.h"

// Test media made at test time with the ffmpeg tool, and small probes of files the tests write.

namespace tarnix::media::test {

// A fresh folder under the system's temporary folder, removed when the object goes away.
class TempFolder {
public:
    TempFolder()
    {
        static std::atomic<int> counter{0};
        std::random_device random;
        path_ = std::filesystem::temp_directory_path() /
                ("tarnix-media-test-" + std::to_string(random()) + "-" + std::to_string(counter++));
        std::filesystem::create_directories(path_);
    }
    ~TempFolder()
    {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// An instruction of no particular compositor: track 1 over `range`, composed frame by frame.
class ScreenInstruction final : public VideoCompositionInstruction {
public:
    explicit ScreenInstruction(TimeRange range) : range_(range) {}
    TimeRange timeRange() const override { return range_; }
    bool enablePostProcessing() const override { return false; }
    bool containsTweening() const override { return true; }
    std::optional<std::vector<TrackID>> requiredSourceTrackIDs() const override
    {
        return std::vector<TrackID>{1};
    }
    TrackID passthroughTrackID() const override { return kInvalidTrackID; }

private:
    TimeRange range_;
};

// Runs `ffmpeg -v error -y ARGS`; fails the calling test (ADD_FAILURE) when it does not succeed.
inline bool runFfmpeg(const std::string& args)
{
    std::string command = "ffmpeg -nostdin -hide_banner -v error -y " + args;
    int status = std::system(command.c_str());
    if (status != 0)
        ADD_FAILURE() << "ffmpeg failed: " << command;
    return status == 0;
}

// A movie whose frame N is a flat grey of luma 16 + N × 3 (N < 74) (frame index readable back with
// frameIndexOf), size w × h, `count` frames at `fps`, key frames every `gop` frames, with up to
// `bFrames` B-frames in a row (0: frames decode in the order they are shown, as the screen
// recorder writes them). With vfrAfter >= 0, frames from that index on are spaced 0.5 s apart.
inline std::filesystem::path makeIndexedMovie(const std::filesystem::path& path, int count, int fps,
                                              int gop, int vfrAfter = -1, int w = 64, int h = 48,
                                              int bFrames = 2)
{
    std::string f = std::to_string(fps);
    std::string times = vfrAfter < 0 ? "N/" + f
                                     : "if(lt(N," + std::to_string(vfrAfter) + "),N/" + f + "," +
                                           std::to_string(vfrAfter) + "/" + f + "+(N-" +
                                           std::to_string(vfrAfter) + ")*0.5)";
    std::string filter = "color=c=black:s=" + std::to_string(w) + "x" + std::to_string(h) +
                         ":r=" + std::to_string(fps) + ",format=yuv420p,geq=lum='16+N*3':cb=128:cr=128," +
                         "settb=1/1000,setpts='round((" + times + ")*1000)'";
    runFfmpeg("-f lavfi -i \"" + filter + "\" -frames:v " + std::to_string(count) +
              " -fps_mode passthrough -c:v libx264 -preset ultrafast -qp 0 -bf " +
              std::to_string(bFrames) + " -g " +
              std::to_string(gop) + " \"" + path.string() + "\"");
    return path;
}

// The frame index that makeIndexedMovie drew into this decoded frame (from its centre pixel).
inline int frameIndexOf(const QImage& frame)
{
    if (frame.isNull())
        return -1;
    int grey = qRed(frame.pixel(frame.width() / 2, frame.height() / 2));
    double luma = 16 + grey * 219.0 / 255.0;
    return int(std::lround((luma - 16) / 3));
}

// A colourful test-pattern movie with a 440 Hz tone (when withAudio), H.264 + AAC in MP4.
inline std::filesystem::path makeMovie(const std::filesystem::path& path, double seconds, int w,
                                       int h, bool withAudio, int fps = 30)
{
    std::string d = std::to_string(seconds);
    std::string args = "-f lavfi -i testsrc2=s=" + std::to_string(w) + "x" + std::to_string(h) +
                       ":r=" + std::to_string(fps) + ":d=" + d;
    if (withAudio)
        args += " -f lavfi -i sine=frequency=440:sample_rate=48000:d=" + d;
    args += " -c:v libx264 -preset ultrafast -pix_fmt yuv420p";
    if (withAudio)
        args += " -c:a aac -shortest";
    runFfmpeg(args + " \"" + path.string() + "\"");
    return path;
}

// A sine tone audio file (AAC in .m4a).
inline std::filesystem::path makeTone(const std::filesystem::path& path, double seconds, int frequency)
{
    runFfmpeg("-f lavfi -i sine=frequency=" + std::to_string(frequency) +
              ":sample_rate=48000:d=" + std::to_string(seconds) + " -c:a aac \"" +
              path.string() + "\"");
    return path;
}

struct ProbedMovie {
    int videoStreams = 0;
    int audioStreams = 0;
    int videoFrames = 0;     // packets of the first video stream
    int width = 0;
    int height = 0;
    double duration = 0;     // seconds, of the file
    double videoDuration = 0; // seconds, of the first video stream (the file's when unknown)
    bool hasAudio = false;
    std::string videoCodec;
    std::string audioCodec;
    int sampleRate = 0;      // of the last audio stream
    int channels = 0;
    double audioEnd = 0;     // the end of the last audio packet, seconds
    bool indexAtFront = false; // "moov" before "mdat"
};

// Opens the file (throws MediaException when it can't) and reads every packet.
inline ProbedMovie probe(const std::filesystem::path& path)
{
    ProbedMovie result;
    ff::FormatContextPtr format = ff::openInput(path);
    result.duration = format->duration > 0 ? double(format->duration) / AV_TIME_BASE : 0;
    int videoIndex = -1;
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        const AVCodecParameters& p = *format->streams[i]->codecpar;
        if (p.codec_type == AVMEDIA_TYPE_VIDEO && ++result.videoStreams == 1) {
            videoIndex = int(i);
            result.width = p.width;
            result.height = p.height;
            result.videoCodec = avcodec_get_name(p.codec_id);
            const AVStream& stream = *format->streams[i];
            result.videoDuration = stream.duration > 0 ? ff::toSeconds(stream.duration, stream.time_base)
                                                       : result.duration;
        } else if (p.codec_type == AVMEDIA_TYPE_AUDIO) {
            ++result.audioStreams;
            result.hasAudio = true;
            result.audioCodec = avcodec_get_name(p.codec_id);
            result.sampleRate = p.sample_rate;
            result.channels = p.ch_layout.nb_channels;
        }
    }
    ff::PacketPtr packet = ff::makePacket();
    while (av_read_frame(format.get(), packet.get()) >= 0) {
        const AVStream& stream = *format->streams[packet->stream_index];
        if (packet->stream_index == videoIndex)
            ++result.videoFrames;
        else if (stream.codecpar->codec_type == AVMEDIA_TYPE_AUDIO)
            result.audioEnd = std::max(result.audioEnd, ff::toSeconds(packet->pts + packet->duration,
                                                                     stream.time_base));
        av_packet_unref(packet.get());
    }
    std::ifstream in(path, std::ios::binary);
    std::string head(std::istreambuf_iterator<char>(in), {});
    auto moov = head.find("moov");
    auto mdat = head.find("mdat");
    result.indexAtFront = moov != std::string::npos && mdat != std::string::npos && moov < mdat;
    return result;
}

struct Box {
    std::string type;
    std::uintmax_t begin = 0, end = 0;
};

// The top-level boxes of an MPEG-4 file, read whole; the last one may reach past the end of a cut
// file.
inline std::vector<Box> topLevelBoxes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    const std::string bytes(std::istreambuf_iterator<char>(in), {});
    auto number = [&](std::size_t at, int count) {
        std::uintmax_t value = 0;
        for (int i = 0; i < count; ++i)
            value = value << 8 | static_cast<unsigned char>(bytes[at + std::size_t(i)]);
        return value;
    };
    std::vector<Box> boxes;
    for (std::size_t at = 0; at + 8 <= bytes.size();) {
        std::uintmax_t size = number(at, 4);
        if (size == 1 && at + 16 > bytes.size())
            break;
        if (size == 1)
            size = number(at + 8, 8);
        if (size < 8)
            break;
        boxes.push_back({bytes.substr(at + 4, 4), at, at + size});
        at += std::size_t(size);
    }
    return boxes;
}

// The boxes of one type, in file order.
inline std::vector<Box> boxesOfType(const std::vector<Box>& boxes, const std::string& type)
{
    std::vector<Box> found;
    std::copy_if(boxes.begin(), boxes.end(), std::back_inserter(found),
                 [&](const Box& box) { return box.type == type; });
    return found;
}

// The first `length` bytes of a file (fewer when it is shorter).
inline std::string fileHead(const std::filesystem::path& path, std::uintmax_t length)
{
    std::ifstream in(path, std::ios::binary);
    std::string bytes(length, '\0');
    in.read(bytes.data(), std::streamsize(length));
    bytes.resize(std::size_t(in.gcount()));
    return bytes;
}

// A copy of the first `length` bytes of `from`: what a kill while writing at that point leaves.
inline void writeCutCopy(const std::filesystem::path& from, const std::filesystem::path& to, std::uintmax_t length)
{
    std::ofstream(to, std::ios::binary | std::ios::trunc) << fileHead(from, length);
}

// Cuts a file inside the middle of its last whole fragment's header (moof), where a kill that
// lands while that header is written leaves it. Returns where that fragment began: the length of
// the whole fragments before it; 0 (nothing cut) when no fragment but the first is whole.
inline std::uintmax_t cutInsideLastFragmentHeader(const std::filesystem::path& file)
{
    const std::uintmax_t size = std::filesystem::file_size(file);
    const auto fragments = boxesOfType(topLevelBoxes(file), "moof");
    auto last = std::find_if(fragments.rbegin(), fragments.rend(), [&](const Box& box) { return box.end <= size; });
    if (last == fragments.rend() || last == std::prev(fragments.rend()))
        return 0;
    std::filesystem::resize_file(file, last->begin + (last->end - last->begin) / 2);
    return last->begin;
}

// A recording as the recorders write it (fragmented, a fragment a second): `seconds` of 30 fps
// 160 × 120 pictures that change every frame and/or a stereo tone.
inline void writeFragmentedRecording(const std::filesystem::path& path, double seconds, bool video, bool audio)
{
    MovieWriterSettings settings;
    settings.outputPath = path;
    settings.layout = MovieLayout::fragmented;
    if (video) {
        MovieVideoSettings picture;
        picture.width = 160;
        picture.height = 120;
        picture.frameRate = 30;
        picture.preset = "ultrafast";
        picture.threads = 1; // the same bytes run after run
        settings.video = picture;
    }
    if (audio)
        settings.audio = MovieAudioSettings{};
    MovieWriter writer(settings);
    QImage image(160, 120, QImage::Format_RGB32);
    const int frames = static_cast<int>(seconds * 30);
    std::vector<float> block(2 * 1470);
    for (int i = 0; i < frames; ++i) {
        if (video) {
            image.fill(QColor::fromHsv(i * 7 % 360, 200, 40 + i % 200));
            writer.writeVideo(image, i / 30.0);
        }
        if (audio) {
            for (std::size_t k = 0; k < block.size(); ++k)
                block[k] = 0.3f * std::sin(float(i * 1470 + int(k / 2)) * 0.06f);
            writer.writeAudio(block.data(), 1470, i / 30.0);
        }
    }
    writer.finish();
}

} // namespace tarnix::media::test
