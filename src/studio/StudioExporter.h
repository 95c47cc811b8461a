#pragma once

#include <QFutureWatcher>
#include <QObject>
#include <QString>

#include <atomic>
#include <filesystem>
#include <memory>
#include <optional>

#include "compositing/CameraCompositionBuilder.h"
#include "media/ExportResolution.h"
#include "media/ExportSession.h"

// One export of the edited recording at a time: builds the composition afresh from the edit
// state it is given (so the file shows exactly what the preview shows), picks the resolution's
// preset (for a movie the highest-quality one when that preset can't write this composition),
// names the file next to the screen movie (".mp4" or ".gif") and runs the exporter, reporting
// progress. A cancelled or failed
// export leaves no file behind (the exporter removes its partial file).
//
// Threads: GUI thread for every call and signal; the build and the export run on workers.

namespace tarnix {

class StudioExporter : public QObject {
    Q_OBJECT

public:
    explicit StudioExporter(QObject* parent = nullptr);
    ~StudioExporter() override; // cancels a running export and waits for it

    // Starts an export; does nothing while one runs. With a loudness (LUFS) a movie's sound is
    // brought to it.
    void start(CameraCompositionBuilder::BuildInput input, std::filesystem::path videoURL,
               ExportResolution resolution,
               media::ExportFileType fileType = media::ExportFileType::mpeg4,
               std::optional<double> loudness = std::nullopt);
    // Stops the running export; it ends without a result or a message, and without a file.
    void cancel();
    // cancel(), then waits until the export's threads are done and its file is gone.
    void cancelAndWait();

    bool isExporting() const { return running_; }
    double progress() const { return progress_; }

signals:
    void progressChanged(double progress);
    // Exactly one per start(): the written file, or the message for the user, or neither after a
    // cancel.
    void finished(std::optional<std::filesystem::path> output, std::optional<QString> errorMessage);

private:
    struct Prepared;
    void startExport(Prepared prepared);
    void finish(std::optional<std::filesystem::path> output, std::optional<QString> errorMessage);

    bool running_ = false;
    double progress_ = 0;
    std::shared_ptr<std::atomic<bool>> cancelled_;
    QFutureWatcher<std::shared_ptr<Prepared>>* buildWatcher_ = nullptr;
    std::unique_ptr<media::ExportSession> session_;
    std::filesystem::path output_;
    std::optional<double> loudness_;
};

} // namespace tarnix
