#include "studio/StudioSession.h"

#include <QFileSystemWatcher>
#include <QFutureWatcher>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <cmath>

#include "compositing/AudioWaveformLoader.h"
#include "media/MediaError.h"
#include "media/SoundFilters.h"
#include "studio/CutPlayback.h"
#include "studio/DocumentPresence.h"
#include "studio/DocumentSaver.h"
#include "studio/RecordingFiles.h"
#include "studio/StudioExporter.h"
#include "studio/StudioFormatting.h"
#include "studio/StudioPlayer.h"
#include "zoom/ZoomPanEngine.h"

namespace tarnix {

namespace {

using CameraCompositionBuilder::Result;

// Runs `handler` on the GUI thread with the finished future; the watcher goes with it.
template <typename T, typename Handler>
void whenFinished(QObject* context, QFuture<T> future, Handler handler)
{
    auto* watcher = new QFutureWatcher<T>(context);
    QObject::connect(watcher, &QFutureWatcherBase::finished, context, [watcher, handler] {
        watcher->deleteLater();
        handler(watcher->future());
    });
    watcher->setFuture(future);
}

// The build's composition, or its failure described for the user; nothing when it was cancelled.
struct BuildOutcome {
    std::optional<Result> result;
    std::optional<std::string> failure;
    bool everythingCut = false; // the failure is that the cuts leave nothing
};

BuildOutcome outcomeOf(QFuture<Result> future)
{
    // A failed build's future counts as cancelled too: look for its exception first.
    try {
        future.waitForFinished();
        if (future.resultCount() > 0)
            return {future.result(), std::nullopt};
    } catch (const CameraCompositionBuilder::BuildCancelled&) {
    } catch (const CameraCompositionBuilder::BuildError& error) {
        return {std::nullopt, media::describe(error),
                error.kind() == CameraCompositionBuilder::BuildError::Kind::everythingCut};
    } catch (const std::exception& error) {
        return {std::nullopt, media::describe(error)};
    }
    return {};
}

} // namespace

StudioSession::StudioSession(RecordingTimeline timeline, StudioPlayer& player, QObject* parent)
    : StudioSession(std::move(timeline), player, Options{}, parent)
{
}

StudioSession::StudioSession(RecordingTimeline timeline, StudioPlayer& player, Options options,
                             QObject* parent)
    : QObject(parent)
    , timeline_(std::move(timeline))
    , player_(player)
    , options_(std::move(options))
    , state_(StudioEditState::fromDocument(timeline_))
    , history_(state_)
    , exporter_(new StudioExporter(this))
{
    if (!options_.builder)
        options_.builder = &CameraCompositionBuilder::buildAsync;
    if (!options_.waveformLoader)
        options_.waveformLoader = &AudioWaveformLoader::loadPeaksAsync;
    if (options_.documentPath)
        saver_ = std::make_unique<DocumentSaver>(
            *options_.documentPath,
            options_.documentWriter ? options_.documentWriter : DocumentSaver::defaultWriter());
    if (saver_) {
        connect(saver_.get(), &DocumentSaver::saveFailed, this, &StudioSession::setErrorMessage);
        watchDocument(*options_.documentPath);
    }
    connect(exporter_, &StudioExporter::progressChanged, this, &StudioSession::exportChanged);
    connect(exporter_, &StudioExporter::finished, this, &StudioSession::onExportFinished);
}

StudioSession::~StudioSession()
{
    // Nothing that happens while winding down reaches the views: they may be half gone.
    blockSignals(true);
    exporter_->blockSignals(true);
    player_.setObservers({});
    if (reloadFuture_.isRunning())
        reloadFuture_.cancel();
    exporter_->cancelAndWait();
    // saver_ writes what is still waiting when it goes.
}

RecordingTimeline StudioSession::editedDocument() const
{
    return history_.current().appliedTo(timeline_);
}

// ---- Opening ---------------------------------------------------------------------------------

void StudioSession::open()
{
    if (opened_)
        return;
    opened_ = true;
    load();
    loadWaveforms();
}

void StudioSession::load(bool withoutCuts)
{
    if (!timeline_.videoURL) {
        setErrorMessage(QStringLiteral("No recording to open."));
        return;
    }
    CameraCompositionBuilder::BuildInput input = state_.buildInput(timeline_);
    if (withoutCuts)
        input.timeline.cutRegions.clear();
    reloadFuture_ = options_.builder(std::move(input));
    whenFinished(this, reloadFuture_, [this, withoutCuts](QFuture<Result> future) {
        BuildOutcome outcome = outcomeOf(future);
        if (outcome.everythingCut && !withoutCuts) {
            // A document whose cuts cover everything (made elsewhere) still opens, with the
            // whole recording in view, so that its cuts can be seen and restored.
            load(true);
            return;
        }
        if (outcome.failure) {
            setErrorMessage(QString::fromStdString("Couldn't load recording: " + *outcome.failure));
            return;
        }
        if (!outcome.result)
            return;
        const Result& result = *outcome.result;
        takeShape(result);
        emit naturalSizeChanged(naturalSize_);
        showInPlayer(result);
        // The timeline spans the whole recording, cut time included.
        const double length = playerKept_.hasCuts()   ? playerKept_.sourceDuration()
                              : result.composition ? result.composition->duration()
                                                   : 0;
        duration_ = std::isfinite(length) && length > 0 ? length : 0;
        player_.setObservers({[this](double t) { onTimeTick(t); },
                              [this] {
                                  if (isPlaying_)
                                      setPlaying(false);
                              },
                              [this](const QString& message) {
                                  setErrorMessage(QStringLiteral("Couldn't play the recording: ") +
                                                  message);
                              }});
        loaded_ = true;
        // What the recording's files lack (a movie cut short, an unreadable camera file) is said
        // once, beside the timeline.
        for (const std::string& warning : result.warnings)
            addNotice(QString::fromStdString(warning));
        if (everythingCut())
            addNotice(tr("The cuts leave nothing of this recording: restore a cut to play or "
                         "export it."));
        emit playbackChanged();
        emit loaded();
        // An edit committed while the first build ran is not in it: build again.
        if (editedWhileLoading_)
            reloadPlayerItem();
    });
}

void StudioSession::loadWaveforms()
{
    auto assign = [this](std::vector<float>* target) {
        return [this, target](QFuture<std::vector<float>> future) {
            *target = future.resultCount() > 0 ? future.result() : std::vector<float>{};
            emit waveformsChanged();
        };
    };
    if (timeline_.hasSystemAudio && timeline_.videoURL)
        whenFinished(this, options_.waveformLoader(*timeline_.videoURL, kWaveformBuckets),
                     assign(&systemAudioWaveform_));
    if (timeline_.microphoneURL)
        whenFinished(this, options_.waveformLoader(*timeline_.microphoneURL, kWaveformBuckets),
                     assign(&microphoneWaveform_));
}

// ---- The rebuild cycle -----------------------------------------------------------------------

void StudioSession::reloadPlayerItem()
{
    if (!timeline_.videoURL)
        return;
    if (!loaded_) {
        editedWhileLoading_ = true; // the first load builds again when it lands
        return;
    }
    if (reloadFuture_.isRunning())
        reloadFuture_.cancel();
    const quint64 generation = ++reloadGeneration_;
    CameraCompositionBuilder::BuildInput input = state_.buildInput(timeline_);
    // Cuts that leave nothing (undone back to such a document) are left out of the preview, as
    // when it opened.
    if (everythingCut())
        input.timeline.cutRegions.clear();
    reloadFuture_ = options_.builder(std::move(input));
    whenFinished(this, reloadFuture_, [this, generation](QFuture<Result> future) {
        if (generation != reloadGeneration_)
            return; // superseded: dropped without effect, failures included
        BuildOutcome outcome = outcomeOf(future);
        if (outcome.failure) {
            setErrorMessage(QString::fromStdString("Couldn't refresh preview: " + *outcome.failure));
            return;
        }
        if (!outcome.result)
            return;
        // The playhead stays at its recording time, wherever the new cuts put that in the movie.
        const double playhead =
            isPlaying_ ? playerKept_.sourceTime(player_.currentTime()) : currentTime_;
        showInPlayer(*outcome.result);
        // Swapping may have reported a time of the old movie; the playhead is where it was.
        currentTime_ = playhead;
        seekPlayer(playhead);
        // Another canvas aspect changes the picture's shape: the preview area follows it.
        const QSize before = naturalSize_;
        takeShape(*outcome.result);
        if (naturalSize_ != before)
            emit naturalSizeChanged(naturalSize_);
        ++rebuildsApplied_;
        emit itemReplaced();
    });
}

void StudioSession::takeShape(const Result& result)
{
    naturalSize_ = result.videoComposition.renderSize;
    const double w = naturalSize_.width(), h = naturalSize_.height();
    // Canvas pixels with a lower-left origin, as fractions of the picture with a top-left one.
    auto fraction = [&](const std::optional<Rect>& frame) {
        if (!frame || !(w > 0 && h > 0))
            return QRectF(0, 0, 1, 1);
        return QRectF(frame->x / w, 1 - (frame->y + frame->height) / h, frame->width / w,
                      frame->height / h);
    };
    const OverlayInstruction* instruction = result.instruction.get();
    cameraFrame_ = fraction(instruction ? instruction->edits().overlayFrame : std::nullopt);
    std::optional<Rect> content;
    if (instruction && instruction->backgroundFrame())
        content = instruction->backgroundFrame()->contentRect();
    contentFrame_ = fraction(content);
}

// ---- Editing ---------------------------------------------------------------------------------

void StudioSession::setLiveEditState(StudioEditState state)
{
    if (state == state_)
        return;
    state_ = std::move(state);
    emit editStateChanged();
}

void StudioSession::commit()
{
    if (history_.commit(state_)) {
        clearEditNotice();
        if (saver_)
            saver_->save(editedDocument());
        emit historyChanged();
    }
    reloadPlayerItem();
}

void StudioSession::commitEditState(StudioEditState state)
{
    setLiveEditState(std::move(state));
    commit();
}

void StudioSession::commitWith(const std::function<void(StudioEditState&)>& change)
{
    StudioEditState next = state_;
    change(next);
    commitEditState(std::move(next));
    dropStaleSelection();
}

void StudioSession::commitZoomRegions(std::vector<ZoomRegion> regions)
{
    commitWith([&](StudioEditState& s) { s.regions = std::move(regions); });
}

void StudioSession::commitRedactRegions(std::vector<RedactRegion> regions)
{
    commitWith([&](StudioEditState& s) { s.redactRegions = std::move(regions); });
}

void StudioSession::commitCameraOverlay(const CameraOverlaySettings& settings)
{
    commitWith([&](StudioEditState& s) { s.cameraOverlay = settings; });
}

void StudioSession::commitBackground(const BackgroundSettings& settings)
{
    commitWith([&](StudioEditState& s) { s.background = settings; });
}

void StudioSession::commitSystemAudio(const AudioTrackSettings& settings)
{
    commitWith([&](StudioEditState& s) { s.systemAudio = settings; });
}

void StudioSession::commitMicrophoneAudio(const AudioTrackSettings& settings)
{
    commitWith([&](StudioEditState& s) { s.microphoneAudio = settings; });
}

void StudioSession::commitCursorOverlay(const CursorOverlaySettings& settings)
{
    commitWith([&](StudioEditState& s) { s.cursorOverlay = settings; });
}

bool StudioSession::commitCutRegions(std::vector<CutRegion> cuts)
{
    if (KeptTime(cuts, duration_).isEmpty()) {
        refuseEdit(QString::fromUtf8(kEverythingCutMessage.data(), int(kEverythingCutMessage.size())));
        return false;
    }
    commitWith([&](StudioEditState& s) { s.cutRegions = std::move(cuts); });
    return true;
}

bool StudioSession::restoreSelectedCut()
{
    if (!selectedCutID_ || !state_.hasCutRegion(*selectedCutID_))
        return false;
    StudioEditState next = state_;
    std::erase_if(next.cutRegions, [&](const CutRegion& c) { return c.id == *selectedCutID_; });
    setSelectedCutID(std::nullopt);
    commitEditState(std::move(next));
    return true;
}

void StudioSession::createRegion(double start, double end)
{
    ZoomRegion region;
    region.start = start;
    region.end = end;
    region.rect = ZoomPanEngine::defaultZoomRect({start, end}, timeline_, kNewZoomLevel);
    region.easing = EasingCurve::easeInOut;
    StudioEditState next = state_;
    next.regions.push_back(region);
    setLiveEditState(std::move(next));
    setSelectedRegionID(region.id);
    setSelectedTab(StudioTab::zoom);
    commit();
}

void StudioSession::createRedactRegion(double start, double end)
{
    RedactRegion region;
    region.start = start;
    region.end = end;
    region.rect = Rect{0.38, 0.44, 0.24, 0.12};
    StudioEditState next = state_;
    next.redactRegions.push_back(region);
    setLiveEditState(std::move(next));
    setSelectedRedactID(region.id);
    setSelectedTab(StudioTab::redact);
    commit();
}

bool StudioSession::deleteSelection()
{
    StudioEditState next = state_;
    if (selectedRegionID_ && state_.hasZoomRegion(*selectedRegionID_)) {
        std::erase_if(next.regions, [&](const ZoomRegion& r) { return r.id == *selectedRegionID_; });
        setSelectedRegionID(std::nullopt);
    } else if (selectedRedactID_ && state_.hasRedactRegion(*selectedRedactID_)) {
        std::erase_if(next.redactRegions,
                      [&](const RedactRegion& r) { return r.id == *selectedRedactID_; });
        setSelectedRedactID(std::nullopt);
    } else {
        return restoreSelectedCut();
    }
    commitEditState(std::move(next));
    return true;
}

void StudioSession::removeAllZoomRegions()
{
    StudioEditState next = state_;
    next.regions.clear();
    setSelectedRegionID(std::nullopt);
    commitEditState(std::move(next));
}

void StudioSession::undo()
{
    if (std::optional<StudioEditState> state = history_.undo())
        applyCommittedState(std::move(*state));
}

void StudioSession::redo()
{
    if (std::optional<StudioEditState> state = history_.redo())
        applyCommittedState(std::move(*state));
}

void StudioSession::applyCommittedState(StudioEditState state)
{
    clearEditNotice();
    state_ = std::move(state);
    emit editStateChanged();
    emit historyChanged();
    dropStaleSelection();
    if (saver_)
        saver_->save(editedDocument());
    reloadPlayerItem();
}

void StudioSession::dropStaleSelection()
{
    if (selectedRegionID_ && !state_.hasZoomRegion(*selectedRegionID_))
        setSelectedRegionID(std::nullopt);
    if (selectedRedactID_ && !state_.hasRedactRegion(*selectedRedactID_))
        setSelectedRedactID(std::nullopt);
    if (selectedCutID_ && !state_.hasCutRegion(*selectedCutID_))
        setSelectedCutID(std::nullopt);
}

// ---- Selection -------------------------------------------------------------------------------

void StudioSession::setSelectedTab(std::optional<StudioTab> tab)
{
    if (tab == selectedTab_)
        return;
    selectedTab_ = tab;
    emit selectionChanged();
}

void StudioSession::setSelectedRegionID(std::optional<Uuid> id)
{
    if (id == selectedRegionID_)
        return;
    selectedRegionID_ = id;
    emit selectionChanged();
}

void StudioSession::setSelectedRedactID(std::optional<Uuid> id)
{
    if (id == selectedRedactID_)
        return;
    selectedRedactID_ = id;
    emit selectionChanged();
}

void StudioSession::setSelectedCutID(std::optional<Uuid> id)
{
    if (id == selectedCutID_)
        return;
    selectedCutID_ = id;
    emit selectionChanged();
}

bool StudioSession::showsCameraHandle() const
{
    return selectedTab_ == StudioTab::camera && state_.cameraOverlay.isEnabled &&
           timeline_.cameraURL.has_value();
}

bool StudioSession::showsRedactHandle() const
{
    return selectedTab_ == StudioTab::redact && selectedRedactID_ &&
           state_.hasRedactRegion(*selectedRedactID_);
}

// ---- Playback --------------------------------------------------------------------------------

void StudioSession::showInPlayer(const CameraCompositionBuilder::Result& item)
{
    playerKept_ = item.instruction ? item.instruction->edits().keptTime : KeptTime{};
    playerFrameDuration_ = item.videoComposition.frameDuration();
    player_.replaceCurrentItem(item);
}

void StudioSession::seekPlayer(double sourceTime)
{
    player_.seek(CutPlayback::playerTime(playerKept_, sourceTime, playerFrameDuration_));
}

double StudioSession::playerDuration() const
{
    return playerKept_.hasCuts() ? playerKept_.duration() : duration_;
}

KeptTime StudioSession::keptTime() const
{
    return KeptTime(state_.cutRegions, duration_);
}

bool StudioSession::everythingCut() const
{
    return duration_ > 0 && keptTime().isEmpty();
}

bool StudioSession::canPlay() const
{
    return duration_ > 0 && !everythingCut();
}

bool StudioSession::canExport() const
{
    return timeline_.videoURL.has_value() && !isExporting() && !everythingCut();
}

double StudioSession::movieTime() const
{
    return CutPlayback::movieTime(keptTime(), currentTime_);
}

double StudioSession::movieDuration() const
{
    return keptTime().duration();
}

void StudioSession::onTimeTick(double seconds)
{
    currentTime_ =
        CutPlayback::playhead(playerKept_, seconds, currentTime_, isPlaying_, playerFrameDuration_);
    const double end = playerDuration();
    if (isPlaying_ && end > 0 && seconds >= end - 0.05)
        isPlaying_ = false; // the player stops at the end of its item by itself
    emit playbackChanged();
}

void StudioSession::setPlaying(bool playing)
{
    isPlaying_ = playing;
    emit playbackChanged();
}

void StudioSession::togglePlayback()
{
    if (!canPlay() && !isPlaying_)
        return;
    // The state flips first: a player that reports its own pause must find it already paused.
    if (isPlaying_) {
        setPlaying(false);
        player_.pause();
        return;
    }
    // At the movie's end (or parked in a trimmed end) playing starts over.
    const double at = CutPlayback::playerTime(playerKept_, currentTime_, playerFrameDuration_);
    const bool atMovieEnd =
        playerKept_.hasCuts() && at >= playerDuration() - playerFrameDuration_ - 1e-9;
    if (currentTime_ >= duration_ || atMovieEnd) {
        currentTime_ = playerKept_.sourceTime(0);
        player_.seek(0);
    }
    setPlaying(true);
    player_.play();
}

void StudioSession::step(double delta)
{
    if (duration_ <= 0)
        return;
    seek(std::min(std::max(CutPlayback::stepped(playerKept_, currentTime_, delta), 0.0), duration_));
}

void StudioSession::seek(double seconds)
{
    if (!std::isfinite(seconds))
        return;
    currentTime_ = seconds;
    seekPlayer(seconds);
    emit playbackChanged();
}

// ---- Waveform and captions -------------------------------------------------------------------

std::vector<float> StudioSession::displayedWaveform() const
{
    return tarnix::displayedWaveform(systemAudioWaveform_, state_.systemAudio, microphoneWaveform_,
                                     state_.microphoneAudio);
}

QString StudioSession::timelineCaption() const
{
    return QString::fromStdString(
        tarnix::timelineCaption(state_.regions.size(), timeline_.clickEvents.size()));
}

// ---- Export ----------------------------------------------------------------------------------

void StudioSession::setExportResolution(ExportResolution resolution)
{
    if (resolution == exportResolution_ && exportFileType_ == media::ExportFileType::mpeg4)
        return;
    exportResolution_ = resolution;
    exportFileType_ = media::ExportFileType::mpeg4;
    emit exportChanged();
}

void StudioSession::setExportFileType(media::ExportFileType type)
{
    if (type == exportFileType_)
        return;
    exportFileType_ = type;
    emit exportChanged();
}

void StudioSession::setEvensOutLoudness(bool on)
{
    if (on == evensOutLoudness_)
        return;
    evensOutLoudness_ = on;
    emit exportChanged();
}

bool StudioSession::isExporting() const
{
    return exporter_->isExporting();
}

double StudioSession::exportProgress() const
{
    return exporter_->progress();
}

void StudioSession::pressExport()
{
    // A double click is one press: the second half would otherwise cancel what the first began.
    if (lastExportPress_.isValid() && lastExportPress_.elapsed() < kExportPressInterval)
        return;
    lastExportPress_.start();
    if (isExporting())
        cancelExport();
    else
        startExport();
}

bool StudioSession::acceptsExportPress() const
{
    return !lastExportPress_.isValid() || lastExportPress_.elapsed() >= kExportPressInterval;
}

void StudioSession::startExport()
{
    if (!canExport())
        return;
    errorMessage_.reset();
    exportedURL_.reset();
    // A GIF is made from the full-size frames and named like a source-quality movie.
    const bool gif = exportFileType_ == media::ExportFileType::gif;
    std::optional<double> loudness;
    if (!gif && evensOutLoudness_)
        loudness = media::kDefaultLoudnessTarget;
    exporter_->start(history_.current().buildInput(timeline_), *timeline_.videoURL,
                     gif ? ExportResolution::source : exportResolution_, exportFileType_, loudness);
    emit exportChanged();
}

void StudioSession::cancelExport()
{
    exporter_->cancel();
}

void StudioSession::cancelExportAndWait()
{
    exporter_->cancelAndWait();
}

void StudioSession::onExportFinished(std::optional<std::filesystem::path> output,
                                     std::optional<QString> errorMessage)
{
    exportedURL_ = output;
    emit exportChanged();
    // Before the alert, which waits for the user.
    emit exportFinished(output, errorMessage);
    if (errorMessage)
        setErrorMessage(*errorMessage);
}

// ---- Failures and saving ---------------------------------------------------------------------

void StudioSession::setErrorMessage(QString message)
{
    if (errorMessage_ == message)
        return;
    errorMessage_ = message;
    emit errorMessageChanged(message);
}

void StudioSession::refuseEdit(const QString& reason)
{
    editNotice_ = reason;
    emit editNoticeChanged();
}

void StudioSession::addNotice(const QString& text)
{
    if (editNotice_ && editNotice_->contains(text))
        return;
    refuseEdit(editNotice_ ? *editNotice_ + QLatin1Char(' ') + text : text);
}

void StudioSession::clearEditNotice()
{
    if (!editNotice_)
        return;
    editNotice_.reset();
    emit editNoticeChanged();
}

bool StudioSession::flushSaves(int timeoutMs)
{
    return !saver_ || saver_->flush(timeoutMs);
}

// ---- The document file changed elsewhere -----------------------------------------------------

void StudioSession::watchDocument(const std::filesystem::path& path)
{
    saver_->guardAgainstOutsideChanges();
    connect(saver_.get(), &DocumentSaver::outsideChanged, this, [this] {
        outsideChange_ = true;
        emit outsideChangeChanged();
    });
    // A replacing save renames a new file over the old one, which ends a watch on the file
    // itself; the folder's watch sees the rename. A burst of events is one check.
    auto* watcher = new QFileSystemWatcher(this);
    const QString file = QString::fromStdString(path.string());
    auto* settle = new QTimer(this);
    settle->setSingleShot(true);
    settle->setInterval(100);
    auto rewatch = [watcher, file, path] {
        if (!watcher->files().contains(file) && std::filesystem::exists(path))
            watcher->addPath(file);
    };
    rewatch();
    watcher->addPath(QString::fromStdString(path.parent_path().string()));
    connect(watcher, &QFileSystemWatcher::fileChanged, settle, qOverload<>(&QTimer::start));
    connect(watcher, &QFileSystemWatcher::directoryChanged, settle, qOverload<>(&QTimer::start));
    connect(settle, &QTimer::timeout, this, [this, rewatch] {
        rewatch();
        saver_->checkForOutsideChange();
    });

    presence_ = new DocumentPresence(path, this);
    auto tellShared = [this] {
        if (presence_->sharedWithAnother())
            addNotice(tr("This recording is also open in another Studio window."));
    };
    connect(presence_, &DocumentPresence::sharedChanged, this, tellShared);
    tellShared();
}

bool StudioSession::documentShared() const
{
    return presence_ && presence_->sharedWithAnother();
}

QString StudioSession::outsideChangeMessage() const
{
    return documentShared() ? tr("Another Studio window saved changes to this recording.")
                            : tr("This recording's file was changed by another program.");
}

void StudioSession::keepMine()
{
    if (!outsideChange_ || !saver_)
        return;
    saver_->keepMine();
    saver_->save(editedDocument());
    outsideChange_ = false;
    emit outsideChangeChanged();
}

void StudioSession::reloadDocument()
{
    if (!outsideChange_ || !saver_ || reloading_)
        return;
    reloading_ = true;
    struct Reloaded {
        std::variant<RecordingTimeline, QString> document;
        DocumentSaver::FileState file; // the file the document was read from
    };
    auto read = [](std::filesystem::path path) {
        Reloaded reloaded{QString(), DocumentSaver::fileState(path)};
        reloaded.document = RecordingFiles::openDocument(path);
        if (!DocumentSaver::fileState(path, false).sameStamp(reloaded.file))
            reloaded.file.digest.clear(); // changed while it was read: it counts as changed again
        return reloaded;
    };
    whenFinished(this, QtConcurrent::run(read, saver_->path()), [this](QFuture<Reloaded> future) {
        reloading_ = false;
        Reloaded reloaded = future.takeResult();
        if (auto* message = std::get_if<QString>(&reloaded.document)) {
            setErrorMessage(*message); // the choice stays open
            return;
        }
        saver_->acceptOutsideChange(reloaded.file);
        applyReloaded(std::get<RecordingTimeline>(reloaded.document));
    });
}

void StudioSession::applyReloaded(const RecordingTimeline& document)
{
    // The other edits become the current state, one undo step away from these; the samples and
    // the media are the recording's own and stay.
    outsideChange_ = false;
    clearEditNotice();
    state_ = StudioEditState::fromDocument(document);
    if (history_.commit(state_))
        emit historyChanged();
    emit editStateChanged();
    dropStaleSelection();
    emit outsideChangeChanged();
    reloadPlayerItem();
}

} // namespace tarnix
