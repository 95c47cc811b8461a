#include "studio/OpenRecording.h"

#include <QApplication>
#include <QFileDialog>
#include <QFutureWatcher>
#include <QPointer>
#include <QStandardPaths>
#include <QtConcurrent/QtConcurrentRun>

#include "studio/RecordingFiles.h"
#include "ui/AppAlert.h"

namespace tarnix::OpenRecording {

namespace {

using Outcome = std::variant<RecordingTimeline, QString>;

std::optional<Opened> opened(Outcome result, const std::filesystem::path& documentPath)
{
    if (auto* message = std::get_if<QString>(&result)) {
        AppAlert::show(QObject::tr("Something went wrong"), *message);
        return std::nullopt;
    }
    return Opened{std::move(std::get<RecordingTimeline>(result)), documentPath};
}

} // namespace

std::optional<Opened> openFile(const std::filesystem::path& documentPath)
{
    return opened(RecordingFiles::openDocument(documentPath), documentPath);
}

void openFileAsync(const std::filesystem::path& documentPath, QObject* context, OpenedHandler done)
{
    auto* watcher = new QFutureWatcher<Outcome>();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QObject::connect(watcher, &QFutureWatcherBase::finished, watcher,
                     [watcher, documentPath, context = QPointer<QObject>(context),
                      done = std::move(done)] {
                         watcher->deleteLater();
                         QApplication::restoreOverrideCursor();
                         if (!context)
                             return;
                         done(opened(watcher->future().takeResult(), documentPath));
                     });
    watcher->setFuture(QtConcurrent::run(&RecordingFiles::openDocument, documentPath));
}

std::optional<std::filesystem::path> choose(QWidget* parent)
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
    const QString chosen = QFileDialog::getOpenFileName(parent, QObject::tr("Open Recording"), folder,
                                                        RecordingFiles::openDialogFilter());
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen.toStdString();
}

} // namespace tarnix::OpenRecording
