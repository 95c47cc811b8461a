#include <gtest/gtest.h>

#include <QPainter>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "MediaTestSupport.h"
#include "media/KeyFrameIndex.h"
#include "media/PreviewPlayer.h"
#include "media/ScrubProxy.h"
#include "support/ServiceHelpers.h"

namespace tarnix::media {
namespace {

// Copies the screen frame and marks pixel (0, 0) with its version's colour, so a test can tell
// which composition drew a frame. Takes `delayMs` per frame and fails from `failAt` on.
class MarkingCompositor : public VideoCompositing {
public:
    MarkingCompositor(QRgb mark, int delayMs, double failAt)
        : mark_(mark)
        , delayMs_(delayMs)
        , failAt_(failAt)
    {
    }
    void renderContextChanged(std::shared_ptr<RenderContext> context) override
    {
        context_ = std::move(context);
    }
    void startRequest(CompositionRequest& request) override
    {
        ++started;
        if (delayMs_ > 0)
            QThread::msleep(delayMs_); // a compositor this slow makes decoding overlap seeks
        QImage screen = request.sourceFrameByTrackID(1);
        if (screen.isNull() || request.compositionTime() >= failAt_)
            return request.finishWithError(
                {"CompositorError", 0, "A frame couldn't be drawn.", {}, nullptr});
        QImage out = context_->newPixelBuffer();
        QPainter painter(&out);
        painter.drawImage(out.rect(), screen);
        painter.end();
        out.setPixel(0, 0, mark_);
        request.finishWithComposedVideoFrame(out);
    }
    void cancelAllPendingVideoCompositionRequests() override {}

    static inline std::atomic<int> started{0}; // requests begun, by every instance

private:
    QRgb mark_;
    int delayMs_;
    double failAt_;
    std::shared_ptr<RenderContext> context_;
};

constexpr QRgb kRed = 0xffff0000;
constexpr QRgb kBlue = 0xff0000ff;

// Signals of one player, recorded.
struct Recorder {
    explicit Recorder(PreviewPlayer& player)
    {
        QObject::connect(&player, &PreviewPlayer::frameChanged, [this](const QImage& f, double t) {
            frames.push_back(test::frameIndexOf(f));
            frameTimes.push_back(t);
        });
        QObject::connect(&player, &PreviewPlayer::timeChanged, [this](double t) { times.push_back(t); });
        QObject::connect(&player, &PreviewPlayer::playingChanged, [this](bool p) { playing.push_back(p); });
        QObject::connect(&player, &PreviewPlayer::seekFinished, [this](double t) { seeks.push_back(t); });
        QObject::connect(&player, &PreviewPlayer::failed, [this](const QString& m) { failures.push_back(m); });
    }
    std::vector<int> frames;
    std::vector<double> frameTimes;
    std::vector<double> times;
    std::vector<bool> playing;
    std::vector<double> seeks;
    std::vector<QString> failures;
};

class PreviewPlayerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        av_log_set_level(AV_LOG_ERROR);
        tarnix::test::ensureApplication();
        movieFolder = new test::TempFolder;
        // 60 frames (2 s) whose frame index is readable from the picture; key frames every 12
        // frames and B-frames, so that seeks decode forward from a key frame.
        test::makeIndexedMovie(*movieFolder / "screen.mp4", 60, 30, 12);
        test::makeTone(*movieFolder / "tone.m4a", 2, 440);
    }
    static void TearDownTestSuite()
    {
        delete movieFolder;
        movieFolder = nullptr;
    }

    // The screen movie's source range [from, from + length) placed at 0 (a composition made of
    // kept spans starts anywhere in its source), with the tone as track 3 when wanted.
    std::shared_ptr<const Composition> compose(double from, double length, bool audio)
    {
        MediaAsset screen = MediaAsset::load(*movieFolder / "screen.mp4");
        auto composition = std::make_shared<Composition>();
        composition->addMutableTrack(MediaType::video, 1);
        EXPECT_FALSE(composition->insertTimeRange(1, {from, length},
                                                  screen.tracks(MediaType::video)[0], 0));
        if (audio) {
            MediaAsset tone = MediaAsset::load(*movieFolder / "tone.m4a");
            composition->addMutableTrack(MediaType::audio, 3);
            EXPECT_FALSE(composition->insertTimeRange(3, {from, length},
                                                      tone.tracks(MediaType::audio)[0], 0));
        }
        return composition;
    }

    VideoComposition video(double length, QRgb mark = kRed, int delayMs = 0, double failAt = 1e9)
    {
        VideoComposition v;
        v.renderSize = QSize(64, 48);
        v.instructions = {std::make_shared<test::ScreenInstruction>(TimeRange{0, length})};
        v.customVideoCompositor = [=] {
            return std::make_unique<MarkingCompositor>(mark, delayMs, failAt);
        };
        return v;
    }

    static bool waitFor(const std::function<bool()>& condition, double seconds = 10)
    {
        return tarnix::test::processEventsUntil(seconds, condition);
    }

    static inline test::TempFolder* movieFolder = nullptr;
};

TEST_F(PreviewPlayerTest, PlaysWithSoundInStepWithThePictureAndPauses)
{
    if (!tarnix::test::requireSoundServer())
        return;
    PreviewPlayer player;
    Recorder recorded(player);
    player.setComposition(compose(0, 2, true), video(2));
    EXPECT_DOUBLE_EQ(player.duration(), 2);
    ASSERT_TRUE(waitFor([&] { return !player.currentFrame().isNull(); }));
    EXPECT_EQ(recorded.frames.back(), 0);

    player.play();
    ASSERT_TRUE(waitFor([&] { return player.currentTime() >= 0.8; }));
    EXPECT_TRUE(player.isAudioClockActive());
    EXPECT_GT(player.statistics().audioFramesPlayed, 0);
    // The picture on screen is the one the clock is at, within a frame.
    int due = int(player.currentTime() * 30);
    EXPECT_NEAR(test::frameIndexOf(player.currentFrame()), due, 1);
    EXPECT_GE(player.statistics().framesShown, 10);
    EXPECT_TRUE(std::is_sorted(recorded.frames.begin(), recorded.frames.end()));
    EXPECT_GE(recorded.times.size(), 10u); // the 1/30 s time callback
    EXPECT_TRUE(std::is_sorted(recorded.times.begin(), recorded.times.end()));

    player.pause();
    EXPECT_FALSE(player.isPlaying());
    EXPECT_FALSE(player.isAudioClockActive());
    double pausedAt = player.currentTime();
    ASSERT_TRUE(waitFor([&] { return test::frameIndexOf(player.currentFrame()) == int(pausedAt * 30 + 1e-6); }));
    tarnix::test::processEvents(0.1);
    EXPECT_DOUBLE_EQ(player.currentTime(), pausedAt);
    EXPECT_EQ(recorded.playing, (std::vector<bool>{true, false}));
    EXPECT_TRUE(recorded.failures.empty());
}

TEST_F(PreviewPlayerTest, SeeksLandOnTheExactFrameOfTheCompositionTime)
{
    PreviewPlayer player;
    player.setAudioOutputEnabled(false);
    Recorder recorded(player);
    // Composition time 0 is source time 0.5 (frame 15): frames are found through the composition.
    player.setComposition(compose(0.5, 1.5, false), video(1.5));
    for (double t : {1.0, 0.2, 1.0 + 1.0 / 30, 0.0, 1.49, 0.7}) {
        // A frame already composed ahead may land at once, so isSeeking() may already be false.
        player.seek(t);
        EXPECT_DOUBLE_EQ(player.currentTime(), t);
        ASSERT_TRUE(waitFor([&] { return !player.isSeeking(); })) << t;
        EXPECT_EQ(test::frameIndexOf(player.currentFrame()), 15 + int(t * 30 + 1e-6)) << t;
        EXPECT_DOUBLE_EQ(recorded.seeks.back(), t);
        EXPECT_DOUBLE_EQ(player.currentTime(), t);
    }
    player.seek(-3);
    EXPECT_DOUBLE_EQ(player.currentTime(), 0);
    player.seek(99);
    EXPECT_DOUBLE_EQ(player.currentTime(), 1.5);
    ASSERT_TRUE(waitFor([&] { return !player.isSeeking(); }));
    EXPECT_EQ(test::frameIndexOf(player.currentFrame()), 15 + 44); // the last frame

    // Frames fitted to the display are made again, at the same place, when its size changes.
    player.seek(0.7);
    ASSERT_TRUE(waitFor([&] { return !player.isSeeking(); }));
    player.setDisplaySize(QSize(40, 40));
    ASSERT_TRUE(waitFor([&] { return player.currentFrame().size() == QSize(40, 30); }));
    EXPECT_EQ(test::frameIndexOf(player.currentFrame()), 15 + 21);
    EXPECT_EQ(player.renderSize(), QSize(64, 48));
    player.setDisplaySize(QSize());
    ASSERT_TRUE(waitFor([&] { return player.currentFrame().size() == QSize(64, 48); }));

    // A seek while playing lands, then playback goes on from there.
    player.seek(0.2);
    player.play();
    player.seek(1.0);
    EXPECT_TRUE(player.isPlaying());
    ASSERT_TRUE(waitFor([&] { return !player.isSeeking(); }));
    EXPECT_EQ(recorded.frames.back(), 15 + 30);
    ASSERT_TRUE(waitFor([&] { return player.currentTime() > 1.1; }));
    EXPECT_TRUE(player.isPlaying());
    EXPECT_TRUE(recorded.failures.empty());
}

TEST_F(PreviewPlayerTest, ANewerSeekSupersedesAnOlderOneStillBeingDrawn)
{
    PreviewPlayer player;
    player.setAudioOutputEnabled(false);
    Recorder recorded(player);
    player.setComposition(compose(0, 2, false), video(2, kRed, 60));
    ASSERT_TRUE(waitFor([&] { return !player.currentFrame().isNull(); }));
    recorded.frames.clear();

    // Scrubbing: each position is asked for before the one before it could be drawn.
    for (double t : {0.5, 0.9, 1.2, 1.5})
        player.seek(t);
    ASSERT_TRUE(waitFor([&] { return !player.isSeeking(); }));
    EXPECT_EQ(recorded.seeks, (std::vector<double>{1.5}));
    EXPECT_EQ(recorded.frames, (std::vector<int>{45}));

    // A seek that starts drawing and is then overtaken is dropped as well.
    int before = MarkingCompositor::started;
    player.seek(0.3);
    ASSERT_TRUE(waitFor([&] { return MarkingCompositor::started > before; }));
    player.seek(1.9);
    ASSERT_TRUE(waitFor([&] { return !player.isSeeking(); }));
    EXPECT_EQ(recorded.seeks.back(), 1.9);
    EXPECT_EQ(recorded.frames.back(), 57);
    EXPECT_EQ(std::count(recorded.frames.begin(), recorded.frames.end(), 9), 0);

    // A receiver of a frame may seek at once; that newer seek is the one that finishes.
    bool once = true;
    QObject::connect(&player, &PreviewPlayer::frameChanged, [&] {
        if (std::exchange(once, false))
            player.seek(0.1);
    });
    recorded.seeks.clear();
    player.seek(1.0);
    ASSERT_TRUE(waitFor([&] { return !player.isSeeking(); }));
    EXPECT_EQ(recorded.seeks, (std::vector<double>{0.1}));
    EXPECT_EQ(recorded.frames.back(), 3);
}

// Stepping back frame by frame lands on each exact frame, across key frames too, while the
// decoder fills in the stretch behind the playhead between the steps.
TEST_F(PreviewPlayerTest, StepsBackAcrossKeyFramesShowEachExactFrame)
{
    PreviewPlayer player;
    player.setAudioOutputEnabled(false);
    Recorder recorded(player);
    player.setComposition(compose(0, 2, false), video(2));
    player.seek(1.0 + 0.01);
    ASSERT_TRUE(waitFor([&] { return !player.isSeeking(); }));
    for (int frame = 29; frame >= 5; --frame) {
        player.seek(frame / 30.0 + 0.01);
        ASSERT_TRUE(waitFor([&] { return !player.isSeeking(); })) << frame;
        EXPECT_EQ(test::frameIndexOf(player.currentFrame()), frame);
        EXPECT_EQ(recorded.frames.back(), frame);
    }
    // A step forward and Play from there go on with the frames after it.
    player.seek(6 / 30.0 + 0.01);
    ASSERT_TRUE(waitFor([&] { return !player.isSeeking(); }));
    EXPECT_EQ(test::frameIndexOf(player.currentFrame()), 6);
    recorded.frames.clear();
    player.play();
    ASSERT_TRUE(waitFor([&] { return player.currentTime() > 0.5; }));
    player.pause();
    ASSERT_FALSE(recorded.frames.empty());
    EXPECT_TRUE(std::is_sorted(recorded.frames.begin(), recorded.frames.end()));
    EXPECT_EQ(recorded.frames.front(), 7);
    EXPECT_TRUE(recorded.failures.empty());
}

TEST_F(PreviewPlayerTest, ARebuiltCompositionSwapsInAtThePlayhead)
{
    PreviewPlayer player;
    player.setAudioOutputEnabled(false);
    Recorder recorded(player);
    player.setComposition(compose(0, 2, false), video(2, kRed));
    player.seek(1.0);
    ASSERT_TRUE(waitFor([&] { return !player.isSeeking(); }));

    player.replaceComposition(compose(0, 2, false), video(2, kBlue));
    EXPECT_DOUBLE_EQ(player.currentTime(), 1.0);
    ASSERT_TRUE(waitFor([&] { return player.currentFrame().pixel(0, 0) == kBlue; }));
    EXPECT_EQ(test::frameIndexOf(player.currentFrame()), 30);
    EXPECT_FALSE(player.isPlaying());

    // While playing: playback goes on from the same place with the new composition.
    player.play();
    ASSERT_TRUE(waitFor([&] { return player.currentTime() >= 1.2; }));
    double before = player.currentTime();
    player.replaceComposition(compose(0, 2, false), video(2, kRed));
    EXPECT_GE(player.currentTime(), before);
    EXPECT_LT(player.currentTime(), before + 0.1);
    ASSERT_TRUE(waitFor([&] { return player.currentFrame().pixel(0, 0) == kRed; }));
    EXPECT_NEAR(test::frameIndexOf(player.currentFrame()), int(before * 30), 1);
    EXPECT_TRUE(player.isPlaying());

    // A shorter rebuild (a cut) pulls the playhead back to its end.
    player.pause();
    player.seek(1.8);
    ASSERT_TRUE(waitFor([&] { return !player.isSeeking(); }));
    player.replaceComposition(compose(0, 1, false), video(1, kBlue));
    EXPECT_DOUBLE_EQ(player.duration(), 1);
    EXPECT_DOUBLE_EQ(player.currentTime(), 1);
    ASSERT_TRUE(waitFor([&] { return player.currentFrame().pixel(0, 0) == kBlue; }));
    EXPECT_EQ(test::frameIndexOf(player.currentFrame()), 29);
    EXPECT_TRUE(recorded.failures.empty());
}

TEST_F(PreviewPlayerTest, PausesAtTheEndAndPlaysAgainFromTheStart)
{
    PreviewPlayer player; // no audio track: the steady clock runs
    Recorder recorded(player);
    player.setComposition(compose(0, 2, false), video(2));
    player.seek(1.7);
    player.play();
    ASSERT_TRUE(waitFor([&] { return !player.isPlaying(); }));
    EXPECT_FALSE(player.isAudioClockActive());
    EXPECT_DOUBLE_EQ(player.currentTime(), 2);
    EXPECT_DOUBLE_EQ(recorded.times.back(), 2);
    EXPECT_EQ(recorded.playing, (std::vector<bool>{true, false}));
    ASSERT_TRUE(waitFor([&] { return test::frameIndexOf(player.currentFrame()) == 59; }));

    player.play();
    EXPECT_TRUE(player.isPlaying());
    // From the start; the clock is already running when it is read.
    EXPECT_NEAR(player.currentTime(), 0, 0.1);
    ASSERT_TRUE(waitFor([&] { return player.currentTime() > 0.2; }));
    EXPECT_LT(player.currentTime(), 1.5);
}

TEST_F(PreviewPlayerTest, FailuresAreReportedAndStopPlayback)
{
    PreviewPlayer player;
    player.setAudioOutputEnabled(false);
    Recorder recorded(player);
    player.setComposition(compose(0, 2, false), video(2, kRed, 0, 1.0));
    player.seek(0.8);
    player.play();
    ASSERT_TRUE(waitFor([&] { return !recorded.failures.empty(); }));
    EXPECT_EQ(recorded.failures.back(), "A frame couldn't be drawn.");
    EXPECT_FALSE(player.isPlaying());
    EXPECT_LT(player.currentTime(), 1.2);
    // Seeking into the failing part fails again rather than waiting forever.
    player.seek(1.5);
    ASSERT_TRUE(waitFor([&] { return !player.isSeeking(); }));
    EXPECT_EQ(recorded.failures.size(), 2u);

    // A video composition that cannot draw anything is refused; the player stays usable.
    VideoComposition nothing;
    player.replaceComposition(compose(0, 2, false), nothing);
    EXPECT_EQ(recorded.failures.back(), "There is no video to play.");
    player.seek(0.5);
    ASSERT_TRUE(waitFor([&] { return !player.isSeeking(); }));
    EXPECT_EQ(test::frameIndexOf(player.currentFrame()), 15);

    player.clear();
    EXPECT_FALSE(player.hasComposition());
    EXPECT_DOUBLE_EQ(player.duration(), 0);
    player.play();
    EXPECT_FALSE(player.isPlaying());
}

} // namespace
} // namespace tarnix::media

namespace tarnix::media {
namespace {

// A seek shows the scrub proxy's stand-in only until the real frame is there, never after it,
// and always ends on the exact frame of the movie itself.
TEST_F(PreviewPlayerTest, TheProxyStandsInOnlyUntilTheRealFrameIsThere)
{
    test::TempFolder folder;
    // One key frame for 2 s of 1280 × 720: a seek decodes up to 59 frames first.
    AssetTrack movie = MediaAsset::load(test::makeIndexedMovie(folder / "big.mp4", 60, 30, 60,
                                                               -1, 1280, 720))
                           .tracks(MediaType::video)[0];
    std::atomic<bool> cancel{false};
    const auto proxyPath = scrubProxyPath(movie, folder / "proxies");
    ASSERT_EQ(makeScrubProxy(movie, proxyPath, cancel), ScrubProxyResult::made);
    // 15 pictures a second: the stand-in of an odd frame is the one before it.
    EXPECT_EQ(keyFrameTimes(MediaAsset::load(proxyPath).tracks(MediaType::video)[0]).size(), 30u);

    PreviewPlayer player;
    player.setAudioOutputEnabled(false);
    player.setScrubProxyFolder(folder / "proxies");
    std::vector<std::pair<int, bool>> shown; // frame index, from the proxy
    QObject::connect(&player, &PreviewPlayer::frameChanged, [&](const QImage& f, double) {
        shown.emplace_back(test::frameIndexOf(f), player.isShowingProxy());
    });
    auto composition = std::make_shared<Composition>();
    composition->addMutableTrack(MediaType::video, 1);
    ASSERT_FALSE(composition->insertTimeRange(1, {0, 2}, movie, 0));
    player.setComposition(composition, video(2));
    ASSERT_TRUE(waitFor([&] { return !player.isSeeking() && !player.currentFrame().isNull(); }));

    // A stand-in that finished after the real frame would show up in the next seek's frames,
    // with the previous seek's picture.
    for (double t : {1.9, 0.3, 1.5, 0.0, 1.97, 1.0, 1.0 + 1.0 / 30}) {
        shown.clear();
        player.seek(t);
        ASSERT_TRUE(waitFor([&] { return !player.isSeeking(); })) << t;
        const int exact = int(t * 30 + 1e-6);
        EXPECT_FALSE(player.isShowingProxy()) << t;
        EXPECT_EQ(test::frameIndexOf(player.currentFrame()), exact) << t;
        bool realSeen = false;
        bool proxySeen = false;
        for (auto [index, proxy] : shown) {
            EXPECT_FALSE(proxy && realSeen) << "a stand-in after the real frame at " << t;
            EXPECT_EQ(index, proxy ? exact / 2 * 2 : exact) << t;
            realSeen = realSeen || !proxy;
            proxySeen = proxySeen || proxy;
        }
        // A frame at the key frame, or a step on from the frame before, needs no stand-in.
        if (t == 0.0 || t == 1.0 + 1.0 / 30) {
            EXPECT_FALSE(proxySeen) << t;
        }
    }
}

// A movie opened without its proxy (the recorder's maker never ran) gets one from the player,
// in the background; the movie plays meanwhile.
TEST_F(PreviewPlayerTest, AMovieWithoutItsProxyGetsOneWhenFirstPlayed)
{
    test::TempFolder folder;
    AssetTrack movie = MediaAsset::load(test::makeIndexedMovie(folder / "big.mp4", 30, 30, 30,
                                                               -1, 1280, 720))
                           .tracks(MediaType::video)[0];
    const auto proxyPath = scrubProxyPath(movie, folder / "proxies");
    PreviewPlayer player;
    player.setAudioOutputEnabled(false);
    player.setScrubProxyFolder(folder / "proxies");
    auto composition = std::make_shared<Composition>();
    composition->addMutableTrack(MediaType::video, 1);
    ASSERT_FALSE(composition->insertTimeRange(1, {0, 1}, movie, 0));
    player.setComposition(composition, video(1));
    ASSERT_TRUE(waitFor([&] { return !player.isSeeking() && !player.currentFrame().isNull(); }));
    EXPECT_TRUE(waitFor([&] { return std::filesystem::exists(proxyPath); }, 120));
    EXPECT_EQ(keyFrameTimes(MediaAsset::load(proxyPath).tracks(MediaType::video)[0]).size(), 15u);
}

} // namespace
} // namespace tarnix::media
