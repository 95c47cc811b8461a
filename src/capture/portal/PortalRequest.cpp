#include "capture/portal/PortalRequest.h"

#include <QDBusMessage>
#include <QDBusObjectPath>

namespace tarnix::portal {

QString requestPath(const QDBusConnection& bus, const QString& token)
{
    QString sender = bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    return QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
}

QString sessionHandleOf(const QVariant& handle)
{
    if (handle.metaType() == QMetaType::fromType<QDBusObjectPath>())
        return handle.value<QDBusObjectPath>().path();
    return handle.toString();
}

void closeSession(const QString& sessionHandle, const QDBusConnection& bus)
{
    if (sessionHandle.isEmpty())
        return;
    const QString session = QStringLiteral("org.freedesktop.portal.Session");
    bus.send(QDBusMessage::createMethodCall(kPortalService, sessionHandle, session, QStringLiteral("Close")));
}

} // namespace tarnix::portal
