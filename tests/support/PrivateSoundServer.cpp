#include "support/PrivateSoundServer.h"

#include <gtest/gtest.h>
#include <pulse/simple.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <fstream>
#include <numbers>
#include <vector>

#include "capture/CaptureClock.h"
#include "capture/pulse/PulseAudio.h"

namespace tarnix::test {

namespace {

std::string socketPath(const TemporaryFolder& folder)
{
    return (folder.path() / "native").string();
}

std::string serverAddress(const std::string& socket)
{
    return "unix:" + socket;
}

bool answers()
{
    try {
        pulse::listSources();
        return true;
    } catch (const pulse::PulseError&) {
        return false;
    }
}

} // namespace

PrivateSoundServer::PrivateSoundServer()
    : socket_(socketPath(folder_))
    , server_("PULSE_SERVER", serverAddress(socket_).c_str())
{
    std::filesystem::create_directories(folder_.path() / "home");
    std::filesystem::create_directories(folder_.path() / "run");
    std::filesystem::permissions(folder_.path() / "run", std::filesystem::perms::owner_all);
    std::ofstream script(folder_.path() / "min.pa");
    script << "load-module module-native-protocol-unix auth-anonymous=1 socket=" << socket_ << "\n"
           << "load-module module-null-sink sink_name=tarnix_null\n"
           << "set-default-sink tarnix_null\n"
           << "load-module module-null-sink sink_name=tarnix_mic_feed\n"
           << "load-module module-remap-source master=tarnix_mic_feed.monitor source_name=tarnix_mic "
              "channels=1\n"
           << "set-default-source tarnix_mic\n";
}

PrivateSoundServer::~PrivateSoundServer()
{
    kill();
}

bool PrivateSoundServer::start()
{
    kill();
    daemon_ = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", QString::fromStdString((folder_.path() / "home").string()));
    environment.insert("XDG_RUNTIME_DIR", QString::fromStdString((folder_.path() / "run").string()));
    // Off the session bus, where the shared sound server already holds the PulseAudio name.
    environment.remove("DBUS_SESSION_BUS_ADDRESS");
    environment.remove("DISPLAY");
    daemon_->setProcessEnvironment(environment);
    daemon_->setStandardOutputFile(QProcess::nullDevice());
    daemon_->setStandardErrorFile(QString::fromStdString((folder_.path() / "pa.log").string()),
                                  QIODevice::Append);
    daemon_->start("pulseaudio", {"--daemonize=no", "-n", "-F",
                                  QString::fromStdString((folder_.path() / "min.pa").string()),
                                  "--exit-idle-time=-1", "--disallow-exit", "--log-target=stderr"});
    if (!daemon_->waitForStarted(10000)) {
        ADD_FAILURE() << "pulseaudio could not be started: " << daemon_->errorString().toStdString();
        return false;
    }
    if (!processEventsUntil(20, answers)) {
        ADD_FAILURE() << "the private sound server did not answer:\n" << readFile(folder_.path() / "pa.log");
        return false;
    }
    return true;
}

void PrivateSoundServer::kill()
{
    if (!daemon_)
        return;
    daemon_->kill();
    daemon_->waitForFinished(10000);
    daemon_.reset();
    // A killed daemon leaves its socket file behind; a new one replaces it.
    std::error_code ignored;
    std::filesystem::remove(socket_, ignored);
}

TonePlayer::TonePlayer(const std::string& sink, int channels, double frequency)
{
    thread_ = std::thread([this, sink, channels, frequency] {
        constexpr int kRate = 44100;
        const pa_sample_spec format{PA_SAMPLE_FLOAT32LE, kRate, static_cast<std::uint8_t>(channels)};
        pa_buffer_attr attributes{};
        attributes.maxlength = static_cast<std::uint32_t>(-1);
        attributes.tlength = static_cast<std::uint32_t>(pa_usec_to_bytes(100000, &format));
        attributes.prebuf = static_cast<std::uint32_t>(-1);
        attributes.minreq = static_cast<std::uint32_t>(-1);
        attributes.fragsize = static_cast<std::uint32_t>(-1);
        int error = 0;
        pa_simple* simple = pa_simple_new(nullptr, "tarnix-test-tone", PA_STREAM_PLAYBACK, sink.c_str(),
                                          "tone", &format, nullptr, &attributes, &error);
        if (!simple)
            return;
        playing_ = true;
        constexpr int kFrames = kRate / 50;
        std::vector<float> block(static_cast<std::size_t>(kFrames * channels));
        std::int64_t position = 0;
        while (!stop_) {
            for (int i = 0; i < kFrames; ++i, ++position) {
                const float value = 0.5f * static_cast<float>(std::sin(2 * std::numbers::pi * frequency *
                                                                        static_cast<double>(position) / kRate));
                for (int c = 0; c < channels; ++c)
                    block[static_cast<std::size_t>(i * channels + c)] = value;
            }
            if (startedAt_ == 0)
                startedAt_ = CaptureClock::now();
            if (pa_simple_write(simple, block.data(), block.size() * sizeof(float), &error) < 0)
                break;
        }
        playing_ = false;
        pa_simple_free(simple);
    });
}

TonePlayer::~TonePlayer()
{
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
}

PluggedMicrophone::PluggedMicrophone(std::string name, std::string description)
    : name_(std::move(name))
    , description_(std::move(description))
{
}

bool PluggedMicrophone::plug()
{
    unplug();
    module_ = shellOutput("pactl load-module module-remap-source master=tarnix_mic_feed.monitor source_name=" + name_ +
                          " channels=1 source_properties=device.description=" + description_ + " 2>/dev/null");
    const bool loaded = !module_.empty() && std::all_of(module_.begin(), module_.end(), [](unsigned char c) { return std::isdigit(c) != 0; });
    if (!loaded)
        module_.clear();
    return loaded;
}

void PluggedMicrophone::unplug()
{
    if (!module_.empty())
        shell("pactl unload-module " + module_);
    module_.clear();
}

} // namespace tarnix::test
