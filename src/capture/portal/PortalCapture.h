#pragma once

#include <QImage>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "capture/FrameSource.h"
#include "capture/PointerSource.h"
#include "capture/portal/CursorFeed.h"

// Recording through the desktop's ScreenCast portal: the frame source of a started cast, the
// restore tokens that let the desktop skip its question next time, and where the pointer comes
// from (the cast's cursor metadata, the input devices' buttons).

namespace tarnix::portal {

// A display the desktop shares before its recording starts, so that an area can be chosen on a
// still of it: the desktop asks which display once, its first picture is the still, and the
// recording then takes this cast over (see SharedDisplayHold). Destroying it ends the portal
// session.
class SharedDisplay {
public:
    struct Started;
    // The shared display, or why there is none; `declined` when the user said no to the desktop.
    struct Outcome {
        std::unique_ptr<SharedDisplay> display;
        std::string error;
        bool declined = false;
    };
    // Starts the cast (the desktop may ask the user), then waits a moment for its first picture.
    // `done` runs once on the GUI thread. The cast's cursor positions go to `cursorFeed`.
    static void start(const CaptureSource& display, std::shared_ptr<CursorFeed> cursorFeed,
                      std::function<void(Outcome)> done);
    explicit SharedDisplay(std::unique_ptr<Started> started);
    ~SharedDisplay();

    // The display's place and size in the desktop's logical space, as the desktop reports them
    // (an empty place where it says none).
    QRect frame() const;
    // Its first picture, in the stream's pixels; null when none came in time.
    const QImage& still() const { return still_; }

private:
    friend void openPortalFrameSource(const CaptureSource&, std::shared_ptr<CursorFeed>,
                                      std::function<void(OpenedFrameSource)>, std::unique_ptr<SharedDisplay>);
    std::unique_ptr<Started> started_;
    QImage still_;
};

// Where a shared display waits for the recording that takes it over; empty when none waits.
using SharedDisplayHold = std::shared_ptr<std::unique_ptr<SharedDisplay>>;

// Starts a cast for a portal source (the desktop may ask the user) and hands over its frames;
// `done` runs on the GUI thread. The cast's cursor positions, where the desktop sends them, go to
// `cursorFeed`. A display source given `shared` records that cast and asks the desktop nothing.
void openPortalFrameSource(const CaptureSource& source, std::shared_ptr<CursorFeed> cursorFeed,
                           std::function<void(OpenedFrameSource)> done, std::unique_ptr<SharedDisplay> shared = {});

// The restore token of the last cast of each kind, in the user's settings.
std::optional<QString> loadRestoreToken(CaptureSource::Kind kind);
void saveRestoreToken(CaptureSource::Kind kind, const std::optional<QString>& token);

// Turns the cast's cursor metadata (positions in the picture's pixels, repeated with every
// picture) into pointer moves in screen space, once per change.
class CastCursor {
public:
    explicit CastCursor(QRect castFrame) : frame_(castFrame), space_{castFrame} {}
    std::optional<Point> moveTo(QPoint picturePosition);

private:
    QRect frame_;
    ScreenSpace space_;
    std::optional<QPoint> last_;
};

// The pointer on a portal desktop: the cast's cursor positions (where the desktop shares them)
// and the mouse buttons of the input devices (where they may be read). A click is placed at the
// last cursor position; before there is one (or without cursor positions at all) it is dropped.
class PortalPointerSource : public PointerSource {
public:
    // Opens the click source with a handler of its own; its failure means no clicks.
    using ClickSourceFactory = std::function<std::unique_ptr<PointerSource>(Handler)>;

    // Follows the cast's cursor positions through `cursorFeed`.
    PortalPointerSource(std::shared_ptr<CursorFeed> cursorFeed, Handler handler, const ClickSourceFactory& clicks = {});
    ~PortalPointerSource() override;

    std::optional<std::string> limitation() const override;

    struct Shared;

private:
    std::shared_ptr<Shared> shared_;
    std::shared_ptr<CursorFeed> feed_;
    int subscription_;
    std::unique_ptr<PointerSource> clicks_;
};

} // namespace tarnix::portal
