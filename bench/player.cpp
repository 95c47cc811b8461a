// Preview playback: a 1920 × 1080 screen recording with a camera, system audio, a gradient
// background, zoom regions, the cursor with clicks and one blur region, played through
// PreviewPlayer into an off-screen 1280 × 720 surface (frames fitted to it by the player, drawn by
// the GUI thread) at 30 frames per second. Reports frames shown late or skipped, the offset of
// the picture from the clock (the audio device's position when a sound server is reachable), and
// the time from a seek to its frame, median and worst over 50 random seeks, plus a fast scrub and
// single frame steps back. Then the same recording made at 60 frames a second plays at 60.
//
//   bench_player [SECONDS] [seeks]   (default 20; `seeks` measures the seeks alone, for profiling)
//
// Run it inside the test services to hear (or rather clock) the audio through PulseAudio:
//   bash -c 'source scripts/lib/services.sh; tarnix_start_services; trap tarnix_stop_services EXIT; build-bench/bench/bench_player'

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QThread>
#include <QTimer>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <random>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/log.h>
}

#include "BenchRecording.h"
#include "compositing/CompositionBuilder.h"
#include "media/CompositionFrameRenderer.h"
#include "media/FrameRate.h"
#include "media/PreviewPlayer.h"
#include "media/ScrubProxy.h"

using namespace tarnix;
namespace fs = std::filesystem;

namespace {

std::string loadAverage()
{
    double load[3] = {0, 0, 0};
    getloadavg(load, 3);
    char text[64];
    std::snprintf(text, sizeof text, "%.2f %.2f %.2f", load[0], load[1], load[2]);
    return text;
}

// Runs the event loop until `done` or `seconds` pass; false on timeout. The thread sleeps between
// events (a tick every 5 ms wakes it to look again): processEvents with a time limit returns at
// once when nothing is pending, and a loop around it would keep one of the two cores busy.
template <typename Done> bool runUntil(Done done, double seconds)
{
    QElapsedTimer timer;
    timer.start();
    QTimer tick;
    tick.start(5);
    while (!done()) {
        if (timer.elapsed() > seconds * 1000)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

struct Percentiles {
    double median = 0;
    double worst = 0;
};

Percentiles percentiles(std::vector<double> values)
{
    if (values.empty())
        return {};
    std::sort(values.begin(), values.end());
    return {values[values.size() / 2], values.back()};
}

} // namespace

// Seeks in what a screen recording mostly is: a detailed still desktop with one window moving on
// it, where a frame after the key frame costs little to decode. Without a proxy (none is made
// meanwhile either), so the figure is the exact frame's alone.
void measureStillScreenSeeks(media::PreviewPlayer& player, const fs::path& folder, double seconds,
                             const bool& failed)
{
    const fs::path still = folder / "still";
    fs::create_directories(still);
    const std::string d = std::to_string(seconds);
    bench::run("ffmpeg -nostdin -v error -y -f lavfi -i testsrc=s=1920x1080:r=1:d=1 "
               "-f lavfi -i testsrc2=s=480x320:r=30:d=" + d + " -f lavfi -i sine=frequency=440:"
               "sample_rate=48000:d=" + d + " -filter_complex \"[0]loop=-1:1,fps=30[desk];"
               "[desk][1]overlay=x='mod(t*120,1400)':y=300:shortest=1[v]\" -map '[v]' -map 2:a "
               "-c:v libx264 -preset superfast -g 30 -bf 0 -pix_fmt yuv420p -c:a aac -t " + d + " " +
               (still / "screen.mp4").string());
    fs::copy_file(folder / "camera.mov", still / "camera.mov");
    auto built = CompositionBuilder::build(bench::makeBusyTimeline(still, seconds, 8));
    player.setScrubProxyFolder({});
    player.setComposition(built.composition, built.videoComposition);
    runUntil([&] { return !player.isSeeking() || failed; }, 30);
    std::mt19937 random(11);
    std::uniform_real_distribution<double> anywhere(0, seconds);
    std::vector<double> seekMs;
    const double cpuBefore = bench::cpuSeconds();
    for (int i = 0; i < 50 && !failed; ++i) {
        QElapsedTimer timer;
        timer.start();
        player.seek(std::floor(anywhere(random) * 30) / 30 + 0.01);
        runUntil([&] { return !player.isSeeking() || failed; }, 10);
        seekMs.push_back(timer.nsecsElapsed() / 1e6);
    }
    Percentiles seek = percentiles(seekMs);
    std::printf("seek to frame on screen in a still desktop with a moving window (50 random, no "
                "proxy yet): median %.0f ms, worst %.0f ms, CPU %.0f ms a seek\n",
                seek.median, seek.worst,
                (bench::cpuSeconds() - cpuBefore) * 1000 / std::max<size_t>(seekMs.size(), 1));
}

int main(int argc, char** argv)
{
    av_log_set_level(AV_LOG_ERROR);
    QCoreApplication app(argc, argv);
    double seconds = argc > 1 ? std::atof(argv[1]) : 20;
    const bool seeksOnly = argc > 2 && std::string(argv[2]) == "seeks";
    fs::path folder = fs::temp_directory_path() / ("tarnix-bench-player-" + std::to_string(getpid()));
    fs::create_directories(folder);
    const std::string d = std::to_string(seconds);
    std::cout << "making a " << d << " s 1920x1080 screen movie with audio and a camera movie...\n";
    // Encoded as the screen recorder writes: x264 superfast, a key frame every second, no B-frames.
    bench::run("ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=s=1920x1080:r=30:d=" + d +
        " -f lavfi -i sine=frequency=440:sample_rate=48000:d=" + d +
        " -c:v libx264 -preset superfast -g 30 -bf 0 -pix_fmt yuv420p -c:a aac -shortest " +
        (folder / "screen.mp4").string());
    bench::run("ffmpeg -nostdin -v error -y -f lavfi -i testsrc=s=640x480:r=30:d=" + d +
        " -c:v libx264 -preset superfast -g 30 -pix_fmt yuv420p " + (folder / "camera.mov").string());

    RecordingTimeline timeline = bench::makeBusyTimeline(folder, seconds, 8);
    auto built = CompositionBuilder::build(timeline);

    media::PreviewPlayer player;
    const fs::path proxies = folder / "proxies";
    player.setScrubProxyFolder(proxies);
    QImage surface(1280, 720, QImage::Format_ARGB32_Premultiplied);
    player.setDisplaySize(surface.size());
    double drawMs = 0;
    int drawn = 0;
    QObject::connect(&player, &media::PreviewPlayer::frameChanged, [&](const QImage& frame, double) {
        QElapsedTimer timer;
        timer.start();
        QPainter painter(&surface);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(surface.rect(), frame);
        painter.end();
        drawMs += timer.nsecsElapsed() / 1e6;
        ++drawn;
    });
    bool failed = false;
    QObject::connect(&player, &media::PreviewPlayer::failed, [&](const QString& message) {
        std::cerr << "playback failed: " << message.toStdString() << "\n";
        failed = true;
    });

    std::printf("load average before: %s (%d cores)\n", loadAverage().c_str(),
                QThread::idealThreadCount());
    player.setComposition(built.composition, built.videoComposition);
    runUntil([&] { return !player.isSeeking() && !player.currentFrame().isNull(); }, 30);
    // The scrub proxy, made in the background once the composition is set: waited for here, so
    // that the playback figures below do not include making it.
    const media::AssetTrack screenTrack =
        media::MediaAsset::load(folder / "screen.mp4").tracks(media::MediaType::video).at(0);
    const fs::path proxyPath = media::scrubProxyPath(screenTrack, proxies);
    QElapsedTimer proxyTimer;
    proxyTimer.start();
    const double proxyCpu = bench::cpuSeconds();
    runUntil([&] { return fs::exists(proxyPath); }, 300);
    std::printf("scrub proxy %s in %.1f s (CPU %.1f s): %.1f MB (the screen movie %.1f MB)\n",
                fs::exists(proxyPath) ? "made" : "NOT made", proxyTimer.elapsed() / 1e3,
                bench::cpuSeconds() - proxyCpu,
                fs::exists(proxyPath) ? fs::file_size(proxyPath) / 1e6 : 0.0,
                fs::file_size(folder / "screen.mp4") / 1e6);


    double cpuBefore = 0;
    QElapsedTimer wall;
    double playWall = 0;
    double playCpu = 0;
    media::PreviewPlayer::Statistics stats;
    if (!seeksOnly) {
        // A sound server's first stream may take a second or more to start moving (a fresh
        // PulseAudio does): play a moment first so that the measured run starts as Play does later.
        player.play();
        runUntil([&] { return player.currentTime() > 0.3 || failed; }, 30);
        player.pause();
        player.seek(0);
        runUntil([&] { return !player.isSeeking() || failed; }, 30);

        // Playback of the whole composition.
        player.resetStatistics();
        drawMs = 0;
        drawn = 0;
        cpuBefore = bench::cpuSeconds();
        wall.start();
        player.play();
        bool audio = false;
        double startMs = -1;
        runUntil([&] {
            audio = audio || player.isAudioClockActive();
            if (startMs < 0 && player.currentTime() > 0)
                startMs = wall.nsecsElapsed() / 1e6;
            return !player.isPlaying() || failed;
        }, seconds * 3 + 30);
        playWall = wall.nsecsElapsed() / 1e9;
        playCpu = bench::cpuSeconds() - cpuBefore;
        stats = player.statistics();
        int expected = int(std::ceil(seconds * 30 - 1e-9));
        std::printf("playback of %.0f s at 1920x1080, 30 fps, %s clock: %.2f s wall, CPU %.1f s (%.0f%% of one core)\n",
                    seconds, audio ? "audio" : "steady", playWall, playCpu, 100 * playCpu / playWall);
        std::printf("  the clock moved %.0f ms after Play\n", startMs);
        std::printf("  frames shown %d of %d, late %d, skipped %d\n", stats.framesShown, expected,
                    stats.framesLate, stats.framesSkipped);
        std::printf("  picture vs clock when shown: mean %.1f ms, worst %.1f ms (one frame = 33.3 ms)\n",
                    stats.meanAudioOffset * 1000, stats.maxAudioOffset * 1000);
        std::printf("  audio sample frames played %lld (%.2f s)\n", stats.audioFramesPlayed,
                    stats.audioFramesPlayed / 48000.0);
        std::printf("  surface drawing on the GUI thread: %.1f ms a frame\n", drawn ? drawMs / drawn : 0.0);
    }

    // Random seeks, each waited for; when the proxy's stand-in appears, and the real frame.
    std::mt19937 random(7);
    std::uniform_real_distribution<double> anywhere(0, seconds);
    std::vector<double> seekMs;
    std::vector<double> standInMs;
    const double seekCpuBefore = bench::cpuSeconds();
    for (int i = 0; i < 50 && !failed; ++i) {
        double t = std::floor(anywhere(random) * 30) / 30 + 0.01;
        QElapsedTimer timer;
        timer.start();
        player.seek(t);
        bool standIn = false;
        runUntil([&] {
            if (!standIn && player.isShowingProxy()) {
                standIn = true;
                standInMs.push_back(timer.nsecsElapsed() / 1e6);
            }
            return !player.isSeeking() || failed;
        }, 10);
        seekMs.push_back(timer.nsecsElapsed() / 1e6);
        if (!standIn)
            standInMs.push_back(seekMs.back()); // the real frame came first
    }
    Percentiles seek = percentiles(seekMs);
    std::printf("seek to frame on screen (50 random seeks, paused): median %.0f ms, worst %.0f ms\n",
                seek.median, seek.worst);
    Percentiles standIn = percentiles(standInMs);
    std::printf("seek to a picture of its frame on screen (the proxy's stand-in, or the frame): "
                "median %.0f ms, worst %.0f ms\n",
                standIn.median, standIn.worst);
    std::printf("  CPU per seek (the whole process, stand-in and frame): %.0f ms\n",
                (bench::cpuSeconds() - seekCpuBefore) * 1000 / std::max<size_t>(seekMs.size(), 1));
    measureStillScreenSeeks(player, folder, seconds, failed);
    player.setScrubProxyFolder(proxies);
    player.setComposition(built.composition, built.videoComposition);
    runUntil([&] { return !player.isSeeking() || failed; }, 30);
    if (seeksOnly) {
        fs::remove_all(folder);
        return failed ? 1 : 0;
    }

    // Edits: a rebuilt composition (here without the zoom regions, then with them again) swapped
    // in at the playhead, timed until its frame is drawn.
    RecordingTimeline unzoomed = timeline;
    unzoomed.zoomRegions.clear();
    auto rebuilt = CompositionBuilder::build(unzoomed);
    std::vector<double> swapMs;
    for (int i = 0; i < 10 && !failed; ++i) {
        player.seek(anywhere(random));
        runUntil([&] { return !player.isSeeking() || failed; }, 10);
        const auto& next = i % 2 ? built : rebuilt;
        int before = drawn;
        QElapsedTimer timer;
        timer.start();
        player.replaceComposition(next.composition, next.videoComposition);
        runUntil([&] { return drawn > before || failed; }, 10);
        swapMs.push_back(timer.nsecsElapsed() / 1e6);
    }
    Percentiles swap = percentiles(swapMs);
    std::printf("edit swapped in at the playhead, to its frame drawn (10 swaps, paused): median "
                "%.0f ms, worst %.0f ms\n",
                swap.median, swap.worst);

    // A scrub: a new position every 16 ms, as a fast drag on the timeline delivers them; how long
    // after the last one its frame appears.
    std::vector<double> scrubMs;
    for (int drag = 0; drag < 5 && !failed; ++drag) {
        double from = anywhere(random);
        for (int step = 0; step < 30; ++step) {
            player.seek(std::fmod(from + step * 0.1, seconds));
            QElapsedTimer pause;
            pause.start();
            runUntil([&] { return pause.elapsed() >= 16; }, 1);
        }
        QElapsedTimer timer;
        timer.start();
        runUntil([&] { return !player.isSeeking() || failed; }, 10);
        scrubMs.push_back(timer.nsecsElapsed() / 1e6);
    }
    Percentiles scrub = percentiles(scrubMs);
    std::printf("scrub (30 positions 16 ms apart, 5 drags), last position's frame after the drag "
                "ends: median %.0f ms, worst %.0f ms\n",
                scrub.median, scrub.worst);

    // Frame steps back (the Left key), each waited for: the frames behind the playhead were
    // decoded on the way there.
    std::vector<double> stepMs;
    player.seek(seconds / 2 + 0.51);
    runUntil([&] { return !player.isSeeking() || failed; }, 10);
    for (int i = 1; i <= 20 && !failed; ++i) {
        QElapsedTimer timer;
        timer.start();
        player.seek(seconds / 2 + 0.51 - i / 30.0);
        runUntil([&] { return !player.isSeeking() || failed; }, 10);
        stepMs.push_back(timer.nsecsElapsed() / 1e6);
    }
    Percentiles step = percentiles(stepMs);
    std::printf("one frame back, to its frame on screen (20 steps, paused): median %.0f ms, worst "
                "%.0f ms\n",
                step.median, step.worst);
    // The same work in CPU time, which the machine's other load hardly changes: frames in order
    // (playback) and single frames at random times (seeks), drawn on this thread.
    media::CompositionFrameRenderer renderer(built.composition, built.videoComposition);
    double cpu = bench::cpuSeconds();
    for (int i = 0; i < 90; ++i)
        renderer.frameAt(i / 30.0);
    double perFrame = (bench::cpuSeconds() - cpu) / 90;
    cpu = bench::cpuSeconds();
    for (int i = 0; i < 20; ++i)
        renderer.frameAt(std::floor(anywhere(random) * 30) / 30);
    double perSeek = (bench::cpuSeconds() - cpu) / 20;
    std::printf("CPU time: %.1f ms per frame in order (%.0f%% of one core at 30 fps), %.1f ms per "
                "random frame\n",
                perFrame * 1000, perFrame * 3000, perSeek * 1000);

    // A recording made at 60 frames a second, played at 60 into the same surface.
    fs::path folder60 = folder / "60";
    fs::create_directories(folder60);
    const double seconds60 = std::min(seconds, 10.0);
    bench::run("ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=s=1920x1080:r=60:d=" +
        std::to_string(seconds60) + " -f lavfi -i sine=frequency=440:sample_rate=48000:d=" +
        std::to_string(seconds60) + " -c:v libx264 -preset superfast -g 60 -bf 0 -pix_fmt yuv420p " +
        "-c:a aac -shortest " + (folder60 / "screen.mp4").string());
    fs::copy_file(folder / "camera.mov", folder60 / "camera.mov");
    auto built60 = CompositionBuilder::build(bench::makeBusyTimeline(folder60, seconds60, 4));
    player.setScrubProxyFolder({}); // the 60 fps run measures playback alone
    media::setFrameRate(built60.videoComposition, media::kSmoothFrameRate);
    player.setComposition(built60.composition, built60.videoComposition);
    runUntil([&] { return !player.isSeeking() || failed; }, 30);
    player.resetStatistics();
    cpuBefore = bench::cpuSeconds();
    wall.restart();
    player.play();
    runUntil([&] { return !player.isPlaying() || failed; }, seconds60 * 3 + 30);
    playWall = wall.nsecsElapsed() / 1e9;
    playCpu = bench::cpuSeconds() - cpuBefore;
    stats = player.statistics();
    std::printf("playback of a %.0f s 1920x1080 recording made at 60 fps, at 60 fps: %.2f s wall, "
                "CPU %.1f s (%.0f%% of one core)\n",
                seconds60, playWall, playCpu, 100 * playCpu / playWall);
    std::printf("  frames shown %d of %d, late %d, skipped %d; picture vs clock mean %.1f ms, worst "
                "%.1f ms (one frame = 16.7 ms)\n",
                stats.framesShown, int(std::ceil(seconds60 * 60 - 1e-9)), stats.framesLate,
                stats.framesSkipped, stats.meanAudioOffset * 1000, stats.maxAudioOffset * 1000);

    std::printf("load average after: %s\n", loadAverage().c_str());
    std::printf("targets: no late frames, offset within one frame, seek median <= 100 ms, worst <= 250 ms\n");
    std::printf("targets (smooth preview): 60 fps of a 60 fps recording with 0 late frames; 30 fps "
                "playback <= 70%% of one core; seek median <= 50 ms, worst <= 120 ms; an edit on "
                "screen <= 60 ms median\n");
    fs::remove_all(folder);
    return failed ? 1 : 0;
}
