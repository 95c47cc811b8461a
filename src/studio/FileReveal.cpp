#include "studio/FileReveal.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QUrl>

namespace tarnix::FileReveal {

namespace {

constexpr auto kService = "org.freedesktop.FileManager1";
constexpr auto kPath = "/org/freedesktop/FileManager1";

bool askFileManager(const std::filesystem::path& file)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface())
        return false;
    // Only a running or activatable file manager: calling a missing name would wait for a timeout.
    const QStringList activatable = bus.interface()->activatableServiceNames().value();
    if (!bus.interface()->isServiceRegistered(kService).value() && !activatable.contains(kService))
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, "ShowItems");
    call << QStringList{QUrl::fromLocalFile(QString::fromStdString(file.string())).toString()}
         << QString();
    const QDBusMessage reply = bus.call(call, QDBus::Block, 5000);
    return reply.type() == QDBusMessage::ReplyMessage;
}

} // namespace

bool showInFiles(const std::filesystem::path& file)
{
    if (askFileManager(file))
        return true;
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(file.parent_path().string())));
    return false;
}

} // namespace tarnix::FileReveal
