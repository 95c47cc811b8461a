#pragma once

#include <stdexcept>

namespace tarnix {

// A capture device or service refused to start; what() is the reason, for the user.
class CaptureError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The desktop ended the screen sharing (its own stop control, the session closed, the compositor
// gone): the recording ends there as if the user had stopped it.
class SharingEndedError : public CaptureError {
public:
    using CaptureError::CaptureError;
};

// The session refused a camera or microphone input; the message names the kind of device.
class CameraError : public CaptureError {
public:
    enum class Code { cannotAddInput };
    enum class Device { camera, microphone };
    explicit CameraError(Code code = Code::cannotAddInput, Device device = Device::camera);
    Code code() const { return code_; }
    Device device() const { return device_; }

private:
    Code code_;
    Device device_;
};

} // namespace tarnix
