#include "studio/StudioEditingViews.h"

#include <algorithm>

#include "studio/StudioSession.h"
#include "studio/StudioView.h"
#include "studio/handles/PreviewHandle.h"
#include "studio/sidebar/StudioIconRail.h"
#include "studio/sidebar/StudioSidebarView.h"
#include "compositing/FilmstripLoader.h"
#include "studio/KeyboardShortcutsSheet.h"
#include "studio/StudioToolbar.h"
#include "studio/TimelineKeyboard.h"
#include "studio/timeline/TimelineZoomControls.h"
#include "studio/timeline/TimelineView.h"

namespace tarnix {

namespace {

// Makes `next` the session's live edit state, marking `writer` as its author while the views
// hear of it.
void writeLive(StudioSession& session, StudioEditState next, QObject*& writerSlot, QObject* writer)
{
    writerSlot = writer;
    session.setLiveEditState(std::move(next));
    writerSlot = nullptr;
}

// Read/write access to one field of the session's live edit state on behalf of `writer`.
template <class T>
Binding<T> stateBinding(StudioSession& session, T RecordingEdits::*field, QObject*& writerSlot,
                        QObject* writer)
{
    return Binding<T>::viewing(
        [&session, field]() -> const T& { return session.editState().*field; },
        [&session, field, &writerSlot, writer](const T& value) {
            StudioEditState next = session.editState();
            next.*field = value;
            writeLive(session, std::move(next), writerSlot, writer);
        });
}

// Read/write access to one of the selection's identifiers.
Binding<std::optional<Uuid>> selectionBinding(StudioSelection& selection,
                                              std::optional<Uuid> (StudioSelection::*get)() const,
                                              void (StudioSelection::*set)(std::optional<Uuid>))
{
    return Binding<std::optional<Uuid>>(
        [&selection, get] { return (selection.*get)(); },
        [&selection, set](const std::optional<Uuid>& id) { (selection.*set)(id); });
}

Binding<std::optional<Uuid>> regionSelection(StudioSession& session)
{
    return selectionBinding(session.selection(), &StudioSelection::regionID,
                            &StudioSelection::setRegionID);
}

Binding<std::optional<Uuid>> redactSelection(StudioSession& session)
{
    return selectionBinding(session.selection(), &StudioSelection::redactID,
                            &StudioSelection::setRedactID);
}

Binding<std::optional<Uuid>> textSelection(StudioSession& session)
{
    // Picking a box on the timeline opens its panel.
    StudioSelection& selection = session.selection();
    return Binding<std::optional<Uuid>>([&selection] { return selection.textID(); },
                                        [&selection](const std::optional<Uuid>& id) {
                                            selection.setTextID(id);
                                            if (id)
                                                selection.setTab(StudioTab::text);
                                        });
}

Binding<std::optional<Uuid>> cutSelection(StudioSession& session)
{
    return selectionBinding(session.selection(), &StudioSelection::cutID, &StudioSelection::setCutID);
}

Binding<std::optional<Uuid>> speedSelection(StudioSession& session)
{
    return selectionBinding(session.selection(), &StudioSelection::speedID, &StudioSelection::setSpeedID);
}

} // namespace

StudioEditingViews::StudioEditingViews(StudioView& studio)
    : QObject(&studio)
    , studio_(studio)
    , session_(studio.session())
    , playback_(session_.playback())
    , timelineView_(new TimelineView)
    , zoomControls_(new TimelineZoomControls(*timelineView_))
    , keyboard_(new TimelineKeyboard(studio, session_, *timelineView_))
    , rail_(new StudioIconRail)
    , sidebar_(new StudioSidebarView)
    , cameraHandle_(new PreviewHandle(PreviewHandle::Kind::camera, studio.previewOverlay()))
    , redactHandle_(new PreviewHandle(PreviewHandle::Kind::redact, studio.previewOverlay()))
    , textHandle_(new PreviewHandle(PreviewHandle::Kind::text, studio.previewOverlay()))
{
    bindTimeline();
    bindSidebar();
    bindHandles();
    studio_.setTimelineView(timelineView_);
    studio_.setTimelineControls(zoomControls_);
    timelineView_->onViewportChanged = [this] { zoomControls_->refresh(); };
    connect(studio_.toolbar(), &StudioToolbar::keyboardShortcutsRequested, this, [this] {
        auto* sheet = new KeyboardShortcutsSheet(&studio_);
        sheet->setAttribute(Qt::WA_DeleteOnClose);
        sheet->open();
    });
    studio_.setRailView(rail_);
    studio_.setPanelView(sidebar_);

    connect(&session_, &StudioSession::editStateChanged, this, &StudioEditingViews::onEditStateChanged);
    connect(&session_.selection(), &StudioSelection::changed, this, &StudioEditingViews::onSelectionChanged);
    connect(&playback_, &StudioPlayback::playbackChanged, this, &StudioEditingViews::onPlaybackChanged);
    connect(&playback_, &StudioPlayback::waveformsChanged, this,
            [this] { timelineView_->setWaveform(playback_.displayedWaveform()); });
    connect(&studio_, &StudioView::previewGeometryChanged, this, &StudioEditingViews::refreshHandles);
    connect(&playback_, &StudioPlayback::loaded, this, [this] {
        timelineView_->setFrameRate(1 / playback_.frameDuration());
        timelineView_->setDuration(playback_.duration());
        sidebar_->setDuration(playback_.duration());
    });
    onSelectionChanged();
}

void StudioEditingViews::bindTimeline()
{
    TimelineModel& model = timelineView_->model();
    model.regions = stateBinding(session_, &StudioEditState::zoomRegions, writer_, timelineView_);
    model.redactRegions = stateBinding(session_, &StudioEditState::redactRegions, writer_, timelineView_);
    model.selectedRegionID = regionSelection(session_);
    model.selectedRedactID = redactSelection(session_);
    model.cutRegions = stateBinding(session_, &StudioEditState::cutRegions, writer_, timelineView_);
    model.selectedCutID = cutSelection(session_);
    model.textRegions = stateBinding(session_, &StudioEditState::textRegions, writer_, timelineView_);
    model.selectedTextID = textSelection(session_);
    model.speedRegions = stateBinding(session_, &StudioEditState::speedRegions, writer_, timelineView_);
    model.selectedSpeedID = speedSelection(session_);
    model.onCreateTextRegion = [this](double start, double end) {
        session_.createTextRegion(start, end);
    };
    model.onRefused = [this](const std::string& reason) {
        session_.messages().refuseEdit(QString::fromStdString(reason));
    };
    model.onSeek = [this](double t) { playback_.seek(t); };
    model.onCreateRegion = [this](double start, double end) { session_.createRegion(start, end); };
    model.onCreateRedactRegion = [this](double start, double end) {
        session_.createRedactRegion(start, end);
    };
    model.onEditEnded = [this] { session_.commit(); };
    if (const auto& movie = session_.timeline().videoURL)
        timelineView_->setFilmstrip(new FilmstripLoader(*movie, int(TimelineRules::kFilmstripHeight) - 4, timelineView_));
    timelineView_->setClicks(session_.timeline().clickEvents);
    timelineView_->setDuration(playback_.duration());
    timelineView_->refresh();
}

void StudioEditingViews::bindSidebar()
{
    StudioSidebarView& s = *sidebar_;
    s.regions = stateBinding(session_, &StudioEditState::zoomRegions, writer_, sidebar_);
    s.selectedRegionID = regionSelection(session_);
    s.cameraOverlay = stateBinding(session_, &StudioEditState::cameraOverlay, writer_, sidebar_);
    s.background = stateBinding(session_, &StudioEditState::background, writer_, sidebar_);
    s.systemAudio = stateBinding(session_, &StudioEditState::systemAudio, writer_, sidebar_);
    s.microphoneAudio = stateBinding(session_, &StudioEditState::microphoneAudio, writer_, sidebar_);
    s.cursorOverlay = stateBinding(session_, &StudioEditState::cursorOverlay, writer_, sidebar_);
    s.redactRegions = stateBinding(session_, &StudioEditState::redactRegions, writer_, sidebar_);
    s.selectedRedactID = redactSelection(session_);
    s.textRegions = stateBinding(session_, &StudioEditState::textRegions, writer_, sidebar_);
    s.selectedTextID = textSelection(session_);
    s.keystrokeOverlay = stateBinding(session_, &StudioEditState::keystrokeOverlay, writer_, sidebar_);
    s.onChanged = [this] { session_.commit(); };
    s.onLiveChanged = [this] { session_.previewLiveEditState(); };
    s.onClose = [this] { session_.selection().setTab(std::nullopt); };
    const RecordingTimeline& document = session_.timeline();
    s.setRecordingFacts(document.cameraURL.has_value(), document.hasSystemAudio,
                        document.microphoneURL.has_value());
    s.setHasKeyEvents(!document.keyEvents.empty());
    s.setDuration(playback_.duration());

    rail_->selectedTab = Binding<std::optional<StudioTab>>(
        [this] { return session_.selection().tab(); },
        [this](const std::optional<StudioTab>& tab) { session_.selection().setTab(tab); });
}

void StudioEditingViews::bindHandles()
{
    cameraHandle_->cameraSettings =
        stateBinding(session_, &StudioEditState::cameraOverlay, writer_, cameraHandle_);
    cameraHandle_->onCommit = [this] { session_.commit(); };

    // The rectangle of the first blur region with the selected identifier.
    redactHandle_->redactRect = Binding<Rect>(
        [this] {
            const RedactRegion* region =
                findByID(session_.editState().redactRegions, session_.selection().redactID());
            return region ? region->rect : Rect{};
        },
        [this](const Rect& rect) {
            StudioEditState next = session_.editState();
            if (RedactRegion* region = findByID(next.redactRegions, session_.selection().redactID()))
                region->rect = rect;
            writeLive(session_, std::move(next), writer_, redactHandle_);
        });
    redactHandle_->onCommit = [this] { session_.commit(); };

    // The selected text box.
    textHandle_->textBox = Binding<TextRegion>(
        [this] {
            const TextRegion* box = findByID(session_.editState().textRegions, session_.selection().textID());
            return box ? *box : TextRegion{};
        },
        [this](const TextRegion& box) {
            StudioEditState next = session_.editState();
            if (TextRegion* region = findByID(next.textRegions, box.id))
                region->position = box.position;
            writeLive(session_, std::move(next), writer_, textHandle_);
        });
    textHandle_->onCommit = [this] { session_.commit(); };
}

void StudioEditingViews::onEditStateChanged()
{
    if (writer_ != timelineView_)
        timelineView_->refresh();
    if (writer_ != sidebar_)
        sidebar_->refresh();
    timelineView_->setWaveform(playback_.displayedWaveform());
    refreshHandles();
}

void StudioEditingViews::onSelectionChanged()
{
    timelineView_->refresh();
    rail_->refresh();
    if (std::optional<StudioTab> tab = session_.selection().tab()) {
        if (sidebar_->tab() != *tab)
            sidebar_->setTab(*tab);
        else
            sidebar_->refresh();
    }
    refreshHandles();
}

void StudioEditingViews::onPlaybackChanged()
{
    timelineView_->setCurrentTime(playback_.currentTime(), playback_.isPlaying());
    sidebar_->setCurrentTime(playback_.currentTime());
}

void StudioEditingViews::refreshHandles()
{
    // The handles' layer lies exactly over the picture; the camera's container is the part of
    // it the bubble is placed in (the recording-shaped band on a canvas of another aspect), a
    // blur box's the screen content inside the background's padding.
    const QRectF picture(studio_.previewOverlay()->rect());
    auto within = [&](const QRectF& part) {
        return QRectF(picture.left() + part.left() * picture.width(),
                      picture.top() + part.top() * picture.height(), part.width() * picture.width(),
                      part.height() * picture.height());
    };
    cameraHandle_->setContainerRect(within(playback_.cameraFrame()));
    redactHandle_->setContainerRect(within(playback_.contentFrame()));
    cameraHandle_->setVisible(session_.selection().showsCameraHandle());
    redactHandle_->setVisible(session_.selection().showsRedactHandle());
    textHandle_->setContainerRect(picture);
    textHandle_->setVisible(session_.selection().showsTextHandle());
}

} // namespace tarnix
