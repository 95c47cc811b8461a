#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "capture/FrameSource.h"
#include "capture/PointerSource.h"

// Recording through the desktop's ScreenCast portal: the frame source of a started cast, the
// restore tokens that let the desktop skip its question next time, and where the pointer comes
// from (the cast's cursor metadata, the input devices' buttons).

namespace tarnix::portal {

// Starts a cast for a portal source (the desktop may ask the user) and hands over its frames;
// `done` runs on the GUI thread.
void openPortalFrameSource(const CaptureSource& source, std::function<void(OpenedFrameSource)> done);

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

// Cursor positions of the running cast, handed to whoever watches the pointer. A process has one
// (a recording has one cast).
class CursorFeed {
public:
    static CursorFeed& instance();
    // Returns the subscription's number; the handler runs on the cast's thread.
    int subscribe(PointerSource::Handler handler);
    void unsubscribe(int subscription); // no call of its handler runs afterwards
    void publish(PointerEvent event, Point screenPoint, double time);

private:
    std::mutex mutex_;
    std::vector<std::pair<int, PointerSource::Handler>> handlers_;
    int next_ = 0;
};

// The pointer on a portal desktop: the cast's cursor positions (where the desktop shares them)
// and the mouse buttons of the input devices (where they may be read). A click is placed at the
// last cursor position; before there is one (or without cursor positions at all) it is dropped.
class PortalPointerSource : public PointerSource {
public:
    // Opens the click source with a handler of its own; its failure means no clicks.
    using ClickSourceFactory = std::function<std::unique_ptr<PointerSource>(Handler)>;

    explicit PortalPointerSource(Handler handler, const ClickSourceFactory& clicks = {});
    ~PortalPointerSource() override;

    std::optional<std::string> limitation() const override;

    struct Shared;

private:
    std::shared_ptr<Shared> shared_;
    int subscription_;
    std::unique_ptr<PointerSource> clicks_;
};

} // namespace tarnix::portal
