// tarnix: the application. Opens the recorder bar; after a recording, the window becomes the
// studio. At start it offers to recover the recordings of the videos folder that ended without
// their document. SIGTERM, SIGHUP and SIGINT end it as a finished piece of work: a recording is
// stopped and saved, the Studio's last edit written, then it quits. Environment:
// TARNIX_UPDATE_URL replaces the update endpoint, TARNIX_NO_UPDATE_CHECK=1 skips the check at
// launch (demos, tests).
#include <QApplication>
#include <QIcon>
#include <QSocketNotifier>
#include <QTimer>

#include "app/RecordingSession.h"
#include "app/StopSignals.h"
#include "capture/OutputFiles.h"
#include "recorder/RecorderWindow.h"
#include "recorder/RecoveryPrompt.h"
#include "studio/OpenRecording.h"
#include "ui/StudioTheme.h"
#include "update/UpdateChecker.h"

int main(int argc, char** argv)
{
    // Before any thread starts, so that every thread inherits the handling.
    tarnix::StopSignals::install();
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
    QSocketNotifier stopSignals(tarnix::StopSignals::descriptor(), QSocketNotifier::Read);
    QObject::connect(&stopSignals, &QSocketNotifier::activated, &window, [&window] {
        tarnix::StopSignals::drain();
        window.finishAndQuit();
    });
    window.show();
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 1)
        tarnix::OpenRecording::openFileAsync(arguments.at(1).toStdString(), &window, openInto);
    // Once the window is up. A recovered recording opens in the Studio unless one was asked for.
    QTimer::singleShot(0, &window, [&window, opened = arguments.size() > 1] {
        const auto videos = tarnix::OutputFiles::videosDirectory();
        if (!videos)
            return;
        auto recovered = tarnix::RecoveryPrompt::offer(*videos);
        if (recovered && !opened && window.mode() == tarnix::WindowMode::setup && !window.isHidden())
            window.showStudio({std::move(recovered->timeline), recovered->documentPath, std::nullopt,
                               std::move(recovered->notes)});
    });
    return QApplication::exec();
}
