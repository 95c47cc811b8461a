// tarnix: the application. Opens the recorder bar; after a recording, the window becomes the
// studio. Environment: TARNIX_UPDATE_URL replaces the update endpoint, TARNIX_NO_UPDATE_CHECK=1
// skips the check at launch (demos, tests).
#include <QApplication>
#include <QIcon>

#include "app/RecordingSession.h"
#include "recorder/RecorderWindow.h"
#include "studio/OpenRecording.h"
#include "ui/StudioTheme.h"
#include "update/UpdateChecker.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarnix"));
    QApplication::setApplicationDisplayName(QStringLiteral("Tarnix"));
    QApplication::setApplicationVersion(QString::fromStdString(tarnix::UpdateChecker::currentVersion().value_or("")));
    // Matches the desktop entry, so that the desktop shows this window under Tarnix's icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("tarnix"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/tarnix/AppIcon.svg")));
    tarnix::StudioTheme::applyTo(app);

    tarnix::RecordingSession session;
    tarnix::RecorderWindow window(session);
    tarnix::UpdatePrompt::Options updates;
    if (const QString url = qEnvironmentVariable("TARNIX_UPDATE_URL"); !url.isEmpty())
        updates.endpoint = QUrl(url);
    window.setUpdateOptions(updates);
    window.setChecksForUpdatesAtLaunch(qEnvironmentVariable("TARNIX_NO_UPDATE_CHECK") != QLatin1String("1"));
    // A saved recording opens straight into the Studio: `tarnix FILE.tarnix.json` and "Open
    // Recording…". One that can't be opened opens nothing; the alert says why.
    auto openInto = [&window](std::optional<tarnix::OpenRecording::Opened> opened) {
        if (opened)
            window.showStudio({std::move(opened->timeline), opened->documentPath, std::nullopt, {}});
    };
    // Read and decoded on a worker: a large document must not freeze the window.
    QObject::connect(&window, &tarnix::RecorderWindow::openRecordingRequested, &window, [&] {
        if (auto chosen = tarnix::OpenRecording::choose(&window))
            tarnix::OpenRecording::openFileAsync(*chosen, &window, openInto);
    });
    window.show();
    if (const QStringList arguments = QApplication::arguments(); arguments.size() > 1)
        tarnix::OpenRecording::openFileAsync(arguments.at(1).toStdString(), &window, openInto);
    return QApplication::exec();
}
