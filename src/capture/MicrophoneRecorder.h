#pragma once

#include <QObject>
#include <QString>

#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "capture/RecordingFile.h"

#include "capture/pulse/PulseAudio.h"

namespace tarnix::media {
class MovieWriter;
}

// The microphones (sound-server sources that are not monitors) and the recorder that writes the
// chosen one to an .m4a file (AAC, 44.1 kHz, mono, 128 kb/s) next to the screen recording.
//
// Threads: QObjects of the GUI thread; properties are read and written there only. The sound
// stream runs on its own thread, which encodes while recording and posts failures here.

namespace tarnix {

class MicrophoneDeviceProvider : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString errorMessage READ errorMessageString NOTIFY errorMessageChanged)
public:
    using QObject::QObject;
    const std::vector<pulse::SourceInfo>& devices() const { return devices_; }
    const std::optional<std::string>& errorMessage() const { return errorMessage_; }
    QString errorMessageString() const;
    void setErrorMessage(std::optional<std::string> message);
    // Lists the sound server's microphones, or reports that there is no sound server.
    void refresh();
signals:
    void devicesChanged();
    void errorMessageChanged();

private:
    std::vector<pulse::SourceInfo> devices_;
    std::optional<std::string> errorMessage_;
};

class MicrophoneRecorder : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isRecording READ isRecording NOTIFY isRecordingChanged)
    Q_PROPERTY(QString errorMessage READ errorMessageString NOTIFY errorMessageChanged)
public:
    explicit MicrophoneRecorder(QObject* parent = nullptr);
    ~MicrophoneRecorder() override;

    void setOutputDirectory(std::optional<std::filesystem::path> directory) { outputDirectory_ = std::move(directory); }
    bool isRecording() const { return isRecording_; }
    const std::optional<std::filesystem::path>& lastOutputURL() const { return lastOutputURL_; }
    const std::optional<std::string>& errorMessage() const { return errorMessage_; }
    QString errorMessageString() const;
    bool isSessionRunning() const;
    bool hasInput() const { return currentDevice_.has_value(); }

    // Makes the named source the only input and starts listening to it. Raises CaptureError
    // with the sound server's description when the source can't be opened.
    void configure(const std::string& deviceName);
    // Starts writing the file when an input is configured and listening.
    void start();
    // Ends the file off this thread; `done` runs on this thread when it is complete, and until
    // then isRecording stays true.
    void stop(std::function<void()> done = {});
    // Stops listening and forgets the input, ending a recording in progress.
    void teardown();

signals:
    void isRecordingChanged(bool);
    void errorMessageChanged();

private:
    void setRecording(bool value);
    void setErrorMessage(std::optional<std::string> message);
    void onStreamError(const std::string& description);

    bool isRecording_ = false;
    std::optional<std::filesystem::path> lastOutputURL_;
    std::optional<std::string> errorMessage_;
    std::optional<std::filesystem::path> outputDirectory_;
    std::optional<std::string> currentDevice_;
    std::unique_ptr<pulse::Stream> stream_;

    RecordingFile file_; // written from the stream thread
};

} // namespace tarnix
