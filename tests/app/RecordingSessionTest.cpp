#include <gtest/gtest.h>

#include "app/DocumentFiles.h"
#include "app/RecordingSession.h"
#include "capture/CaptureClock.h"
#include "capture/CaptureMessages.h"
#include "document/DocumentCoding.h"
#include "support/MediaProbe.h"
#include "support/ServiceHelpers.h"
#include "support/SessionSetup.h"

using namespace tarnix;

namespace {

class RecordingSessionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::ensureApplication();
        session = test::makeTestSession(folder.path());
    }

    void selectFirstDisplayAndMicrophone()
    {
        session->sourceProvider().refresh();
        ASSERT_FALSE(session->sourceProvider().displays().empty());
        session->setSelectedSourceID(displayIdentifier(session->sourceProvider().displays().front()));
        session->micRecorder().configure("tarnix_mic");
        session->setSelectedMicID("tarnix_mic");
    }

    // The window as a fresh listing shows it; nothing when it is not listed.
    std::optional<WindowInfo> listedWindow(const std::string& title)
    {
        session->sourceProvider().refresh();
        for (const auto& w : session->sourceProvider().windows())
            if (w.title == title)
                return w;
        return std::nullopt;
    }

    // The document beside the movie holds exactly the completed timeline.
    void expectDocumentOf(const RecordingTimeline& t)
    {
        ASSERT_TRUE(session->documentURL()) << session->documentError().value_or("");
        EXPECT_EQ(*session->documentURL(), DocumentFiles::documentPath(*t.videoURL));
        EXPECT_EQ(decodeRecordingTimeline(test::readFile(*session->documentURL())), t);
    }

    bool toggle()
    {
        bool done = false;
        session->toggleRecording([&] { done = true; });
        return test::processEventsUntil(30, [&] { return done; });
    }

    test::TemporaryFolder folder;
    std::unique_ptr<RecordingSession> session;
};

} // namespace

TEST_F(RecordingSessionTest, withNoSourceSelectedNothingStarts)
{
    bool done = false;
    session->toggleRecording([&] { done = true; });
    EXPECT_TRUE(done);
    EXPECT_FALSE(session->isRecording());
    EXPECT_FALSE(session->cursorTracker().startTime());
    EXPECT_FALSE(session->recordingStartedAt());
    session->setSelectedSourceID("display-424242");
    session->toggleRecording();
    EXPECT_FALSE(session->isRecording());
    EXPECT_FALSE(session->recorder().errorMessage());
}

TEST_F(RecordingSessionTest, aRecordingWritesTheMovieTheMicrophoneAndARebasedDocument)
{
    if (!test::requireDisplay() || !test::requireSoundServer())
        return;
    ASSERT_NO_FATAL_FAILURE(selectFirstDisplayAndMicrophone());
    session->setIncludeSystemAudio(true);
    test::shell("xdotool mousemove 700 500");

    ASSERT_TRUE(toggle());
    ASSERT_TRUE(session->isRecording()) << session->recorder().errorMessage().value_or("");
    EXPECT_TRUE(session->micRecorder().isRecording());
    ASSERT_TRUE(test::processEventsUntil(20, [&] { return session->recorder().appendedFrameCount() >= 30; }));
    const double clickedAt = CaptureClock::now();
    test::shell("xdotool mousemove_relative 20 0 click 1");
    const int framesAtClick = session->recorder().appendedFrameCount();
    ASSERT_TRUE(test::processEventsUntil(20, [&] {
        return session->cursorTracker().clickCount() >= 2 &&
               session->recorder().appendedFrameCount() >= framesAtClick + 60;
    }));
    ASSERT_TRUE(toggle());
    EXPECT_FALSE(session->isRecording());
    EXPECT_FALSE(session->micRecorder().isRecording());

    ASSERT_TRUE(session->completedTimeline());
    const auto& t = *session->completedTimeline();
    EXPECT_EQ(t.videoURL, session->recorder().lastOutputURL());
    EXPECT_EQ(t.microphoneURL, session->micRecorder().lastOutputURL());
    EXPECT_FALSE(t.cameraURL);
    EXPECT_FALSE(t.cameraOverlay.isEnabled);
    EXPECT_TRUE(t.hasSystemAudio);
    EXPECT_EQ(t.captureFrame, session->recordingSource()->screenFrame());
    ASSERT_FALSE(t.clickEvents.empty());
    EXPECT_EQ(t.clickEvents.front().kind, ClickKind::leftDown);
    for (const auto& sample : t.cursorSamples)
        EXPECT_GE(sample.timestamp, 0);
    ASSERT_TRUE(session->recorder().firstFrameWallClockDate());
    const double clickInMovie =
        clickedAt - CaptureClock::monotonicOf(*session->recorder().firstFrameWallClockDate());
    for (const auto& click : t.clickEvents)
        EXPECT_NEAR(click.timestamp, clickInMovie, 0.3) << "re-based onto the first frame";
    EXPECT_FALSE(t.zoomRegions.empty()) << "the click gives a click-based zoom region";

    expectDocumentOf(t);

    const auto movie = test::probe(*t.videoURL);
    for (const auto& region : t.zoomRegions)
        EXPECT_LE(region.end, movie.duration + 1e-6) << "held to the end of the movie";
    EXPECT_EQ(movie.videoStreams, 1);
    EXPECT_EQ(movie.audioStreams, 1);
    const auto mic = test::audioStats(*t.microphoneURL);
    ASSERT_TRUE(mic);
    EXPECT_EQ(mic->channels, 1);
    EXPECT_GT(mic->rms, 0.05);
}

// A microphone that is still selected but gone (unplugged since: the bar releases it) records
// nothing, and the next document must not name the previous recording's microphone file.
TEST_F(RecordingSessionTest, aSelectedMicrophoneThatIsGoneLeavesNoMicrophoneInTheNextDocument)
{
    if (!test::requireDisplay() || !test::requireSoundServer())
        return;
    ASSERT_NO_FATAL_FAILURE(selectFirstDisplayAndMicrophone());
    auto recordBriefly = [&] {
        ASSERT_TRUE(toggle());
        ASSERT_TRUE(session->isRecording()) << session->recorder().errorMessage().value_or("");
        ASSERT_TRUE(test::processEventsUntil(20, [&] { return session->recorder().appendedFrameCount() >= 10; }));
        ASSERT_TRUE(toggle());
        ASSERT_TRUE(session->completedTimeline());
    };
    ASSERT_NO_FATAL_FAILURE(recordBriefly());
    const auto firstMicrophone = session->completedTimeline()->microphoneURL;
    ASSERT_TRUE(firstMicrophone);

    session->micRecorder().teardown();
    ASSERT_NO_FATAL_FAILURE(recordBriefly());
    const auto& second = *session->completedTimeline();
    EXPECT_FALSE(second.microphoneURL) << "not " << firstMicrophone->string();
    EXPECT_FALSE(session->micRecorder().isRecording());
    expectDocumentOf(second);
}

TEST_F(RecordingSessionTest, aScreenThatFailsToStartStopsEverythingElseAgain)
{
    if (!test::requireDisplay() || !test::requireSoundServer())
        return;
    ASSERT_NO_FATAL_FAILURE(selectFirstDisplayAndMicrophone());
    auto options = session->recorder().options();
    options.encoders = {"no-such-encoder"};
    session->recorder().setOptions(options);
    ASSERT_TRUE(toggle());
    EXPECT_FALSE(session->isRecording());
    EXPECT_FALSE(session->micRecorder().isRecording()) << "the microphone is stopped again";
    EXPECT_FALSE(session->cursorTracker().startTime()) << "the cursor tracker is stopped again";
    ASSERT_TRUE(session->recorder().errorMessage());
    EXPECT_EQ(session->recorder().errorMessage()->rfind("Failed to start recording: ", 0), 0u);
    EXPECT_TRUE(session->recordingStartedAt()) << "the start time is kept";
    EXPECT_FALSE(session->completedTimeline());
}

TEST_F(RecordingSessionTest, aRecordingWithoutFramesMakesNoDocument)
{
    if (!test::requireDisplay())
        return;
    test::TestWindow window("Tarnix session hidden window", "808080", QRect(60, 60, 200, 150), 0);
    ASSERT_TRUE(window.isReady());
    const auto listed = listedWindow("Tarnix session hidden window");
    ASSERT_TRUE(listed);
    test::shell("xdotool windowunmap --sync " + std::to_string(listed->windowID));
    session->setSelectedSourceID(windowIdentifier(*listed));
    ASSERT_TRUE(toggle());
    ASSERT_TRUE(session->isRecording());
    ASSERT_TRUE(toggle());
    EXPECT_FALSE(session->completedTimeline());
    EXPECT_FALSE(session->documentURL());
    EXPECT_EQ(session->recorder().errorMessage(), std::optional<std::string>(CaptureMessages::kNoFramesCaptured));
}

TEST_F(RecordingSessionTest, aWindowClosedMidRecordingStillLeavesTheMovieAndItsDocument)
{
    if (!test::requireDisplay())
        return;
    auto window = std::make_unique<test::TestWindow>("Tarnix session closing window", "3060c0",
                                                     QRect(300, 200, 320, 240), 0);
    ASSERT_TRUE(window->isReady());
    const auto listed = listedWindow("Tarnix session closing window");
    ASSERT_TRUE(listed);
    session->setSelectedSourceID(windowIdentifier(*listed));
    bool ended = false;
    QObject::connect(session.get(), &RecordingSession::recordingEndedByItself, [&] { ended = true; });
    test::shell("xdotool mousemove 400 300");

    ASSERT_TRUE(toggle());
    ASSERT_TRUE(session->isRecording()) << session->recorder().errorMessage().value_or("");
    ASSERT_TRUE(test::processEventsUntil(20, [&] { return session->recorder().appendedFrameCount() >= 30; }));
    const double clickedAt = CaptureClock::now();
    test::shell("xdotool mousemove_relative 15 10 click 1");
    const int framesAtClick = session->recorder().appendedFrameCount();
    ASSERT_TRUE(test::processEventsUntil(20, [&] {
        return session->cursorTracker().clickCount() >= 2 &&
               session->recorder().appendedFrameCount() >= framesAtClick + 10;
    }));
    window.reset(); // closes the recorded window
    ASSERT_TRUE(test::processEventsUntil(15, [&] { return ended; }));
    EXPECT_FALSE(session->isRecording());
    ASSERT_TRUE(session->recorder().errorMessage());
    EXPECT_EQ(*session->recorder().errorMessage(),
              CaptureMessages::captureStopped(CaptureMessages::kRecordedWindowClosed));
    EXPECT_FALSE(session->cursorTracker().startTime()) << "the trackers were stopped";

    ASSERT_TRUE(session->completedTimeline());
    const auto& t = *session->completedTimeline();
    expectDocumentOf(t);
    ASSERT_FALSE(t.clickEvents.empty());
    ASSERT_TRUE(session->recorder().firstFrameWallClockDate());
    const double clickInMovie =
        clickedAt - CaptureClock::monotonicOf(*session->recorder().firstFrameWallClockDate());
    for (const auto& click : t.clickEvents)
        EXPECT_NEAR(click.timestamp, clickInMovie, 0.3) << "re-based onto the first frame";
    for (const auto& sample : t.cursorSamples)
        EXPECT_GE(sample.timestamp, 0);
    const int frames = test::forEachVideoFrame(*t.videoURL, [](const QImage&, double) {});
    EXPECT_EQ(frames, session->recorder().appendedFrameCount()) << "the movie was finished";
    EXPECT_GT(frames, 10);

    // The ended recording is over: the next press starts a new one.
    session->setSelectedSourceID(displayIdentifier(session->sourceProvider().displays().front()));
    ASSERT_TRUE(toggle());
    EXPECT_TRUE(session->isRecording());
    ASSERT_TRUE(toggle());
    EXPECT_FALSE(session->isRecording());
}

TEST_F(RecordingSessionTest, aWindowRecordingFollowsItsWindowWhenItMovesAndChangesSize)
{
    if (!test::requireDisplay())
        return;
    const std::string title = "Tarnix session following window";
    test::TestWindow window(title, "808080", QRect(200, 150, 400, 300), 0, true);
    ASSERT_TRUE(window.isReady());
    const auto listed = listedWindow(title);
    ASSERT_TRUE(listed);
    session->setSelectedSourceID(windowIdentifier(*listed));
    ASSERT_TRUE(toggle());
    ASSERT_TRUE(session->isRecording()) << session->recorder().errorMessage().value_or("");
    ASSERT_TRUE(test::processEventsUntil(20, [&] { return session->recorder().appendedFrameCount() >= 20; }));

    // Wider and larger than the movie, and somewhere else.
    const QSize grown(720, 300);
    const std::string id = std::to_string(listed->windowID);
    test::shell("xdotool windowsize " + id + " 720 300 windowmove " + id + " 900 500");
    ASSERT_TRUE(window.waitUntilPainted(grown, 15));
    std::optional<WindowInfo> moved;
    ASSERT_TRUE(test::processEventsUntil(15, [&] {
        moved = listedWindow(title);
        return moved && moved->frame.size() == grown && moved->frame.topLeft() != listed->frame.topLeft();
    }));
    // The recording sees the window where it is now at its next grabs: the frames written
    // beyond the writer's queue (8) were grabbed after this point.
    const int framesAtMove = session->recorder().appendedFrameCount();
    ASSERT_TRUE(test::processEventsUntil(20, [&] { return session->recorder().appendedFrameCount() >= framesAtMove + 10; }));
    const QPoint centre = moved->frame.center();
    test::shell("xdotool mousemove " + std::to_string(centre.x()) + " " + std::to_string(centre.y()) + " click 1");
    const int framesAtClick = session->recorder().appendedFrameCount();
    ASSERT_TRUE(test::processEventsUntil(20, [&] {
        return session->cursorTracker().clickCount() >= 2 &&
               session->recorder().appendedFrameCount() >= framesAtClick + 30;
    }));
    ASSERT_TRUE(toggle());

    ASSERT_TRUE(session->completedTimeline());
    const auto& t = *session->completedTimeline();
    expectDocumentOf(t);
    EXPECT_EQ(t.captureFrame, session->recordingSource()->screenFrame()) << "the movie keeps the first size";
    ASSERT_FALSE(t.captureFrameSamples.empty());
    EXPECT_EQ(t.captureFrameSamples.back().rect, session->recordingSource()->screenFrameOf(moved->frame));

    // The click at the moved window's centre is the movie's centre, and so is its zoom.
    const auto click = std::find_if(t.clickEvents.begin(), t.clickEvents.end(),
                                    [](const ClickEvent& c) { return c.kind == ClickKind::leftDown; });
    ASSERT_NE(click, t.clickEvents.end());
    const Point mapped = t.normalizedPoint(click->point, click->timestamp);
    EXPECT_NEAR(mapped.x, 0.5, 0.01);
    EXPECT_NEAR(mapped.y, 0.5, 0.01);
    ASSERT_FALSE(t.zoomRegions.empty());
    EXPECT_NEAR(t.zoomRegions.back().rect.midX(), 0.5, 0.01);
    EXPECT_NEAR(t.zoomRegions.back().rect.midY(), 0.5, 0.01);

    // The last frame shows the whole grown window, scaled down between black bars.
    QImage last;
    ASSERT_GT(test::forEachVideoFrame(*t.videoURL, [&](const QImage& frame, double) { last = frame.copy(); }), 0);
    ASSERT_EQ(last.size(), QSize(400, 300));
    const auto shots = std::filesystem::path(TARNIX_BINARY_DIR) / "screenshots" / "app";
    std::filesystem::create_directories(shots);
    last.save(QString::fromStdString((shots / "followed-window-last-frame.png").string()));
    const Rect fit = aspectFitRect({720, 300}, {400, 300});
    const int top = int(fit.y * 300), bottom = int(fit.maxY() * 300);
    const int inset = 3; // inside the 12-pixel bands, scaled to about 6.7
    EXPECT_TRUE(test::similarColour(last.pixel(200, top + inset), qRgb(255, 0, 0), 48)) << "top edge";
    EXPECT_TRUE(test::similarColour(last.pixel(200, bottom - 1 - inset), qRgb(0, 0, 255), 48)) << "bottom edge";
    EXPECT_TRUE(test::similarColour(last.pixel(inset, 150), qRgb(255, 255, 0), 48)) << "left edge";
    EXPECT_TRUE(test::similarColour(last.pixel(399 - inset, 150), qRgb(255, 0, 255), 48)) << "right edge";
    EXPECT_TRUE(test::similarColour(last.pixel(200, 150), qRgb(128, 128, 128), 24)) << "the middle";
    EXPECT_TRUE(test::similarColour(last.pixel(200, top / 2), qRgb(0, 0, 0), 24)) << "black above";
    EXPECT_TRUE(test::similarColour(last.pixel(200, (bottom + 300) / 2), qRgb(0, 0, 0), 24)) << "black below";
}

TEST_F(RecordingSessionTest, aJournalThatCantBeWrittenIsSaidOnceWhileTheRecordingGoesOn)
{
    if (!test::requireDisplay())
        return;
    session->sourceProvider().refresh();
    ASSERT_FALSE(session->sourceProvider().displays().empty());
    session->setSelectedSourceID(displayIdentifier(session->sourceProvider().displays().front()));
    ASSERT_TRUE(toggle());
    ASSERT_TRUE(session->isRecording()) << session->recorder().errorMessage().value_or("");
    ASSERT_TRUE(test::processEventsUntil(20, [&] { return session->recorder().appendedFrameCount() >= 5; }));
    ASSERT_TRUE(test::fillDiskUnder(".tarnix-journal"));

    const std::string said = "The recording's safety copy can't be written (No space left on device); the recording "
                             "goes on, but a crash now would lose its cursor and clicks.";
    auto timesSaid = [&] {
        const auto notices = session->recordingNotices();
        return std::count(notices.begin(), notices.end(), said);
    };
    int changes = 0;
    QObject::connect(session.get(), &RecordingSession::recordingNoticesChanged, [&] { ++changes; });
    ASSERT_TRUE(test::processEventsUntil(10, [&] {
        test::shell("xdotool mousemove_relative -- 3 1 >/dev/null 2>&1");
        return timesSaid() > 0;
    })) << ::testing::PrintToString(session->recordingNotices());
    // More samples fail to reach the journal: nothing more is said, and the recording goes on.
    const int frames = session->recorder().appendedFrameCount();
    ASSERT_TRUE(test::processEventsUntil(10, [&] {
        test::shell("xdotool mousemove_relative -- 3 1 >/dev/null 2>&1");
        return session->recorder().appendedFrameCount() >= frames + 60;
    }));
    EXPECT_EQ(timesSaid(), 1);
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(session->isRecording());

    // Over once the recording stops.
    ASSERT_TRUE(toggle());
    ASSERT_TRUE(session->completedTimeline());
    expectDocumentOf(*session->completedTimeline());
    EXPECT_FALSE(session->completedTimeline()->cursorSamples.empty());
    EXPECT_EQ(timesSaid(), 0);
}
