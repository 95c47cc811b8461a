#include "capture/MicrophoneRecorder.h"

#include <QMetaObject>
#include <QPointer>

#include "capture/CaptureClock.h"
#include "capture/CaptureError.h"
#include "capture/CaptureMessages.h"
#include "capture/OutputFiles.h"
#include "capture/RecordedSound.h"
#include "capture/PropertyValues.h"
#include "media/MovieWriter.h"

namespace tarnix {

namespace {
constexpr int kRate = 44100;
constexpr int kChannels = 1;
constexpr std::int64_t kBitRate = 128000;
} // namespace

void MicrophoneDeviceProvider::refresh()
{
    std::vector<pulse::SourceInfo> microphones;
    try {
        for (auto& source : pulse::listSources())
            if (!source.isMonitor)
                microphones.push_back(std::move(source));
    } catch (const pulse::PulseError& error) {
        devices_.clear();
        emit devicesChanged();
        // Refused access is a permission; anything else means there is no server to ask.
        const std::string& reason = error.reason();
        setErrorMessage(reason == "Access denied"
                            ? CaptureMessages::text(CaptureMessages::kMicrophoneAccessNotGranted)
                            : CaptureMessages::noSoundServer(reason));
        return;
    }
    devices_ = std::move(microphones);
    emit devicesChanged();
    setErrorMessage(std::nullopt);
}

MicrophoneRecorder::MicrophoneRecorder(QObject* parent)
    : DeviceFileRecorder(CaptureMessages::microphoneRecordingFailed, OutputFiles::kMicrophonePrefix,
                         ".m4a", parent)
{
}

MicrophoneRecorder::~MicrophoneRecorder()
{
    stream_.reset();
    file_.finish();
}

bool MicrophoneRecorder::isSessionRunning() const
{
    return stream_ && stream_->isRunning();
}

void MicrophoneRecorder::configure(const std::string& deviceName)
{
    stream_.reset();
    currentDevice_.reset();
    std::vector<pulse::SourceInfo> sources;
    try {
        sources = pulse::listSources();
    } catch (const pulse::PulseError& error) {
        throw CaptureError(error.what());
    }
    // A missing source would record silence on some servers: refuse it instead.
    const bool exists = std::any_of(sources.begin(), sources.end(), [&](const pulse::SourceInfo& s) {
        return s.name == deviceName && !s.isMonitor;
    });
    if (!exists)
        throw CameraError(CameraError::Code::cannotAddInput, CameraError::Device::microphone);
    QPointer<MicrophoneRecorder> self(this);
    pulse::Stream::Handlers handlers;
    handlers.onBlock = [this](pulse::AudioBlock&& block) {
        file_.write([&](media::MovieWriter& writer, double startTime) {
            writeRecordedSound(writer, *pauses_, block, kRate, startTime);
        });
    };
    // The stream reconnects by itself when the sound comes back; the file goes on meanwhile and
    // the gap is written as silence, so only the user needs telling.
    const auto pauses = pauses_;
    handlers.onLost = [self, pauses](const std::string& reason, double lostAt) {
        const double time = pauses->recordedTimeUpTo(lostAt);
        QMetaObject::invokeMethod(self.data(), [self, reason, time] {
            if (self && self->isRecording()) {
                self->soundGaps_.push_back({time, std::nullopt, reason});
                emit self->soundGapsChanged();
            }
        }, Qt::QueuedConnection);
    };
    handlers.onRestored = [self, pauses](double restoredAt) {
        const double time = pauses->recordedTimeUpTo(restoredAt);
        QMetaObject::invokeMethod(self.data(), [self, time] {
            if (self && self->isRecording() && !self->soundGaps_.empty() && !self->soundGaps_.back().to) {
                self->soundGaps_.back().to = time;
                emit self->soundGapsChanged();
            }
        }, Qt::QueuedConnection);
    };
    try {
        stream_ = std::make_unique<pulse::Stream>(deviceName, kRate, kChannels, std::move(handlers));
    } catch (const pulse::PulseError& error) {
        throw CaptureError(error.what());
    }
    currentDevice_ = deviceName;
}

void MicrophoneRecorder::start()
{
    if (isRecording() || !currentDevice_)
        return;
    if (!isSessionRunning()) {
        setErrorMessage(CaptureMessages::text(CaptureMessages::kMicrophoneNotReady));
        return;
    }
    media::MovieWriterSettings settings;
    settings.audio = media::MovieAudioSettings{kRate, kChannels, kBitRate};
    if (!soundGaps_.empty()) {
        soundGaps_.clear();
        emit soundGapsChanged();
    }
    startFile(std::move(settings));
}

void MicrophoneRecorder::finishing()
{
    // The file lasts until the stop, even when the sound went away before it and never came back.
    const double end = pauses_->recordedTimeUpTo(CaptureClock::now());
    file_.write([end](media::MovieWriter& writer, double startTime) { writer.padAudio(end - startTime); });
}

void MicrophoneRecorder::teardown()
{
    stream_.reset();
    currentDevice_.reset();
    if (isRecording()) {
        const auto failure = file_.finish();
        setRecording(false);
        if (failure)
            setErrorMessage(CaptureMessages::microphoneRecordingFailed(*failure));
    }
}

} // namespace tarnix
