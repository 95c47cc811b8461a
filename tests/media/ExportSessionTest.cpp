#include <gtest/gtest.h>

#include <QPainter>

#include <fstream>

#include "MediaTestSupport.h"
#include "media/ExportSession.h"
#include "media/VideoFrameReader.h"

namespace tarnix::media {
namespace {

// Draws the screen frame into the left half of a green canvas; fails from failAt seconds on.
class HalfCompositor : public VideoCompositing {
public:
    explicit HalfCompositor(double failAt)
        : failAt_(failAt)
    {
    }
    void renderContextChanged(std::shared_ptr<RenderContext> context) override
    {
        context_ = std::move(context);
    }
    void startRequest(CompositionRequest& request) override
    {
        QImage screen = request.sourceFrameByTrackID(1);
        if (screen.isNull() || request.compositionTime() >= failAt_)
            return request.finishWithError(
                {"CompositorError", 0, "Missing a source frame while rendering.", {}, nullptr});
        QImage out = context_->newPixelBuffer();
        out.fill(QColor(0, 255, 0));
        QPainter painter(&out);
        painter.drawImage(QRect(0, 0, out.width() / 2, out.height()), screen);
        painter.end();
        request.finishWithComposedVideoFrame(out);
    }
    void cancelAllPendingVideoCompositionRequests() override {}

private:
    double failAt_;
    std::shared_ptr<RenderContext> context_;
};

class ExportSessionTest : public ::testing::Test {
protected:
    void SetUp() override { av_log_set_level(AV_LOG_ERROR); }

    // A composition of a screen movie (with its audio as track 3 when wanted).
    std::shared_ptr<Composition> compose(const std::filesystem::path& screenPath, bool audio)
    {
        MediaAsset screen = MediaAsset::load(screenPath);
        auto composition = std::make_shared<Composition>();
        composition->addMutableTrack(MediaType::video, 1);
        EXPECT_FALSE(composition->insertTimeRange(1, {0, screen.duration()},
                                                  screen.tracks(MediaType::video)[0], 0));
        if (audio) {
            composition->addMutableTrack(MediaType::audio, 3);
            EXPECT_FALSE(composition->insertTimeRange(3, {0, screen.duration()},
                                                      screen.tracks(MediaType::audio)[0], 0));
        }
        video.renderSize = screen.tracks(MediaType::video)[0].naturalSize;
        video.instructions = {
            std::make_shared<test::ScreenInstruction>(TimeRange{0, screen.duration()})};
        video.customVideoCompositor = [this] { return std::make_unique<HalfCompositor>(failAt); };
        return composition;
    }

    std::unique_ptr<ExportSession> session(std::shared_ptr<Composition> composition,
                                           ExportPreset preset, std::filesystem::path out)
    {
        auto s = std::make_unique<ExportSession>(std::move(composition), preset);
        s->setVideoComposition(video);
        s->setOutputURL(std::move(out));
        return s;
    }

    test::TempFolder folder;
    VideoComposition video;
    double failAt = 1e9;
};

TEST_F(ExportSessionTest, WritesEveryFrameWithAudioAndTheIndexInFront)
{
    auto screen = test::makeMovie(folder / "screen.mp4", 2.0, 320, 240, true, 24);
    auto export_ = session(compose(screen, true), ExportPreset::highestQuality, folder / "out.mp4");
    std::vector<double> progress;
    export_->setProgressHandler([&](double p) { progress.push_back(p); });
    export_->exportSynchronously();
    ASSERT_EQ(export_->status(), ExportStatus::completed)
        << (export_->error() ? describe(*export_->error()) : "");
    ASSERT_FALSE(progress.empty());
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_DOUBLE_EQ(progress.back(), 1.0);

    test::ProbedMovie movie = test::probe(folder / "out.mp4");
    EXPECT_EQ(movie.videoFrames, 60); // 2 s at 30 fps, whatever the source's rate
    EXPECT_NEAR(movie.duration, 2.0, 0.08);
    EXPECT_EQ(movie.width, 320);
    EXPECT_EQ(movie.height, 240);
    EXPECT_EQ(movie.videoCodec, "h264");
    EXPECT_TRUE(movie.hasAudio);
    EXPECT_EQ(movie.audioCodec, "aac");
    EXPECT_TRUE(movie.indexAtFront);

    // The compositor's picture arrives: screen on the left, green on the right.
    VideoFrameReader reader(MediaAsset::load(folder / "out.mp4").tracks(MediaType::video)[0]);
    QImage frame = reader.frameAt(1.0);
    QColor right = frame.pixelColor(300, 120);
    EXPECT_LT(right.red(), 16);
    EXPECT_GT(right.green(), 240);
    EXPECT_LT(right.blue(), 16);
}

TEST_F(ExportSessionTest, ScalesToThePresetAndHasNoAudioWithoutAudioTracks)
{
    auto screen = test::makeMovie(folder / "screen.mp4", 1.0, 320, 200, true);
    auto export_ = session(compose(screen, false), ExportPreset::preset1280x720, folder / "out.mp4");
    EXPECT_EQ(export_->outputFrameSize(), QSize(1152, 720));
    export_->exportSynchronously();
    ASSERT_EQ(export_->status(), ExportStatus::completed);
    test::ProbedMovie movie = test::probe(folder / "out.mp4");
    EXPECT_EQ(movie.width, 1152);
    EXPECT_EQ(movie.height, 720);
    EXPECT_EQ(movie.videoFrames, 30);
    EXPECT_FALSE(movie.hasAudio);
}

TEST_F(ExportSessionTest, CancellingLeavesNoFile)
{
    auto screen = test::makeMovie(folder / "screen.mp4", 4.0, 320, 240, false);
    auto export_ = session(compose(screen, false), ExportPreset::highestQuality, folder / "out.mp4");
    ExportSession* raw = export_.get();
    export_->setProgressHandler([raw](double p) {
        if (p > 0.1)
            raw->cancelExport();
    });
    std::atomic<bool> done{false};
    export_->exportAsynchronously([&] { done = true; });
    export_.reset(); // waits for the export thread
    EXPECT_TRUE(done);
    EXPECT_FALSE(std::filesystem::exists(folder / "out.mp4"));
    for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
        EXPECT_EQ(entry.path().filename(), "screen.mp4") << "left behind: " << entry.path();
}

TEST_F(ExportSessionTest, ATakenNameFailsOrTakesTheNextFreeOne)
{
    auto screen = test::makeMovie(folder / "screen.mp4", 0.5, 160, 120, false);
    std::ofstream(folder / "out.mp4") << "someone else's file";
    auto strict = session(compose(screen, false), ExportPreset::highestQuality, folder / "out.mp4");
    strict->exportSynchronously();
    EXPECT_EQ(strict->status(), ExportStatus::failed);
    EXPECT_EQ(strict->error()->code, int(ExportErrorCode::fileExists));

    auto numbered = session(compose(screen, false), ExportPreset::highestQuality, folder / "out.mp4");
    numbered->setNameClash(NameClash::nextFreeName);
    numbered->exportSynchronously();
    ASSERT_EQ(numbered->status(), ExportStatus::completed);
    EXPECT_EQ(numbered->publishedURL(), folder / "out-2.mp4");
    EXPECT_EQ(test::probe(folder / "out-2.mp4").videoFrames, 15);
    std::ifstream kept(folder / "out.mp4");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "someone else's file");
}

TEST_F(ExportSessionTest, ACompositorFailureFailsTheExportAndRemovesTheFile)
{
    auto screen = test::makeMovie(folder / "screen.mp4", 2.0, 160, 120, false);
    failAt = 1.0;
    auto export_ = session(compose(screen, false), ExportPreset::highestQuality, folder / "out.mp4");
    export_->exportSynchronously();
    EXPECT_EQ(export_->status(), ExportStatus::failed);
    ASSERT_TRUE(export_->error());
    EXPECT_NE(describe(*export_->error()).find("Missing a source frame while rendering."),
              std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(folder / "out.mp4"));
}

TEST_F(ExportSessionTest, NeverOverwritesAnExistingFile)
{
    auto screen = test::makeMovie(folder / "screen.mp4", 1.0, 160, 120, false);
    auto export_ = session(compose(screen, false), ExportPreset::highestQuality, screen);
    auto sizeBefore = std::filesystem::file_size(screen);
    export_->exportSynchronously();
    EXPECT_EQ(export_->status(), ExportStatus::failed);
    EXPECT_EQ(std::filesystem::file_size(screen), sizeBefore);
    EXPECT_NO_THROW(MediaAsset::load(screen));
}

TEST_F(ExportSessionTest, AScreenFileDamagedAfterLoadingFailsCleanly)
{
    for (bool withAudio : {false, true}) {
        auto screen = test::makeMovie(folder / "screen.mp4", 1.0, 160, 120, true);
        auto composition = compose(screen, withAudio);
        std::ofstream(screen, std::ios::trunc) << "gone";
        auto export_ = session(composition, ExportPreset::highestQuality, folder / "out.mp4");
        export_->exportSynchronously();
        EXPECT_EQ(export_->status(), ExportStatus::failed);
        ASSERT_TRUE(export_->error());
        EXPECT_EQ(export_->error()->code, int(ExportErrorCode::decodeFailed));
        EXPECT_NE(describe(*export_->error()).find("screen.mp4"), std::string::npos)
            << describe(*export_->error());
        EXPECT_FALSE(std::filesystem::exists(folder / "out.mp4"));
    }
}

TEST_F(ExportSessionTest, AFileCutShortAfterItsIndexExportsWhatIsThere)
{
    // Index in front, media data cut off: the file opens, its frames end early.
    auto screen = folder / "cut.mp4";
    test::runFfmpeg("-f lavfi -i testsrc2=s=160x120:r=30:d=2 -c:v libx264 -preset ultrafast "
                    "-movflags +faststart \"" + screen.string() + "\"");
    EXPECT_FALSE(MediaAsset::load(screen).truncatedAt()) << "a whole file";
    std::filesystem::resize_file(screen, std::filesystem::file_size(screen) * 6 / 10);
    const auto end = MediaAsset::load(screen).truncatedAt();
    ASSERT_TRUE(end) << "the cut is seen";
    EXPECT_GT(*end, 0.3);
    EXPECT_LT(*end, 1.9);
    auto export_ = session(compose(screen, false), ExportPreset::highestQuality, folder / "out.mp4");
    export_->exportSynchronously();
    ASSERT_EQ(export_->status(), ExportStatus::completed)
        << (export_->error() ? describe(*export_->error()) : "");
    EXPECT_EQ(test::probe(folder / "out.mp4").videoFrames, 60);
}

} // namespace
} // namespace tarnix::media
