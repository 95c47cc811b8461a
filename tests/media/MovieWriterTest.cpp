#include <gtest/gtest.h>

#include <QImage>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cmath>
#include <fstream>
#include <map>

#include "MediaTestSupport.h"
#include "media/EncoderFrames.h"
#include "media/MovieWriter.h"

using namespace tarnix::media;

namespace {

class MovieWriterTest : public ::testing::Test {
protected:
    void SetUp() override { av_log_set_level(AV_LOG_ERROR); }

    test::TempFolder folder;
};

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

// Writes `frames` pictures into a fragmented movie from a child process whose files can't grow
// past `limit` bytes: the kernel then cuts a write short and fails the next, as a full disk does.
// True when the writer reported a failed write.
bool writeWithFileSizeLimit(const MovieWriterSettings& settings, rlim_t limit, int frames)
{
    const pid_t child = fork();
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit fileSize{limit, limit};
        setrlimit(RLIMIT_FSIZE, &fileSize);
        try {
            MovieWriter writer(settings);
            for (int i = 0; i < frames; ++i)
                writer.writeVideo(picture(321, 241, i), i / 30.0);
            writer.finish();
        } catch (const MediaException&) {
            _exit(3);
        }
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status));
    return WIFEXITED(status) && WEXITSTATUS(status) == 3;
}

// Every picture of a movie, decoded to planar 4:2:0.
std::string decodedPictures(const std::filesystem::path& movie)
{
    const auto raw = movie.parent_path() / (movie.stem().string() + ".yuv");
    if (!test::runFfmpeg("-i " + movie.string() + " -f rawvideo -pix_fmt yuv420p " + raw.string()))
        return {};
    std::ifstream in(raw, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
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

    const auto back = test::probe(path);
    EXPECT_EQ(back.videoStreams, 1);
    EXPECT_EQ(back.audioStreams, 1);
    EXPECT_EQ(back.width, 320);
    EXPECT_EQ(back.height, 240);
    EXPECT_EQ(back.videoFrames, 30);
    EXPECT_EQ(back.audioCodec, "aac");
    EXPECT_EQ(back.sampleRate, 44100);
    EXPECT_EQ(back.channels, 2);
    EXPECT_NEAR(back.audioEnd, 1.0, 0.05);
}

// The encoder is opened for the layout its frames come in; a frame of the other layout is
// rearranged. Either way the movie holds the same pictures, to the sample.
TEST_F(MovieWriterTest, planarAndInterleavedFramesGiveTheSameMovie)
{
    const QSize size(322, 182); // 161 chroma samples a row: no whole vector block
    std::map<AVPixelFormat, std::string> movies;
    for (AVPixelFormat layout : {AV_PIX_FMT_YUV420P, AV_PIX_FMT_NV12}) {
        auto settings = movieSettings(folder / (layout == AV_PIX_FMT_NV12 ? "nv12.mp4" : "planar.mp4"),
                                      MovieLayout::faststart);
        settings.audio.reset();
        settings.video->width = size.width();
        settings.video->height = size.height();
        settings.video->inputFormat = layout;
        settings.video->threads = 1; // the same pictures give the same bytes
        MovieWriter writer(settings);
        EXPECT_EQ(writer.videoInputFormat(), layout) << "x264 takes both as they are";
        EncoderFramePool pools[] = {EncoderFramePool(size), EncoderFramePool(size, AV_PIX_FMT_NV12)};
        EncoderFrameConverter converter(SWS_BILINEAR);
        for (int i = 0; i < 8; ++i) {
            const auto frame = pools[i % 2].frame();
            ASSERT_TRUE(frame && converter.convert(picture(size.width(), size.height(), i), *frame));
            EXPECT_TRUE(writer.writeVideoYUV420(*frame, i / 30.0));
        }
        writer.finish();
        movies[layout] = decodedPictures(settings.outputPath);
    }
    ASSERT_EQ(movies[AV_PIX_FMT_NV12].size(), std::size_t(8 * size.width() * size.height() * 3 / 2));
    EXPECT_TRUE(movies[AV_PIX_FMT_NV12] == movies[AV_PIX_FMT_YUV420P]);
}

// A BGRA picture of another size, odd sides included, is scaled into the interleaved layout as
// into the planar one.
TEST_F(MovieWriterTest, aPictureOfAnotherSizeLooksTheSameInEitherLayout)
{
    std::map<AVPixelFormat, std::string> movies;
    for (AVPixelFormat layout : {AV_PIX_FMT_YUV420P, AV_PIX_FMT_NV12}) {
        auto settings = movieSettings(folder / (layout == AV_PIX_FMT_NV12 ? "nv12.mp4" : "planar.mp4"),
                                      MovieLayout::faststart);
        settings.audio.reset();
        settings.video->inputFormat = layout;
        MovieWriter writer(settings);
        for (int i = 0; i < 4; ++i)
            EXPECT_TRUE(writer.writeVideo(picture(643, 359, i), i / 30.0));
        writer.finish();
        movies[layout] = decodedPictures(settings.outputPath);
    }
    const std::string& planar = movies[AV_PIX_FMT_YUV420P];
    const std::string& interleaved = movies[AV_PIX_FMT_NV12];
    ASSERT_EQ(planar.size(), std::size_t(4 * 320 * 240 * 3 / 2));
    ASSERT_EQ(interleaved.size(), planar.size());
    // Libswscale's two layouts differ by a level here and there, which the encoder may carry a
    // little further: the same look, not the same bytes.
    double squares = 0;
    for (std::size_t i = 0; i < planar.size(); ++i) {
        const int d = int(std::uint8_t(planar[i])) - int(std::uint8_t(interleaved[i]));
        squares += d * d;
    }
    const double psnr = 10 * std::log10(255.0 * 255.0 / std::max(squares / double(planar.size()), 1e-9));
    EXPECT_GT(psnr, 40);
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
    writer.padAudio(0.65); // already longer: nothing
    EXPECT_EQ(writer.audioFramesWritten(), 30870);
    writer.padAudio(1.5); // the sound went away before the end: silence up to it
    EXPECT_EQ(writer.audioFramesWritten(), 66150);
    writer.finish();
    const auto back = test::probe(settings.outputPath);
    EXPECT_EQ(back.videoStreams, 0);
    EXPECT_EQ(back.channels, 1);
    EXPECT_NEAR(back.audioEnd, 1.5, 0.05);
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
    // A copy taken mid-recording opens; its complete one-second fragments are all there.
    test::ProbedMovie snapshot, abandoned;
    ASSERT_NO_THROW(snapshot = test::probe(folder / "snapshot.mp4"));
    EXPECT_GE(snapshot.videoFrames, 60);
    ASSERT_NO_THROW(abandoned = test::probe(path));
    EXPECT_GE(abandoned.videoFrames, 90);
}

TEST_F(MovieWriterTest, faststartPutsTheIndexFirst)
{
    const auto path = folder / "export.mp4";
    MovieWriter writer(movieSettings(path, MovieLayout::faststart));
    for (int i = 0; i < 10; ++i)
        writer.writeVideo(picture(321, 241, i), i / 30.0);
    writer.finish();
    EXPECT_TRUE(test::probe(path).indexAtFront);
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

TEST_F(MovieWriterTest, hevcThroughVaapiIsTriedFirstWhenARenderNodeExists)
{
    EXPECT_EQ(realTimeEncoderPreference(true),
              (std::vector<std::string>{"hevc_vaapi", "hevc_nvenc", "libx264"}));
    EXPECT_EQ(realTimeEncoderPreference(false), (std::vector<std::string>{"hevc_nvenc", "libx264"}));
    EXPECT_EQ(hevcEncoderPreference(true).front(), "hevc_vaapi");
    EXPECT_EQ(hevcEncoderPreference(false).back(), "libx264");
    EXPECT_EQ(realTimeEncoderPreference(), realTimeEncoderPreference(renderNode().has_value()));

    // Whatever this machine has, the list always ends in a movie: VAAPI or NVENC where they open,
    // H.264 where they don't.
    MovieWriterSettings settings = movieSettings(folder / "preferred.mp4", MovieLayout::fragmented);
    settings.video->encoders = realTimeEncoderPreference();
    settings.audio.reset();
    MovieWriter writer(settings);
    const std::string encoder = writer.videoEncoderName();
    if (!renderNode()) {
        EXPECT_NE(encoder, "hevc_vaapi");
    }
    for (int i = 0; i < 10; ++i)
        writer.writeVideo(picture(320, 240, i), i / 30.0);
    writer.finish();
    const auto movie = test::probe(folder / "preferred.mp4");
    EXPECT_EQ(movie.videoFrames, 10);
    EXPECT_EQ(movie.videoCodec, encoder == "libx264" ? "h264" : "hevc");
}

TEST_F(MovieWriterTest, aWriteCutShortKeepsEveryWholeFragmentUntouchedAndNothingAfter)
{
    MovieWriterSettings settings = movieSettings(folder / "whole.mp4", MovieLayout::fragmented);
    settings.audio.reset();
    settings.video->threads = 1; // the same pictures give the same bytes, run after run
    const int frames = 150;
    ASSERT_FALSE(writeWithFileSizeLimit(settings, RLIM_INFINITY, frames));
    const auto whole = test::topLevelBoxes(settings.outputPath);
    const auto fragments = test::boxesOfType(whole, "moof");
    ASSERT_GE(fragments.size(), 4u);
    const std::uintmax_t wholeSize = std::filesystem::file_size(settings.outputPath);
    ASSERT_EQ(whole.back().end, wholeSize);
    ASSERT_EQ(whole.back().type, "mfra");

    struct Cut {
        const char* where;
        std::uintmax_t limit;
        std::uintmax_t keeps; // the length of the whole fragments before the cut
        int leastFrames;
    };
    const Cut cuts[] = {
        {"in a fragment's header", fragments[2].end - 8, fragments[2].begin, 30},
        {"in a fragment's samples", fragments[3].end + 100, fragments[3].begin, 60},
        {"in the index after the last fragment", wholeSize - 4, whole.back().begin, frames},
    };
    const std::string reference = test::fileHead(settings.outputPath, wholeSize);
    for (const Cut& cut : cuts) {
        SCOPED_TRACE(cut.where);
        settings.outputPath = folder / (std::string("cut-") + std::to_string(cut.limit) + ".mp4");
        EXPECT_TRUE(writeWithFileSizeLimit(settings, cut.limit, frames));
        EXPECT_EQ(std::filesystem::file_size(settings.outputPath), cut.keeps);
        EXPECT_EQ(test::fileHead(settings.outputPath, cut.keeps), reference.substr(0, cut.keeps))
            << "what was on disk is unchanged";
        test::ProbedMovie kept;
        ASSERT_NO_THROW(kept = test::probe(settings.outputPath));
        EXPECT_GE(kept.videoFrames, cut.leastFrames);
    }
}
