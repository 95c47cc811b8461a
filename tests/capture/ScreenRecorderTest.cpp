#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "capture/CaptureClock.h"
#include "capture/CaptureMessages.h"
#include "capture/CaptureSourceProvider.h"
#include "capture/ScreenRecorder.h"
#include "support/MediaProbe.h"
#include "support/ServiceHelpers.h"

using namespace tarnix;

namespace {

class ScreenRecorderTest : public ::testing::Test {
protected:
    void SetUp() override { test::ensureApplication(); }

    std::optional<CaptureSource> firstDisplay()
    {
        provider.refresh();
        if (provider.displays().empty())
            return std::nullopt;
        return provider.source(displayIdentifier(provider.displays().front()));
    }

    std::optional<CaptureSource> windowTitled(const std::string& title)
    {
        provider.refresh();
        for (const auto& w : provider.windows())
            if (w.title == title)
                return provider.source(windowIdentifier(w));
        return std::nullopt;
    }

    void startAndWait(const CaptureSource& source, bool systemAudio = false)
    {
        bool started = false;
        recorder.start(source, {}, systemAudio, [&] { started = true; });
        test::processEventsUntil(10, [&] { return started; });
    }

    bool stopAndWait()
    {
        bool stopped = false;
        recorder.stop([&] { stopped = true; });
        return test::processEventsUntil(30, [&] { return stopped; });
    }

    test::TemporaryFolder folder;
    CaptureSourceProvider provider;
    ScreenRecorder recorder;

    void useFolder(std::vector<std::string> encoders = {"libx264"})
    {
        ScreenRecorder::Options options;
        options.outputDirectory = folder.path();
        options.encoders = std::move(encoders);
        options.preset = "ultrafast";
        recorder.setOptions(options);
    }
};

// A window that is 320 × 240 at (10, 10) until `narrowed` is set, then 161 × 241 at (500, 40):
// flat orange, so that black in the movie can only be the bars around it.
class ResizingWindowSource : public FrameSource {
public:
    explicit ResizingWindowSource(std::shared_ptr<std::atomic<bool>> narrowed)
        : narrowed_(std::move(narrowed))
    {
    }
    QImage grab() override
    {
        area_ = *narrowed_ ? QRect(500, 40, 161, 241) : QRect(10, 10, 320, 240);
        QImage image(area_.size(), QImage::Format_RGB32);
        image.fill(QColor(0xf0, 0x90, 0x20));
        return image;
    }
    std::optional<QRect> followedArea() const override { return area_; }

private:
    std::shared_ptr<std::atomic<bool>> narrowed_;
    QRect area_;
};

// A 64 × 48 picture whose grab holds the capture thread up once, at its tenth call, until the
// test lets it go.
class StallingSource : public FrameSource {
public:
    struct Control {
        std::atomic<bool> stalled{false};
        std::atomic<bool> released{false};
    };
    explicit StallingSource(std::shared_ptr<Control> control)
        : control_(std::move(control))
        , image_(64, 48, QImage::Format_RGB32)
    {
        image_.fill(QColor(0x30, 0x80, 0x40));
    }
    QImage grab() override
    {
        if (++calls_ == 10) {
            control_->stalled = true;
            control_->released.wait(false);
        }
        return image_;
    }

private:
    std::shared_ptr<Control> control_;
    QImage image_;
    int calls_ = 0;
};

// A 64 × 48 picture that notes the nice value of the thread grabbing it.
class PriorityNotingSource : public FrameSource {
public:
    explicit PriorityNotingSource(std::shared_ptr<std::atomic<int>> nice)
        : nice_(std::move(nice))
        , image_(64, 48, QImage::Format_RGB32)
    {
        image_.fill(QColor(0x80, 0x30, 0x40));
    }
    QImage grab() override
    {
        nice_->store(getpriority(PRIO_PROCESS, id_t(gettid())));
        return image_;
    }

private:
    std::shared_ptr<std::atomic<int>> nice_;
    QImage image_;
};

// The nice values of this process's threads.
std::vector<int> threadNiceValues()
{
    std::vector<int> values;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream stat(task.path() / "stat");
        std::string line;
        std::getline(stat, line);
        // Fields after the command's closing parenthesis: state is the 3rd field, nice the 19th.
        std::istringstream fields(line.substr(line.rfind(')') + 2));
        std::string field;
        for (int i = 3; i <= 19 && fields >> field; ++i)
            if (i == 19)
                values.push_back(std::stoi(field));
    }
    return values;
}

} // namespace

TEST_F(ScreenRecorderTest, theEncoderRunsBelowTheGrabsPriority)
{
    useFolder();
    ScreenRecorder::Options options = recorder.options();
    options.encoderNiceness = 3;
    recorder.setOptions(options);
    auto grabNice = std::make_shared<std::atomic<int>>(-100);
    recorder.setFrameSourceOpener([grabNice](const CaptureSource&, const std::vector<WindowInfo>&,
                                             std::function<void(OpenedFrameSource)> done) {
        OpenedFrameSource opened;
        opened.source = std::make_unique<PriorityNotingSource>(grabNice);
        done(std::move(opened));
    });
    const int base = getpriority(PRIO_PROCESS, id_t(gettid()));
    const int lowered = std::min(base + 3, 19);
    WindowInfo window;
    window.frame = QRect(0, 0, 64, 48);
    startAndWait(CaptureSource::forWindow(window, {QRect(0, 0, 1920, 1080)}));
    ASSERT_TRUE(recorder.isRecording()) << recorder.errorMessage().value_or("");
    ASSERT_TRUE(test::processEventsUntil(20, [&] { return recorder.appendedFrameCount() >= 5; }));
    const std::vector<int> nice = threadNiceValues();
    ASSERT_TRUE(stopAndWait());

    EXPECT_EQ(grabNice->load(), base) << "the grab keeps the process's priority";
    // The writer thread, and the encoder's own threads where x264 starts any for so small a
    // picture (it does not always).
    EXPECT_GE(std::count(nice.begin(), nice.end(), lowered), 1);
    EXPECT_EQ(getpriority(PRIO_PROCESS, id_t(gettid())), base) << "the caller's priority is its own";
}

TEST_F(ScreenRecorderTest, slotsLostWhileTheCaptureIsHeldUpAreCountedAsDroppedUnlessPaused)
{
    for (const bool paused : {false, true}) {
        SCOPED_TRACE(paused ? "paused during the stall" : "recording through the stall");
        useFolder();
        auto control = std::make_shared<StallingSource::Control>();
        recorder.setFrameSourceOpener([control](const CaptureSource&, const std::vector<WindowInfo>&,
                                                std::function<void(OpenedFrameSource)> done) {
            OpenedFrameSource opened;
            opened.source = std::make_unique<StallingSource>(control);
            done(std::move(opened));
        });
        auto pauses = std::make_shared<CapturePauses>();
        recorder.setPauses(pauses);
        WindowInfo window;
        window.frame = QRect(0, 0, 64, 48);
        startAndWait(CaptureSource::forWindow(window, {QRect(0, 0, 1920, 1080)}));
        ASSERT_TRUE(recorder.isRecording()) << recorder.errorMessage().value_or("");
        ASSERT_TRUE(test::processEventsUntil(20, [&] { return control->stalled.load(); }));
        if (paused)
            pauses->pause();
        // Half a second held up: 30 slots of the grid pass without a grab.
        const double stallStart = CaptureClock::now();
        test::processEventsUntil(5, [&] { return CaptureClock::now() - stallStart >= 0.5; });
        const double stall = CaptureClock::now() - stallStart;
        control->released = true;
        control->released.notify_all();
        if (paused)
            pauses->resume();
        const int before = recorder.appendedFrameCount();
        ASSERT_TRUE(test::processEventsUntil(20, [&] { return recorder.appendedFrameCount() >= before + 5; }));
        ASSERT_TRUE(stopAndWait());

        const CaptureStatistics statistics = recorder.captureStatistics();
        EXPECT_EQ(statistics.encoderBehind + statistics.unreadable, 0);
        if (paused) {
            // Only slots between the resume and the thread's next turn may count.
            EXPECT_LT(statistics.lateSlots, std::int64_t(stall * 60) / 2) << "a pause has no frames to lose";
        } else {
            // The grid catches up three late slots at once; the rest of the stall is lost.
            EXPECT_GE(statistics.lateSlots, std::int64_t(stall * 60) - 4);
        }
        EXPECT_EQ(recorder.droppedFrameCount(), statistics.lost());
        EXPECT_GE(statistics.grabbed, recorder.appendedFrameCount());
        EXPECT_GT(statistics.conversionSeconds, 0);
    }
}

TEST_F(ScreenRecorderTest, aWindowOfAnotherSizeIsScaledIntoTheMovieAndItsPlacesAreKept)
{
    useFolder();
    auto narrowed = std::make_shared<std::atomic<bool>>(false);
    recorder.setFrameSourceOpener([narrowed](const CaptureSource&, const std::vector<WindowInfo>&,
                                             std::function<void(OpenedFrameSource)> done) {
        OpenedFrameSource opened;
        opened.source = std::make_unique<ResizingWindowSource>(narrowed);
        done(std::move(opened));
    });
    WindowInfo window;
    window.frame = QRect(10, 10, 320, 240);
    startAndWait(CaptureSource::forWindow(window, {QRect(0, 0, 1920, 1080)}));
    ASSERT_TRUE(recorder.isRecording()) << recorder.errorMessage().value_or("");
    ASSERT_TRUE(test::processEventsUntil(20, [&] { return recorder.appendedFrameCount() >= 10; }));
    *narrowed = true;
    const int before = recorder.appendedFrameCount();
    ASSERT_TRUE(test::processEventsUntil(20, [&] { return recorder.appendedFrameCount() >= before + 10; }));
    ASSERT_TRUE(stopAndWait());

    const auto& places = recorder.followedFrames();
    ASSERT_EQ(places.size(), 2u);
    EXPECT_EQ(places[0].rootFrame, QRect(10, 10, 320, 240));
    EXPECT_LE(places[0].time, 0.0) << "seen at the first frame";
    EXPECT_EQ(places[1].rootFrame, QRect(500, 40, 161, 241));
    EXPECT_GT(places[1].time, 0.0);

    // 161 × 241 fills the movie's height and 160 of its width, centred: columns 80...239.
    QImage last;
    test::forEachVideoFrame(*recorder.lastOutputURL(), [&](const QImage& frame, double) { last = frame.copy(); });
    ASSERT_EQ(last.size(), QSize(320, 240));
    const QRgb orange = qRgb(0xf0, 0x90, 0x20), black = qRgb(0, 0, 0);
    for (int y : {1, 120, 238}) {
        EXPECT_TRUE(test::similarColour(last.pixel(81, y), orange, 24)) << "left edge, row " << y;
        EXPECT_TRUE(test::similarColour(last.pixel(238, y), orange, 24)) << "right edge, row " << y;
        EXPECT_TRUE(test::similarColour(last.pixel(77, y), black, 24)) << "bar on the left, row " << y;
        EXPECT_TRUE(test::similarColour(last.pixel(242, y), black, 24)) << "bar on the right, row " << y;
    }
}

TEST_F(ScreenRecorderTest, aDisplayRecordingHasTheDisplaySizeAPlausibleFrameCountAndNoPointer)
{
    if (!test::requireDisplay())
        return;
    test::TestWindow window("Tarnix flat window", "20c040", QRect(200, 200, 400, 300), 1);
    ASSERT_TRUE(window.isReady());
    useFolder();
    const auto windowSource = windowTitled("Tarnix flat window");
    ASSERT_TRUE(windowSource);
    const QRect area = windowSource->window().frame.adjusted(240, 60, -10, -10); // right of and below the field
    auto source = firstDisplay();
    ASSERT_TRUE(source);
    startAndWait(*source);
    ASSERT_TRUE(recorder.isRecording()) << recorder.errorMessage().value_or("");
    // Sweep the pointer over the window's flat right part for the whole recording, a few frames
    // at each place.
    for (int step = 0; step < 30; ++step) {
        test::shell("xdotool mousemove " + std::to_string(area.x() + 20 + (step % 6) * 25) + " " +
                    std::to_string(area.y() + 20 + (step % 5) * 40));
        const int written = recorder.appendedFrameCount();
        ASSERT_TRUE(test::processEventsUntil(10, [&] { return recorder.appendedFrameCount() >= written + 2; }));
    }
    ASSERT_TRUE(stopAndWait());
    EXPECT_FALSE(recorder.errorMessage()) << *recorder.errorMessage();
    ASSERT_TRUE(recorder.lastOutputURL());
    ASSERT_TRUE(recorder.firstFrameWallClockDate());
    const auto info = test::probe(*recorder.lastOutputURL());
    ASSERT_EQ(info.videoStreams, 1);
    EXPECT_EQ(info.width, source->pixelSize().width());
    EXPECT_EQ(info.height, source->pixelSize().height());
    EXPECT_EQ(info.audioStreams, 0);

    const QRgb green = qRgb(0x20, 0xc0, 0x40);
    int framesWithPointer = 0;
    const QPoint origin = source->display().frame.topLeft();
    const int frames = test::forEachVideoFrame(*recorder.lastOutputURL(), [&](const QImage& frame, double) {
        for (int y = area.top(); y <= area.bottom(); y += 3)
            for (int x = area.left(); x <= area.right(); x += 3)
                if (!test::similarColour(frame.pixel(x - origin.x(), y - origin.y()), green)) {
                    if (framesWithPointer++ == 0)
                        frame.save(QString::fromStdString((folder.path() / "pointer.png").string()));
                    return;
                }
    });
    EXPECT_EQ(frames, recorder.appendedFrameCount());
    EXPECT_GE(frames, 60); // two or more at each of the 30 pointer places
    EXPECT_EQ(framesWithPointer, 0);
}

TEST_F(ScreenRecorderTest, aWindowRecordingShowsOnlyThatWindowEvenWhenCovered)
{
    if (!test::requireDisplay())
        return;
    test::TestWindow below("Tarnix covered window", "20c040", QRect(100, 100, 400, 300), 1);
    ASSERT_TRUE(below.isReady());
    test::TestWindow above("Tarnix covering window", "d02020", QRect(300, 250, 300, 200), 0);
    ASSERT_TRUE(above.isReady());
    test::shell("xdotool windowraise " + above.xdotoolID());
    useFolder();
    auto source = windowTitled("Tarnix covered window");
    ASSERT_TRUE(source);
    startAndWait(*source);
    ASSERT_TRUE(recorder.isRecording()) << recorder.errorMessage().value_or("");
    ASSERT_TRUE(test::processEventsUntil(20, [&] { return recorder.appendedFrameCount() >= 30; }));
    ASSERT_TRUE(stopAndWait());
    ASSERT_GT(recorder.appendedFrameCount(), 0);
    const auto info = test::probe(*recorder.lastOutputURL());
    ASSERT_EQ(info.videoStreams, 1);
    EXPECT_EQ(info.width, 400);
    EXPECT_EQ(info.height, 300);
    int red = 0, checked = 0;
    test::forEachVideoFrame(*recorder.lastOutputURL(), [&](const QImage& frame, double) {
        // (350, 250) in the window is covered by the red window on screen.
        ++checked;
        if (!test::similarColour(frame.pixel(350, 250), qRgb(0x20, 0xc0, 0x40)))
            ++red;
    });
    EXPECT_GT(checked, 10);
    EXPECT_EQ(red, 0);
}

TEST_F(ScreenRecorderTest, systemAudioIsTheSecondTrackAndCarriesTheTone)
{
    if (!test::requireDisplay() || !test::requireSoundServer())
        return;
    useFolder();
    auto source = firstDisplay();
    ASSERT_TRUE(source);
    startAndWait(*source, true);
    ASSERT_TRUE(recorder.isRecording()) << recorder.errorMessage().value_or("");
    // Two seconds of movie and its sound.
    ASSERT_TRUE(test::processEventsUntil(30, [&] {
        return recorder.capturedSystemAudio() && recorder.appendedFrameCount() >= 120;
    }));
    ASSERT_TRUE(stopAndWait());
    EXPECT_TRUE(recorder.capturedSystemAudio());
    const auto info = test::probe(*recorder.lastOutputURL());
    ASSERT_EQ(info.audioStreams, 1);
    EXPECT_EQ(info.audioCodec, "aac");
    EXPECT_EQ(info.sampleRate, 44100);
    EXPECT_EQ(info.channels, 2);
    const auto stats = test::audioStats(*recorder.lastOutputURL());
    ASSERT_TRUE(stats);
    EXPECT_GT(stats->rms, 0.02) << "the monitor of the default sink carries a 660 Hz tone";
    EXPECT_NEAR(stats->dominantFrequency, 660, 30);
    EXPECT_LT(stats->silentFraction, 0.2);
    ASSERT_EQ(info.videoStreams, 1);
    EXPECT_NEAR(stats->seconds, info.videoDuration, 0.3);
}

TEST_F(ScreenRecorderTest, systemAudioThatFindsTheWriterBehindIsCounted)
{
    if (!test::requireDisplay() || !test::requireSoundServer())
        return;
    useFolder();
    ScreenRecorder::Options options = recorder.options();
    options.systemAudioQueueBlocks = 0; // a writer that never catches up: every block is dropped
    recorder.setOptions(options);
    auto source = firstDisplay();
    ASSERT_TRUE(source);
    startAndWait(*source, true);
    ASSERT_TRUE(recorder.isRecording()) << recorder.errorMessage().value_or("");
    ASSERT_TRUE(test::processEventsUntil(20, [&] {
        return recorder.droppedAudioBlockCount() >= 10 && recorder.appendedFrameCount() > 0;
    }));
    ASSERT_TRUE(stopAndWait());
    EXPECT_GE(recorder.droppedAudioBlockCount(), 10) << "the count outlives the recording";
    EXPECT_FALSE(recorder.capturedSystemAudio());
}

TEST_F(ScreenRecorderTest, theMovieStaysPlayableWhileItIsBeingWritten)
{
    if (!test::requireDisplay())
        return;
    useFolder();
    auto source = firstDisplay();
    ASSERT_TRUE(source);
    startAndWait(*source);
    ASSERT_TRUE(recorder.isRecording());
    // Two seconds at 60 frames per second: at least one fragment is complete on disk.
    ASSERT_TRUE(test::processEventsUntil(30, [&] { return recorder.appendedFrameCount() >= 120; }));
    // What a crash right now would leave behind.
    const auto snapshot = folder.path() / "snapshot.mp4";
    std::filesystem::copy_file(*recorder.lastOutputURL(), snapshot);
    ASSERT_TRUE(stopAndWait());
    const int frames = test::forEachVideoFrame(snapshot, [](const QImage&, double) {});
    EXPECT_GE(frames, 30) << "all but the last second or so must be readable";
}

TEST_F(ScreenRecorderTest, startFailuresAreReportedAndAStartWhileRecordingChangesNothing)
{
    if (!test::requireDisplay())
        return;
    useFolder({"no-such-encoder"});
    auto source = firstDisplay();
    ASSERT_TRUE(source);
    startAndWait(*source);
    EXPECT_FALSE(recorder.isRecording());
    ASSERT_TRUE(recorder.errorMessage());
    EXPECT_EQ(recorder.errorMessage()->rfind("Failed to start recording: No video encoder could be opened", 0), 0u)
        << *recorder.errorMessage();
    EXPECT_FALSE(recorder.lastOutputURL());
    EXPECT_TRUE(std::filesystem::is_empty(folder.path())) << "a failed start leaves no file";

    useFolder();
    startAndWait(*source);
    ASSERT_TRUE(recorder.isRecording());
    const auto url = recorder.lastOutputURL();
    startAndWait(*source);
    EXPECT_TRUE(recorder.isRecording());
    EXPECT_EQ(recorder.lastOutputURL(), url);
    EXPECT_FALSE(recorder.errorMessage());
    ASSERT_TRUE(stopAndWait());
}

TEST_F(ScreenRecorderTest, withoutAnXServerTheStartFailsWithAMessage)
{
    const DisplayInfo display{1, "screen", QRect(0, 0, 640, 480), true};
    const auto source = CaptureSource::forDisplay(display, ScreenSpace{display.frame});
    useFolder();
    {
        test::ScopedEnvironment noServer("DISPLAY", ":987");
        startAndWait(source);
    }
    EXPECT_FALSE(recorder.isRecording());
    ASSERT_TRUE(recorder.errorMessage());
    EXPECT_EQ(*recorder.errorMessage(), "Failed to start recording: can't open the X11 display \":987\"");
}

TEST_F(ScreenRecorderTest, aStopWithoutFramesSaysTheRecordingIsEmpty)
{
    if (!test::requireDisplay())
        return;
    test::TestWindow window("Tarnix hidden window", "808080", QRect(50, 50, 200, 150), 0);
    ASSERT_TRUE(window.isReady());
    useFolder();
    auto source = windowTitled("Tarnix hidden window");
    ASSERT_TRUE(source);
    test::shell("xdotool windowunmap --sync " + std::to_string(source->window().windowID));
    startAndWait(*source);
    ASSERT_TRUE(recorder.isRecording()) << recorder.errorMessage().value_or("");
    ASSERT_TRUE(stopAndWait());
    EXPECT_FALSE(recorder.isRecording());
    EXPECT_EQ(recorder.appendedFrameCount(), 0);
    ASSERT_TRUE(recorder.errorMessage());
    EXPECT_EQ(*recorder.errorMessage(), CaptureMessages::kNoFramesCaptured);
}

TEST(ScreenRecorderStop, AFileThatCouldNotBeFinishedIsReportedBeforeAnEmptyRecording)
{
    EXPECT_EQ(ScreenRecorder::stopMessage("disk full", 0), "Export failed: disk full");
    EXPECT_EQ(ScreenRecorder::stopMessage("disk full", 120), "Export failed: disk full");
    EXPECT_EQ(ScreenRecorder::stopMessage(std::nullopt, 0),
              std::string(CaptureMessages::kNoFramesCaptured));
    EXPECT_EQ(ScreenRecorder::stopMessage(std::nullopt, 120), std::nullopt);
}
