#include "compositing/CompositorError.h"

namespace tarnix {

std::string description(CompositorError error)
{
    switch (error) {
    case CompositorError::missingFrame:
        return "Missing a source frame while rendering.";
    case CompositorError::noRenderBuffer:
        return "Couldn't allocate a render buffer.";
    }
    return "Couldn't allocate a render buffer.";
}

media::MediaError toMediaError(CompositorError error)
{
    media::MediaError mediaError;
    mediaError.domain = "CompositorError";
    mediaError.code = static_cast<int>(error);
    mediaError.description = description(error);
    return mediaError;
}

} // namespace tarnix
