#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "capture/DeviceWatch.h"
#include "capture/pulse/PulseAudio.h"
#include "capture/v4l2/VideoNodeWatch.h"
#include "support/PrivateSoundServer.h"
#include "support/ServiceHelpers.h"

using namespace tarnix;

// There is no camera here: a folder of the test's own plays /dev, and its files play the nodes
// that udev makes and removes. inotify queues an event before the call that caused it returns,
// so the watch can be read at once.
TEST(VideoNodeWatch, aVideoNodeMadeGivenItsAccessOrRemovedIsAChangeAndOtherDevicesAreNot)
{
    test::TemporaryFolder dev;
    v4l2::VideoNodeWatch watch(dev.path().string());
    ASSERT_GE(watch.fd(), 0);
    EXPECT_FALSE(watch.readChanges()) << "nothing happened yet";

    std::ofstream(dev.path() / "ttyUSB0").put('x');
    std::filesystem::create_directory(dev.path() / "snd");
    EXPECT_FALSE(watch.readChanges()) << "a serial port or a sound card is not a camera";

    const auto node = dev.path() / "video2";
    std::ofstream(node).put('x');
    EXPECT_TRUE(watch.readChanges()) << "made";
    ASSERT_EQ(chmod(node.c_str(), 0660), 0); // udev gives the "video" group its access
    EXPECT_TRUE(watch.readChanges()) << "given its access";
    EXPECT_FALSE(watch.readChanges()) << "read once";
    std::filesystem::rename(node, dev.path() / "video3");
    EXPECT_TRUE(watch.readChanges()) << "renamed";
    std::filesystem::remove(dev.path() / "video3");
    EXPECT_TRUE(watch.readChanges()) << "removed";

    v4l2::VideoNodeWatch missing((dev.path() / "no-such-folder").string());
    EXPECT_LT(missing.fd(), 0);
    EXPECT_FALSE(missing.readChanges());
}

TEST(DeviceWatch, aBurstOfVideoNodeEventsIsOneSignalOnTheGuiThread)
{
    test::ensureApplication();
    test::TemporaryFolder dev;
    DeviceWatch watch(QString::fromStdString(dev.path().string()));
    ASSERT_TRUE(watch.watchesCameras());
    int changes = 0;
    QObject::connect(&watch, &DeviceWatch::camerasChanged, [&] { ++changes; });
    // A webcam's two nodes, made and given their access as udev does, within a few milliseconds.
    for (const char* name : {"video0", "video1"}) {
        std::ofstream(dev.path() / name).put('x');
        ASSERT_EQ(chmod((dev.path() / name).c_str(), 0660), 0);
    }
    EXPECT_TRUE(test::processEventsUntil(5, [&] { return changes > 0; }));
    EXPECT_EQ(changes, 1);
    std::filesystem::remove(dev.path() / "video0");
    std::filesystem::remove(dev.path() / "video1");
    EXPECT_TRUE(test::processEventsUntil(5, [&] { return changes > 1; })) << "unplugged";
}

namespace {

bool sourceListed(const std::string& name)
{
    for (const auto& source : pulse::listSources())
        if (source.name == name)
            return true;
    return false;
}

} // namespace

// A sound server of the test's own, so that it may be killed and started again.
TEST(DeviceWatch, followsSoundSourcesLoadedAndUnloadedAndTheServerStoppingAndComingBack)
{
    test::ensureApplication();
    test::PrivateSoundServer server;
    ASSERT_TRUE(server.start());
    test::TemporaryFolder dev;
    DeviceWatch watch(QString::fromStdString(dev.path().string()));
    int changes = 0;
    QObject::connect(&watch, &DeviceWatch::microphonesChanged, [&] { ++changes; });
    // Being connected counts as a change: sources may have come between a listing and the watch.
    ASSERT_TRUE(test::processEventsUntil(10, [&] { return watch.watchesMicrophones() && changes > 0; }));

    changes = 0;
    test::PluggedMicrophone headset("tarnix_watch_headset", "Watch-Headset");
    ASSERT_TRUE(headset.plug());
    EXPECT_TRUE(test::processEventsUntil(5, [&] { return changes > 0; })) << "plugged in";
    EXPECT_TRUE(sourceListed("tarnix_watch_headset")) << "listed by the time it is signalled";
    changes = 0;
    headset.unplug();
    EXPECT_TRUE(test::processEventsUntil(5, [&] { return changes > 0; })) << "unplugged";
    EXPECT_FALSE(sourceListed("tarnix_watch_headset"));

    changes = 0;
    server.kill();
    EXPECT_TRUE(test::processEventsUntil(5, [&] { return changes > 0 && !watch.watchesMicrophones(); }))
        << "the server went, and its sources with it";
    changes = 0;
    ASSERT_TRUE(server.start());
    EXPECT_TRUE(test::processEventsUntil(10, [&] { return changes > 0 && watch.watchesMicrophones(); }))
        << "back within a retry or two";
    changes = 0;
    ASSERT_TRUE(headset.plug());
    EXPECT_TRUE(test::processEventsUntil(5, [&] { return changes > 0; })) << "subscribed again after the restart";
}
