#include "studio/StudioExporter.h"

#include <QtConcurrent>

#include <cmath>

#include "media/MediaError.h"
#include "media/SoundFilters.h"

namespace tarnix {

namespace {

QString exportFailed(const std::string& description)
{
    return StudioExporter::tr("Export failed: %1").arg(QString::fromStdString(description));
}

} // namespace

// What the worker hands back to the GUI thread: the built composition with the preset and file
// name chosen for it, or the build's failure.
struct StudioExporter::Prepared {
    CompositionBuilder::Result result;
    media::ExportPreset preset = media::ExportPreset::highestQuality;
    media::ExportFileType fileType = media::ExportFileType::mpeg4;
    std::filesystem::path output;
    std::optional<QString> error;
};

StudioExporter::StudioExporter(Source source, QObject* parent)
    : QObject(parent)
    , source_(std::move(source))
{
}

StudioExporter::~StudioExporter()
{
    cancelAndWait();
}

void StudioExporter::setResolution(ExportResolution resolution)
{
    if (resolution == resolution_ && fileType_ == media::ExportFileType::mpeg4)
        return;
    resolution_ = resolution;
    fileType_ = media::ExportFileType::mpeg4;
    emit changed();
}

void StudioExporter::setFileType(media::ExportFileType type)
{
    if (type == fileType_)
        return;
    fileType_ = type;
    emit changed();
}

void StudioExporter::setEvensOutLoudness(bool on)
{
    if (on == evensOutLoudness_)
        return;
    evensOutLoudness_ = on;
    emit changed();
}

bool StudioExporter::canExport() const
{
    return source_.videoURL.has_value() && !isExporting() && source_.keepsSomething();
}

void StudioExporter::press()
{
    // A double click is one press: the second half would otherwise cancel what the first began.
    if (lastPress_.isValid() && lastPress_.elapsed() < kPressInterval)
        return;
    lastPress_.start();
    if (isExporting())
        cancel();
    else
        start();
}

bool StudioExporter::acceptsPress() const
{
    return !lastPress_.isValid() || lastPress_.elapsed() >= kPressInterval;
}

void StudioExporter::start()
{
    if (!canExport())
        return;
    exportedURL_.reset();
    emit started();
    // A GIF is made from the full-size frames and named like a source-quality movie.
    const bool gif = fileType_ == media::ExportFileType::gif;
    // Only a movie has sound to even out.
    std::optional<double> loudness;
    if (!gif && evensOutLoudness_)
        loudness = media::kDefaultLoudnessTarget;
    run(source_.committedEdit(), *source_.videoURL, gif ? ExportResolution::source : resolution_,
        fileType_, source_.frameRate ? source_.frameRate() : media::kStandardFrameRate, loudness);
    emit changed();
}

void StudioExporter::run(RecordingTimeline edited, std::filesystem::path videoURL,
                         ExportResolution resolution, media::ExportFileType fileType,
                         int frameRate, std::optional<double> loudness)
{
    if (running_)
        return;
    running_ = true;
    loudness_ = loudness;
    progress_ = 0;
    emit changed();
    cancelled_ = std::make_shared<std::atomic<bool>>(false);

    auto cancelled = cancelled_;
    QFuture<std::shared_ptr<Prepared>> future = QtConcurrent::run(
        [cancelled, resolution, fileType, frameRate](RecordingTimeline in,
                                          std::filesystem::path source) {
            auto prepared = std::make_shared<Prepared>();
            prepared->fileType = fileType;
            const bool gif = fileType == media::ExportFileType::gif;
            try {
                prepared->result = CompositionBuilder::build(in, [&] { return cancelled->load(); },
                                                             frameRate);
                // Asking the encoder costs a few milliseconds: done here, not on the GUI thread.
                // A GIF is not H.264 and has its own size limit: any preset writes it.
                prepared->preset = gif ? exportPreset(resolution)
                                       : compatibleExportPreset(resolution, *prepared->result.composition,
                                                                prepared->result.videoComposition);
                // Numbered (-edited-2, ...) when published, atomically, if the name is taken.
                prepared->output = baseExportURL(source, resolution, gif ? ".gif" : ".mp4");
            } catch (const CompositionBuilder::BuildCancelled&) {
            } catch (const std::exception& error) {
                prepared->error = exportFailed(media::describe(error));
            }
            return prepared;
        },
        std::move(edited), std::move(videoURL));

    buildWatcher_ = new QFutureWatcher<std::shared_ptr<Prepared>>(this);
    connect(buildWatcher_, &QFutureWatcherBase::finished, this, [this, watcher = buildWatcher_] {
        std::shared_ptr<Prepared> prepared = watcher->result();
        watcher->deleteLater();
        buildWatcher_ = nullptr;
        if (cancelled_->load())
            finish(std::nullopt, std::nullopt);
        else if (prepared->error)
            finish(std::nullopt, prepared->error);
        else
            startExport(std::move(*prepared));
    });
    buildWatcher_->setFuture(future);
}

void StudioExporter::startExport(Prepared prepared)
{
    try {
        session_ = std::make_unique<media::ExportSession>(prepared.result.composition, prepared.preset);
    } catch (const std::exception&) {
        finish(std::nullopt, tr("Couldn't create an export session."));
        return;
    }
    output_ = prepared.output;
    session_->setVideoComposition(prepared.result.videoComposition);
    session_->setOutputURL(output_);
    session_->setOutputFileType(prepared.fileType);
    session_->setLoudnessTarget(loudness_);
    session_->setNameClash(NameClash::nextFreeName);
    auto lastPercent = std::make_shared<std::atomic<int>>(-1);
    session_->setProgressHandler([this, lastPercent](double value) {
        // Called per frame on the export thread: only whole-percent changes reach the GUI.
        const int percent = int(std::floor(value * 100));
        if (lastPercent->exchange(percent) == percent)
            return;
        QMetaObject::invokeMethod(this, [this, value] {
            if (!running_)
                return;
            progress_ = value;
            emit changed();
        }, Qt::QueuedConnection);
    });
    media::ExportSession* session = session_.get();
    session_->exportAsynchronously([this, session] {
        QMetaObject::invokeMethod(this, [this, session] {
            if (session != session_.get())
                return; // already wound up by cancelAndWait()
            const media::ExportStatus status = session->status();
            const std::optional<media::MediaError> error = session->error();
            if (status == media::ExportStatus::completed)
                finish(session->publishedURL(), std::nullopt);
            else if (status == media::ExportStatus::cancelled || cancelled_->load())
                finish(std::nullopt, std::nullopt);
            else if (error)
                finish(std::nullopt, exportFailed(media::describe(*error)));
            else
                finish(std::nullopt, exportFailed(tr("unknown error").toStdString()));
        }, Qt::QueuedConnection);
    });
}

void StudioExporter::cancel()
{
    if (!running_)
        return;
    cancelled_->store(true);
    if (session_)
        session_->cancelExport();
}

void StudioExporter::cancelAndWait()
{
    if (!running_)
        return;
    cancel();
    if (buildWatcher_) {
        buildWatcher_->disconnect(this);
        buildWatcher_->waitForFinished();
        buildWatcher_->deleteLater();
        buildWatcher_ = nullptr;
    }
    // Destroying the session waits for its thread, which removes the partial file.
    session_.reset();
    finish(std::nullopt, std::nullopt);
}

void StudioExporter::finish(std::optional<std::filesystem::path> output,
                            std::optional<QString> errorMessage)
{
    if (!running_)
        return;
    running_ = false;
    // Its completion has run by now; releasing the session joins its finished thread.
    session_.reset();
    exportedURL_ = output;
    emit changed();
    // Before the failure's alert, which waits for the user.
    emit finished(output, errorMessage);
    if (errorMessage)
        emit failed(*errorMessage);
}

} // namespace tarnix
