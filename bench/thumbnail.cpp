// Thumbnail speed and memory: the file manager's picture of a busy 1920 × 1080 recording at
// 60 frames a second with a key frame every second (as the screen recorder writes it), with a
// camera, gradient background, zooms, cursor and a blur: wall and CPU time of each thumbnail, and
// the process's peak memory, which the thumbnailer's memory cap must stay far above.
//
//   bench_thumbnail [SECONDS]      (the recording's length; default 30)

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/log.h>
}

#include "BenchRecording.h"
#include "compositing/DocumentThumbnail.h"

using namespace tarnix;
namespace fs = std::filesystem;

int main(int argc, char** argv)
{
    av_log_set_level(AV_LOG_ERROR);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 30;
    const fs::path folder = fs::temp_directory_path() / ("tarnix-bench-thumbnail-" + std::to_string(getpid()));
    fs::create_directories(folder);
    const std::string d = std::to_string(seconds);
    std::cout << "making a " << d << " s 1920x1080 60 fps screen movie and a camera movie...\n";
    bench::run("ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=s=1920x1080:r=60:d=" + d +
               " -c:v libx264 -preset superfast -g 60 -pix_fmt yuv420p " + (folder / "screen.mp4").string());
    bench::run("ffmpeg -nostdin -v error -y -f lavfi -i testsrc=s=640x480:r=30:d=" + d +
               " -c:v libx264 -preset ultrafast -g 30 -pix_fmt yuv420p " + (folder / "camera.mov").string());
    const RecordingTimeline timeline = bench::makeBusyTimeline(folder, seconds, 8);

    std::vector<double> walls, cpus;
    for (int i = 0; i < 7; ++i) {
        const double cpu = bench::cpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        const QImage picture = DocumentThumbnail::render(timeline, 256);
        walls.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        cpus.push_back(bench::cpuSeconds() - cpu);
        if (picture.width() != 256) {
            std::cerr << "unexpected thumbnail size " << picture.width() << "\n";
            return 1;
        }
    }
    std::sort(walls.begin(), walls.end());
    std::sort(cpus.begin(), cpus.end());
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("thumbnail 256 px of 1080p60: median %.3f s wall, %.3f s CPU (fastest %.3f s wall); "
                "peak memory %ld MB\n",
                walls[walls.size() / 2], cpus[cpus.size() / 2], walls.front(), usage.ru_maxrss / 1024);
    fs::remove_all(folder);
    return 0;
}
