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

void openPortalFrameSource(const CaptureSource& source, std::shared_ptr<CursorFeed> cursorFeed,
                           std::function<void(OpenedFrameSource)> done)
{
    const auto capabilities = queryCapabilities();
    if (!capabilities) {
        OpenedFrameSource failed;
        failed.error = CaptureMessages::text(CaptureMessages::kNoScreenCastPortal);
        done(std::move(failed));
        return;
    }
    ScreenCastRequest::Options options;
    options.type = source.kind() == CaptureSource::Kind::window ? windowSource : monitorSource;
    options.cursorMode = preferredCursorMode(capabilities->cursorModes);
    options.restoreToken = loadRestoreToken(source.kind());
    const auto kind = source.kind();
    auto request = std::make_shared<ScreenCastRequest*>(nullptr);
    // The answer comes through the event loop, never from inside the constructor.
    *request = new ScreenCastRequest(options, [request, source, kind, cursorFeed,
                                               done](ScreenCastRequest::Result result) {
        (*request)->deleteLater();
        OpenedFrameSource opened;
        if (auto* failure = std::get_if<std::string>(&result)) {
            opened.error = *failure;
            done(std::move(opened));
            return;
        }
        auto& cast = std::get<StartedCast>(result);
        saveRestoreToken(kind, cast.restoreToken);
        std::unique_ptr<PortalFrameSource> frames;
        try {
            frames = std::make_unique<PortalFrameSource>(cast, recordedSource(source, cast), cursorFeed);
        } catch (const std::exception& error) {
            opened.error = error.what();
            done(std::move(opened));
            return;
        }
        if (cast.cursorMode != metadataCursor)
            opened.notices.push_back(CaptureMessages::text(CaptureMessages::kNoCursorShared));
        // A window's picture is its crop of the buffer the desktop reports, so its first
        // picture says its size; a display's size is the one reported.
        if (!cast.size.isEmpty() && kind != CaptureSource::Kind::window) {
            deliver(std::move(frames), std::move(opened), source, cast, done);
            return;
        }
        // A desktop may also leave the size out: the first picture has it.
        waitForFirstPicture(std::move(frames), std::move(opened), source, std::move(cast), done);
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
