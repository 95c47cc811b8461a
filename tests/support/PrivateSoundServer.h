#pragma once

#include <QProcess>

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "support/ServiceHelpers.h"

// A PulseAudio daemon of one test's own, which the test may kill and start again on the same
// socket, so that recorders connected to it see the server go away and come back. It has the
// sinks and sources of scripts/lib/services.sh: a null sink "tarnix_null" as the default (its
// monitor is the system audio) and a mono microphone "tarnix_mic" fed by the sink
// "tarnix_mic_feed". While it exists, PULSE_SERVER points at it.

namespace tarnix::test {

class PrivateSoundServer {
public:
    PrivateSoundServer();
    ~PrivateSoundServer();
    PrivateSoundServer(const PrivateSoundServer&) = delete;
    PrivateSoundServer& operator=(const PrivateSoundServer&) = delete;

    // Starts the daemon and waits until it answers; false (with a test failure) when it doesn't.
    bool start();
    // Ends it at once, as a crash would (SIGKILL), and waits for it to be gone.
    void kill();

private:
    TemporaryFolder folder_;
    std::string socket_;
    ScopedEnvironment server_;
    std::unique_ptr<QProcess> daemon_;
};

// A sine tone played into a sink of the default server, in real time with little latency, until
// the object goes or the server does.
class TonePlayer {
public:
    TonePlayer(const std::string& sink, int channels, double frequency);
    ~TonePlayer();
    TonePlayer(const TonePlayer&) = delete;
    TonePlayer& operator=(const TonePlayer&) = delete;

    // Connected and playing.
    bool isPlaying() const { return playing_; }
    // CaptureClock time of the first sound handed to the server; 0 before.
    double startedAt() const { return startedAt_; }

private:
    std::atomic<bool> stop_{false};
    std::atomic<bool> playing_{false};
    std::atomic<double> startedAt_{0};
    std::thread thread_;
};

// A microphone plugged in for a while: a source of the default server remapped from the sink
// "tarnix_mic_feed" (so it hears the test microphone's tone), loaded with pactl and unloaded by
// unplug() or when the object goes. `name` is the source's name, `description` (no spaces) the
// name users see.
class PluggedMicrophone {
public:
    PluggedMicrophone(std::string name, std::string description);
    ~PluggedMicrophone() { unplug(); }
    PluggedMicrophone(const PluggedMicrophone&) = delete;
    PluggedMicrophone& operator=(const PluggedMicrophone&) = delete;

    // False when the server refused the module.
    bool plug();
    void unplug();

private:
    std::string name_;
    std::string description_;
    std::string module_; // pactl's index while loaded
};

} // namespace tarnix::test
