#pragma once

#include <xcb/xcb.h>
#include <pulse/simple.h>
#include <unistd.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <QElapsedTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <string>
#include <utility>
#include <vector>

// A flash on the screen and a beep in the sound server that happen together, once a second, and
// the probes that find them again in a recorded movie: how far sound and picture are apart.
// Header-only, so that the tests and bench_capture share it without linking each other.

namespace tarnix::test {

// Plays silence with a beep at every whole second of its own sample clock into the default sink,
// and turns a full-screen window of `display` white while each beep comes out of the sound
// server. Runs until killed; call it in a process of its own. With `report`, writes a line
// "flash" there as each flash is drawn, so that a test can wait for as many as it needs.
[[noreturn]] inline void flashAndBeep(const std::string& display, FILE* report = nullptr)
{
    xcb_connection_t* c = xcb_connect(display.c_str(), nullptr);
    if (xcb_connection_has_error(c))
        _exit(1);
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const std::uint16_t width = screen->width_in_pixels, height = screen->height_in_pixels;
    const xcb_window_t window = xcb_generate_id(c);
    const uint32_t values[] = {screen->black_pixel, 1};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, width, height, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                      XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
    xcb_map_window(c, window);
    const xcb_gcontext_t gc = xcb_generate_id(c);
    xcb_create_gc(c, gc, window, 0, nullptr);
    xcb_flush(c);
    pa_sample_spec sampleFormat{PA_SAMPLE_FLOAT32LE, 44100, 2};
    pa_buffer_attr attributes{static_cast<uint32_t>(-1), 44100 * 8 / 50, static_cast<uint32_t>(-1),
                              static_cast<uint32_t>(-1), static_cast<uint32_t>(-1)}; // ~20 ms
    pa_simple* stream = pa_simple_new(nullptr, "tarnix-flash-and-beep", PA_STREAM_PLAYBACK, nullptr, "beeps",
                                      &sampleFormat, nullptr, &attributes, nullptr);
    if (!stream)
        _exit(1);
    constexpr int kBlock = 441; // 10 ms
    std::vector<float> silence(kBlock * 2, 0.0f), beep(kBlock * 2, 0.8f);
    auto fill = [&](uint32_t colour) {
        const uint32_t value[] = {colour};
        xcb_change_gc(c, gc, XCB_GC_FOREGROUND, value);
        const xcb_rectangle_t all = {0, 0, width, height};
        xcb_poly_fill_rectangle(c, window, gc, 1, &all);
        xcb_flush(c);
    };
    // The flash is shown when the beep is heard, not when it is handed over: the server's
    // playback latency may grow under load, and that must not look like drift.
    QElapsedTimer clock;
    clock.start();
    qint64 flashAt = -1, darkAt = -1; // milliseconds on `clock`; -1 = none pending
    for (long block = 0;; ++block) {
        const bool isBeep = block > 0 && block % 100 == 0;
        pa_simple_write(stream, isBeep ? beep.data() : silence.data(), kBlock * 2 * sizeof(float), nullptr);
        if (isBeep) {
            const pa_usec_t latency = pa_simple_get_latency(stream, nullptr);
            flashAt = clock.elapsed() + static_cast<qint64>(latency / 1000) - 10; // the block's start
        }
        if (flashAt >= 0 && clock.elapsed() >= flashAt) {
            fill(screen->white_pixel);
            if (report) {
                std::fputs("flash\n", report);
                std::fflush(report);
            }
            flashAt = -1;
            darkAt = clock.elapsed() + 200; // seen even by a recorder that loses frames
        }
        if (darkAt >= 0 && clock.elapsed() >= darkAt) {
            fill(screen->black_pixel);
            darkAt = -1;
        }
    }
}

namespace flash_and_beep_detail {

// Decodes the best stream of `type` and hands every frame to `use` with the stream's time base.
template <class Use>
void decodeEach(const std::filesystem::path& movie, AVMediaType type, Use&& use)
{
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, movie.c_str(), nullptr, nullptr) < 0)
        return;
    avformat_find_stream_info(format, nullptr);
    const int index = av_find_best_stream(format, type, -1, -1, nullptr, 0);
    if (index < 0) {
        avformat_close_input(&format);
        return;
    }
    const AVStream* stream = format->streams[index];
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    AVCodecContext* decoder = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(decoder, stream->codecpar);
    avcodec_open2(decoder, codec, nullptr);
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    auto drain = [&] {
        while (avcodec_receive_frame(decoder, frame) == 0)
            use(*frame, av_q2d(stream->time_base));
    };
    while (av_read_frame(format, packet) >= 0) {
        if (packet->stream_index == index && avcodec_send_packet(decoder, packet) >= 0)
            drain();
        av_packet_unref(packet);
    }
    avcodec_send_packet(decoder, nullptr);
    drain();
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&decoder);
    avformat_close_input(&format);
}

} // namespace flash_and_beep_detail

// Where the picture turns white (seconds in the movie), with the time of the dark frame before
// it: the flash began somewhere between the two, a span longer than a frame where the recorder
// lost frames.
struct FlashStart {
    double time = 0;
    double darkBefore = 0; // -infinity for a flash in the first frame
};

inline std::vector<FlashStart> flashStarts(const std::filesystem::path& movie)
{
    std::vector<FlashStart> starts;
    bool bright = false;
    double previous = -std::numeric_limits<double>::infinity();
    flash_and_beep_detail::decodeEach(movie, AVMEDIA_TYPE_VIDEO, [&](const AVFrame& frame, double timeBase) {
        const int luma = frame.data[0][frame.linesize[0] * (frame.height / 2) + frame.width / 2];
        const double time = double(frame.best_effort_timestamp) * timeBase;
        if (luma > 128 && !bright)
            starts.push_back({time, previous});
        bright = luma > 128;
        previous = time;
    });
    return starts;
}

// Times (seconds in the movie) where the picture turns white.
inline std::vector<double> flashTimes(const std::filesystem::path& movie)
{
    std::vector<double> times;
    for (const FlashStart& start : flashStarts(movie))
        times.push_back(start.time);
    return times;
}

// Times (seconds in the movie) where a beep starts in the first audio channel.
inline std::vector<double> beepTimes(const std::filesystem::path& movie)
{
    std::vector<double> times;
    double quietUntil = -1;
    flash_and_beep_detail::decodeEach(movie, AVMEDIA_TYPE_AUDIO, [&](const AVFrame& frame, double timeBase) {
        const double start = double(frame.best_effort_timestamp) * timeBase;
        const auto* samples = reinterpret_cast<const float*>(frame.data[0]);
        for (int i = 0; i < frame.nb_samples; ++i) {
            const double t = start + double(i) / frame.sample_rate;
            if (std::abs(samples[i]) > 0.4f && t > quietUntil) {
                times.push_back(t);
                quietUntil = t + 0.5;
            }
        }
    });
    return times;
}

// Each flash with the beep nearest to it, when one is within `reach` seconds: (flash time, beep
// minus flash).
inline std::vector<std::pair<double, double>> flashToBeepOffsets(const std::vector<double>& flashes,
                                                                 const std::vector<double>& beeps,
                                                                 double reach = 0.4)
{
    std::vector<std::pair<double, double>> offsets;
    for (double flash : flashes) {
        auto nearest = std::min_element(beeps.begin(), beeps.end(), [&](double a, double b) {
            return std::abs(a - flash) < std::abs(b - flash);
        });
        if (nearest != beeps.end() && std::abs(*nearest - flash) < reach)
            offsets.emplace_back(flash, *nearest - flash);
    }
    return offsets;
}

} // namespace tarnix::test
