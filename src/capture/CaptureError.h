#pragma once

#include <stdexcept>

namespace tarnix {

// A capture device or service refused to start; what() is the reason, for the user.
class CaptureError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The session refused a camera or microphone input.
class CameraError : public CaptureError {
public:
    enum class Code { cannotAddInput };
    explicit CameraError(Code code = Code::cannotAddInput);
    Code code() const { return code_; }

private:
    Code code_;
};

} // namespace tarnix
