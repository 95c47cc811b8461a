#include "capture/pulse/PulseAudio.h"

#include <pulse/error.h>
#include <pulse/introspect.h>
#include <pulse/mainloop.h>
#include <pulse/simple.h>

#include <cmath>
#include <utility>

#include "capture/CaptureClock.h"
#include "capture/CaptureMessages.h"

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

// Why a stream ended, in words for the user.
std::string lossReason(int error)
{
    if (error == PA_ERR_CONNECTIONTERMINATED)
        return CaptureMessages::text(CaptureMessages::kSoundServerStopped);
    return CaptureMessages::soundSourceLost(pa_strerror(error));
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

Stream::Stream(std::optional<std::string> device, int sampleRate, int channels, Handlers handlers)
    : device_(std::move(device))
    , sampleRate_(sampleRate)
    , channels_(channels)
    , handlers_(std::move(handlers))
{
    int error = 0;
    simple_ = connect(&error);
    if (!simple_)
        throw PulseError(pa_strerror(error));
    thread_ = std::thread([this] { run(); });
}

Stream::~Stream()
{
    {
        std::lock_guard lock(stopMutex_);
        stop_ = true;
    }
    stopWake_.notify_all();
    if (thread_.joinable())
        thread_.join();
    if (simple_)
        pa_simple_free(simple_);
}

pa_simple* Stream::connect(int* error) const
{
    pa_sample_spec sampleFormat{PA_SAMPLE_FLOAT32LE, static_cast<std::uint32_t>(sampleRate_),
                                static_cast<std::uint8_t>(channels_)};
    pa_buffer_attr attributes{};
    attributes.maxlength = static_cast<std::uint32_t>(-1);
    attributes.fragsize = static_cast<std::uint32_t>(pa_usec_to_bytes(
        static_cast<pa_usec_t>(kBlockSeconds * 1e6), &sampleFormat));
    return pa_simple_new(nullptr, "Tarnix", PA_STREAM_RECORD, device_ ? device_->c_str() : nullptr,
                         "recording", &sampleFormat, nullptr, &attributes, error);
}

bool Stream::reconnect()
{
    for (;;) {
        {
            std::unique_lock lock(stopMutex_);
            if (stopWake_.wait_for(lock, std::chrono::duration<double>(kRetrySeconds), [this] { return stop_.load(); }))
                return false;
        }
        int error = 0;
        if ((simple_ = connect(&error)))
            return true;
    }
}

void Stream::run()
{
    const int frames = std::max(1, static_cast<int>(std::lround(kBlockSeconds * sampleRate_)));
    double anchor = 0;     // stamp of the first sample after the last (re)anchoring
    std::int64_t count = 0; // samples since the anchor
    bool anchored = false;
    bool restored = false; // the next block is the first after a gap
    while (!stop_) {
        AudioBlock block;
        block.frames = frames;
        block.samples.resize(static_cast<std::size_t>(frames * channels_));
        int error = 0;
        if (pa_simple_read(simple_, block.samples.data(), block.samples.size() * sizeof(float), &error) < 0) {
            if (stop_)
                break;
            // The sound ends where the last block ended (or now, before any block arrived).
            const double lostAt = anchored ? anchor + static_cast<double>(count) / sampleRate_ : CaptureClock::now();
            running_ = false;
            pa_simple_free(simple_);
            simple_ = nullptr;
            if (handlers_.onLost)
                handlers_.onLost(lossReason(error), lostAt);
            if (!reconnect())
                return;
            running_ = true;
            anchored = false;
            restored = true;
            continue;
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
        if (std::exchange(restored, false) && handlers_.onRestored)
            handlers_.onRestored(block.time);
        if (handlers_.onBlock)
            handlers_.onBlock(std::move(block));
    }
    running_ = false;
}

} // namespace tarnix::pulse
