#include "capture/pulse/PulseAudio.h"

#include <pulse/error.h>
#include <pulse/introspect.h>
#include <pulse/mainloop.h>
#include <pulse/simple.h>

#include <cmath>

#include "capture/CaptureClock.h"

namespace tarnix::pulse {

namespace {

constexpr double kBlockSeconds = 0.02;
constexpr double kListTimeout = 3.0;      // seconds to wait for the server
constexpr double kReanchorGap = 0.1;      // seconds of disagreement that mean lost samples
constexpr double kSteering = 0.01;        // share of the disagreement corrected per block

struct ListState {
    std::vector<SourceInfo> sources;
    bool done = false;
    bool failed = false;
    std::string error;
};

void onSource(pa_context*, const pa_source_info* info, int eol, void* userdata)
{
    auto* state = static_cast<ListState*>(userdata);
    if (eol) {
        state->done = true;
        return;
    }
    if (info)
        state->sources.push_back({info->name ? info->name : "",
                                  info->description ? info->description : "",
                                  info->monitor_of_sink != PA_INVALID_INDEX});
}

} // namespace

std::vector<SourceInfo> listSources()
{
    pa_mainloop* loop = pa_mainloop_new();
    pa_context* context = pa_context_new(pa_mainloop_get_api(loop), "Tarnix");
    ListState state;
    bool requested = false;
    if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        state.failed = true;
        state.error = pa_strerror(pa_context_errno(context));
    }
    const double deadline = CaptureClock::now() + kListTimeout;
    while (!state.failed && !state.done) {
        if (pa_mainloop_iterate(loop, 0, nullptr) < 0 || CaptureClock::now() > deadline) {
            state.failed = true;
            state.error = "the sound server didn't answer";
            break;
        }
        const auto contextState = pa_context_get_state(context);
        if (contextState == PA_CONTEXT_FAILED || contextState == PA_CONTEXT_TERMINATED) {
            state.failed = true;
            state.error = pa_strerror(pa_context_errno(context));
        } else if (contextState == PA_CONTEXT_READY && !requested) {
            requested = true;
            pa_operation_unref(pa_context_get_source_info_list(context, onSource, &state));
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    pa_context_disconnect(context);
    pa_context_unref(context);
    pa_mainloop_free(loop);
    if (state.failed)
        throw PulseError("no sound server is running (" + state.error + ")", state.error);
    return state.sources;
}

Stream::Stream(std::optional<std::string> device, int sampleRate, int channels,
               BlockHandler onBlock, ErrorHandler onError)
    : sampleRate_(sampleRate)
    , channels_(channels)
    , onBlock_(std::move(onBlock))
    , onError_(std::move(onError))
{
    pa_sample_spec sampleFormat{PA_SAMPLE_FLOAT32LE, static_cast<std::uint32_t>(sampleRate),
                        static_cast<std::uint8_t>(channels)};
    pa_buffer_attr attributes{};
    attributes.maxlength = static_cast<std::uint32_t>(-1);
    attributes.fragsize = static_cast<std::uint32_t>(pa_usec_to_bytes(
        static_cast<pa_usec_t>(kBlockSeconds * 1e6), &sampleFormat));
    int error = 0;
    simple_ = pa_simple_new(nullptr, "Tarnix", PA_STREAM_RECORD, device ? device->c_str() : nullptr,
                            "recording", &sampleFormat, nullptr, &attributes, &error);
    if (!simple_)
        throw PulseError(pa_strerror(error));
    thread_ = std::thread([this] { run(); });
}

Stream::~Stream()
{
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
    if (simple_)
        pa_simple_free(simple_);
}

void Stream::run()
{
    const int frames = std::max(1, static_cast<int>(std::lround(kBlockSeconds * sampleRate_)));
    double anchor = 0;     // stamp of the first sample after the last (re)anchoring
    std::int64_t count = 0; // samples since the anchor
    bool anchored = false;
    while (!stop_) {
        AudioBlock block;
        block.frames = frames;
        block.samples.resize(static_cast<std::size_t>(frames * channels_));
        int error = 0;
        if (pa_simple_read(simple_, block.samples.data(), block.samples.size() * sizeof(float), &error) < 0) {
            running_ = false;
            if (!stop_ && onError_)
                onError_(pa_strerror(error));
            return;
        }
        const double readTime = CaptureClock::now();
        const pa_usec_t latency = pa_simple_get_latency(simple_, &error);
        const double measured = readTime - static_cast<double>(latency) * 1e-6 -
                                static_cast<double>(frames) / sampleRate_;
        double expected = anchor + static_cast<double>(count) / sampleRate_;
        if (!anchored || std::abs(measured - expected) > kReanchorGap) {
            anchor = measured;
            count = 0;
            anchored = true;
            expected = measured;
        } else {
            anchor += (measured - expected) * kSteering;
            expected = anchor + static_cast<double>(count) / sampleRate_;
        }
        block.time = expected;
        count += frames;
        onBlock_(std::move(block));
    }
    running_ = false;
}

} // namespace tarnix::pulse
