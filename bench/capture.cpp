// Screen capture against the ffmpeg tool's x11grab: 20 s of a 1920 × 1080 display whose content
// changes every frame, at 60 frames per second, with the same encoder settings (libx264, the
// recorder's preset and quality). Prints frames written, frames dropped and the average CPU use of
// each (percent of one core), the processor time per written frame (ours by stage: grab,
// conversion, encoder and file), why our frames were lost, and the load average. Starts its own Xvfb and a separate animator process, so neither
// counts against the recorders.
//
// Then the A/V drift: a recording with system audio of a screen that flashes white once a second
// while a click is played into the default sink at the same moment; the offset between each flash
// and its click in the movie should stay the same from the first second to the last.
//
//   bench_capture [SECONDS] [DRIFT_SECONDS]     (defaults 20 and 60; 0 skips the drift run)
//
// The drift run alone, paused N times for a fifth of each cycle (whole seconds), evenly over
// DRIFT_SECONDS of world time: the offset of each stretch between two pauses must be the same.
//
//   bench_capture --pauses [N] [DRIFT_SECONDS]  (defaults 50 and 600; e.g. --pauses 5 60 for a quick look,
//                                                --pauses 0 600 for the same run without pauses)
//
// The portal path: run inside a Wayland session with a ScreenCast portal that shares without
// asking (scripts/bench starts a headless one, see tests/wayland/wayland-session.sh). A full-screen
// Wayland client changes every frame at 60 per second; Tarnix records the output through the
// portal for SECONDS at the output's size, and prints the same figures.
//
//   bench_capture --portal [SECONDS]

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QPainter>
#include <QRasterWindow>
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
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}
#include <pulse/simple.h>

#include <algorithm>
#include <fstream>

#include "capture/CaptureClock.h"
#include "capture/CapturePauses.h"
#include "capture/CaptureSourceProvider.h"
#include "capture/ScreenRecorder.h"
#include "support/FlashAndBeep.h"

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
    std::filesystem::path movie;
    long written = 0;
    long dropped = 0;
    double cpuPercent = 0;
    double cpuSeconds = 0;
    tarnix::CaptureStatistics stages; // ours only

    double cpuMillisecondsPerFrame() const { return written > 0 ? 1000 * cpuSeconds / double(written) : 0; }
};

std::string loadAverage()
{
    std::ifstream file("/proc/loadavg");
    double one = 0, five = 0, fifteen = 0;
    file >> one >> five >> fifteen;
    char text[64];
    std::snprintf(text, sizeof text, "%.2f %.2f %.2f", one, five, fifteen);
    return text;
}

// Processor time per written frame, and for ours where it went: the capture thread's grabs and
// conversions, and the rest (the encoder's threads, the writer and the file).
void printCosts(const Figures& ours, const Figures& theirs)
{
    const double frames = std::max(1.0, double(ours.written));
    const double grab = 1000 * ours.stages.grabSeconds / frames;
    const double conversion = 1000 * ours.stages.conversionSeconds / frames;
    std::printf("cpu per frame      tarnix %.1f ms (grab %.2f, conversion %.2f, encoder and file %.1f), "
                "ffmpeg x11grab %.1f ms: %.2fx\n",
                ours.cpuMillisecondsPerFrame(), grab, conversion, ours.cpuMillisecondsPerFrame() - grab - conversion,
                theirs.cpuMillisecondsPerFrame(),
                theirs.cpuMillisecondsPerFrame() > 0 ? ours.cpuMillisecondsPerFrame() / theirs.cpuMillisecondsPerFrame() : 0);
    std::printf("tarnix lost frames encoder behind %lld (%lld in the first second), capture late %lld, unreadable %lld\n",
                static_cast<long long>(ours.stages.encoderBehind),
                static_cast<long long>(ours.stages.encoderBehindAtStart), static_cast<long long>(ours.stages.lateSlots),
                static_cast<long long>(ours.stages.unreadable));
}

Figures recordWithTarnix(int seconds, const std::filesystem::path& folder, const std::string& preset)
{
    int argc = 1;
    char name[] = "bench_capture";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    tarnix::CaptureSourceProvider provider;
    provider.refresh();
    if (provider.displays().empty()) {
        std::fprintf(stderr, "tarnix: %s\n", provider.errorMessage().value_or("no display").c_str());
        return {};
    }
    auto source = provider.source(tarnix::displayIdentifier(provider.displays().front()));
    tarnix::ScreenRecorder recorder;
    tarnix::ScreenRecorder::Options options;
    options.outputDirectory = folder;
    options.encoders = {"libx264"};
    options.preset = preset;
    // TARNIX_ENCODER_NICENESS=N runs the encoder N nice steps below the grab, to compare.
    if (const char* niceness = std::getenv("TARNIX_ENCODER_NICENESS"))
        options.encoderNiceness = std::atoi(niceness);
    recorder.setOptions(options);
    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    QElapsedTimer wall;
    wall.start();
    QEventLoop loop;
    // A portal source starts once the desktop has answered.
    bool started = false;
    recorder.start(*source, {}, false, [&] {
        started = true;
        loop.quit();
    });
    if (!started)
        loop.exec();
    if (!recorder.isRecording()) {
        std::fprintf(stderr, "tarnix: %s\n", recorder.errorMessage().value_or("?").c_str());
        return {};
    }
    const QSize size = recorder.recordedSource()->pixelSize();
    std::fprintf(stderr, "tarnix records %dx%d (%s)\n", size.width(), size.height(),
                 recorder.videoEncoderName().c_str());
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    recorder.stop([&] { loop.quit(); });
    loop.exec();
    getrusage(RUSAGE_SELF, &after);
    const double elapsed = wall.elapsed() / 1000.0;
    Figures f;
    f.movie = recorder.lastOutputURL().value_or(std::filesystem::path());
    f.written = recorder.appendedFrameCount();
    // Frames lost either way: a full queue, or slots the capture could not keep.
    f.dropped = std::max<long>(recorder.droppedFrameCount(), long(seconds * 60) - f.written);
    f.cpuSeconds = cpuSeconds(after) - cpuSeconds(before);
    f.cpuPercent = 100 * f.cpuSeconds / elapsed;
    f.stages = recorder.captureStatistics();
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
                             // Count the frames it really grabbed: by default it would duplicate
                             // frames to fill a constant 60 per second.
                             "-fps_mode", "passthrough",
                             "-movflags", "frag_keyframe+empty_moov+default_base_moof", movie.string()});
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const double elapsed = wall.elapsed() / 1000.0; // before counting the frames, which decodes the movie
    Figures f;
    f.written = countFrames(movie);
    f.dropped = std::max<long>(0, long(seconds * 60) - f.written);
    f.cpuSeconds = cpuSeconds(usage);
    f.cpuPercent = 100 * f.cpuSeconds / elapsed;
    return f;
}

// ---- A/V drift ---------------------------------------------------------------------------------

// A private sound server with a null sink as the default, for the drift run.
pid_t startSoundServer(const std::filesystem::path& folder)
{
    std::filesystem::create_directories(folder / "home");
    std::filesystem::create_directories(folder / "run");
    const auto socket = folder / "native";
    std::ofstream(folder / "min.pa") << "load-module module-native-protocol-unix auth-anonymous=1 socket="
                                     << socket.string() << "\nload-module module-null-sink sink_name=bench\n"
                                     << "set-default-sink bench\n";
    setenv("HOME", (folder / "home").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (folder / "run").c_str(), 1);
    const pid_t pid = spawn({"pulseaudio", "--daemonize=no", "-n", "-F", (folder / "min.pa").string(),
                             "--exit-idle-time=-1"});
    setenv("PULSE_SERVER", ("unix:" + socket.string()).c_str(), 1);
    for (int i = 0; i < 100 && !std::filesystem::exists(socket); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    return pid;
}

// Pauses the recording `pauses` times, evenly over `seconds`, each for a whole number of seconds
// so that the beeps keep their place on the second after each resume (a pause that cut a pair in
// two would otherwise leave a lone beep next to the following pair).
void schedulePauses(QObject* context, tarnix::CapturePauses& pauses, int count, int seconds)
{
    if (count <= 0)
        return;
    const double cycle = double(seconds) / count;
    const int length = std::max(1, int(cycle / 5)); // a fifth of each cycle, in whole seconds
    for (int k = 0; k < count; ++k) {
        const int pauseAt = int((k + 1) * cycle * 1000) - length * 1000;
        QTimer::singleShot(pauseAt, context, [&pauses] { pauses.pause(); });
        QTimer::singleShot(pauseAt + length * 1000, context, [&pauses] { pauses.resume(); });
    }
}

// The mean flash-to-click offset of each stretch of the movie between two pauses: after any
// number of pauses the sound must be where it was against the picture.
void printOffsetsBetweenPauses(const std::vector<std::pair<double, double>>& offsets,
                               const tarnix::CapturePauses& pauses, double firstFrame)
{
    std::vector<double> bounds; // movie times where a pause was taken out
    for (const auto& span : pauses.spans())
        bounds.push_back(span.from - pauses.pausedBefore(span.from) - firstFrame);
    std::vector<double> means;
    std::size_t next = 0;
    for (std::size_t stretch = 0; stretch <= bounds.size(); ++stretch) {
        const double end = stretch < bounds.size() ? bounds[stretch] : 1e300;
        double sum = 0;
        int count = 0;
        for (; next < offsets.size() && offsets[next].first < end; ++next, ++count)
            sum += offsets[next].second;
        if (count > 0)
            means.push_back(sum / count);
    }
    if (means.size() < 2)
        return;
    const auto [low, high] = std::minmax_element(means.begin(), means.end());
    std::printf("after %zu pauses: mean offset of the first stretch %+.1f ms, of the last %+.1f ms; the %zu "
                "stretches' means lie within %.1f ms of each other\n",
                bounds.size(), means.front() * 1000, means.back() * 1000, means.size(), (*high - *low) * 1000);
}

void measureDrift(int seconds, const std::string& display, const std::filesystem::path& folder,
                  const std::string& preset, int pauseCount)
{
    const pid_t sound = startSoundServer(folder / "pulse");
    const pid_t clicker = fork();
    if (clicker == 0)
        tarnix::test::flashAndBeep(display);
    std::this_thread::sleep_for(std::chrono::seconds(1));

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
    auto pauses = std::make_shared<tarnix::CapturePauses>();
    recorder.setPauses(pauses);
    recorder.start(*source, {}, true);
    if (recorder.isRecording()) {
        QEventLoop loop;
        schedulePauses(&loop, *pauses, pauseCount, seconds);
        QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
        loop.exec();
        recorder.stop([&] { loop.quit(); });
        loop.exec();
    }
    kill(clicker, SIGTERM);
    waitpid(clicker, nullptr, 0);
    kill(sound, SIGTERM);
    waitpid(sound, nullptr, 0);
    if (!recorder.lastOutputURL() || recorder.appendedFrameCount() == 0) {
        std::printf("drift: the recording failed: %s\n", recorder.errorMessage().value_or("?").c_str());
        return;
    }
    const auto flashes = tarnix::test::flashTimes(*recorder.lastOutputURL());
    const auto clicks = tarnix::test::beepTimes(*recorder.lastOutputURL());
    const auto offsets = tarnix::test::flashToBeepOffsets(flashes, clicks); // flash time, click minus flash
    if (offsets.size() < 4) {
        std::printf("drift: too few flash/click pairs (%zu flashes, %zu clicks)\n", flashes.size(), clicks.size());
        return;
    }
    // The capture sees a flash up to one frame late, so single offsets scatter by up to 16.7 ms;
    // the trend over all pairs (least squares) is what tells whether sound and picture drift.
    const double n = double(offsets.size());
    double st = 0, so = 0, stt = 0, sto = 0;
    for (const auto& [t, o] : offsets) {
        st += t;
        so += o;
        stt += t * t;
        sto += t * o;
    }
    const double slope = (n * sto - st * so) / (n * stt - st * st); // seconds of drift per second
    double spread = 0;
    for (const auto& o : offsets)
        spread = std::max(spread, std::abs(o.second - so / n));
    // Measured rather than extrapolated: the mean offset of the first and of the last minute.
    auto meanOffset = [&](double from, double to) {
        double sum = 0;
        int count = 0;
        for (const auto& [t, o] : offsets)
            if (t >= from && t < to) {
                sum += o;
                ++count;
            }
        return count ? sum / count : 0.0;
    };
    const double first = offsets.front().first, last = offsets.back().first;
    if (last - first >= 180)
        std::printf("drift: mean offset in the first minute %+.1f ms, in the last minute %+.1f ms\n",
                    meanOffset(first, first + 60) * 1000, meanOffset(last - 60, last + 1) * 1000);
    if (pauseCount > 0)
        printOffsetsBetweenPauses(offsets, *pauses, tarnix::CaptureClock::monotonicOf(*recorder.firstFrameWallClockDate()));
    std::printf("drift over %.0f s of movie (%zu flash/click pairs): mean offset %+.1f ms (scatter %.1f ms), "
                "trend %+.2f ms per minute = %+.1f ms after 10 minutes (one frame is 16.7 ms)\n",
                offsets.back().first - offsets.front().first, offsets.size(), so / n * 1000, spread * 1000,
                slope * 60 * 1000, slope * 600 * 1000);
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

// ---- The portal path ---------------------------------------------------------------------------

// A full-screen Wayland window whose picture scrolls and changes colour every 1/60 s.
class WaylandAnimation : public QRasterWindow {
protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const int offset = (frame_ * 3) % std::max(1, width());
        QLinearGradient gradient(-offset, 0, width() * 2 - offset, height());
        gradient.setColorAt(0, QColor(30, 90, 200));
        gradient.setColorAt(0.5, QColor(220, 120, 40));
        gradient.setColorAt(1, QColor(30, 200, 90));
        painter.fillRect(QRect(QPoint(0, 0), size()), gradient);
        painter.fillRect((frame_ * 17) % std::max(1, width() - 300), height() / 3, 300, 200,
                         QColor::fromRgb(static_cast<QRgb>((frame_ * 40) & 0xffffff)));
        ++frame_;
    }

private:
    int frame_ = 0;
};

[[noreturn]] void animateOnWayland()
{
    int argc = 1;
    char name[] = "bench_capture_animation";
    char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "wayland");
    QGuiApplication app(argc, argv);
    WaylandAnimation window;
    window.showFullScreen();
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, &window, [&] { window.update(); });
    timer.start(1000 / 60);
    app.exec();
    _exit(0);
}

int portalMain(int seconds)
{
    if (!std::getenv("WAYLAND_DISPLAY")) {
        std::fprintf(stderr, "bench_capture --portal runs inside a Wayland session (WAYLAND_DISPLAY is not set)\n");
        return 1;
    }
    av_log_set_level(AV_LOG_ERROR);
    const std::string preset = tarnix::ScreenRecorder::Options{}.preset;
    std::fflush(stdout);
    const pid_t animator = fork();
    if (animator == 0)
        animateOnWayland();
    std::this_thread::sleep_for(std::chrono::seconds(2)); // the window maps and starts animating
    const auto folder = std::filesystem::temp_directory_path() / ("tarnix-bench-portal-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    std::printf("capture through the ScreenCast portal of an output changing at 60 fps for %d s, libx264 preset "
                "%s crf 23, %u cores\n",
                seconds, preset.c_str(), std::thread::hardware_concurrency());
    const Figures ours = recordWithTarnix(seconds, folder, preset);
    std::printf("%-18s %8s %8s %8s\n", "", "written", "dropped", "cpu %");
    std::printf("%-18s %8ld %8ld %8.0f\n", "tarnix portal", ours.written, ours.dropped, ours.cpuPercent);
    // The desktop sends a picture only when it has one; the recorder repeats the last one in
    // between. How many of the written frames are new pictures:
    const std::string command = "ffmpeg -nostdin -v error -i '" + ours.movie.string() +
                                "' -vf mpdecimate -f framemd5 - | grep -vc '^#'";
    long distinct = 0;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        if (std::fscanf(pipe, "%ld", &distinct) != 1)
            distinct = 0;
        pclose(pipe);
    }
    std::printf("%-18s %8ld (%.1f per second)\n", "  new pictures", distinct, double(distinct) / seconds);
    kill(animator, SIGTERM);
    waitpid(animator, nullptr, 0);
    std::filesystem::remove_all(folder);
    return ours.written > 0 ? 0 : 1;
}

int main(int argc, char** argv)
{
    if (argc > 1 && std::string(argv[1]) == "--portal")
        return portalMain(argc > 2 ? std::max(1, std::atoi(argv[2])) : 20);
    // --pauses N [DRIFT_SECONDS]: the drift run alone, paused N times (default 50 in 600 s).
    const bool pausing = argc > 1 && std::string(argv[1]) == "--pauses";
    const int pauseCount = pausing ? (argc > 2 ? std::max(0, std::atoi(argv[2])) : 50) : 0;
    const int seconds = pausing ? 0 : argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    const int driftSeconds = pausing ? (argc > 3 ? std::max(10, std::atoi(argv[3])) : 600)
                                     : argc > 2 ? std::max(0, std::atoi(argv[2])) : 60;
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
    const auto folder = std::filesystem::temp_directory_path() / ("tarnix-bench-capture-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    if (seconds > 0) {
        const pid_t animator = fork();
        if (animator == 0)
            animate(display);
        std::this_thread::sleep_for(std::chrono::seconds(2)); // texture upload
        std::printf("capture of a changing 1920x1080 display at 60 fps for %d s, libx264 preset %s crf 23, %u cores\n",
                    seconds, preset.c_str(), std::thread::hardware_concurrency());
        const std::string loadBefore = loadAverage();
        std::fprintf(stderr, "recording with ffmpeg...\n");
        const Figures theirs = recordWithFfmpeg(seconds, display, folder, preset);
        std::fprintf(stderr, "recording with tarnix...\n");
        const Figures ours = recordWithTarnix(seconds, folder, preset);
        std::printf("%-18s %8s %8s %8s\n", "", "written", "dropped", "cpu %");
        std::printf("%-18s %8ld %8ld %8.0f\n", "tarnix", ours.written, ours.dropped, ours.cpuPercent);
        std::printf("%-18s %8ld %8ld %8.0f\n", "ffmpeg x11grab", theirs.written, theirs.dropped, theirs.cpuPercent);
        printCosts(ours, theirs);
        std::printf("load average       before %s, after %s\n", loadBefore.c_str(), loadAverage().c_str());
        kill(animator, SIGTERM);
        waitpid(animator, nullptr, 0);
    }
    if (driftSeconds > 0) {
        std::fprintf(stderr, "measuring A/V drift for %d s, %d pauses...\n", driftSeconds, pauseCount);
        measureDrift(driftSeconds, display, folder, preset, pauseCount);
    }
    kill(xvfb, SIGTERM);
    waitpid(xvfb, nullptr, 0);
    if (!std::getenv("TARNIX_BENCH_KEEP"))
        std::filesystem::remove_all(folder);
    else
        std::printf("files kept in %s\n", folder.c_str());
    return 0;
}
