#pragma once

#include <QImage>
#include <QRect>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "capture/CaptureSource.h"

// What the screen recorder reads its pictures from, whatever the desktop: the X server's shared
// memory, or a PipeWire stream the desktop's screen-cast portal handed over.

namespace tarnix {

namespace portal {
class CursorFeed;
class SharedDisplay;
}

class FrameSource {
public:
    virtual ~FrameSource() = default;

    // The current picture, called on the capture thread at each slot of the recorder's frame
    // grid. The image may be a view that stays valid only until the next call. A null image
    // when there is nothing to show yet; raises std::exception when the source has gone.
    virtual QImage grab() = 0;
    // Whether the last grab's null image is a picture that is there but could not be read (a
    // display in the middle of a mode change), rather than nothing to show yet: the recorder
    // counts such a slot as a dropped frame.
    virtual bool lastGrabMissed() const { return false; }

    // For a source whose area may move or change size (a followed window, a display that RandR
    // moves or resizes): where it was, in root pixels, at the last grab that showed it. Nothing
    // for a fixed area, or before the area was first seen. Capture thread, after grab().
    virtual std::optional<QRect> followedArea() const { return std::nullopt; }
};

// A frame source that is ready, or why none could be had.
struct OpenedFrameSource {
    std::unique_ptr<FrameSource> source;
    // The source as it is recorded: a portal source learns its size when the desktop starts it.
    std::optional<CaptureSource> recorded;
    // What the desktop does not share, for the user (said once, not an error).
    std::vector<std::string> notices;
    std::optional<std::string> error;
};

// Opens a frame source for a chosen capture source; `done` runs on the calling (GUI) thread,
// at once or when the desktop has answered.
using FrameSourceOpener = std::function<void(const CaptureSource& source,
                                             const std::vector<WindowInfo>& ownWindows,
                                             std::function<void(OpenedFrameSource)> done)>;

// The opener for the source's own backend: MIT-SHM grabs for X11 sources, the ScreenCast portal
// and PipeWire for portal sources, whose cursor positions go to `cursorFeed`. A portal display
// shared ahead of the recording and waiting in `sharedDisplay` is taken over by the next
// recording of a display.
FrameSourceOpener frameSourceOpener(std::shared_ptr<portal::CursorFeed> cursorFeed,
                                    std::shared_ptr<std::unique_ptr<portal::SharedDisplay>> sharedDisplay = {});

} // namespace tarnix
