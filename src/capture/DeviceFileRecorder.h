#pragma once

#include <QObject>
#include <QString>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "capture/CapturePauses.h"
#include "capture/RecordingFile.h"

namespace tarnix {

// What the camera and microphone recorders share: the file a device thread writes under a name
// reserved for it, whether it is being written, where the last one went and the last error. The
// state is read and changed on the GUI thread only.
class DeviceFileRecorder : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isRecording READ isRecording NOTIFY isRecordingChanged)
    Q_PROPERTY(QString errorMessage READ errorMessageString NOTIFY errorMessageChanged)
public:
    ~DeviceFileRecorder() override = default;
    void setOutputDirectory(std::optional<std::filesystem::path> directory) { outputDirectory_ = std::move(directory); }
    // The recording's pauses: the device's pictures or sound inside one are not written, and the
    // file closes the gap. Set before the device is configured; by default there are none.
    void setPauses(std::shared_ptr<const CapturePauses> pauses) { pauses_ = std::move(pauses); }
    bool isRecording() const { return isRecording_; }
    const std::optional<std::filesystem::path>& lastOutputURL() const { return lastOutputURL_; }
    const std::optional<std::string>& errorMessage() const { return errorMessage_; }
    QString errorMessageString() const;
    // The CaptureClock time of the last file's start: its time 0.
    double fileStartTime() const { return fileStartTime_; }

    // Ends the file off this thread; `done` runs on this thread when it is complete, and until
    // then isRecording stays true.
    void stop(std::function<void()> done = {});

signals:
    void isRecordingChanged(bool);
    void errorMessageChanged();

protected:
    // `failureMessage` words a reason for the user; files are named prefix + date + extension.
    DeviceFileRecorder(std::string (*failureMessage)(const std::string&), const char* prefix,
                       const char* extension, QObject* parent);

    // Reserves the next free name and starts writing a fragmented file there with `settings`
    // (its path and layout filled in here). On failure the reservation is removed, the error set
    // and false returned.
    bool startFile(media::MovieWriterSettings settings);
    // Runs on this thread when a stop begins, while the file still takes writes.
    virtual void finishing() {}
    void setErrorMessage(std::optional<std::string> message);
    void setRecording(bool value);

    RecordingFile file_; // written from the device's thread
    std::shared_ptr<const CapturePauses> pauses_ = std::make_shared<CapturePauses>();

private:
    std::string (*failureMessage_)(const std::string&);
    const char* prefix_;
    const char* extension_;
    bool isRecording_ = false;
    std::optional<std::filesystem::path> lastOutputURL_;
    double fileStartTime_ = 0;
    std::optional<std::string> errorMessage_;
    std::optional<std::filesystem::path> outputDirectory_;
};

} // namespace tarnix
