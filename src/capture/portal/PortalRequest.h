#pragma once

#include <QDBusConnection>
#include <QString>
#include <QVariant>

// What every interface of the desktop portal shares: its bus name and object, the Request
// interface on which a call answers with a Response signal, and its sessions. Used by the screen
// cast and by the stop shortcut.
//
// Threads: any.

namespace tarnix::portal {

inline const QString kPortalService = QStringLiteral("org.freedesktop.portal.Desktop");
inline const QString kPortalObject = QStringLiteral("/org/freedesktop/portal/desktop");
inline const QString kRequestInterface = QStringLiteral("org.freedesktop.portal.Request");

// The object on which the portal answers the request made by `bus` with `handle_token` `token`.
QString requestPath(const QDBusConnection& bus, const QString& token);

// A session handle as a portal hands it over: some send a string, others an object path.
QString sessionHandleOf(const QVariant& handle);

// Ends a portal session; the desktop stops what the session did. Nothing for an empty handle.
void closeSession(const QString& sessionHandle, const QDBusConnection& bus = QDBusConnection::sessionBus());

} // namespace tarnix::portal
