#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "capture/DeviceFileRecorder.h"
#include "capture/DeviceListing.h"

namespace tarnix::media {
class MovieWriter;
}

// The cameras (Video4Linux2 capture devices) and the recorder that writes the chosen one to a
// .mov file next to the screen recording.
//
// Threads: QObjects of the GUI thread; properties are read and written there only. The camera's
// session reads and decodes frames on its own thread, which also encodes them while recording.

namespace tarnix {

struct CameraDevice {
    std::string uniqueID;    // "/dev/video0", or an input name that inputFormat understands
    std::string localizedName;
    std::string inputFormat = "video4linux2"; // FFmpeg input format ("lavfi" for generated video)
    bool operator==(const CameraDevice&) const = default;
};

class CameraDeviceProvider : public DeviceListing {
    Q_OBJECT
public:
    using DeviceListing::DeviceListing;
    const std::vector<CameraDevice>& devices() const { return devices_; }
    // Lists the capture devices of `folder`; a device node that may not be opened means access
    // wasn't granted.
    void refresh(const std::string& folder = "/dev");

private:
    std::vector<CameraDevice> devices_;
};

class CameraRecorder : public DeviceFileRecorder {
    Q_OBJECT
public:
    explicit CameraRecorder(QObject* parent = nullptr);
    ~CameraRecorder() override;

    bool isSessionRunning() const;
    bool hasInput() const;

    // Makes the device the only input (opening it). Raises CaptureError with the platform's
    // description when it can't be opened; the previous input is gone either way.
    void configure(const CameraDevice& device);
    // Starts the session (frames flow) when it is not running.
    void startPreview();
    // Starts writing the file when an input is configured.
    void start();
    // Stops the session unless a recording is in progress, and forgets the input.
    void teardown();
    // Frames decoded by the session so far (tests, diagnostics).
    std::int64_t framesSeen() const { return framesSeen_; }

private:
    struct Input;
    void stopSession();
    void runSession();

    std::unique_ptr<Input> input_;
    std::thread session_;
    std::atomic<bool> stopSession_{false};
    std::atomic<bool> sessionRunning_{false};
    std::atomic<std::int64_t> framesSeen_{0};
};

} // namespace tarnix
