// The Studio's timeline on a ten-minute recording with 200 zoom regions: the time of each frame of
// a zoom gesture (40 Ctrl+wheel steps in, then out, each painted at once) while the filmstrip's
// pictures are decoded in the background. Prints the median and the worst frame.
//   bench_timeline [seconds of movie, default 600]

#include <QApplication>
#include <QElapsedTimer>
#include <QWheelEvent>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <iostream>

#include "BenchRecording.h"
#include "compositing/FilmstripLoader.h"
#include "studio/timeline/TimelineView.h"

using namespace tarnix;
namespace fs = std::filesystem;

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    double seconds = argc > 1 ? std::atof(argv[1]) : 600;
    fs::path folder = fs::temp_directory_path() / ("tarnix-bench-timeline-" + std::to_string(getpid()));
    fs::create_directories(folder);
    const std::string d = std::to_string(seconds);
    std::cout << "making a " << d << " s 1280x720 screen movie (a key frame every 2 s)...\n";
    bench::run("ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=s=1280x720:r=15:d=" + d +
               " -c:v libx264 -preset ultrafast -g 30 -bf 0 -pix_fmt yuv420p " + (folder / "screen.mp4").string());

    std::vector<ZoomRegion> regions;
    for (int i = 0; i < 200; ++i) {
        ZoomRegion r;
        r.start = seconds / 200 * i + 0.5;
        r.end = r.start + 0.3 + 0.1 * (i % 17);
        r.rect = {0.25, 0.25, 0.5, 0.5};
        regions.push_back(r);
    }
    std::vector<RedactRegion> redacts;
    std::vector<CutRegion> cuts;
    std::optional<Uuid> a, b, c;
    TimelineView view;
    auto& model = view.model();
    model.regions = Binding<std::vector<ZoomRegion>>::to(&regions);
    model.redactRegions = Binding<std::vector<RedactRegion>>::to(&redacts);
    model.cutRegions = Binding<std::vector<CutRegion>>::to(&cuts);
    model.selectedRegionID = Binding<std::optional<Uuid>>::to(&a);
    model.selectedRedactID = Binding<std::optional<Uuid>>::to(&b);
    model.selectedCutID = Binding<std::optional<Uuid>>::to(&c);
    view.resize(1200, int(TimelineRules::kTotalHeight));
    view.setDuration(seconds);
    view.setWaveform(std::vector<float>(24000, 0.4f));
    view.setFilmstrip(new FilmstripLoader(folder / "screen.mp4", 36, &view));
    view.show();

    // The first paint loads fonts and styles: not part of the gesture.
    view.repaint();
    QCoreApplication::processEvents();
    std::vector<double> frames;
    auto step = [&](int notches) {
        QElapsedTimer clock;
        clock.start();
        QPointF at(700, 120);
        QWheelEvent wheel(at, view.mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
                          Qt::ControlModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&view, &wheel);
        view.repaint();
        QCoreApplication::processEvents();
        frames.push_back(double(clock.nsecsElapsed()) / 1e6);
    };
    for (int i = 0; i < 40; ++i)
        step(1);
    for (int i = 0; i < 40; ++i)
        step(-1);
    std::sort(frames.begin(), frames.end());
    std::cout << "zoom gesture frames: median " << frames[frames.size() / 2] << " ms, worst " << frames.back()
              << " ms over " << frames.size() << " frames\n";
    fs::remove_all(folder);
    return 0;
}
