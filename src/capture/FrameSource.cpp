#include "capture/FrameSource.h"

#include "capture/portal/PortalCapture.h"
#include "capture/x11/X11FrameGrabber.h"
#include "media/MediaError.h"

namespace tarnix {

FrameSourceOpener frameSourceOpener(std::shared_ptr<portal::CursorFeed> cursorFeed,
                                    portal::SharedDisplayHold sharedDisplay)
{
    return [cursorFeed, sharedDisplay](const CaptureSource& source, const std::vector<WindowInfo>& ownWindows,
                                       std::function<void(OpenedFrameSource)> done) {
        if (source.backend() == CaptureBackend::portal) {
            std::unique_ptr<portal::SharedDisplay> shared;
            if (sharedDisplay)
                shared = std::move(*sharedDisplay);
            portal::openPortalFrameSource(source, cursorFeed, std::move(done), std::move(shared));
            return;
        }
        OpenedFrameSource opened;
        try {
            opened.source = std::make_unique<x11::FrameGrabber>(source, ownWindows);
        } catch (const std::exception& error) {
            opened.error = media::describe(error);
        }
        done(std::move(opened));
    };
}

} // namespace tarnix
