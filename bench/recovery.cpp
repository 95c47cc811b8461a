// Reading a long recording that a kill left ending inside its last fragment's header: the walk
// over its box headers alone (which must stay far under the time FFmpeg takes to read the file,
// target: under 0.1 s of CPU for four hours of one-second fragments), the whole check that
// recovery makes before it asks (FFmpeg refuses the file, then reads it as if cut), and the cut.
//
//   bench_recovery [HOURS]      (the movie's length; default 4)

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>

extern "C" {
#include <libavutil/log.h>
}

#include "BenchRecording.h"
#include "media/MovieBoxWalk.h"
#include "media/UnfinishedTail.h"

using namespace tarnix;
namespace fs = std::filesystem;

namespace {

template <class Work>
void measure(const char* what, Work work)
{
    const double cpu = bench::cpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    work();
    std::printf("%s: %.3f s wall, %.3f s CPU\n", what,
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
                bench::cpuSeconds() - cpu);
}

} // namespace

int main(int argc, char** argv)
{
    av_log_set_level(AV_LOG_QUIET);
    const double hours = argc > 1 ? std::atof(argv[1]) : 4;
    const fs::path folder = fs::temp_directory_path() / ("tarnix-bench-recovery-" + std::to_string(getpid()));
    fs::create_directories(folder);
    const fs::path minute = folder / "minute.mp4", movie = folder / "movie.mp4";
    std::cout << "making a " << hours << " h fragmented movie, a fragment a second...\n";
    bench::run("ffmpeg -nostdin -v error -y -f lavfi -i color=c=gray:s=64x48:r=60:d=60 -c:v libx264 -preset "
               "ultrafast -g 60 " + minute.string());
    bench::run("ffmpeg -nostdin -v error -y -stream_loop " + std::to_string(int(hours * 60) - 1) + " -i " +
               minute.string() + " -c copy -movflags frag_keyframe+empty_moov " + movie.string());
    const auto walk = media::walkMovieBoxes(movie);
    if (!walk || walk->fragments < 2) {
        std::cerr << "the movie has no fragments\n";
        return 1;
    }
    // Cut inside the last moof's sample table (its last byte), as a kill there leaves it. The
    // index (mfra) ends the file, and its last four bytes are its size: the last fragment ends
    // where it begins.
    const auto bigEndian32 = [&](std::uintmax_t at) {
        unsigned char bytes[4] = {};
        std::ifstream in(movie, std::ios::binary);
        in.seekg(std::streamoff(at));
        in.read(reinterpret_cast<char*>(bytes), 4);
        return std::uintmax_t(bytes[0]) << 24 | bytes[1] << 16 | bytes[2] << 8 | bytes[3];
    };
    fs::resize_file(movie, walk->fileSize - bigEndian32(walk->fileSize - 4) - 1);
    const std::uintmax_t lastMoof = media::walkMovieBoxes(movie)->wholeEnd;
    fs::resize_file(movie, lastMoof + bigEndian32(lastMoof) - 1);
    std::printf("%d fragments, %.0f MB\n", walk->fragments, double(fs::file_size(movie)) / 1e6);

    measure("walk of the box headers", [&] { media::walkMovieBoxes(movie); });
    std::optional<media::TailCut> cut;
    measure("check before asking (refused, read as if cut)", [&] {
        cut = media::openRecordingFile(movie, media::DurationNeed::required).cut;
    });
    if (!cut) {
        std::cerr << "the cut movie was not found repairable\n";
        return 1;
    }
    measure("the cut (walk again, truncate, fsync)", [&] { media::applyTailCut(*cut); });
    std::printf("kept %.1f s of %.1f h\n", cut->keptSeconds, hours);
    fs::remove_all(folder);
    return 0;
}
