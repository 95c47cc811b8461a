#include <gtest/gtest.h>

#include "capture/CameraRecorder.h"
#include "capture/CaptureError.h"
#include "capture/CaptureMessages.h"
#include "capture/MicrophoneRecorder.h"
#include "support/MediaProbe.h"
#include "support/ServiceHelpers.h"

using namespace tarnix;

namespace {

bool stopAndWait(auto& recorder)
{
    bool done = false;
    recorder.stop([&] { done = true; });
    return test::processEventsUntil(10, [&] { return done; });
}

} // namespace

TEST(Microphone, listsSourcesThatAreNotMonitorsAndRecordsTheToneAsMonoAac)
{
    if (!test::requireSoundServer())
        return;
    test::ensureApplication();
    MicrophoneDeviceProvider provider;
    provider.refresh();
    ASSERT_FALSE(provider.errorMessage());
    bool found = false;
    for (const auto& device : provider.devices()) {
        EXPECT_FALSE(device.isMonitor);
        found |= device.name == "tarnix_mic";
    }
    ASSERT_TRUE(found) << "scripts/lib/services.sh makes the source tarnix_mic";

    test::TemporaryFolder folder;
    MicrophoneRecorder recorder;
    recorder.setOutputDirectory(folder.path());
    recorder.configure("tarnix_mic");
    EXPECT_TRUE(recorder.isSessionRunning()) << "configuring starts the session";
    recorder.start();
    ASSERT_TRUE(recorder.isRecording()) << recorder.errorMessage().value_or("");
    test::processEvents(2.0);
    ASSERT_TRUE(stopAndWait(recorder));
    EXPECT_FALSE(recorder.isRecording());
    EXPECT_FALSE(recorder.errorMessage());
    ASSERT_TRUE(recorder.lastOutputURL());
    EXPECT_EQ(recorder.lastOutputURL()->filename().string().rfind("Tarnix-mic-", 0), 0u);
    EXPECT_EQ(recorder.lastOutputURL()->extension(), ".m4a");
    const auto stats = test::audioStats(*recorder.lastOutputURL());
    ASSERT_TRUE(stats);
    EXPECT_EQ(stats->sampleRate, 44100);
    EXPECT_EQ(stats->channels, 1);
    EXPECT_NEAR(stats->seconds, 2.0, 0.4);
    EXPECT_GT(stats->rms, 0.05);
    EXPECT_NEAR(stats->dominantFrequency, 440, 25);
    EXPECT_LT(stats->silentFraction, 0.2);
}

TEST(Microphone, missingDevicesAndUnconfiguredStartsChangeNothing)
{
    if (!test::requireSoundServer())
        return;
    test::ensureApplication();
    MicrophoneRecorder recorder;
    recorder.start();
    EXPECT_FALSE(recorder.isRecording());
    EXPECT_FALSE(recorder.errorMessage());
    try {
        recorder.configure("no-such-microphone");
        FAIL() << "an unknown microphone was accepted";
    } catch (const CameraError& error) {
        EXPECT_STREQ(error.what(), "Couldn't use the selected microphone.");
    }
    EXPECT_FALSE(recorder.hasInput());
    recorder.configure("tarnix_mic");
    recorder.teardown();
    recorder.start();
    EXPECT_FALSE(recorder.isRecording()) << "after teardown there is no input";
    EXPECT_FALSE(recorder.errorMessage());
    bool done = false;
    recorder.stop([&] { done = true; });
    EXPECT_TRUE(done) << "a stop while not recording returns at once";
}

TEST(Microphone, withoutASoundServerTheProviderSaysSo)
{
    test::ensureApplication();
    test::ScopedEnvironment noServer("PULSE_SERVER", "unix:/nonexistent/tarnix-test-socket");
    MicrophoneDeviceProvider provider;
    provider.refresh();
    EXPECT_TRUE(provider.devices().empty());
    ASSERT_TRUE(provider.errorMessage());
    // No server is no refused permission: the message says what is missing and what to start.
    EXPECT_EQ(provider.errorMessage()->find("access wasn't granted"), std::string::npos);
    EXPECT_NE(provider.errorMessage()->find("Couldn't reach a sound server"), std::string::npos)
        << *provider.errorMessage();
    EXPECT_NE(provider.errorMessage()->find("PulseAudio"), std::string::npos);
    // The server's reason is given once, in one pair of parentheses.
    EXPECT_EQ(provider.errorMessage()->find("))"), std::string::npos) << *provider.errorMessage();
    EXPECT_EQ(provider.errorMessage()->find("no sound server is running"), std::string::npos);
}

TEST(Camera, aGeneratedDeviceIsRecordedToAMovFile)
{
    test::ensureApplication();
    test::TemporaryFolder folder;
    CameraRecorder recorder;
    recorder.setOutputDirectory(folder.path());
    recorder.start();
    EXPECT_FALSE(recorder.isRecording()) << "no camera configured";
    recorder.configure({"testsrc=size=320x240:rate=30", "Generated camera", "lavfi"});
    recorder.startPreview();
    ASSERT_TRUE(recorder.isSessionRunning());
    recorder.start();
    ASSERT_TRUE(recorder.isRecording());
    const auto seenAtStart = recorder.framesSeen();
    ASSERT_TRUE(test::processEventsUntil(20, [&] { return recorder.framesSeen() >= seenAtStart + 30; }));
    recorder.teardown();
    EXPECT_TRUE(recorder.isSessionRunning()) << "a recording in progress keeps the camera";
    ASSERT_TRUE(stopAndWait(recorder));
    EXPECT_FALSE(recorder.errorMessage());
    ASSERT_TRUE(recorder.lastOutputURL());
    EXPECT_EQ(recorder.lastOutputURL()->filename().string().rfind("Tarnix-camera-", 0), 0u);
    EXPECT_EQ(recorder.lastOutputURL()->extension(), ".mov");
    const auto info = test::probe(*recorder.lastOutputURL());
    ASSERT_EQ(info.videoStreams, 1);
    EXPECT_EQ(info.width, 320);
    EXPECT_EQ(info.height, 240);
    const int frames = test::forEachVideoFrame(*recorder.lastOutputURL(), [](const QImage&, double) {});
    EXPECT_GE(frames, 20);
    recorder.teardown();
    EXPECT_FALSE(recorder.hasInput());
}

TEST(Camera, stopFinishesTheFileWithoutHoldingUpTheCaller)
{
    test::ensureApplication();
    test::TemporaryFolder folder;
    CameraRecorder recorder;
    recorder.setOutputDirectory(folder.path());
    recorder.configure({"testsrc2=size=1280x720:rate=30", "Generated camera", "lavfi"});
    recorder.startPreview();
    recorder.start();
    ASSERT_TRUE(recorder.isRecording());
    const auto seenAtStart = recorder.framesSeen();
    ASSERT_TRUE(test::processEventsUntil(20, [&] { return recorder.framesSeen() >= seenAtStart + 10; }));
    int firstDone = 0;
    int secondDone = 0;
    recorder.stop([&] { ++firstDone; });
    recorder.stop([&] { ++secondDone; });
    // Both returned at once: the encoder is flushed on another thread, and until the file is
    // complete the recording still counts as running.
    EXPECT_EQ(firstDone + secondDone, 0);
    EXPECT_TRUE(recorder.isRecording());
    ASSERT_TRUE(test::processEventsUntil(10, [&] { return firstDone == 1 && secondDone == 1; }));
    EXPECT_FALSE(recorder.isRecording());
    EXPECT_FALSE(recorder.errorMessage());
    // Complete and readable.
    EXPECT_GE(test::forEachVideoFrame(*recorder.lastOutputURL(), [](const QImage&, double) {}), 5);
}

TEST(Camera, aMissingDeviceIsRefusedAndTheListingHasNoPhantoms)
{
    test::ensureApplication();
    CameraRecorder recorder;
    EXPECT_THROW(recorder.configure({"/dev/video-tarnix-missing", "Missing", "video4linux2"}), CaptureError);
    EXPECT_FALSE(recorder.hasInput());
    CameraDeviceProvider provider;
    test::TemporaryFolder empty;
    provider.refresh(empty.path().string());
    EXPECT_TRUE(provider.devices().empty());
    EXPECT_FALSE(provider.errorMessage());
    bool done = false;
    recorder.stop([&] { done = true; });
    EXPECT_TRUE(done);
    EXPECT_FALSE(recorder.errorMessage());
}
