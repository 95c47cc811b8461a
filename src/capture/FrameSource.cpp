#include "capture/FrameSource.h"

#include "capture/portal/PortalCapture.h"
#include "capture/x11/X11FrameGrabber.h"
#include "media/MediaError.h"

namespace tarnix {

FrameSourceOpener frameSourceOpener(std::shared_ptr<portal::CursorFeed> cursorFeed)
{
    return [cursorFeed](const CaptureSource& source, const std::vector<WindowInfo>& ownWindows,
                        std::function<void(OpenedFrameSource)> done) {
        if (source.backend() == CaptureBackend::portal) {
            portal::openPortalFrameSource(source, cursorFeed, std::move(done));
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
