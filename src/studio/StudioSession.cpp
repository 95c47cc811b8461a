#include "studio/StudioSession.h"

#include <QFileSystemWatcher>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>

#include "document/SpeedRegions.h"
#include "studio/DocumentPresence.h"
#include "studio/DocumentSaver.h"
#include "studio/IdleSpeedUp.h"
#include "studio/NewRegions.h"
#include "studio/RecordingFiles.h"
#include "studio/StudioExporter.h"
#include "studio/FutureCallback.h"
#include "studio/StudioPlayer.h"
#include "zoom/ZoomPanEngine.h"

namespace tarnix {

StudioSession::StudioSession(RecordingTimeline timeline, StudioPlayer& player, QObject* parent)
    : StudioSession(std::move(timeline), player, Options{}, parent)
{
}

StudioSession::StudioSession(RecordingTimeline timeline, StudioPlayer& player, Options options,
                             QObject* parent)
    : QObject(parent)
    , timeline_(std::move(timeline))
    , options_(std::move(options))
    , state_(StudioEditState::fromDocument(timeline_))
    , history_(state_)
    , selection_(std::make_unique<StudioSelection>(timeline_, state_))
    , messages_(std::make_unique<StudioMessages>())
    , playback_(std::make_unique<StudioPlayback>(timeline_, state_, player, options_.builder,
                                                 options_.waveformLoader, options_.exportFrameRate))
    , exporter_(std::make_unique<StudioExporter>(StudioExporter::Source{
          timeline_.videoURL, [this] { return editedDocument(); },
          [this] { return playback_->frameRate(); },
          [this] { return !playback_->everythingCut(); }}))
    , idleSpeedUp_(std::make_unique<IdleSpeedUp>(*this))
{
    StudioMessages* messages = messages_.get();
    connect(playback_.get(), &StudioPlayback::failed, messages, &StudioMessages::setErrorMessage);
    connect(playback_.get(), &StudioPlayback::noticed, messages, &StudioMessages::addNotice);
    // A new export's failure is alerted even when it says what the last one said.
    connect(exporter_.get(), &StudioExporter::started, messages, &StudioMessages::clearErrorMessage);
    connect(exporter_.get(), &StudioExporter::failed, messages, &StudioMessages::setErrorMessage);
    if (options_.documentPath)
        saver_ = std::make_unique<DocumentSaver>(
            *options_.documentPath,
            options_.documentWriter ? options_.documentWriter : DocumentSaver::defaultWriter());
    if (saver_) {
        connect(saver_.get(), &DocumentSaver::saveFailed, messages, &StudioMessages::setErrorMessage);
        watchDocument(*options_.documentPath);
    }
}

StudioSession::~StudioSession()
{
    // Nothing that happens while winding down reaches the views: they may be half gone.
    blockSignals(true);
    messages_->blockSignals(true);
    selection_->blockSignals(true);
    exporter_->blockSignals(true);
    playback_->blockSignals(true);
    exporter_->cancelAndWait();
    idleSpeedUp_.reset();
    // The playback stops observing the player when it goes; saver_ writes what is still waiting.
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
    playback_->load();
    playback_->loadWaveforms();
}

// ---- Editing ---------------------------------------------------------------------------------

void StudioSession::setLiveEditState(StudioEditState state)
{
    if (state == state_)
        return;
    state_ = std::move(state);
    emit editStateChanged();
}

void StudioSession::previewLiveEditState()
{
    playback_->rebuildLive();
}

bool StudioSession::commit()
{
    // Cuts that would leave nothing are refused whoever wrote them: the edit is taken back whole.
    if (state_.cutRegions != history_.current().cutRegions &&
        cutsLeaveNothing(state_.cutRegions, playback_->duration())) {
        setLiveEditState(history_.current());
        messages_->refuseEdit(QString::fromUtf8(kEverythingCutMessage.data(), int(kEverythingCutMessage.size())));
        return false;
    }
    if (history_.commit(state_)) {
        messages_->clearEditNotice();
        if (saver_)
            saver_->save(editedDocument());
        emit historyChanged();
    }
    selection_->dropStale();
    playback_->rebuild();
    return true;
}

void StudioSession::commitEditState(StudioEditState state)
{
    setLiveEditState(std::move(state));
    commit();
}

bool StudioSession::restoreSelectedCut()
{
    const std::optional<Uuid> id = selection_->cutID();
    if (!id || !state_.hasCutRegion(*id))
        return false;
    StudioEditState next = state_;
    std::erase_if(next.cutRegions, [&](const CutRegion& c) { return c.id == *id; });
    selection_->setCutID(std::nullopt);
    commitEditState(std::move(next));
    return true;
}

void StudioSession::commitSelecting(StudioEditState state, StudioTab tab,
                                    const std::function<void()>& select)
{
    setLiveEditState(std::move(state));
    select();
    selection_->setTab(tab);
    commit();
}

void StudioSession::createRegion(double start, double end)
{
    const ZoomRegion region = NewRegions::zoomRegion(start, end, timeline_);
    StudioEditState next = state_;
    next.zoomRegions.push_back(region);
    commitSelecting(std::move(next), StudioTab::zoom, [&] { selection_->setRegionID(region.id); });
}

void StudioSession::createRedactRegion(double start, double end)
{
    const RedactRegion region = NewRegions::redactRegion(start, end);
    StudioEditState next = state_;
    next.redactRegions.push_back(region);
    commitSelecting(std::move(next), StudioTab::redact, [&] { selection_->setRedactID(region.id); });
}

void StudioSession::createTextRegion(double start, double end)
{
    const TextRegion box = NewRegions::textRegion(start, end, tr("Text").toStdString());
    StudioEditState next = state_;
    next.textRegions.push_back(box);
    commitSelecting(std::move(next), StudioTab::text, [&] { selection_->setTextID(box.id); });
}

bool StudioSession::deleteSelection()
{
    StudioEditState next = state_;
    const std::optional<Uuid> regionID = selection_->regionID();
    const std::optional<Uuid> redactID = selection_->redactID();
    const std::optional<Uuid> textID = selection_->textID();
    const std::optional<Uuid> speedID = selection_->speedID();
    if (regionID && state_.hasZoomRegion(*regionID)) {
        std::erase_if(next.zoomRegions, [&](const ZoomRegion& r) { return r.id == *regionID; });
        selection_->setRegionID(std::nullopt);
    } else if (redactID && state_.hasRedactRegion(*redactID)) {
        std::erase_if(next.redactRegions, [&](const RedactRegion& r) { return r.id == *redactID; });
        selection_->setRedactID(std::nullopt);
    } else if (textID && state_.hasTextRegion(*textID)) {
        std::erase_if(next.textRegions, [&](const TextRegion& r) { return r.id == *textID; });
        selection_->setTextID(std::nullopt);
    } else if (speedID && state_.hasSpeedRegion(*speedID)) {
        std::erase_if(next.speedRegions, [&](const SpeedRegion& r) { return r.id == *speedID; });
        selection_->setSpeedID(std::nullopt);
    } else {
        return restoreSelectedCut();
    }
    commitEditState(std::move(next));
    return true;
}

bool StudioSession::setSelectedSpeed(double speed)
{
    const std::optional<Uuid> id = selection_->speedID();
    if (!id || !isSpeedFactor(speed))
        return false;
    StudioEditState next = state_;
    bool changed = false;
    for (SpeedRegion& r : next.speedRegions)
        if (r.id == *id && r.speed != speed) {
            r.speed = speed;
            changed = true;
        }
    if (changed)
        commitEditState(std::move(next));
    return changed;
}

std::optional<double> StudioSession::selectedSpeed() const
{
    const std::optional<Uuid> id = selection_->speedID();
    for (const SpeedRegion& r : state_.speedRegions)
        if (id && r.id == *id)
            return r.speed;
    return std::nullopt;
}

void StudioSession::removeAllZoomRegions()
{
    StudioEditState next = state_;
    next.zoomRegions.clear();
    selection_->setRegionID(std::nullopt);
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
    messages_->clearEditNotice();
    state_ = std::move(state);
    emit editStateChanged();
    emit historyChanged();
    selection_->dropStale();
    if (saver_)
        saver_->save(editedDocument());
    playback_->rebuild();
}

// ---- Failures and saving ---------------------------------------------------------------------

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
            messages_->addNotice(tr("This recording is also open in another Studio window."));
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
            messages_->setErrorMessage(*message); // the choice stays open
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
    messages_->clearEditNotice();
    state_ = StudioEditState::fromDocument(document);
    if (history_.commit(state_))
        emit historyChanged();
    emit editStateChanged();
    selection_->dropStale();
    emit outsideChangeChanged();
    playback_->rebuild();
}

} // namespace tarnix
