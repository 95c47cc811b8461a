#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

// PulseAudio (or PipeWire's pulse server) as the source of system audio and microphones.

namespace tarnix::pulse {

class Connection;

// No sound server, a missing device, a refused stream. what() says what failed in a sentence
// fragment ("no sound server is running (Connection refused)"); reason() is the server's own
// description alone ("Connection refused"), for messages that give their own context.
class PulseError : public std::runtime_error {
public:
    explicit PulseError(const std::string& description)
        : std::runtime_error(description)
        , reason_(description)
    {
    }
    PulseError(const std::string& description, std::string reason)
        : std::runtime_error(description)
        , reason_(std::move(reason))
    {
    }
    const std::string& reason() const { return reason_; }

private:
    std::string reason_;
};

struct SourceInfo {
    std::string name;        // the server's unique source name
    std::string description; // human-readable
    bool isMonitor = false;  // the monitor of a sink (what the speakers play)
};

// Every source of the server, in its order. Raises PulseError when there is no server.
std::vector<SourceInfo> listSources();

// The monitor source of the default sink, as a device name for Stream.
inline const char* const kDefaultSinkMonitor = "@DEFAULT_MONITOR@";

// A block of interleaved float samples, stamped with CaptureClock time of its first sample.
struct AudioBlock {
    std::vector<float> samples;
    int frames = 0;
    double time = 0;
};

// A recording stream read on its own thread. Blocks are stamped from the sample count since the
// first block, steered slowly towards the measured arrival time (read time minus the server's
// latency), so jitter does not reach the stamps while the sound stays on CaptureClock over long
// recordings; a gap of more than 0.1 s (an overrun) re-anchors.
//
// When the sound server goes away the stream says so once and keeps trying to connect again,
// every kRetrySeconds; once back, it says so and goes on. The first block after the gap is
// stamped afresh with the time its sound was taken, so whoever writes the blocks by their times
// leaves the gap silent and the sound after it where it belongs.
class Stream {
public:
    using BlockHandler = std::function<void(AudioBlock&&)>;
    struct Handlers {
        BlockHandler onBlock;
        // The sound went away: why, in words for the user ("the sound server stopped"), and the
        // CaptureClock time it ends at.
        std::function<void(const std::string& reason, double time)> onLost;
        // Connected again: the CaptureClock time of the first sound after the gap. Runs before
        // that sound's block is handed over.
        std::function<void(double time)> onRestored;
    };
    static constexpr double kRetrySeconds = 0.25;

    // Connects and starts reading. device: a source name, or nothing for the default source.
    // Raises PulseError when the server or the device is missing. The handlers run on the
    // stream's thread; any of them may be empty.
    Stream(std::optional<std::string> device, int sampleRate, int channels, Handlers handlers);
    ~Stream(); // stops the thread and disconnects
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;

    // Connected to the server (false while it is away and the stream tries again).
    bool isRunning() const { return running_; }

private:
    std::unique_ptr<Connection> connect(int* error) const;
    void run();
    // Waits until the server takes a new connection, or until the stream is stopped (false).
    bool reconnect();

    std::optional<std::string> device_;
    int sampleRate_;
    int channels_;
    Handlers handlers_;
    std::mutex stopMutex_;
    std::unique_ptr<Connection> connection_; // the stream's thread only, once it runs
    std::condition_variable stopWake_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> running_{true};
    std::thread thread_;
};

} // namespace tarnix::pulse
