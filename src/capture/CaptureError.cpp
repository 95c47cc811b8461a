#include "capture/CaptureError.h"

#include "capture/CaptureMessages.h"

namespace tarnix {

CameraError::CameraError(Code code)
    : CaptureError(CaptureMessages::kCannotAddInput)
    , code_(code)
{
}

} // namespace tarnix
