#pragma once

#include <QElapsedTimer>
#include <QFuture>
#include <QObject>
#include <QRectF>
#include <QSize>
#include <QString>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "compositing/CameraCompositionBuilder.h"
#include "document/CutRegions.h"
#include "document/RecordingTimeline.h"
#include "media/ExportResolution.h"
#include "media/ExportSession.h"
#include "studio/EditHistory.h"
#include "studio/StudioEditState.h"
#include "studio/StudioTab.h"

// The Studio's model, without widgets: one editing of one recording.
//
// It copies the document's regions and settings into an edit state, builds a composition of it
// and hands it to the preview player, and rebuilds after every committed edit: a newer rebuild
// cancels the one in flight, and the new composition is swapped in at the same playhead. Edits are
// commit-on-end: views may write the live state continuously while a gesture runs
// (setLiveEditState), and report its end with commit(); each commit is one rebuild, one undo step
// and one save of the document file. The document value given at construction is never changed.
//
// Cuts: the timeline and the playhead stay in recording time; the player plays the edited movie
// (the kept spans one after another), and the session maps between the two (CutPlayback), so the
// playhead jumps over cut time while playing and a seek into a cut shows the frame after it.
//
// Failures a person must hear about land in errorMessage, which the view shows in an alert titled
// "Something went wrong" whenever it changes to a present value.
//
// Threads: GUI thread only. Builds, waveform loads, saves and exports run on workers and report
// back through queued calls.

namespace tarnix {

class DocumentPresence;
class DocumentSaver;
class StudioExporter;
class StudioPlayer;

class StudioSession : public QObject {
    Q_OBJECT

public:
    using Builder = std::function<QFuture<CameraCompositionBuilder::Result>(
        CameraCompositionBuilder::BuildInput)>;
    using WaveformLoader =
        std::function<QFuture<std::vector<float>>(std::filesystem::path url, int bucketCount)>;

    struct Options {
        // Where every committed edit is saved; nothing is saved without one.
        std::optional<std::filesystem::path> documentPath;
        Builder builder;               // default: CameraCompositionBuilder::buildAsync
        WaveformLoader waveformLoader; // default: AudioWaveformLoader::loadPeaksAsync
        // Writes the document file; default: DocumentSaver::defaultWriter().
        std::function<void(const RecordingTimeline&, const std::filesystem::path&)> documentWriter;
    };

    // Fine enough that a zoomed-in timeline still has a peak per few points (40 a second over ten
    // minutes); the timeline reduces them to the bars of its visible span.
    static constexpr int kWaveformBuckets = 24000;
    static constexpr double kNewZoomLevel = 1.7;
    static constexpr double kTimeObserverInterval = 1.0 / 30;

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
    bool isLoaded() const { return loaded_; }

    // ---- Edit state -----------------------------------------------------------------------
    const StudioEditState& editState() const { return state_; }
    // Writes the live state during a gesture: views redraw, nothing is rebuilt, undone or saved.
    void setLiveEditState(StudioEditState state);
    // The end of a gesture, a toggle, a picker, a button: rebuilds the preview; when the state
    // differs from the last commit also one undo step and one save.
    void commit();
    void commitEditState(StudioEditState state);
    void commitZoomRegions(std::vector<ZoomRegion> regions);
    void commitRedactRegions(std::vector<RedactRegion> regions);
    void commitCameraOverlay(const CameraOverlaySettings& settings);
    void commitBackground(const BackgroundSettings& settings);
    void commitSystemAudio(const AudioTrackSettings& settings);
    void commitMicrophoneAudio(const AudioTrackSettings& settings);
    void commitCursorOverlay(const CursorOverlaySettings& settings);
    // Refused (false, with editNotice set) when the cuts would leave nothing of the recording.
    bool commitCutRegions(std::vector<CutRegion> cuts);
    // Removes the selected cut, so its time is back in the movie; false without one.
    bool restoreSelectedCut();

    // A new zoom region over [start, end] (start <= end) aimed where the user worked, selected,
    // with the zoom panel opened.
    void createRegion(double start, double end);
    // A new blur box in the middle of the picture over [start, end], selected, blur panel open.
    void createRedactRegion(double start, double end);
    // Removes the selected zoom region, else the selected blur region, else restores the selected
    // cut; false when no selection names an existing region (the key then belongs to someone
    // else).
    bool deleteSelection();
    // Removes every zoom region (blur regions stay).
    void removeAllZoomRegions();
    bool canRemoveAllZoomRegions() const { return !state_.regions.empty(); }

    bool canUndo() const { return history_.canUndo(); }
    bool canRedo() const { return history_.canRedo(); }
    void undo();
    void redo();

    // ---- Selection ------------------------------------------------------------------------
    std::optional<StudioTab> selectedTab() const { return selectedTab_; }
    std::optional<Uuid> selectedRegionID() const { return selectedRegionID_; }
    std::optional<Uuid> selectedRedactID() const { return selectedRedactID_; }
    std::optional<Uuid> selectedCutID() const { return selectedCutID_; }
    void setSelectedTab(std::optional<StudioTab> tab);
    void setSelectedRegionID(std::optional<Uuid> id);
    void setSelectedRedactID(std::optional<Uuid> id);
    void setSelectedCutID(std::optional<Uuid> id);
    // Which preview handles are shown.
    bool showsCameraHandle() const;
    bool showsRedactHandle() const;

    // ---- Playback -------------------------------------------------------------------------
    // The playhead and the recording's length, in recording time (what the timeline shows).
    double currentTime() const { return currentTime_; }
    double duration() const { return duration_; }
    // The kept time of the current edit state, and the playhead and length in the edited movie
    // (what the transport shows); without cuts the same as above.
    KeptTime keptTime() const;
    double movieTime() const;
    double movieDuration() const;
    bool isPlaying() const { return isPlaying_; }
    // One frame of the movie in the player (1/30 s until the first build lands).
    double frameDuration() const { return playerFrameDuration_; }
    // The composed picture's size; a rebuild for another canvas aspect changes it.
    QSize naturalSize() const { return naturalSize_; }
    // The part of the picture the camera bubble is placed in, as fractions of it (top-left
    // origin): all of it, or on a canvas of another aspect the recording-shaped band around the
    // content.
    QRectF cameraFrame() const { return cameraFrame_; }
    // The screen content's rectangle in the picture, as fractions of it (top-left origin): inside
    // the background's padding when there is one. Blur boxes are placed in it.
    QRectF contentFrame() const { return contentFrame_; }
    // Playing and exporting need something kept: a document whose cuts cover everything opens
    // with the whole recording in view and its cuts restorable, but neither plays nor exports.
    bool everythingCut() const;
    bool canPlay() const;
    void togglePlayback();
    void step(double delta);
    void seek(double seconds);

    // ---- Waveform and captions ------------------------------------------------------------
    std::vector<float> displayedWaveform() const;
    const std::vector<float>& systemAudioWaveform() const { return systemAudioWaveform_; }
    const std::vector<float>& microphoneWaveform() const { return microphoneWaveform_; }
    QString timelineCaption() const;

    // ---- Export ---------------------------------------------------------------------------
    ExportResolution exportResolution() const { return exportResolution_; }
    void setExportResolution(ExportResolution resolution);
    // A movie at the export resolution, or an animated GIF (its own size limit, the resolution
    // aside). Choosing a resolution chooses a movie.
    media::ExportFileType exportFileType() const { return exportFileType_; }
    void setExportFileType(media::ExportFileType type);
    // Whether a movie's mixed sound is brought to media::kDefaultLoudnessTarget on export.
    bool evensOutLoudness() const { return evensOutLoudness_; }
    void setEvensOutLoudness(bool on);
    bool canExport() const;
    bool isExporting() const;
    double exportProgress() const;
    const std::optional<std::filesystem::path>& exportedURL() const { return exportedURL_; }
    void startExport();
    void cancelExport();
    // The Export button: starts an export, or cancels the running one. A press within
    // kExportPressInterval of the one before is ignored, so a double click starts one export.
    void pressExport();
    bool acceptsExportPress() const;
    static constexpr qint64 kExportPressInterval = 500; // ms
    // Cancels a running export and waits until its partial file is gone (closing the Studio).
    void cancelExportAndWait();

    // ---- Failures and saving --------------------------------------------------------------
    const std::optional<QString>& errorMessage() const { return errorMessage_; }
    // Why the last edit was refused (kEverythingCutMessage); cleared by the next commit, undo
    // or redo. The view shows it by the timeline: a refusal is not a failure.
    const std::optional<QString>& editNotice() const { return editNotice_; }
    void refuseEdit(const QString& reason);
    // A notice in the same place, about the recording rather than an edit (what it lacks);
    // cleared like a refusal.
    void showNotice(const QString& text) { refuseEdit(text); }
    // Adds a sentence to the notice shown now (or shows it).
    void addNotice(const QString& text);
    // Blocks until the document file holds the last commit (closing, tests); true when it does.
    bool flushSaves(int timeoutMs = 10000);
    // Player swaps done by rebuilds (not the first load), for tests and diagnostics.
    int rebuildsApplied() const { return rebuildsApplied_; }

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
    void selectionChanged();
    void historyChanged();
    void playbackChanged();
    void loaded();
    void naturalSizeChanged(QSize size);
    void waveformsChanged();
    void exportChanged();
    // An export ended: the file written, or the message for the user; neither after a cancel.
    void exportFinished(const std::optional<std::filesystem::path>& output,
                        const std::optional<QString>& errorMessage);
    void errorMessageChanged(const QString& message);
    void editNoticeChanged();
    void itemReplaced();
    void outsideChangeChanged();

private:
    void load(bool withoutCuts = false);
    void loadWaveforms();
    void reloadPlayerItem();
    void commitWith(const std::function<void(StudioEditState&)>& change);
    void applyCommittedState(StudioEditState state);
    void dropStaleSelection();
    void setErrorMessage(QString message);
    void takeShape(const CameraCompositionBuilder::Result& result);
    void setPlaying(bool playing);
    void showInPlayer(const CameraCompositionBuilder::Result& item);
    void seekPlayer(double sourceTime);
    double playerDuration() const;
    void clearEditNotice();
    void onTimeTick(double seconds);
    void watchDocument(const std::filesystem::path& path);
    void applyReloaded(const RecordingTimeline& document);
    void onExportFinished(std::optional<std::filesystem::path> output,
                          std::optional<QString> errorMessage);

    RecordingTimeline timeline_;
    StudioPlayer& player_;
    Options options_;

    StudioEditState state_;
    EditHistory history_;
    std::optional<StudioTab> selectedTab_;
    std::optional<Uuid> selectedRegionID_;
    std::optional<Uuid> selectedRedactID_;
    std::optional<Uuid> selectedCutID_;

    bool opened_ = false;
    bool loaded_ = false;
    bool editedWhileLoading_ = false;
    QSize naturalSize_;
    QRectF cameraFrame_{0, 0, 1, 1};
    QRectF contentFrame_{0, 0, 1, 1};
    double duration_ = 0;
    double currentTime_ = 0;
    bool isPlaying_ = false;
    std::optional<QString> errorMessage_;
    std::optional<QString> editNotice_;
    // The cuts of the composition in the player (it may lag the edit state while a rebuild runs)
    // and its frame length.
    KeptTime playerKept_;
    double playerFrameDuration_ = 1.0 / 30;
    std::vector<float> systemAudioWaveform_;
    std::vector<float> microphoneWaveform_;

    // Generation of the newest rebuild; an older one that finishes is dropped unseen.
    quint64 reloadGeneration_ = 0;
    QFuture<CameraCompositionBuilder::Result> reloadFuture_;
    int rebuildsApplied_ = 0;

    ExportResolution exportResolution_ = ExportResolution::source;
    media::ExportFileType exportFileType_ = media::ExportFileType::mpeg4;
    bool evensOutLoudness_ = true;
    std::optional<std::filesystem::path> exportedURL_;
    QElapsedTimer lastExportPress_;
    StudioExporter* exporter_ = nullptr;
    std::unique_ptr<DocumentSaver> saver_;
    DocumentPresence* presence_ = nullptr;
    bool outsideChange_ = false;
    bool reloading_ = false;
};

} // namespace tarnix
