#include "capture/portal/PortalCapture.h"

#include <QSettings>
#include <QTimer>

#include <mutex>
#include <tuple>

#include "capture/CaptureError.h"
#include "capture/CaptureMessages.h"
#include "capture/portal/PipeWireStream.h"
#include "capture/portal/PortalRequest.h"
#include "capture/portal/ScreenCastPortal.h"

namespace tarnix::portal {

namespace {

QString tokenKey(CaptureSource::Kind kind)
{
    return kind == CaptureSource::Kind::window ? QStringLiteral("ScreenCast/windowRestoreToken")
                                               : QStringLiteral("ScreenCast/displayRestoreToken");
}

// The source as the desktop started it: its size, and its place where the desktop says.
CaptureSource recordedSource(const CaptureSource& chosen, const StartedCast& cast)
{
    const QRect frame(cast.position, cast.size);
    const ScreenSpace space{frame};
    if (chosen.kind() == CaptureSource::Kind::window) {
        WindowInfo window = chosen.window();
        window.frame = frame;
        return CaptureSource::forWindow(window, space).viaPortal();
    }
    DisplayInfo display = chosen.display();
    display.frame = frame;
    const CaptureSource whole = CaptureSource::forDisplay(display, space).viaPortal();
    // An area chosen before the desktop said which display it shares is cut to that display
    // (deliver() refuses one that lies wholly outside it).
    if (chosen.area())
        return whole.cutTo(*chosen.area()).value_or(whole);
    return whole;
}

class PortalFrameSource : public FrameSource {
public:
    PortalFrameSource(const StartedCast& cast, const CaptureSource& recorded, std::shared_ptr<CursorFeed> cursorFeed)
        : session_(cast.sessionHandle)
        , area_(recorded.area())
    {
        PipeWireStream::CursorHandler cursor;
        if (cast.cursorMode == metadataCursor) {
            // Positions come in the whole picture's pixels, even when an area of it is recorded.
            const QRect castFrame = recorded.kind() == CaptureSource::Kind::window ? recorded.rootFrame()
                                                                                   : recorded.display().frame;
            cursor = [moves = std::make_shared<CastCursor>(castFrame),
                      feed = std::move(cursorFeed)](QPoint position, double time) {
                if (auto point = moves->moveTo(position))
                    feed->publish(PointerEvent::moved, *point, time);
            };
        }
        try {
            stream_ = std::make_unique<PipeWireStream>(cast.pipeWireFd, cast.node, std::move(cursor));
        } catch (...) {
            closeSession(session_);
            throw;
        }
    }

    ~PortalFrameSource() override
    {
        stream_.reset();
        closeSession(session_);
    }

    QImage grab() override
    {
        if (auto end = stream_->failure()) {
            if (end->byDesktop)
                throw SharingEndedError(end->why);
            throw CaptureError(end->why);
        }
        if (!area_)
            return stream_->latest();
        // A view of the area, valid while the picture is held (until the next grab).
        held_ = stream_->latest();
        const QRect area = *area_ & held_.rect();
        if (area.width() < 2 || area.height() < 2)
            return {};
        return QImage(held_.constBits() + area.y() * held_.bytesPerLine() + area.x() * 4, area.width(),
                      area.height(), held_.bytesPerLine(), held_.format());
    }

    // The size of the first picture, once there is one.
    QSize pictureSize() const { return stream_->latest().size(); }
    // The area to record once the desktop's size is known.
    void setArea(std::optional<QRect> area) { area_ = area; }

private:
    QString session_;
    std::optional<QRect> area_;
    QImage held_;
    std::unique_ptr<PipeWireStream> stream_;
};

// Hands over the started cast, recorded at the size the desktop gave.
void deliver(std::unique_ptr<PortalFrameSource> frames, OpenedFrameSource opened, const CaptureSource& source,
             const StartedCast& cast, const std::function<void(OpenedFrameSource)>& done)
{
    opened.recorded = recordedSource(source, cast);
    if (source.area() && !opened.recorded->area()) {
        opened.recorded.reset();
        opened.error = CaptureMessages::kAreaOutsideSharedDisplay;
        done(std::move(opened));
        return;
    }
    frames->setArea(opened.recorded->area());
    opened.source = std::move(frames);
    done(std::move(opened));
}

void waitForFirstPicture(std::unique_ptr<PortalFrameSource> frames, OpenedFrameSource opened,
                         const CaptureSource& source, StartedCast cast,
                         const std::function<void(OpenedFrameSource)>& done, int triesLeft = 250)
{
    const QSize size = frames->pictureSize();
    if (size.isEmpty() && triesLeft > 0) {
        // Every 20 ms, for up to 5 s.
        auto pending = std::make_shared<std::tuple<std::unique_ptr<PortalFrameSource>, OpenedFrameSource, StartedCast>>(
            std::move(frames), std::move(opened), std::move(cast));
        QTimer::singleShot(20, [pending, source, done, triesLeft] {
            auto& [waiting, result, started] = *pending;
            waitForFirstPicture(std::move(waiting), std::move(result), source, std::move(started), done, triesLeft - 1);
        });
        return;
    }
    if (size.isEmpty()) {
        opened.error = "the desktop started sharing but sent no picture";
        done(std::move(opened));
        return;
    }
    cast.size = size;
    deliver(std::move(frames), std::move(opened), source, cast, done);
}

} // namespace

std::optional<QString> loadRestoreToken(CaptureSource::Kind kind)
{
    QSettings settings(QStringLiteral("Tarnix"), QStringLiteral("Tarnix"));
    const QString token = settings.value(tokenKey(kind)).toString();
    if (token.isEmpty())
        return std::nullopt;
    return token;
}

void saveRestoreToken(CaptureSource::Kind kind, const std::optional<QString>& token)
{
    QSettings settings(QStringLiteral("Tarnix"), QStringLiteral("Tarnix"));
    if (token && !token->isEmpty())
        settings.setValue(tokenKey(kind), *token);
    else
        settings.remove(tokenKey(kind));
}

struct SharedDisplay::Started {
    StartedCast cast;
    std::unique_ptr<PortalFrameSource> frames;
};

SharedDisplay::SharedDisplay(std::unique_ptr<Started> started)
    : started_(std::move(started))
{
    // The stream hands out the picture it holds; the still keeps a copy of its own.
    still_ = started_->frames->grab().copy();
}

SharedDisplay::~SharedDisplay() = default;

QRect SharedDisplay::frame() const
{
    return started_ ? QRect(started_->cast.position, started_->cast.size) : QRect();
}

namespace {

// How long a shared display's first picture is waited for: a desktop that sends pictures only
// when something changes may send none for a still screen, and the area is chosen without one.
constexpr int kStillTries = 100;
constexpr int kStillTryMs = 20;

void waitForStill(std::unique_ptr<SharedDisplay::Started> started, std::function<void(SharedDisplay::Outcome)> done,
                  int triesLeft = kStillTries)
{
    if (started->frames->pictureSize().isEmpty() && triesLeft > 0) {
        auto pending = std::make_shared<std::unique_ptr<SharedDisplay::Started>>(std::move(started));
        QTimer::singleShot(kStillTryMs, [pending, done = std::move(done), triesLeft]() mutable {
            waitForStill(std::move(*pending), std::move(done), triesLeft - 1);
        });
        return;
    }
    SharedDisplay::Outcome outcome;
    try {
        outcome.display = std::make_unique<SharedDisplay>(std::move(started));
    } catch (const std::exception& error) { // the desktop ended the cast meanwhile
        outcome.error = error.what();
    }
    done(std::move(outcome));
}

// Starts the desktop's cast for `source`; `done` gets the cast and the frame source on it.
using CastDone = std::function<void(std::variant<SharedDisplay::Started, std::string>)>;
void startCast(const CaptureSource& source, std::shared_ptr<CursorFeed> cursorFeed, CastDone done)
{
    const auto capabilities = queryCapabilities();
    if (!capabilities) {
        done(CaptureMessages::text(CaptureMessages::kNoScreenCastPortal));
        return;
    }
    ScreenCastRequest::Options options;
    options.type = source.kind() == CaptureSource::Kind::window ? windowSource : monitorSource;
    options.cursorMode = preferredCursorMode(capabilities->cursorModes);
    options.restoreToken = loadRestoreToken(source.kind());
    auto request = std::make_shared<ScreenCastRequest*>(nullptr);
    // The answer comes through the event loop, never from inside the constructor.
    *request = new ScreenCastRequest(options, [request, source, cursorFeed, done](ScreenCastRequest::Result result) {
        (*request)->deleteLater();
        if (auto* failure = std::get_if<std::string>(&result)) {
            done(*failure);
            return;
        }
        SharedDisplay::Started started{std::get<StartedCast>(std::move(result)), nullptr};
        saveRestoreToken(source.kind(), started.cast.restoreToken);
        try {
            started.frames =
                std::make_unique<PortalFrameSource>(started.cast, recordedSource(source, started.cast), cursorFeed);
        } catch (const std::exception& error) {
            done(std::string(error.what()));
            return;
        }
        done(std::move(started));
    });
}

// Hands over a started cast's frames: at once where the desktop gave a display's size, else
// with its first picture (a window's picture is its crop of the buffer the desktop reports, so
// only that says its size).
void handOver(SharedDisplay::Started started, const CaptureSource& source,
              const std::function<void(OpenedFrameSource)>& done)
{
    OpenedFrameSource opened;
    if (started.cast.cursorMode != metadataCursor)
        opened.notices.push_back(CaptureMessages::text(CaptureMessages::kNoCursorShared));
    if (!started.cast.size.isEmpty() && source.kind() != CaptureSource::Kind::window)
        deliver(std::move(started.frames), std::move(opened), source, started.cast, done);
    else
        waitForFirstPicture(std::move(started.frames), std::move(opened), source, std::move(started.cast), done);
}

} // namespace

void SharedDisplay::start(const CaptureSource& display, std::shared_ptr<CursorFeed> cursorFeed,
                          std::function<void(Outcome)> done)
{
    startCast(display, std::move(cursorFeed), [done](std::variant<Started, std::string> result) {
        if (auto* failure = std::get_if<std::string>(&result)) {
            Outcome outcome;
            outcome.error = *failure;
            outcome.declined = *failure == kSharingDeclined;
            done(std::move(outcome));
            return;
        }
        waitForStill(std::make_unique<Started>(std::get<Started>(std::move(result))), done);
    });
}

void openPortalFrameSource(const CaptureSource& source, std::shared_ptr<CursorFeed> cursorFeed,
                           std::function<void(OpenedFrameSource)> done, std::unique_ptr<SharedDisplay> shared)
{
    if (shared && shared->started_ && source.kind() == CaptureSource::Kind::display) {
        handOver(std::move(*shared->started_), source, done);
        return;
    }
    shared.reset(); // a cast of something else: the desktop is asked again
    startCast(source, std::move(cursorFeed), [source, done](std::variant<SharedDisplay::Started, std::string> result) {
        if (auto* failure = std::get_if<std::string>(&result)) {
            OpenedFrameSource opened;
            opened.error = *failure;
            done(std::move(opened));
            return;
        }
        handOver(std::get<SharedDisplay::Started>(std::move(result)), source, done);
    });
}

std::optional<Point> CastCursor::moveTo(QPoint picturePosition)
{
    if (last_ == picturePosition)
        return std::nullopt;
    last_ = picturePosition;
    return space_.toScreen(frame_.x() + picturePosition.x(), frame_.y() + picturePosition.y());
}

struct PortalPointerSource::Shared {
    std::mutex mutex; // the cast's and the click source's threads meet here
    Handler handler;
    std::optional<Point> last;
};

PortalPointerSource::PortalPointerSource(std::shared_ptr<CursorFeed> cursorFeed, Handler handler,
                                         const ClickSourceFactory& clicks)
    : shared_(std::make_shared<Shared>())
    , feed_(std::move(cursorFeed))
{
    shared_->handler = std::move(handler);
    subscription_ = feed_->subscribe([shared = shared_](PointerEvent event, Point point, double time) {
        std::lock_guard lock(shared->mutex);
        if (event == PointerEvent::moved)
            shared->last = point;
        shared->handler(event, point, time);
    });
    if (!clicks)
        return;
    try {
        clicks_ = clicks([shared = shared_](PointerEvent event, Point, double time) {
            std::lock_guard lock(shared->mutex);
            if (shared->last)
                shared->handler(event, *shared->last, time);
        });
    } catch (const std::exception&) {
        clicks_.reset(); // no readable pointer device: no clicks, which limitation() says
    }
}

PortalPointerSource::~PortalPointerSource()
{
    clicks_.reset();
    feed_->unsubscribe(subscription_);
}

std::optional<std::string> PortalPointerSource::limitation() const
{
    if (clicks_)
        return std::nullopt;
    return CaptureMessages::text(CaptureMessages::kNoClicksShared);
}

} // namespace tarnix::portal
