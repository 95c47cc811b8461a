#include "capture/pulse/PulseAudio.h"

#include <pulse/error.h>
#include <pulse/introspect.h>
#include <pulse/mainloop.h>
#include <pulse/mainloop.h>
#include <pulse/stream.h>

#include <cmath>
#include <cstring>
#include <utility>

#include "capture/CaptureClock.h"
#include "capture/CaptureMessages.h"

namespace tarnix::pulse {

namespace {

constexpr double kBlockSeconds = 0.02;
constexpr double kListTimeout = 3.0;      // seconds to wait for the server
constexpr double kConnectTimeout = 5.0;   // seconds to wait for a recording stream
constexpr double kPollSeconds = 0.1;      // longest wait for the server before a stop is seen
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

// One recording stream on a mainloop of the reading thread's own. Everything, the server's
// shared memory blocks included, is handled on that thread: a block is copied and let go at
// once, so the connection can always be torn down, also when the server dies mid-read (a reader
// that held a block across calls would wait forever for a loop that waits for the block).
class Connection {
public:
    // Connects, waiting at most kConnectTimeout, or until `stop` is set.
    Connection(const std::optional<std::string>& device, int sampleRate, int channels, const std::atomic<bool>& stop)
        : loop_(pa_mainloop_new())
        , context_(pa_context_new(pa_mainloop_get_api(loop_), "Tarnix"))
    {
        const pa_sample_spec format{PA_SAMPLE_FLOAT32LE, static_cast<std::uint32_t>(sampleRate),
                                    static_cast<std::uint8_t>(channels)};
        frameBytes_ = pa_frame_size(&format);
        if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOFLAGS, nullptr) < 0)
            fail(pa_context_errno(context_));
        const double deadline = CaptureClock::now() + kConnectTimeout;
        auto waitFor = [&](auto ready) {
            while (!error_ && !ready()) {
                if (stop || CaptureClock::now() > deadline)
                    fail(PA_ERR_TIMEOUT);
                else
                    iterate();
            }
        };
        waitFor([&] { return pa_context_get_state(context_) == PA_CONTEXT_READY; });
        if (error_)
            return;
        pa_buffer_attr attributes{};
        attributes.maxlength = static_cast<std::uint32_t>(-1);
        attributes.fragsize = static_cast<std::uint32_t>(pa_usec_to_bytes(
            static_cast<pa_usec_t>(kBlockSeconds * 1e6), &format));
        stream_ = pa_stream_new(context_, "recording", &format, nullptr);
        const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_ADJUST_LATENCY |
                                                          PA_STREAM_AUTO_TIMING_UPDATE);
        if (!stream_ || pa_stream_connect_record(stream_, device ? device->c_str() : nullptr, &attributes, flags) < 0)
            fail(pa_context_errno(context_));
        waitFor([&] { return pa_stream_get_state(stream_) == PA_STREAM_READY; });
    }

    ~Connection()
    {
        if (stream_) {
            pa_stream_disconnect(stream_);
            pa_stream_unref(stream_);
        }
        pa_context_disconnect(context_);
        pa_context_unref(context_);
        pa_mainloop_free(loop_);
    }

    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // 0 while connected, else the server's error code.
    int error() const { return error_; }

    // Fills `samples` with the next sound; false when the connection ended (error()) or `stop`
    // was set (seen within kPollSeconds).
    bool read(std::vector<float>& samples, const std::atomic<bool>& stop)
    {
        const std::size_t wanted = samples.size() * sizeof(float);
        while (pending_.size() < wanted) {
            if (stop || error_)
                return false;
            const void* data = nullptr;
            std::size_t length = 0;
            if (pa_stream_peek(stream_, &data, &length) < 0) {
                fail(pa_context_errno(context_));
                return false;
            }
            if (length == 0) {
                iterate();
                continue;
            }
            // A hole in the stream (no data for that stretch) reads as silence.
            const auto* bytes = static_cast<const std::uint8_t*>(data);
            if (bytes)
                pending_.insert(pending_.end(), bytes, bytes + length);
            else
                pending_.insert(pending_.end(), length, 0);
            pa_stream_drop(stream_);
        }
        std::memcpy(samples.data(), pending_.data(), wanted);
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(wanted));
        return true;
    }

    // How long ago the newest sound read from the server was taken, seconds; what is still
    // waiting here counts too.
    double latency()
    {
        pa_usec_t usec = 0;
        int negative = 0;
        if (pa_stream_get_latency(stream_, &usec, &negative) < 0 || negative)
            usec = 0;
        const double waiting = static_cast<double>(pending_.size() / frameBytes_) /
                               pa_stream_get_sample_spec(stream_)->rate;
        return static_cast<double>(usec) * 1e-6 + waiting;
    }

private:
    void fail(int error) { error_ = error ? error : PA_ERR_UNKNOWN; }

    // Waits a little for the server and notes a connection that ended.
    void iterate()
    {
        if (pa_mainloop_prepare(loop_, static_cast<int>(kPollSeconds * 1e6)) < 0 || pa_mainloop_poll(loop_) < 0 ||
            pa_mainloop_dispatch(loop_) < 0) {
            fail(PA_ERR_CONNECTIONTERMINATED);
            return;
        }
        const auto contextState = pa_context_get_state(context_);
        if (contextState == PA_CONTEXT_FAILED || contextState == PA_CONTEXT_TERMINATED)
            fail(pa_context_errno(context_));
        else if (stream_) {
            const auto streamState = pa_stream_get_state(stream_);
            if (streamState == PA_STREAM_FAILED || streamState == PA_STREAM_TERMINATED)
                fail(pa_context_errno(context_));
        }
    }

    pa_mainloop* loop_;
    pa_context* context_;
    pa_stream* stream_ = nullptr;
    std::size_t frameBytes_ = 1;
    int error_ = 0;
    std::vector<std::uint8_t> pending_; // read from the server, not handed on yet
};

Stream::Stream(std::optional<std::string> device, int sampleRate, int channels, Handlers handlers)
    : device_(std::move(device))
    , sampleRate_(sampleRate)
    , channels_(channels)
    , handlers_(std::move(handlers))
{
    int error = 0;
    connection_ = connect(&error);
    if (!connection_)
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
}

std::unique_ptr<Connection> Stream::connect(int* error) const
{
    auto connection = std::make_unique<Connection>(device_, sampleRate_, channels_, stop_);
    if ((*error = connection->error()))
        return nullptr;
    return connection;
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
        if ((connection_ = connect(&error)))
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
        if (!connection_->read(block.samples, stop_)) {
            if (stop_)
                break;
            const int error = connection_->error();
            // The sound ends where the last block ended (or now, before any block arrived).
            const double lostAt = anchored ? anchor + static_cast<double>(count) / sampleRate_ : CaptureClock::now();
            running_ = false;
            connection_.reset();
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
        const double measured = readTime - connection_->latency() -
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
