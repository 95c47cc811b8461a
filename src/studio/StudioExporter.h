#pragma once

#include <QElapsedTimer>
#include <QFutureWatcher>
#include <QObject>
#include <QString>

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

#include "compositing/CompositionBuilder.h"
#include "media/ExportResolution.h"
#include "media/ExportSession.h"

// The Studio's export: the chosen resolution or GIF, the running export's progress and the last
// file written. One export of the edited recording at a time: builds the composition afresh from
// the last committed edit (so the file shows exactly what the preview shows), picks the resolution's
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
    // What there is to export.
    struct Source {
        // The recording's screen movie: the export is named after it; nothing without one.
        std::optional<std::filesystem::path> videoURL;
        // The last committed edit: the edited recording.
        std::function<RecordingTimeline()> committedEdit;
        // Output frames a second chosen (the builder keeps 30 for a recording without more).
        std::function<int()> frameRate;
        // False while the edit keeps nothing (cuts over everything).
        std::function<bool()> keepsSomething;
    };

    explicit StudioExporter(Source source, QObject* parent = nullptr);
    ~StudioExporter() override; // cancels a running export and waits for it

    ExportResolution resolution() const { return resolution_; }
    void setResolution(ExportResolution resolution);
    // A movie at the export resolution, or an animated GIF (its own size limit, the resolution
    // aside). Choosing a resolution chooses a movie.
    media::ExportFileType fileType() const { return fileType_; }
    void setFileType(media::ExportFileType type);
    // A movie's sound brought to media::kDefaultLoudnessTarget on export (a GIF has none).
    bool evensOutLoudness() const { return evensOutLoudness_; }
    void setEvensOutLoudness(bool on);

    bool canExport() const;
    bool isExporting() const { return running_; }
    double progress() const { return progress_; }
    // The file the last export wrote; none after a failure, a cancel, or while one runs.
    const std::optional<std::filesystem::path>& exportedURL() const { return exportedURL_; }

    // Starts an export of the last committed edit; does nothing while one runs.
    void start();
    // Stops the running export; it ends without a result or a message, and without a file.
    void cancel();
    // cancel(), then waits until the export's threads are done and its file is gone (closing).
    void cancelAndWait();
    // The Export button: starts an export, or cancels the running one. A press within
    // kPressInterval of the one before is ignored, so a double click starts one export.
    void press();
    bool acceptsPress() const;
    static constexpr qint64 kPressInterval = 500; // ms

signals:
    // The choice, the progress, the running state or the exported file changed.
    void changed();
    void started();
    // Exactly one per start(): the written file, or the message for the user, or neither after a
    // cancel.
    void finished(const std::optional<std::filesystem::path>& output,
                  const std::optional<QString>& errorMessage);
    // After finished(), when the export failed: the message for the user.
    void failed(const QString& message);

private:
    struct Prepared;
    void run(RecordingTimeline edited, std::filesystem::path videoURL,
             ExportResolution resolution, media::ExportFileType fileType, int frameRate,
             std::optional<double> loudness);
    void startExport(Prepared prepared);
    void finish(std::optional<std::filesystem::path> output, std::optional<QString> errorMessage);

    Source source_;
    ExportResolution resolution_ = ExportResolution::source;
    media::ExportFileType fileType_ = media::ExportFileType::mpeg4;
    bool evensOutLoudness_ = true;
    std::optional<std::filesystem::path> exportedURL_;
    QElapsedTimer lastPress_;
    bool running_ = false;
    double progress_ = 0;
    std::shared_ptr<std::atomic<bool>> cancelled_;
    QFutureWatcher<std::shared_ptr<Prepared>>* buildWatcher_ = nullptr;
    std::unique_ptr<media::ExportSession> session_;
    std::filesystem::path output_;
    std::optional<double> loudness_;
};

} // namespace tarnix
