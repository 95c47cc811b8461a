#include "studio/OpenRecording.h"

#include <QFileDialog>
#include <QStandardPaths>

#include "studio/RecordingFiles.h"
#include "ui/AppAlert.h"

namespace tarnix::OpenRecording {

std::optional<Opened> openFile(const std::filesystem::path& documentPath)
{
    auto result = RecordingFiles::openDocument(documentPath);
    if (auto* message = std::get_if<QString>(&result)) {
        AppAlert::show(QObject::tr("Something went wrong"), *message);
        return std::nullopt;
    }
    return Opened{std::move(std::get<RecordingTimeline>(result)), documentPath};
}

std::optional<Opened> chooseAndOpen(QWidget* parent)
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
    const QString chosen = QFileDialog::getOpenFileName(parent, QObject::tr("Open Recording"), folder,
                                                        RecordingFiles::openDialogFilter());
    if (chosen.isEmpty())
        return std::nullopt;
    return openFile(chosen.toStdString());
}

} // namespace tarnix::OpenRecording
