#include "recorder/RecoveryPrompt.h"

#include <QApplication>
#include <QEventLoop>
#include <QFutureWatcher>
#include <QObject>
#include <QtConcurrent/QtConcurrentRun>

#include <variant>

#include "ui/AppAlert.h"

namespace tarnix::RecoveryPrompt {

namespace {

// A scanned recording, or why it can't be recovered.
using Scan = std::variant<RecordingRecovery::Recovered, std::string>;

QFuture<Scan> scanInBackground(const std::filesystem::path& journal)
{
    return QtConcurrent::run([journal]() -> Scan {
        try {
            return RecordingRecovery::scan(journal);
        } catch (const RecordingRecovery::RecoveryError& error) {
            return std::string(error.what());
        }
    });
}

// The scan's outcome once it is done; the window's events go on meanwhile, under a busy pointer.
// Nothing when the application is quitting first.
std::optional<Scan> awaitScan(QFuture<Scan>& scan)
{
    if (!scan.isFinished()) {
        QFutureWatcher<Scan> watcher;
        QEventLoop loop;
        QObject::connect(&watcher, &QFutureWatcher<Scan>::finished, &loop, &QEventLoop::quit);
        watcher.setFuture(scan);
        QApplication::setOverrideCursor(Qt::BusyCursor);
        if (!scan.isFinished())
            loop.exec();
        QApplication::restoreOverrideCursor();
        if (!scan.isFinished())
            return std::nullopt;
    }
    return scan.result();
}

} // namespace

std::optional<RecordingRecovery::Recovered> offer(const std::filesystem::path& folder)
{
    std::optional<RecordingRecovery::Recovered> last;
    for (const auto& journal : RecordingRecovery::findInterrupted(folder)) {
        // The movie is read while the question is asked: a long one takes a moment.
        QFuture<Scan> scan = scanInBackground(journal);
        const QString movie = QString::fromStdString(RecordingRecovery::movieName(journal));
        const int answer = AppAlert::ask(
            QObject::tr("Recover recording?"),
            QObject::tr("Tarnix ended while recording \"%1\", before its cursor, clicks and zooms were "
                        "saved. They were kept as the recording went on and can be put back now. "
                        "Discard keeps the movie without them.")
                .arg(movie),
            {QObject::tr(kRecover), QObject::tr(kDiscard)});
        if (answer != 0 && answer != 1)
            continue; // asked again at the next start
        auto scanned = awaitScan(scan);
        if (!scanned)
            return last;
        if (answer == 1) {
            RecordingRecovery::discard(journal);
            continue;
        }
        std::string failure;
        if (auto* recovered = std::get_if<RecordingRecovery::Recovered>(&*scanned)) {
            try {
                RecordingRecovery::write(journal, *recovered);
                // The Studio shows the notes: what was repaired comes first.
                recovered->notes.insert(recovered->notes.begin(), recovered->repairs.begin(),
                                        recovered->repairs.end());
                last = *recovered;
                continue;
            } catch (const RecordingRecovery::RecoveryError& error) {
                failure = error.what();
            }
        } else {
            failure = std::get<std::string>(*scanned);
        }
        AppAlert::show(QObject::tr("Couldn't recover the recording"), QString::fromStdString(failure));
    }
    return last;
}

} // namespace tarnix::RecoveryPrompt
