// Export speed: a 60-second 1920 × 1080 screen recording with a camera and system audio, exported
// at source quality with a gradient background, zoom regions, the cursor and one redaction,
// against the ffmpeg tool transcoding the same screen movie with the same encoder settings and no
// edits (the floor an export stands on).
//
//   bench_export [SECONDS]      (default 60)

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

extern "C" {
#include <libavutil/log.h>
}

#include "compositing/CameraCompositionBuilder.h"
#include "media/ExportSession.h"
#include "media/ExportSettings.h"

using namespace tarnix;
namespace fs = std::filesystem;

namespace {

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// CPU seconds (user + system) used so far by this process or by its finished children. Wall
// time depends on what else the machine runs; CPU time much less so.
long pageFaults(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return usage.ru_minflt + usage.ru_majflt;
}

double cpuSeconds(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void run(const std::string& command)
{
    if (std::system(command.c_str()) != 0) {
        std::cerr << "failed: " << command << "\n";
        std::exit(1);
    }
}

RecordingTimeline makeTimeline(const fs::path& folder, double seconds)
{
    RecordingTimeline timeline;
    timeline.videoURL = folder / "screen.mp4";
    timeline.cameraURL = folder / "camera.mov";
    timeline.hasSystemAudio = true;
    timeline.captureFrame = {0, 0, 1920, 1080};
    timeline.cameraOverlay.isEnabled = true;
    timeline.background.style = BackgroundStyle::gradient;
    timeline.microphoneAudio.isEnabled = false;
    for (double t = 0; t < seconds; t += 1.0 / 60)
        timeline.cursorSamples.push_back(
            {Uuid::random(), t, {960 + 700 * std::sin(t * 0.7), 540 + 400 * std::cos(t * 0.9)}});
    for (double t = 1; t < seconds; t += 3)
        timeline.clickEvents.push_back(
            {Uuid::random(), t, {960 + 700 * std::sin(t * 0.7), 540}, ClickKind::leftDown});
    for (double t = 2; t + 4 < seconds; t += 10)
        timeline.zoomRegions.push_back(
            {Uuid::random(), t, t + 4, Rect{0.2, 0.2, 0.5, 0.5}, EasingCurve::easeInOut});
    timeline.redactRegions.push_back({Uuid::random(), 0, seconds, Rect{0.6, 0.1, 0.25, 0.1}});
    return timeline;
}

} // namespace

int main(int argc, char** argv)
{
    av_log_set_level(AV_LOG_ERROR);
    double seconds = argc > 1 ? std::atof(argv[1]) : 60;
    fs::path folder = fs::temp_directory_path() / ("tarnix-bench-export-" + std::to_string(getpid()));
    fs::create_directories(folder);
    const std::string d = std::to_string(seconds);
    std::cout << "making a " << d << " s 1920x1080 screen movie with audio and a camera movie...\n";
    run("ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=s=1920x1080:r=30:d=" + d +
        " -f lavfi -i sine=frequency=440:sample_rate=48000:d=" + d +
        " -c:v libx264 -preset ultrafast -crf 20 -c:a aac -shortest " + (folder / "screen.mp4").string());
    // 4:2:0 as the camera recorder writes it (testsrc alone would give 4:4:4).
    run("ffmpeg -nostdin -v error -y -f lavfi -i testsrc=s=640x480:r=30:d=" + d +
        " -c:v libx264 -preset ultrafast -pix_fmt yuv420p " + (folder / "camera.mov").string());

    // The floor: the same encoder settings, no edits.
    std::string settings = std::string(" -c:v ") + media::kExportVideoEncoder + " -preset " +
                           media::kExportEncoderPreset + " -crf " +
                           std::to_string(media::kExportQuality) + " -bf 0 -g " +
                           std::to_string(int(media::kExportKeyFrameSeconds * 30)) +
                           " -pix_fmt yuv420p -c:a aac -b:a " +
                           std::to_string(media::kExportAudioBitRate) + " -ar " +
                           std::to_string(media::kExportAudioRate) + " -movflags +faststart ";
    double childCpu = cpuSeconds(RUSAGE_CHILDREN);
    long childFaults = pageFaults(RUSAGE_CHILDREN);
    auto start = std::chrono::steady_clock::now();
    run("ffmpeg -nostdin -v error -y -i " + (folder / "screen.mp4").string() + settings +
        (folder / "transcode.mp4").string());
    double transcode = secondsSince(start);
    double transcodeCpu = cpuSeconds(RUSAGE_CHILDREN) - childCpu;
    long transcodeFaults = pageFaults(RUSAGE_CHILDREN) - childFaults;

    RecordingTimeline timeline = makeTimeline(folder, seconds);
    double ownCpu = cpuSeconds(RUSAGE_SELF);
    long ownFaults = pageFaults(RUSAGE_SELF);
    start = std::chrono::steady_clock::now();
    auto built = CameraCompositionBuilder::build(
        CameraCompositionBuilder::BuildInput::fromDocument(timeline));
    media::ExportSession session(built.composition, media::ExportPreset::highestQuality);
    session.setVideoComposition(built.videoComposition);
    session.setOutputURL(folder / "export.mp4");
    session.exportSynchronously();
    double ours = secondsSince(start);
    double oursCpu = cpuSeconds(RUSAGE_SELF) - ownCpu;
    long oursFaults = pageFaults(RUSAGE_SELF) - ownFaults;
    if (session.status() != media::ExportStatus::completed) {
        std::cerr << "export failed: " << media::describe(*session.error()) << "\n";
        return 1;
    }

    std::printf("plain ffmpeg transcode: %6.2f s  (%.1f fps, %.2fx real time), CPU %.1f s, %ld page faults\n",
                transcode, seconds * 30 / transcode, seconds / transcode, transcodeCpu, transcodeFaults);
    std::printf("tarnix edited export:   %6.2f s  (%.1f fps, %.2fx real time), CPU %.1f s, %ld page faults\n",
                ours, seconds * 30 / ours, seconds / ours, oursCpu, oursFaults);
    std::printf("CPU time transcode / export: %.2f (the same ratio on an otherwise idle machine)\n",
                transcodeCpu / oursCpu);
    std::printf("export speed / transcode speed: %.2f  (target >= 0.85; real time target >= 1.5x)\n",
                transcode / ours);
    fs::remove_all(folder);
    return 0;
}
