#include "capture/MicrophoneRecorder.h"

#include <QMetaObject>
#include <QPointer>

#include "capture/CaptureClock.h"
#include "capture/CaptureError.h"
#include "capture/CaptureMessages.h"
#include "capture/OutputFiles.h"
#include "media/MovieWriter.h"

namespace tarnix {

namespace {
constexpr int kRate = 44100;
constexpr int kChannels = 1;
constexpr std::int64_t kBitRate = 128000;

using media::describe;
} // namespace

QString MicrophoneDeviceProvider::errorMessageString() const
{
    return errorMessage_ ? QString::fromStdString(*errorMessage_) : QString();
}

void MicrophoneDeviceProvider::setErrorMessage(std::optional<std::string> message)
{
    if (errorMessage_ == message)
        return;
    errorMessage_ = std::move(message);
    emit errorMessageChanged();
}

void MicrophoneDeviceProvider::refresh()
{
    std::vector<pulse::SourceInfo> microphones;
    try {
        for (auto& source : pulse::listSources())
            if (!source.isMonitor)
                microphones.push_back(std::move(source));
    } catch (const pulse::PulseError&) {
        devices_.clear();
        emit devicesChanged();
        setErrorMessage(std::string(CaptureMessages::kMicrophoneAccessNotGranted));
        return;
    }
    devices_ = std::move(microphones);
    emit devicesChanged();
    setErrorMessage(std::nullopt);
}

MicrophoneRecorder::MicrophoneRecorder(QObject* parent)
    : QObject(parent)
{
}

MicrophoneRecorder::~MicrophoneRecorder()
{
    stream_.reset();
    file_.finish();
}

QString MicrophoneRecorder::errorMessageString() const
{
    return errorMessage_ ? QString::fromStdString(*errorMessage_) : QString();
}

bool MicrophoneRecorder::isSessionRunning() const
{
    return stream_ && stream_->isRunning();
}

void MicrophoneRecorder::setRecording(bool value)
{
    if (isRecording_ == value)
        return;
    isRecording_ = value;
    emit isRecordingChanged(value);
}

void MicrophoneRecorder::setErrorMessage(std::optional<std::string> message)
{
    if (errorMessage_ == message)
        return;
    errorMessage_ = std::move(message);
    emit errorMessageChanged();
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
        throw CameraError(CameraError::Code::cannotAddInput);
    QPointer<MicrophoneRecorder> self(this);
    try {
        stream_ = std::make_unique<pulse::Stream>(
            deviceName, kRate, kChannels,
            [this](pulse::AudioBlock&& block) {
                file_.write([&](media::MovieWriter& writer, double startTime) {
                    writer.writeAudio(block.samples.data(), block.frames, block.time - startTime);
                });
            },
            [self](const std::string& description) {
                QMetaObject::invokeMethod(self.data(), [self, description] {
                    if (self)
                        self->onStreamError(description);
                }, Qt::QueuedConnection);
            });
    } catch (const pulse::PulseError& error) {
        throw CaptureError(error.what());
    }
    currentDevice_ = deviceName;
}

void MicrophoneRecorder::start()
{
    if (isRecording_ || !currentDevice_)
        return;
    if (!isSessionRunning()) {
        setErrorMessage(std::string(CaptureMessages::kMicrophoneNotReady));
        return;
    }
    const auto path = OutputFiles::outputPath(outputDirectory_, OutputFiles::kMicrophonePrefix,
                                              Date::now(), ".m4a");
    media::MovieWriterSettings settings;
    settings.outputPath = path;
    settings.layout = media::MovieLayout::fragmented;
    settings.audio = media::MovieAudioSettings{kRate, kChannels, kBitRate};
    try {
        file_.start(std::make_unique<media::MovieWriter>(settings), CaptureClock::now());
    } catch (const std::exception& error) {
        lastOutputURL_ = path;
        setErrorMessage(CaptureMessages::microphoneRecordingFailed(describe(error)));
        return;
    }
    lastOutputURL_ = path;
    setRecording(true);
}

void MicrophoneRecorder::stop(std::function<void()> done)
{
    if (!isRecording_) {
        if (done)
            done();
        return;
    }
    // Flushing the encoder takes a while: it runs off this thread, and the recording counts as
    // running until its file is complete.
    file_.stopInBackground(
        this,
        [this](std::optional<std::string> failure) {
            setRecording(false);
            if (failure)
                setErrorMessage(CaptureMessages::microphoneRecordingFailed(*failure));
        },
        std::move(done));
}

void MicrophoneRecorder::onStreamError(const std::string& description)
{
    // The sound server went away: the session has stopped, and with it any recording.
    if (!isRecording_)
        return;
    const auto failure = file_.finish();
    setRecording(false);
    setErrorMessage(CaptureMessages::microphoneRecordingFailed(failure.value_or(description)));
}

void MicrophoneRecorder::teardown()
{
    stream_.reset();
    currentDevice_.reset();
    if (isRecording_) {
        const auto failure = file_.finish();
        setRecording(false);
        if (failure)
            setErrorMessage(CaptureMessages::microphoneRecordingFailed(*failure));
    }
}

} // namespace tarnix
