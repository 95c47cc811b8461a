#pragma once

#include <QObject>
#include <QString>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "compositing/CompositionBuilder.h"
#include "document/RecordingTimeline.h"
#include "studio/EditHistory.h"
#include "studio/StudioEditState.h"
#include "studio/StudioMessages.h"
#include "studio/StudioPlayback.h"
#include "studio/StudioSelection.h"

// The Studio's model, without widgets: one editing of one recording.
//
// It copies the document's regions and settings into an edit state, which its playback
// (StudioPlayback) previews and rebuilds after every committed edit, and its exporter
// (StudioExporter) exports. Edits are commit-on-end: views may write the live state continuously
// while a gesture runs (setLiveEditState), and report its end with commit(); each commit is one
// rebuild, one undo step and one save of the document file. The document value given at
// construction is never changed.
//
// Failures a person must hear about, and the notice line, land in its StudioMessages.
//
// Threads: GUI thread only. Saves and the reading of a reloaded document run on workers and
// report back through queued calls.

namespace tarnix {

class DocumentPresence;
class DocumentSaver;
class IdleSpeedUp;
class StudioExporter;

class StudioSession : public QObject {
    Q_OBJECT

public:
    using Builder = StudioPlayback::Builder;
    using WaveformLoader = StudioPlayback::WaveformLoader;

    struct Options {
        // Where every committed edit is saved; nothing is saved without one.
        std::optional<std::filesystem::path> documentPath;
        Builder builder;               // default: CompositionBuilder::buildAsync
        WaveformLoader waveformLoader; // default: AudioWaveformLoader::loadPeaksAsync
        // Writes the document file; default: DocumentSaver::defaultWriter().
        std::function<void(const RecordingTimeline&, const std::filesystem::path&)> documentWriter;
        // The frame rate chosen last time (30 or 60).
        int exportFrameRate = media::kStandardFrameRate;
    };


    // `player` must outlive the session.
    StudioSession(RecordingTimeline timeline, StudioPlayer& player, Options options,
                  QObject* parent = nullptr);
    StudioSession(RecordingTimeline timeline, StudioPlayer& player, QObject* parent = nullptr);
    ~StudioSession() override;

    const RecordingTimeline& timeline() const { return timeline_; }
    // The document as it would be saved now (the last committed edit).
    RecordingTimeline editedDocument() const;

    // Starts the first build and the waveform loads. Call once.
    void open();
    // The preview of the edit state: playhead, playing, the picture's shape, the waveforms.
    StudioPlayback& playback() const { return *playback_; }
    // The export of the last committed edit.
    StudioExporter& exporter() const { return *exporter_; }
    // "Speed Up Idle Time": looks for idle stretches off the GUI thread, then commits them sped up.
    IdleSpeedUp& idleSpeedUp() const { return *idleSpeedUp_; }

    // ---- Edit state -----------------------------------------------------------------------
    const StudioEditState& editState() const { return state_; }
    // Writes the live state during a gesture: views redraw, nothing is rebuilt, undone or saved.
    void setLiveEditState(StudioEditState state);
    // Shows the live state in the preview while a gesture that changes what is drawn runs
    // (typing a text box's text): rebuilt as it changes, neither undone nor saved until the
    // gesture's commit().
    void previewLiveEditState();
    // The end of a gesture, a toggle, a picker, a button: rebuilds the preview; when the state
    // differs from the last commit also one undo step and one save. Cuts that would leave nothing
    // of the recording are refused: false, the live state back at the last commit, editNotice
    // set, nothing rebuilt. A selection whose region is gone is dropped.
    bool commit();
    // Removes the selected cut, so its time is back in the movie; false without one.
    bool restoreSelectedCut();

    // A new zoom region over [start, end] (start <= end) aimed where the user worked, selected,
    // with the zoom panel opened.
    void createRegion(double start, double end);
    // A new blur box in the middle of the picture over [start, end], selected, blur panel open.
    void createRedactRegion(double start, double end);
    // A new text box over [start, end] near the bottom of the picture, selected, text panel open.
    void createTextRegion(double start, double end);
    // Removes the selected zoom region, else the selected blur region, else the selected text box,
    // else the selected speed segment, else restores the selected cut; false when no selection names an existing region (the key then belongs to someone
    // else).
    bool deleteSelection();
    // Gives the selected speed segment this speed (one of kSpeedFactors), committed; false when
    // nothing changed.
    bool setSelectedSpeed(double speed);
    // The selected speed segment's speed, or nothing.
    std::optional<double> selectedSpeed() const;
    // Removes every zoom region (blur regions stay).
    void removeAllZoomRegions();
    bool canRemoveAllZoomRegions() const { return !state_.zoomRegions.empty(); }

    bool canUndo() const { return history_.canUndo(); }
    bool canRedo() const { return history_.canRedo(); }
    void undo();
    void redo();

    // ---- Selection ------------------------------------------------------------------------
    // What is selected; commits drop what the edit removed.
    StudioSelection& selection() const { return *selection_; }

    // ---- Failures and saving --------------------------------------------------------------
    // Failures (the playback's, the export's, the saves') and the notice line: a refused edit's
    // reason, what the recording lacks.
    StudioMessages& messages() const { return *messages_; }
    // Blocks until the document file holds the last commit (closing, tests); true when it does.
    bool flushSaves(int timeoutMs = 10000);

    // ---- The document file changed elsewhere ---------------------------------------------
    // Another program or another Studio replaced the document file: nothing is saved over it
    // until the user chooses reloadDocument() ("Reload": their edits replace these, as one undo
    // step) or keepMine() ("Keep mine": these edits are written over theirs).
    bool hasOutsideChange() const { return outsideChange_; }
    QString outsideChangeMessage() const;
    void reloadDocument();
    void keepMine();
    // Another Studio has the same document open.
    bool documentShared() const;

signals:
    void editStateChanged();
    void historyChanged();
    void outsideChangeChanged();

private:
    void commitEditState(StudioEditState state);
    // Commits a state with a new region, selected (by `select`) with its panel open.
    void commitSelecting(StudioEditState state, StudioTab tab, const std::function<void()>& select);
    void applyCommittedState(StudioEditState state);
    void watchDocument(const std::filesystem::path& path);
    void applyReloaded(const RecordingTimeline& document);

    RecordingTimeline timeline_;
    Options options_;

    StudioEditState state_;
    EditHistory history_;
    std::unique_ptr<StudioSelection> selection_;

    bool opened_ = false;
    std::unique_ptr<StudioMessages> messages_;

    std::unique_ptr<DocumentSaver> saver_;
    DocumentPresence* presence_ = nullptr;
    bool outsideChange_ = false;
    bool reloading_ = false;
    // Last, so that they go first: they read the document and the edit state above.
    std::unique_ptr<StudioPlayback> playback_;
    std::unique_ptr<StudioExporter> exporter_;
    // Last of all: stopping its search waits for the worker, and its results reach the state.
    std::unique_ptr<IdleSpeedUp> idleSpeedUp_;
};

} // namespace tarnix
