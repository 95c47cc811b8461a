#include "capture/DeviceFileRecorder.h"

#include "capture/CaptureClock.h"
#include "capture/OutputFiles.h"
#include "capture/PropertyValues.h"
#include "document/Date.h"

namespace tarnix {

DeviceFileRecorder::DeviceFileRecorder(std::string (*failureMessage)(const std::string&),
                                       const char* prefix, const char* extension, QObject* parent)
    : QObject(parent), failureMessage_(failureMessage), prefix_(prefix), extension_(extension)
{
}

QString DeviceFileRecorder::errorMessageString() const
{
    return optionalText(errorMessage_);
}

void DeviceFileRecorder::setRecording(bool value)
{
    if (assignIfChanged(isRecording_, value))
        emit isRecordingChanged(value);
}

void DeviceFileRecorder::setErrorMessage(std::optional<std::string> message)
{
    if (assignIfChanged(errorMessage_, std::move(message)))
        emit errorMessageChanged();
}

bool DeviceFileRecorder::startFile(media::MovieWriterSettings settings)
{
    std::filesystem::path path;
    try {
        path = OutputFiles::reserveOutputPath(outputDirectory_, prefix_, Date::now(), extension_);
    } catch (const std::exception& error) {
        setErrorMessage(failureMessage_(error.what()));
        return false;
    }
    lastOutputURL_ = path;
    settings.outputPath = path;
    settings.layout = media::MovieLayout::fragmented;
    try {
        const double startTime = CaptureClock::now();
        file_.start(std::make_unique<media::MovieWriter>(settings), startTime);
        fileStartTime_ = startTime;
    } catch (const std::exception& error) {
        std::error_code ignored;
        std::filesystem::remove(path, ignored); // our own reservation
        setErrorMessage(failureMessage_(media::describe(error)));
        return false;
    }
    setRecording(true);
    return true;
}

void DeviceFileRecorder::stop(std::function<void()> done)
{
    if (!isRecording_) {
        if (done)
            done();
        return;
    }
    finishing();
    // Flushing the encoder takes a while: it runs off this thread, and the recording counts as
    // running until its file is complete.
    file_.stopInBackground(
        this,
        [this](std::optional<std::string> failure) {
            setRecording(false);
            if (failure)
                setErrorMessage(failureMessage_(*failure));
        },
        std::move(done));
}

} // namespace tarnix
