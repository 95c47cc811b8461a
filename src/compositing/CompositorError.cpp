#include "compositing/CompositorError.h"

#include <QCoreApplication>

namespace tarnix {

std::string description(CompositorError error)
{
    switch (error) {
    case CompositorError::missingFrame:
        return QCoreApplication::translate("tarnix::CompositorError", "Missing a source frame while rendering.")
            .toStdString();
    case CompositorError::noRenderBuffer:
        break;
    }
    return QCoreApplication::translate("tarnix::CompositorError", "Couldn't allocate a render buffer.").toStdString();
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
