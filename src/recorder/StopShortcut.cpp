#include "recorder/StopShortcut.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>

#include <unistd.h>

#include "capture/portal/PortalRequest.h"

namespace tarnix {

using portal::kPortalObject;
using portal::kPortalService;
using portal::kRequestInterface;

namespace {

const QString kShortcuts = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");

} // namespace

QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut)
{
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut)
{
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

void PortalStopShortcut::registerTypes()
{
    static const bool registered = [] {
        qDBusRegisterMetaType<PortalShortcut>();
        qDBusRegisterMetaType<PortalShortcutList>();
        return true;
    }();
    (void)registered;
}

PortalStopShortcut::PortalStopShortcut(QDBusConnection bus, QObject* parent)
    : StopShortcut(parent)
    , bus_(std::move(bus))
{
    registerTypes();
}

PortalStopShortcut::~PortalStopShortcut()
{
    unsubscribe();
    bus_.disconnect(kPortalService, kPortalObject, kShortcuts, QStringLiteral("Activated"), this,
                    SLOT(onActivated(QDBusMessage)));
    closeSession();
}

void PortalStopShortcut::bind()
{
    if (step_ != Step::none)
        return;
    if (!bus_.isConnected() || !bus_.interface() || !bus_.interface()->isServiceRegistered(kPortalService).value()) {
        fail(QStringLiteral("no desktop portal on the session bus"));
        return;
    }
    // A portal without the interface answers the version query with an error.
    QDBusMessage query = QDBusMessage::createMethodCall(kPortalService, kPortalObject,
                                                        QStringLiteral("org.freedesktop.DBus.Properties"),
                                                        QStringLiteral("Get"));
    query << kShortcuts << QStringLiteral("version");
    step_ = Step::createSession;
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(query), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* finished) {
        finished->deleteLater();
        if (finished->isError()) {
            fail(QStringLiteral("the desktop portal has no global shortcuts (%1)").arg(finished->error().message()));
            return;
        }
        bus_.connect(kPortalService, kPortalObject, kShortcuts, QStringLiteral("Activated"), this,
                     SLOT(onActivated(QDBusMessage)));
        const QString token = QStringLiteral("tarnix_shortcuts%1").arg(getpid());
        request(Step::createSession, QStringLiteral("CreateSession"), {},
                {{QStringLiteral("session_handle_token"), token}});
    });
}

void PortalStopShortcut::request(Step step, const QString& method, QVariantList arguments, QVariantMap options)
{
    step_ = step;
    const QString token = QStringLiteral("tarnix_shortcuts%1_%2").arg(getpid()).arg(++tokenCounter_);
    unsubscribe();
    requestPath_ = portal::requestPath(bus_, token);
    // Subscribe first: the answer may come before the call returns.
    bus_.connect(QString(), requestPath_, kRequestInterface, QStringLiteral("Response"), this,
                 SLOT(onResponse(uint,QVariantMap)));
    options.insert(QStringLiteral("handle_token"), token);
    arguments << options;
    QDBusMessage message = QDBusMessage::createMethodCall(kPortalService, kPortalObject, kShortcuts, method);
    message.setArguments(arguments);
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* finished) {
        finished->deleteLater();
        if (finished->isError())
            fail(QStringLiteral("the desktop's shortcut portal failed (%1)").arg(finished->error().message()));
    });
}

void PortalStopShortcut::onResponse(uint response, const QVariantMap& results)
{
    unsubscribe();
    if (response != 0) {
        fail(response == 1 ? QStringLiteral("the shortcut was declined")
                           : QStringLiteral("the desktop refused the shortcut"));
        return;
    }
    if (step_ == Step::createSession) {
        // Portals differ in whether the handle is a string or an object path.
        sessionHandle_ = portal::sessionHandleOf(results.value(QStringLiteral("session_handle")));
        if (sessionHandle_.isEmpty()) {
            fail(QStringLiteral("the desktop's shortcut portal made no session"));
            return;
        }
        const PortalShortcut stop{QString::fromLatin1(shortcutID),
                                  {{QStringLiteral("description"), tr("Stop recording")},
                                   {QStringLiteral("preferred_trigger"), QString::fromLatin1(preferredTrigger)}}};
        request(Step::bindShortcuts, QStringLiteral("BindShortcuts"),
                {QVariant::fromValue(QDBusObjectPath(sessionHandle_)), QVariant::fromValue(PortalShortcutList{stop}),
                 QString()},
                {});
        return;
    }
    if (step_ != Step::bindShortcuts)
        return;
    // The desktop may bind fewer shortcuts than asked for (the user removed it in its dialog).
    PortalShortcutList given;
    const QVariant shortcuts = results.value(QStringLiteral("shortcuts"));
    if (shortcuts.canConvert<QDBusArgument>())
        shortcuts.value<QDBusArgument>() >> given;
    for (const auto& shortcut : given) {
        if (shortcut.id == QLatin1String(shortcutID)) {
            step_ = Step::bound;
            emit bound(shortcut.properties.value(QStringLiteral("trigger_description")).toString());
            return;
        }
    }
    fail(QStringLiteral("the desktop bound no stop shortcut"));
}

void PortalStopShortcut::onActivated(const QDBusMessage& message)
{
    const QVariantList arguments = message.arguments();
    if (arguments.size() < 2)
        return;
    if (step_ == Step::bound && portal::sessionHandleOf(arguments.at(0)) == sessionHandle_ &&
        arguments.at(1).toString() == QLatin1String(shortcutID))
        emit activated();
}

void PortalStopShortcut::fail(const QString& reason)
{
    // Answer once: a late error after the answer changes nothing, and a failure is not retried.
    if (step_ == Step::bound || step_ == Step::failed)
        return;
    step_ = Step::failed;
    unsubscribe();
    closeSession();
    emit unavailable(reason);
}

void PortalStopShortcut::closeSession()
{
    portal::closeSession(sessionHandle_, bus_);
    sessionHandle_.clear();
}

void PortalStopShortcut::unsubscribe()
{
    if (requestPath_.isEmpty())
        return;
    bus_.disconnect(QString(), requestPath_, kRequestInterface, QStringLiteral("Response"), this,
                    SLOT(onResponse(uint,QVariantMap)));
    requestPath_.clear();
}

} // namespace tarnix
