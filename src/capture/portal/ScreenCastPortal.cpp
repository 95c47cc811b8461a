#include "capture/portal/ScreenCastPortal.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusUnixFileDescriptor>
#include <QDBusVariant>

#include <atomic>

#include <unistd.h>

#include "capture/portal/PortalRequest.h"

namespace tarnix::portal {

namespace {

const QString kScreenCast = QStringLiteral("org.freedesktop.portal.ScreenCast");

std::uint32_t readUInt(const QDBusConnection& bus, const QString& property, bool* ok)
{
    QDBusMessage message = QDBusMessage::createMethodCall(kPortalService, kPortalObject,
                                                          QStringLiteral("org.freedesktop.DBus.Properties"),
                                                          QStringLiteral("Get"));
    message << kScreenCast << property;
    const QDBusMessage reply = bus.call(message, QDBus::Block, 5000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        *ok = false;
        return 0;
    }
    return reply.arguments().first().value<QDBusVariant>().variant().toUInt();
}

QPoint readPoint(const QVariant& value)
{
    if (!value.canConvert<QDBusArgument>())
        return {};
    const QDBusArgument argument = value.value<QDBusArgument>();
    int x = 0;
    int y = 0;
    argument.beginStructure();
    argument >> x >> y;
    argument.endStructure();
    return {x, y};
}

QString portalFailure(uint response)
{
    return response == 1 ? QString::fromLatin1(kSharingDeclined)
                         : QStringLiteral("the desktop refused to share the screen");
}

} // namespace

std::optional<Capabilities> queryCapabilities()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface() || !bus.interface()->isServiceRegistered(kPortalService).value())
        return std::nullopt;
    bool ok = true;
    Capabilities capabilities;
    capabilities.version = readUInt(bus, QStringLiteral("version"), &ok);
    capabilities.sourceTypes = readUInt(bus, QStringLiteral("AvailableSourceTypes"), &ok);
    capabilities.cursorModes = readUInt(bus, QStringLiteral("AvailableCursorModes"), &ok);
    if (!ok)
        return std::nullopt;
    return capabilities;
}

std::uint32_t preferredCursorMode(std::uint32_t availableModes)
{
    if (availableModes & metadataCursor)
        return metadataCursor;
    if (availableModes & embeddedCursor)
        return embeddedCursor;
    return hiddenCursor; // a portal that offers neither still records the picture
}

std::vector<CastStream> parseStreams(const QVariant& streams)
{
    std::vector<CastStream> parsed;
    if (!streams.canConvert<QDBusArgument>())
        return parsed;
    const QDBusArgument argument = streams.value<QDBusArgument>();
    argument.beginArray();
    while (!argument.atEnd()) {
        CastStream stream;
        QVariantMap properties;
        argument.beginStructure();
        argument >> stream.node >> properties;
        argument.endStructure();
        stream.position = readPoint(properties.value(QStringLiteral("position")));
        const QPoint size = readPoint(properties.value(QStringLiteral("size")));
        stream.size = QSize(size.x(), size.y());
        parsed.push_back(stream);
    }
    argument.endArray();
    return parsed;
}

ScreenCastRequest::ScreenCastRequest(Options options, Done done, QObject* parent)
    : QObject(parent)
    , options_(std::move(options))
    , done_(std::move(done))
{
    call(Step::createSession, QStringLiteral("CreateSession"), {});
}

ScreenCastRequest::~ScreenCastRequest()
{
    unsubscribe();
    if (done_ && !sessionHandle_.isEmpty())
        closeSession(sessionHandle_);
}

void ScreenCastRequest::call(Step step, const QString& method, const QVariantList& leading)
{
    step_ = step;
    QDBusConnection bus = QDBusConnection::sessionBus();
    // Unique across the process: a session being closed still holds its handle while the next
    // request is made, and the desktop refuses a handle that is in use.
    static std::atomic<int> tokenCounter = 0;
    const QString token = QStringLiteral("tarnix%1_%2").arg(getpid()).arg(++tokenCounter);
    unsubscribe();
    requestPath_ = requestPath(bus, token);
    // Subscribe first: the answer may come before the call returns.
    bus.connect(QString(), requestPath_, kRequestInterface, QStringLiteral("Response"), this,
                SLOT(onResponse(uint,QVariantMap)));

    QVariantMap options{{QStringLiteral("handle_token"), token}};
    switch (step) {
    case Step::createSession:
        options.insert(QStringLiteral("session_handle_token"), token);
        break;
    case Step::selectSources:
        options.insert(QStringLiteral("types"), QVariant::fromValue<uint>(options_.type));
        options.insert(QStringLiteral("multiple"), false);
        options.insert(QStringLiteral("cursor_mode"), QVariant::fromValue<uint>(options_.cursorMode));
        options.insert(QStringLiteral("persist_mode"), QVariant::fromValue<uint>(2)); // until revoked
        if (options_.restoreToken)
            options.insert(QStringLiteral("restore_token"), *options_.restoreToken);
        break;
    case Step::start:
        break;
    }
    QDBusMessage message = QDBusMessage::createMethodCall(kPortalService, kPortalObject, kScreenCast, method);
    QVariantList arguments = leading;
    arguments << options;
    message.setArguments(arguments);
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* finished) {
        finished->deleteLater();
        if (finished->isError())
            finish("the desktop's screen-cast portal failed (" + finished->error().message().toStdString() + ")");
    });
}

void ScreenCastRequest::onResponse(uint response, const QVariantMap& results)
{
    unsubscribe();
    if (response != 0) {
        finish(portalFailure(response).toStdString());
        return;
    }
    switch (step_) {
    case Step::createSession:
        sessionHandle_ = results.value(QStringLiteral("session_handle")).toString();
        if (sessionHandle_.isEmpty()) {
            finish(std::string("the desktop's screen-cast portal made no session"));
            return;
        }
        call(Step::selectSources, QStringLiteral("SelectSources"),
             {QVariant::fromValue(QDBusObjectPath(sessionHandle_))});
        return;
    case Step::selectSources:
        call(Step::start, QStringLiteral("Start"), {QVariant::fromValue(QDBusObjectPath(sessionHandle_)), QString()});
        return;
    case Step::start: {
        const auto streams = parseStreams(results.value(QStringLiteral("streams")));
        if (streams.empty()) {
            finish(std::string("the desktop shared nothing"));
            return;
        }
        StartedCast cast;
        cast.node = streams.front().node;
        cast.position = streams.front().position;
        cast.size = streams.front().size;
        cast.sessionHandle = sessionHandle_;
        cast.cursorMode = options_.cursorMode;
        if (results.contains(QStringLiteral("restore_token")))
            cast.restoreToken = results.value(QStringLiteral("restore_token")).toString();
        openRemote(std::move(cast));
        return;
    }
    }
}

void ScreenCastRequest::openRemote(StartedCast cast)
{
    QDBusMessage message = QDBusMessage::createMethodCall(kPortalService, kPortalObject, kScreenCast,
                                                          QStringLiteral("OpenPipeWireRemote"));
    message.setArguments({QVariant::fromValue(QDBusObjectPath(sessionHandle_)), QVariantMap()});
    auto* watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, cast](QDBusPendingCallWatcher* finished) mutable {
        finished->deleteLater();
        QDBusPendingReply<QDBusUnixFileDescriptor> reply = *finished;
        if (reply.isError() || !reply.value().isValid()) {
            finish("couldn't open the desktop's PipeWire connection (" + reply.error().message().toStdString() + ")");
            return;
        }
        // The descriptor object closes its own copy.
        cast.pipeWireFd = dup(reply.value().fileDescriptor());
        if (cast.pipeWireFd < 0) {
            finish(std::string("couldn't take the desktop's PipeWire connection"));
            return;
        }
        finish(std::move(cast));
    });
}

void ScreenCastRequest::finish(Result result)
{
    unsubscribe();
    if (!done_)
        return;
    auto done = std::move(done_);
    done_ = nullptr;
    if (std::holds_alternative<std::string>(result) && !sessionHandle_.isEmpty())
        closeSession(sessionHandle_);
    done(std::move(result));
}

void ScreenCastRequest::unsubscribe()
{
    if (requestPath_.isEmpty())
        return;
    QDBusConnection::sessionBus().disconnect(QString(), requestPath_, kRequestInterface, QStringLiteral("Response"),
                                             this, SLOT(onResponse(uint,QVariantMap)));
    requestPath_.clear();
}

} // namespace tarnix::portal
