#include "recorder/RecoveryPrompt.h"

#include <QObject>

#include "ui/AppAlert.h"

namespace tarnix::RecoveryPrompt {

std::optional<RecordingRecovery::Recovered> offer(const std::filesystem::path& folder)
{
    std::optional<RecordingRecovery::Recovered> last;
    for (const auto& journal : RecordingRecovery::findInterrupted(folder)) {
        const QString movie = QString::fromStdString(RecordingRecovery::movieName(journal));
        const int answer = AppAlert::ask(
            QObject::tr("Recover recording?"),
            QObject::tr("Tarnix ended while recording \"%1\", before its cursor, clicks and zooms were "
                        "saved. They were kept as the recording went on and can be put back now. "
                        "Discard keeps the movie without them.")
                .arg(movie),
            {QObject::tr(kRecover), QObject::tr(kDiscard)});
        if (answer == 1) {
            RecordingRecovery::discard(journal);
            continue;
        }
        if (answer != 0)
            continue;
        try {
            last = RecordingRecovery::recover(journal);
        } catch (const RecordingRecovery::RecoveryError& error) {
            AppAlert::show(QObject::tr("Couldn't recover the recording"), QString::fromStdString(error.what()));
        }
    }
    return last;
}

} // namespace tarnix::RecoveryPrompt
