// Opening and editing a large recording in the Studio: a 10-minute recording with 1.2 million
// cursor samples (2000 a second), a click every half second, a focus sample every 0.15 s and 2000
// zoom regions, over a real 10-minute screen movie made with ffmpeg. Each phase runs in a child
// process of its own, so that its peak memory is its own:
//   save   the recorder's first save of the document: wall time, file size, peak memory;
//   open   the document opened as "Open Recording…" does, into a real StudioView, until the
//          first build is in the player: wall time, the longest stall of the GUI thread while it
//          happens (a 10 ms timer measures it), peak memory; then one edit: the GUI thread's time
//          for the commit and the wall time until the saved file holds it.
//
//   bench_studio_open [MINUTES]      (default 10)

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

#include "BenchRecording.h"
#include "app/DocumentFiles.h"
#include "studio/OpenRecording.h"
#include "studio/StudioSession.h"
#include "studio/StudioView.h"

using namespace tarnix;
namespace fs = std::filesystem;

namespace {

double peakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024; // kilobytes on Linux
}

RecordingTimeline makeLargeTimeline(const fs::path& folder, double seconds)
{
    RecordingTimeline timeline;
    timeline.videoURL = folder / "screen.mp4";
    timeline.hasSystemAudio = false;
    timeline.captureFrame = {0, 0, 1920, 1080};
    timeline.startedAt = Date{0};
    timeline.cursorSamples.reserve(std::size_t(seconds * 2000) + 1);
    for (double t = 0; t < seconds; t += 1.0 / 2000)
        timeline.cursorSamples.push_back(
            {Uuid::random(), t, {960 + 700 * std::sin(t * 0.7), 540 + 400 * std::cos(t * 0.9)}});
    for (double t = 0.25; t < seconds; t += 0.5) {
        const Point at{960 + 700 * std::sin(t * 0.7), 540};
        timeline.clickEvents.push_back({Uuid::random(), t, at, ClickKind::leftDown});
        timeline.clickEvents.push_back({Uuid::random(), t + 0.08, at, ClickKind::leftUp});
    }
    for (double t = 0; t < seconds; t += 0.15)
        timeline.focusedElementSamples.push_back(
            {Uuid::random(), t, Rect{100 + std::fmod(t, 50) * 10, 200, 400, 30}});
    const double spacing = seconds / 2000;
    for (int i = 0; i < 2000; ++i)
        timeline.zoomRegions.push_back({Uuid::random(), i * spacing, i * spacing + spacing * 0.8,
                                        Rect{0.2, 0.2, 0.5, 0.5}, EasingCurve::easeInOut});
    return timeline;
}

void savePhase(const fs::path& folder, double seconds)
{
    RecordingTimeline timeline = makeLargeTimeline(folder, seconds);
    const double before = peakMegabytes();
    const double cpuBefore = bench::cpuSeconds();
    QElapsedTimer timer;
    timer.start();
    DocumentFiles::writeAtomically(timeline, folder / "screen.tarnix.json");
    const double elapsed = timer.elapsed() / 1000.0;
    std::printf("save: %.2f s (%.2f s of CPU), %.1f MB file, peak memory %.0f MB (the document "
                "alone %.0f MB)\n",
                elapsed, bench::cpuSeconds() - cpuBefore,
                fs::file_size(folder / "screen.tarnix.json") / 1e6, peakMegabytes(), before);
}

int openPhase(int argc, char** argv, const fs::path& folder)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const fs::path document = folder / "screen.tarnix.json";

    // The longest gap between ticks of a 10 ms timer: how long the GUI thread was busy at once.
    QElapsedTimer sinceTick;
    qint64 longestStall = 0;
    QTimer ticker;
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longestStall = std::max(longestStall, sinceTick.restart());
    });

    QElapsedTimer timer;
    timer.start();
    sinceTick.start();
    ticker.start();
    std::unique_ptr<StudioView> view;
    double decoded = 0;
    OpenRecording::openFileAsync(document, &app, [&](std::optional<OpenRecording::Opened> opened) {
        decoded = timer.elapsed() / 1000.0;
        if (!opened) {
            std::cerr << "the document did not open\n";
            std::exit(1);
        }
        view = std::make_unique<StudioView>(std::move(opened->timeline), opened->documentPath);
        view->resize(1280, 800);
        view->show();
        if (view->session().playback().isLoaded())
            app.quit();
        QObject::connect(&view->session().playback(), &StudioPlayback::loaded, &app, &QApplication::quit);
        QObject::connect(&view->session().messages(), &StudioMessages::errorMessageChanged, &app,
                         [](const QString& message) {
                             std::cerr << message.toStdString() << "\n";
                             std::exit(1);
                         });
    });
    app.exec();
    const double opened = timer.elapsed() / 1000.0;
    ticker.stop();
    std::printf("open: %.2f s until the first picture (%.2f s of CPU; read and decoded after %.2f s), "
                "longest GUI stall %lld ms, peak memory %.0f MB\n",
                opened, bench::cpuSeconds(), decoded, static_cast<long long>(longestStall),
                peakMegabytes());

    StudioSession& session = view->session();
    timer.restart();
    session.removeAllZoomRegions();
    const double commitMs = timer.nsecsElapsed() / 1e6;
    if (!session.flushSaves(600000) || session.hasOutsideChange()) {
        std::cerr << "the edit was not saved\n";
        return 1;
    }
    const double saved = timer.elapsed() / 1000.0;
    std::printf("edit: %.0f ms on the GUI thread, %.2f s until the file holds it, %.1f MB file, "
                "peak memory %.0f MB\n",
                commitMs, saved, fs::file_size(document) / 1e6, peakMegabytes());
    view.reset();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::string(argv[1]) == "--phase") {
        const fs::path folder = argv[3];
        if (std::string(argv[2]) == "save") {
            savePhase(folder, std::atof(std::getenv("BENCH_SECONDS")));
            return 0;
        }
        return openPhase(1, argv, folder);
    }
    const double minutes = argc > 1 ? std::atof(argv[1]) : 10;
    const double seconds = minutes * 60;
    const fs::path folder = fs::temp_directory_path() / ("tarnix-bench-open-" + std::to_string(getpid()));
    fs::create_directories(folder);
    std::printf("%.0f-minute recording: %.0f cursor samples, 2000 zoom regions\n", minutes,
                seconds * 2000);
    bench::run("ffmpeg -loglevel error -y -f lavfi -i color=c=gray:s=320x180:r=5 -t " +
               std::to_string(int(seconds)) + " -c:v libx264 -preset ultrafast -pix_fmt yuv420p " +
               (folder / "screen.mp4").string());
    setenv("BENCH_SECONDS", std::to_string(seconds).c_str(), 1);
    const std::string self = fs::read_symlink("/proc/self/exe").string();
    bench::run(self + " --phase save " + folder.string());
    bench::run(self + " --phase open " + folder.string());
    fs::remove_all(folder);
    return 0;
}
