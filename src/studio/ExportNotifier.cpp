#include "studio/ExportNotifier.h"

#include "studio/FileReveal.h"
#include "studio/StudioExporter.h"

namespace tarnix {

ExportNotifier::ExportNotifier(StudioExporter& exporter, std::function<bool()> windowIsActive, QObject* parent)
    : QObject(parent)
    , windowIsActive_(std::move(windowIsActive))
{
    connect(&exporter, &StudioExporter::finished, this, &ExportNotifier::exportFinished);
}

void ExportNotifier::exportFinished(const std::optional<std::filesystem::path>& output,
                                    const std::optional<QString>& errorMessage)
{
    if (windowIsActive_())
        return;
    if (output) {
        const std::filesystem::path file = *output;
        notifier_.notify(tr("Export finished"),
                         tr("%1 is in %2")
                             .arg(QString::fromStdString(file.filename().string()),
                                  QString::fromStdString(file.parent_path().string())),
                         {{tr("Show in Files"), [file] { FileReveal::showInFiles(file); }}});
    } else if (errorMessage) {
        notifier_.notify(tr("Export failed"), *errorMessage);
    }
}

} // namespace tarnix
