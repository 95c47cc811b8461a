#include "capture/CaptureError.h"

#include "capture/CaptureMessages.h"

namespace tarnix {

CameraError::CameraError(Code code, Device device)
    : CaptureError(CaptureMessages::text(device == Device::microphone ? CaptureMessages::kCannotAddMicrophone
                                                                      : CaptureMessages::kCannotAddInput))
    , code_(code)
    , device_(device)
{
}

} // namespace tarnix
