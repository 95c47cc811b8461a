// Screen capture against the ffmpeg tool's x11grab: 20 s of a 1920 × 1080 display whose content
// changes every frame, at 60 frames per second, with the same encoder settings (libx264, the
// recorder's preset and quality). Prints frames written, frames dropped and the average CPU use of
// each (percent of one core). Starts its own Xvfb and a separate animator process, so neither
// counts against the recorders.
//
//   bench_capture [SECONDS]

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <xcb/xcb.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <signal.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

extern "C" {
#include <libavutil/log.h>
}

#include "capture/CaptureSourceProvider.h"
#include "capture/ScreenRecorder.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

double cpuSeconds(const rusage& usage)
{
    return usage.ru_utime.tv_sec + usage.ru_utime.tv_usec * 1e-6 + usage.ru_stime.tv_sec +
           usage.ru_stime.tv_usec * 1e-6;
}

pid_t spawn(const std::vector<std::string>& args, bool quiet = true)
{
    std::fflush(stdout); // or the child's freopen writes our buffered output a second time
    const pid_t pid = fork();
    if (pid == 0) {
        if (quiet) {
            freopen("/dev/null", "w", stdout);
            freopen("/dev/null", "w", stderr);
        }
        std::vector<char*> argv;
        for (const auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

// Draws a textured picture that scrolls and changes colour every 1/60 s, until killed.
[[noreturn]] void animate(const std::string& display)
{
    xcb_connection_t* c = xcb_connect(display.c_str(), nullptr);
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_window_t window = xcb_generate_id(c);
    const uint32_t values[] = {1};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, kWidth, kHeight, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_OVERRIDE_REDIRECT, values);
    xcb_map_window(c, window);
    // A 2× wide texture kept on the server; each frame shows a different slice of it.
    const xcb_pixmap_t texture = xcb_generate_id(c);
    xcb_create_pixmap(c, screen->root_depth, texture, window, kWidth * 2, kHeight);
    const xcb_gcontext_t gc = xcb_generate_id(c);
    xcb_create_gc(c, gc, window, 0, nullptr);
    std::vector<uint32_t> row(kWidth * 2 * 8);
    for (int y = 0; y < kHeight; y += 8) {
        for (int dy = 0; dy < 8; ++dy)
            for (int x = 0; x < kWidth * 2; ++x) {
                const int yy = y + dy;
                const uint32_t r = (x * 7 + yy * 3) & 255, g = ((x ^ yy) * 5) & 255,
                               b = static_cast<uint32_t>(128 + 127 * std::sin(x * 0.031 + yy * 0.017));
                row[dy * kWidth * 2 + x] = (r << 16) | (g << 8) | b;
            }
        xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, texture, gc, kWidth * 2, 8, 0, y, 0,
                      screen->root_depth, row.size() * 4, reinterpret_cast<uint8_t*>(row.data()));
    }
    xcb_flush(c);
    QElapsedTimer clock;
    clock.start();
    for (int frame = 0;; ++frame) {
        const int offset = (frame * 3) % kWidth;
        xcb_copy_area(c, texture, window, gc, offset, 0, 0, 0, kWidth, kHeight);
        const uint32_t colour[] = {static_cast<uint32_t>((frame * 40) & 0xffffff)};
        xcb_change_gc(c, gc, XCB_GC_FOREGROUND, colour);
        const xcb_rectangle_t box = {static_cast<int16_t>((frame * 17) % (kWidth - 300)), 400, 300, 200};
        xcb_poly_fill_rectangle(c, window, gc, 1, &box);
        xcb_flush(c);
        const qint64 next = (frame + 1) * 1000 / 60;
        const qint64 wait = next - clock.elapsed();
        if (wait > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(wait));
    }
}

struct Figures {
    long written = 0;
    long dropped = 0;
    double cpuPercent = 0;
};

Figures recordWithTarnix(int seconds, const std::filesystem::path& folder, const std::string& preset)
{
    int argc = 1;
    char name[] = "bench_capture";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    tarnix::CaptureSourceProvider provider;
    provider.refresh();
    auto source = provider.source(tarnix::displayIdentifier(provider.displays().front()));
    tarnix::ScreenRecorder recorder;
    tarnix::ScreenRecorder::Options options;
    options.outputDirectory = folder;
    options.encoders = {"libx264"};
    options.preset = preset;
    recorder.setOptions(options);
    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    QElapsedTimer wall;
    wall.start();
    recorder.start(*source, {}, false);
    if (!recorder.isRecording()) {
        std::fprintf(stderr, "tarnix: %s\n", recorder.errorMessage().value_or("?").c_str());
        return {};
    }
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    recorder.stop([&] { loop.quit(); });
    loop.exec();
    getrusage(RUSAGE_SELF, &after);
    const double elapsed = wall.elapsed() / 1000.0;
    Figures f;
    f.written = recorder.appendedFrameCount();
    // Frames lost either way: a full queue, or slots the capture could not keep.
    f.dropped = std::max<long>(recorder.droppedFrameCount(), long(seconds * 60) - f.written);
    f.cpuPercent = 100 * (cpuSeconds(after) - cpuSeconds(before)) / elapsed;
    return f;
}

long countFrames(const std::filesystem::path& movie)
{
    const std::string command = "ffprobe -v error -count_frames -select_streams v:0 -show_entries "
                                "stream=nb_read_frames -of csv=p=0 '" + movie.string() + "'";
    long frames = 0;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        if (std::fscanf(pipe, "%ld", &frames) != 1)
            frames = 0;
        pclose(pipe);
    }
    return frames;
}

Figures recordWithFfmpeg(int seconds, const std::string& display, const std::filesystem::path& folder,
                         const std::string& preset)
{
    const auto movie = folder / "ffmpeg-x11grab.mp4";
    QElapsedTimer wall;
    wall.start();
    const pid_t pid = spawn({"ffmpeg", "-nostdin", "-y", "-loglevel", "error", "-f", "x11grab",
                             "-framerate", "60", "-video_size", "1920x1080", "-draw_mouse", "0", "-i",
                             display, "-t", std::to_string(seconds), "-c:v", "libx264", "-preset",
                             preset, "-crf", "23", "-bf", "0", "-g", "60", "-pix_fmt", "yuv420p",
                             "-movflags", "frag_keyframe+empty_moov+default_base_moof", movie.string()});
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    Figures f;
    f.written = countFrames(movie);
    f.dropped = std::max<long>(0, long(seconds * 60) - f.written);
    f.cpuPercent = 100 * cpuSeconds(usage) / (wall.elapsed() / 1000.0);
    return f;
}

int freeDisplay()
{
    for (int n = 150; n < 250; ++n)
        if (!std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(n)) &&
            !std::filesystem::exists("/tmp/.X" + std::to_string(n) + "-lock"))
            return n;
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    const std::string preset = tarnix::ScreenRecorder::Options{}.preset;
    av_log_set_level(AV_LOG_ERROR);
    const int number = freeDisplay();
    const std::string display = ":" + std::to_string(number);
    const pid_t xvfb = spawn({"Xvfb", display, "-screen", "0", "1920x1080x24", "-noreset", "-nolisten", "tcp"});
    for (int i = 0; i < 100 && !std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(number)); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    setenv("DISPLAY", display.c_str(), 1);
    std::fflush(stdout);
    const pid_t animator = fork();
    if (animator == 0)
        animate(display);
    std::this_thread::sleep_for(std::chrono::seconds(2)); // texture upload

    const auto folder = std::filesystem::temp_directory_path() / ("tarnix-bench-capture-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    std::printf("capture of a changing 1920x1080 display at 60 fps for %d s, libx264 preset %s crf 23, %u cores\n",
                seconds, preset.c_str(), std::thread::hardware_concurrency());
    std::fprintf(stderr, "recording with ffmpeg...\n");
    const Figures theirs = recordWithFfmpeg(seconds, display, folder, preset);
    std::fprintf(stderr, "recording with tarnix...\n");
    const Figures ours = recordWithTarnix(seconds, folder, preset);
    std::printf("%-18s %8s %8s %8s\n", "", "written", "dropped", "cpu %");
    std::printf("%-18s %8ld %8ld %8.0f\n", "tarnix", ours.written, ours.dropped, ours.cpuPercent);
    std::printf("%-18s %8ld %8ld %8.0f\n", "ffmpeg x11grab", theirs.written, theirs.dropped, theirs.cpuPercent);

    kill(animator, SIGTERM);
    waitpid(animator, nullptr, 0);
    kill(xvfb, SIGTERM);
    waitpid(xvfb, nullptr, 0);
    if (!std::getenv("TARNIX_BENCH_KEEP"))
        std::filesystem::remove_all(folder);
    else
        std::printf("files kept in %s\n", folder.c_str());
    return 0;
}
