// Export speed: a 60-second 1920 × 1080 screen recording with a camera and system audio, exported
// at source quality with a gradient background, zoom regions, the cursor and one redaction,
// against the ffmpeg tool transcoding the same screen movie with the same encoder settings and no
// edits (the floor an export stands on). Then the same edits as an animated GIF: its time, and
// its peak memory against the movie's (the GIF's two passes keep no frames, so it must not grow
// with the recording's length). Last the sound treatments: the same movie with even loudness (its
// measuring pass included) and with a noisy microphone beside it, denoised, each against the
// plain export's CPU time. Then, each in a process of its own so that its peak memory is its
// own: the same edits exported at 3840 × 2160 (against ffmpeg upscaling and transcoding the
// movie), and a 60 fps recording exported at 60 frames a second. `4k-bgra` is the 4K export
// composed in BGRA at the render size and scaled, as it was before it was composed in 4:2:0 at
// 4K: run it beside `4k` to compare the two on the same machine.
//
//   bench_export [SECONDS] [4k|4k-bgra|60]     (default 60 seconds, every case but 4k-bgra)

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

#include "BenchRecording.h"
#include "compositing/CompositionBuilder.h"
#include "media/ExportSession.h"
#include "media/ExportSettings.h"
#include "media/SoundFilters.h"

using namespace tarnix;
namespace fs = std::filesystem;

namespace {

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The process's peak resident memory so far, in MiB.
double peakMiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

// Page faults so far of this process or of its finished children.
long pageFaults(int who)
{
    rusage usage{};
    getrusage(who, &usage);
    return usage.ru_minflt + usage.ru_majflt;
}

// The screen movie (with sound) and the camera movie the document refers to.
void makeMedia(const fs::path& folder, double seconds, int frameRate)
{
    const std::string d = std::to_string(seconds), r = std::to_string(frameRate);
    std::cout << "making a " << d << " s 1920x1080 " << r
              << " fps screen movie with audio and a camera movie...\n";
    bench::run("ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=s=1920x1080:r=" + r + ":d=" + d +
        " -f lavfi -i sine=frequency=440:sample_rate=48000:d=" + d +
        " -c:v libx264 -preset ultrafast -crf 20 -pix_fmt yuv420p" +
        // Tagged as the screen recorder tags its movies, so the export may keep its planes.
        " -colorspace bt709 -color_primaries bt709 -color_trc bt709 -color_range tv" +
        " -c:a aac -shortest " + (folder / "screen.mp4").string());
    // 4:2:0 as the camera recorder writes it (testsrc alone would give 4:4:4).
    bench::run("ffmpeg -nostdin -v error -y -f lavfi -i testsrc=s=640x480:r=30:d=" + d +
        " -c:v libx264 -preset ultrafast -pix_fmt yuv420p " + (folder / "camera.mov").string());
}

// The export's encoder settings for the ffmpeg tool, at `frameRate` frames a second.
std::string encoderSettings(int frameRate)
{
    return std::string(" -c:v ") + media::kExportVideoEncoder + " -preset " +
           media::kExportEncoderPreset + " -crf " + std::to_string(media::kExportQuality) +
           " -bf 0 -g " + std::to_string(int(media::kExportKeyFrameSeconds * frameRate)) +
           " -pix_fmt yuv420p -c:a aac -b:a " + std::to_string(media::kExportAudioBitRate) +
           " -ar " + std::to_string(media::kExportAudioRate) + " -movflags +faststart ";
}

struct Timed {
    double seconds = 0, cpu = 0;
};

// One export of the busy document, timed; exits on failure.
Timed timedExport(const RecordingTimeline& timeline, media::ExportPreset preset, int frameRate,
                  const fs::path& output, bool composesInYuv = true)
{
    const double cpu = bench::cpuSeconds(RUSAGE_SELF);
    const auto start = std::chrono::steady_clock::now();
    auto built = CompositionBuilder::build(timeline, {}, frameRate);
    media::ExportSession session(built.composition, preset);
    session.setVideoComposition(built.videoComposition);
    session.setOutputURL(output);
    session.setComposesInYuv(composesInYuv);
    session.exportSynchronously();
    if (session.status() != media::ExportStatus::completed) {
        std::cerr << "export failed: " << media::describe(*session.error()) << "\n";
        std::exit(1);
    }
    return {secondsSince(start), bench::cpuSeconds(RUSAGE_SELF) - cpu};
}

// The speed of a run that had two cores to itself: what its CPU time allows.
double idleRealTime(double seconds, const Timed& run)
{
    return seconds / std::max(run.cpu / 2, 1e-9);
}

// The 4K case: the edited export at 3840 × 2160 against ffmpeg upscaling and transcoding.
int run4k(const fs::path& folder, double seconds)
{
    makeMedia(folder, seconds, 30);
    const double childCpu = bench::cpuSeconds(RUSAGE_CHILDREN);
    const auto start = std::chrono::steady_clock::now();
    bench::run("ffmpeg -nostdin -v error -y -i " + (folder / "screen.mp4").string() +
               " -vf scale=3840:2160" + encoderSettings(30) + (folder / "upscaled.mp4").string());
    const Timed ffmpeg{secondsSince(start), bench::cpuSeconds(RUSAGE_CHILDREN) - childCpu};
    const Timed ours = timedExport(bench::makeBusyTimeline(folder, seconds, 10),
                                   media::ExportPreset::preset3840x2160, 30, folder / "4k.mp4");
    std::printf("ffmpeg upscale+transcode to 4K: %6.2f s (%.2fx real time), CPU %.1f s\n",
                ffmpeg.seconds, seconds / ffmpeg.seconds, ffmpeg.cpu);
    std::printf("tarnix 4K export:       %6.2f s  (%.2fx real time; %.2fx on two idle cores), CPU "
                "%.1f s, peak memory %.0f MiB  (targets >= 1.0x real time, < 1024 MiB)\n",
                ours.seconds, seconds / ours.seconds, idleRealTime(seconds, ours), ours.cpu,
                peakMiB());
    return 0;
}

// The 4K export composed in BGRA at 1920 × 1080 and scaled into the encoder's frames.
int run4kInBgra(const fs::path& folder, double seconds)
{
    makeMedia(folder, seconds, 30);
    const Timed ours = timedExport(bench::makeBusyTimeline(folder, seconds, 10),
                                   media::ExportPreset::preset3840x2160, 30, folder / "4k.mp4", false);
    std::printf("tarnix 4K export in BGRA, scaled: %6.2f s  (%.2fx real time; %.2fx on two idle "
                "cores), CPU %.1f s, peak memory %.0f MiB\n",
                ours.seconds, seconds / ours.seconds, idleRealTime(seconds, ours), ours.cpu,
                peakMiB());
    return 0;
}

// The 60 fps case: a 60 fps recording exported at 60 frames a second.
int run60(const fs::path& folder, double seconds)
{
    makeMedia(folder, seconds, 60);
    const Timed ours = timedExport(bench::makeBusyTimeline(folder, seconds, 10),
                                   media::ExportPreset::highestQuality, 60, folder / "60.mp4");
    std::printf("tarnix 1080p60 export:  %6.2f s  (%.2fx real time; %.2fx on two idle cores), CPU "
                "%.1f s, peak memory %.0f MiB  (target >= 1.0x real time)\n",
                ours.seconds, seconds / ours.seconds, idleRealTime(seconds, ours), ours.cpu,
                peakMiB());
    return 0;
}

// Runs this program again for one case, so that the case's peak memory is its own.
void runCase(double seconds, const char* which)
{
    std::fflush(stdout);
    const fs::path self = fs::read_symlink("/proc/self/exe");
    bench::run(self.string() + " " + std::to_string(seconds) + " " + which);
}

} // namespace

int main(int argc, char** argv)
{
    av_log_set_level(AV_LOG_ERROR);
    double seconds = argc > 1 ? std::atof(argv[1]) : 60;
    const std::string only = argc > 2 ? argv[2] : "";
    fs::path folder = fs::temp_directory_path() /
                      ("tarnix-bench-export-" + std::to_string(getpid()) + only);
    fs::create_directories(folder);
    if (!only.empty()) {
        const int result = only == "4k"        ? run4k(folder, seconds)
                           : only == "4k-bgra" ? run4kInBgra(folder, seconds)
                                               : run60(folder, seconds);
        fs::remove_all(folder);
        return result;
    }
    const std::string d = std::to_string(seconds);
    makeMedia(folder, seconds, 30);

    // The floor: the same encoder settings, no edits.
    const std::string settings = encoderSettings(30);
    double childCpu = bench::cpuSeconds(RUSAGE_CHILDREN);
    long childFaults = pageFaults(RUSAGE_CHILDREN);
    auto start = std::chrono::steady_clock::now();
    bench::run("ffmpeg -nostdin -v error -y -i " + (folder / "screen.mp4").string() + settings +
        (folder / "transcode.mp4").string());
    double transcode = secondsSince(start);
    double transcodeCpu = bench::cpuSeconds(RUSAGE_CHILDREN) - childCpu;
    long transcodeFaults = pageFaults(RUSAGE_CHILDREN) - childFaults;

    RecordingTimeline timeline = bench::makeBusyTimeline(folder, seconds, 10);
    double ownCpu = bench::cpuSeconds(RUSAGE_SELF);
    long ownFaults = pageFaults(RUSAGE_SELF);
    start = std::chrono::steady_clock::now();
    auto built = CompositionBuilder::build(timeline);
    media::ExportSession session(built.composition, media::ExportPreset::highestQuality);
    session.setVideoComposition(built.videoComposition);
    session.setOutputURL(folder / "export.mp4");
    session.exportSynchronously();
    double ours = secondsSince(start);
    double oursCpu = bench::cpuSeconds(RUSAGE_SELF) - ownCpu;
    long oursFaults = pageFaults(RUSAGE_SELF) - ownFaults;
    if (session.status() != media::ExportStatus::completed) {
        std::cerr << "export failed: " << media::describe(*session.error()) << "\n";
        return 1;
    }

    const double moviePeak = peakMiB();
    // The same export composed in BGRA and converted, as every frame was before the 4:2:0 path.
    double bgraCpu = bench::cpuSeconds(RUSAGE_SELF);
    start = std::chrono::steady_clock::now();
    {
        media::ExportSession inBgra(built.composition, media::ExportPreset::highestQuality);
        inBgra.setVideoComposition(built.videoComposition);
        inBgra.setOutputURL(folder / "export-bgra.mp4");
        inBgra.setComposesInYuv(false);
        inBgra.exportSynchronously();
    }
    const double bgraSeconds = secondsSince(start);
    bgraCpu = bench::cpuSeconds(RUSAGE_SELF) - bgraCpu;
    start = std::chrono::steady_clock::now();
    media::ExportSession gif(built.composition, media::ExportPreset::highestQuality);
    gif.setVideoComposition(built.videoComposition);
    gif.setOutputFileType(media::ExportFileType::gif);
    gif.setOutputURL(folder / "export.gif");
    gif.exportSynchronously();
    const double gifSeconds = secondsSince(start);
    if (gif.status() != media::ExportStatus::completed) {
        std::cerr << "GIF export failed: " << media::describe(*gif.error()) << "\n";
        return 1;
    }

    // The sound treatments, each an export of its own.
    auto treatedExport = [&](const RecordingTimeline& recording, std::optional<double> loudness,
                           const char* name) {
        double cpu = bench::cpuSeconds(RUSAGE_SELF);
        auto begin = std::chrono::steady_clock::now();
        auto result = CompositionBuilder::build(recording);
        media::ExportSession treated(result.composition, media::ExportPreset::highestQuality);
        treated.setVideoComposition(result.videoComposition);
        treated.setOutputURL(folder / name);
        treated.setLoudnessTarget(loudness);
        treated.exportSynchronously();
        if (treated.status() != media::ExportStatus::completed)
            std::cerr << name << " failed: " << media::describe(*treated.error()) << "\n";
        return std::pair{secondsSince(begin), bench::cpuSeconds(RUSAGE_SELF) - cpu};
    };
    auto [evenSeconds, evenCpu] = treatedExport(timeline, media::kDefaultLoudnessTarget, "even.mp4");
    bench::run("ffmpeg -nostdin -v error -y -f lavfi -i anoisesrc=c=pink:a=0.01:r=48000:d=" + d +
               " -c:a aac " + (folder / "mic.m4a").string());
    RecordingTimeline withMicrophone = timeline;
    withMicrophone.microphoneURL = folder / "mic.m4a";
    withMicrophone.microphoneAudio = {true, true, 0.5};
    auto [cleanSeconds, cleanCpu] = treatedExport(withMicrophone, std::nullopt, "denoised.mp4");

    std::printf("plain ffmpeg transcode: %6.2f s  (%.1f fps, %.2fx real time), CPU %.1f s, %ld page faults\n",
                transcode, seconds * 30 / transcode, seconds / transcode, transcodeCpu, transcodeFaults);
    std::printf("tarnix edited export:   %6.2f s  (%.1f fps, %.2fx real time), CPU %.1f s, %ld page faults\n",
                ours, seconds * 30 / ours, seconds / ours, oursCpu, oursFaults);
    std::printf("the same export composed in BGRA: %6.2f s, CPU %.1f s (the 4:2:0 path saves %.0f %% CPU)\n",
                bgraSeconds, bgraCpu, 100 * (1 - oursCpu / bgraCpu));
    std::printf("CPU time transcode / export: %.2f (the same ratio on an otherwise idle machine)\n",
                transcodeCpu / oursCpu);
    std::printf("export speed / transcode speed: %.2f  (target >= 1.5; real time target >= 1.5x)\n",
                transcode / ours);
    std::printf("tarnix GIF export:      %6.2f s  (%.2fx real time); peak memory %.0f MiB after the "
                "movie's %.0f MiB (target: no more than the movie's + 150 MiB at any length)\n",
                gifSeconds, seconds / gifSeconds, peakMiB(), moviePeak);
    std::printf("with even loudness:     %6.2f s, CPU %.1f s (%+.1f %% CPU over the edited export)\n",
                evenSeconds, evenCpu, 100 * (evenCpu / oursCpu - 1));
    std::printf("with a denoised mic:    %6.2f s, CPU %.1f s (%+.1f %% CPU over the edited export)\n",
                cleanSeconds, cleanCpu, 100 * (cleanCpu / oursCpu - 1));
    fs::remove_all(folder);
    runCase(seconds, "4k");
    runCase(seconds, "60");
    return 0;
}
