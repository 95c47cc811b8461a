#include <gtest/gtest.h>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

#include <QImage>

#include <cmath>
#include <fstream>
#include <random>

#include "media/MovieWriter.h"

using namespace tarnix::media;

namespace {

class MovieWriterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        av_log_set_level(AV_LOG_ERROR);
        folder = std::filesystem::temp_directory_path() / ("tarnix-moviewriter-" + std::to_string(std::random_device()()));
        std::filesystem::create_directories(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    std::filesystem::path folder;
};

struct Streams {
    int video = 0, audio = 0;
    int width = 0, height = 0, sampleRate = 0, channels = 0;
    long packets = 0;
    double audioEnd = 0; // seconds
};

std::optional<Streams> readBack(const std::filesystem::path& path)
{
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0)
        return std::nullopt;
    Streams s;
    if (avformat_find_stream_info(format, nullptr) < 0) {
        avformat_close_input(&format);
        return std::nullopt;
    }
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        const auto* p = format->streams[i]->codecpar;
        if (p->codec_type == AVMEDIA_TYPE_VIDEO) {
            ++s.video;
            s.width = p->width;
            s.height = p->height;
        } else if (p->codec_type == AVMEDIA_TYPE_AUDIO) {
            ++s.audio;
            s.sampleRate = p->sample_rate;
            s.channels = p->ch_layout.nb_channels;
        }
    }
    AVPacket* packet = av_packet_alloc();
    while (av_read_frame(format, packet) >= 0) {
        const AVStream* stream = format->streams[packet->stream_index];
        if (stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
            ++s.packets;
        else
            s.audioEnd = std::max(s.audioEnd, (packet->pts + packet->duration) * av_q2d(stream->time_base));
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    avformat_close_input(&format);
    return s;
}

QImage picture(int width, int height, int seed)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb((x + seed * 4) & 255, (y * 2) & 255, (x ^ y) & 255));
    return image;
}

std::vector<float> tone(int frames, int channels)
{
    std::vector<float> samples(static_cast<std::size_t>(frames * channels));
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            samples[static_cast<std::size_t>(i * channels + c)] = 0.3f * std::sin(i * 0.06f);
    return samples;
}

MovieWriterSettings movieSettings(const std::filesystem::path& path, MovieLayout layout)
{
    MovieWriterSettings settings;
    settings.outputPath = path;
    settings.layout = layout;
    MovieVideoSettings video;
    video.width = 321;
    video.height = 241;
    video.frameRate = 30;
    video.encoders = {"no-such-encoder", "libx264"};
    video.preset = "ultrafast";
    settings.video = video;
    settings.audio = MovieAudioSettings{};
    return settings;
}

} // namespace

TEST_F(MovieWriterTest, writesVideoAndAacAudioThatReadBack)
{
    const auto path = folder / "movie.mp4";
    MovieWriter writer(movieSettings(path, MovieLayout::fragmented));
    EXPECT_EQ(writer.videoEncoderName(), "libx264") << "unknown encoders are skipped";
    EXPECT_EQ(writer.videoSize(), QSize(320, 240)) << "odd sizes round down to even";
    const auto samples = tone(4410, 2);
    for (int i = 0; i < 30; ++i) {
        EXPECT_TRUE(writer.writeVideo(picture(321, 241, i), i / 30.0));
        if (i % 3 == 0)
            writer.writeAudio(samples.data(), 4410, i / 30.0);
    }
    EXPECT_FALSE(writer.writeVideo(picture(321, 241, 0), 29 / 30.0)) << "a pts that does not advance is skipped";
    EXPECT_EQ(writer.videoFramesWritten(), 30);
    writer.finish();
    writer.finish();
    EXPECT_THROW(writer.writeVideo(picture(8, 8, 0), 2.0), MediaException);

    const auto back = readBack(path);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->video, 1);
    EXPECT_EQ(back->audio, 1);
    EXPECT_EQ(back->width, 320);
    EXPECT_EQ(back->height, 240);
    EXPECT_EQ(back->packets, 30);
    EXPECT_EQ(back->sampleRate, 44100);
    EXPECT_EQ(back->channels, 2);
    EXPECT_NEAR(back->audioEnd, 1.0, 0.05);
}

TEST_F(MovieWriterTest, audioStaysOnItsClockAcrossGapsAndOverlaps)
{
    MovieWriterSettings settings;
    settings.outputPath = folder / "sound.m4a";
    settings.layout = MovieLayout::fragmented;
    settings.audio = MovieAudioSettings{44100, 1, 128000};
    MovieWriter writer(settings);
    const auto block = tone(4410, 1);
    writer.writeAudio(block.data(), 4410, -0.05); // half before the start: cut
    EXPECT_EQ(writer.audioFramesWritten(), 2205);
    writer.writeAudio(block.data(), 4410, 0.5); // a gap: silence up to 0.5 s
    EXPECT_EQ(writer.audioFramesWritten(), 22050 + 4410);
    writer.writeAudio(block.data(), 4410, 0.605); // within tolerance: continuous
    EXPECT_EQ(writer.audioFramesWritten(), 22050 + 2 * 4410);
    writer.writeAudio(block.data(), 4410, 0.6); // 0.1 s overlap: the overlap is dropped
    EXPECT_EQ(writer.audioFramesWritten(), 22050 + 2 * 4410 + 4410 - 4410);
    writer.finish();
    const auto back = readBack(settings.outputPath);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->video, 0);
    EXPECT_EQ(back->channels, 1);
    EXPECT_NEAR(back->audioEnd, 0.7, 0.05);
}

TEST_F(MovieWriterTest, aFragmentedFileIsReadableBeforeItIsFinished)
{
    const auto path = folder / "crash.mp4";
    {
        MovieWriter writer(movieSettings(path, MovieLayout::fragmented));
        for (int i = 0; i < 95; ++i)
            writer.writeVideo(picture(321, 241, i), i / 30.0);
        std::filesystem::copy_file(path, folder / "snapshot.mp4");
        // Destroyed without finish(): what an abandoned recording leaves.
    }
    const auto snapshot = readBack(folder / "snapshot.mp4");
    ASSERT_TRUE(snapshot) << "a copy taken mid-recording must open";
    EXPECT_GE(snapshot->packets, 60) << "complete one-second fragments are all there";
    const auto abandoned = readBack(path);
    ASSERT_TRUE(abandoned);
    EXPECT_GE(abandoned->packets, 90);
}

TEST_F(MovieWriterTest, faststartPutsTheIndexFirst)
{
    const auto path = folder / "export.mp4";
    MovieWriter writer(movieSettings(path, MovieLayout::faststart));
    for (int i = 0; i < 10; ++i)
        writer.writeVideo(picture(321, 241, i), i / 30.0);
    writer.finish();
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_NE(bytes.find("moov"), std::string::npos);
    EXPECT_LT(bytes.find("moov"), bytes.find("mdat"));
}

TEST_F(MovieWriterTest, unusableSettingsAndPathsRaiseReadableErrors)
{
    MovieWriterSettings none;
    none.outputPath = folder / "nothing.mp4";
    EXPECT_THROW(MovieWriter{none}, MediaException);

    auto missingFolder = movieSettings(folder / "missing" / "x.mp4", MovieLayout::plain);
    try {
        MovieWriter writer(missingFolder);
        FAIL() << "a file in a missing folder was accepted";
    } catch (const MediaException& error) {
        EXPECT_EQ(error.error().domain, "FFmpeg");
        EXPECT_NE(error.error().description.find("Couldn't create the file"), std::string::npos);
        EXPECT_FALSE(std::filesystem::exists(folder / "missing"));
    }

    auto noEncoder = movieSettings(folder / "y.mp4", MovieLayout::plain);
    noEncoder.video->encoders = {"no-such-encoder"};
    EXPECT_THROW(MovieWriter{noEncoder}, MediaException);

    auto badSize = movieSettings(folder / "z.mp4", MovieLayout::plain);
    badSize.video->width = 0;
    EXPECT_THROW(MovieWriter{badSize}, MediaException);
}
