#include "studio/FileReveal.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QObject>
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

Outcome showInFiles(const std::filesystem::path& file, const FolderOpener& openFolder)
{
    if (askFileManager(file))
        return Outcome::fileShown;
    const QUrl folder = QUrl::fromLocalFile(QString::fromStdString(file.parent_path().string()));
    const bool opened = openFolder ? openFolder(folder) : QDesktopServices::openUrl(folder);
    return opened ? Outcome::folderOpened : Outcome::nothingShown;
}

QString message(Outcome outcome, const std::filesystem::path& file)
{
    if (outcome != Outcome::nothingShown)
        return {};
    return QObject::tr("No file manager could be opened. The file is in %1.")
        .arg(QString::fromStdString(file.parent_path().string()));
}

} // namespace tarnix::FileReveal
