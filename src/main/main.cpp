// tarnix: the application. Opens the recorder bar; after a recording, the window becomes the
// studio. At start it offers to recover the recordings of the videos folder that ended without
// their document. SIGTERM, SIGHUP and SIGINT end it as a finished piece of work: a recording is
// stopped and saved, the Studio's last edit written, then it quits. Environment:
// TARNIX_UPDATE_URL replaces the update endpoint, TARNIX_NO_UPDATE_CHECK=1 skips the check at
// launch (demos, tests).
extern "C" {
#include <libavutil/log.h>
}

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <string_view>

#include "app/DesktopNotifier.h"
#include "app/RecordingSession.h"
#include "app/StopSignals.h"
#include "capture/OutputFiles.h"
#include "recorder/RecorderWindow.h"
#include "recorder/RecoveryPrompt.h"
#include "studio/OpenRecording.h"
#include "ui/AppLanguage.h"
#include "ui/StudioTheme.h"
#include "update/UpdateChecker.h"

namespace {

// The one positional argument is a recording document (the desktop entry's %f).
void describeCommandLine(QCommandLineParser& parser)
{
    // untranslated: the command line speaks English
    parser.setApplicationDescription(QStringLiteral("Screen recorder with automatic zoom and a built-in editor."));
    parser.addHelpOption();
    parser.addVersionOption();
    // untranslated: as above
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("A recording document to open in the Studio."),
                                 QStringLiteral("[FILE.tarnix.json]"));
}

void nameApplication()
{
    QCoreApplication::setApplicationName(QStringLiteral("Tarnix"));
    QCoreApplication::setApplicationVersion(
        QString::fromStdString(tarnix::UpdateChecker::currentVersion().value_or("")));
}

// --help and --version answer without a display, before the application connects to one.
void answerHelpOrVersion(int argc, char** argv)
{
    const bool asked = std::any_of(argv + 1, argv + argc, [](std::string_view arg) {
        return arg == "-h" || arg == "--help" || arg == "--help-all" || arg == "-v" || arg == "--version";
    });
    if (!asked)
        return;
    QCoreApplication core(argc, argv);
    nameApplication();
    QCommandLineParser parser;
    describeCommandLine(parser);
    parser.process(core); // prints and exits
}

} // namespace

int main(int argc, char** argv)
{
    answerHelpOrVersion(argc, argv);
    // FFmpeg's own reports (a loudness meter's summary as it closes, muxer statistics) are not
    // for the user, who hears from Tarnix in its own words; its errors still reach standard error.
    av_log_set_level(AV_LOG_ERROR);
    // Before any thread starts, so that every thread inherits the handling.
    tarnix::StopSignals::install();
    QApplication app(argc, argv);
    // Before the first window, which takes its texts as it is made.
    tarnix::AppLanguage::install(app);
    nameApplication();
    QApplication::setApplicationDisplayName(QStringLiteral("Tarnix"));
    QCommandLineParser parser;
    describeCommandLine(parser);
    // Matches the desktop entry, so that the desktop shows this window under Tarnix's icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("tarnix"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/tarnix/AppIcon.svg")));
    parser.parse(QApplication::arguments());
    const QStringList documents = parser.positionalArguments();
    tarnix::StudioTheme::applyTo(app);

    tarnix::RecordingSession session;
    // A recording that the desktop or a device ended is said on the desktop too: the bar may be
    // out of sight when it happens.
    QObject::connect(&session, &tarnix::RecordingSession::recordingEndedByItself, &app, [&session] {
        const auto& why = session.recorder().errorMessage();
        tarnix::DesktopNotifier::recordingEnded(
            QString::fromStdString(why.value_or(QCoreApplication::translate("main", "The recording was stopped and saved.").toStdString())));
    });
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
    const bool opened = !documents.isEmpty();
    if (opened)
        tarnix::OpenRecording::openFileAsync(documents.first().toStdString(), &window, openInto);
    // Once the window is up. A recovered recording opens in the Studio unless one was asked for.
    QTimer::singleShot(0, &window, [&window, opened] {
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
