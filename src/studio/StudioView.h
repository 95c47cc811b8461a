#pragma once

#include <QPointer>
#include <QWidget>

#include <filesystem>
#include <memory>
#include <optional>

#include "document/RecordingTimeline.h"
#include "studio/FileReveal.h"

class QHBoxLayout;
class QLabel;
class QPushButton;

namespace tarnix::media {
class PreviewPlayer;
}

// The Studio: the editor the window shows for one recording. One column: the toolbar; the preview
// with, over its leading edge, the tab rail and the floating settings panel; the transport bar;
// the caption line ("2 zooms · 6 clicks detected", the selected speed segment's speeds, "Remove
// all") over the timeline; and, after an
// export, the result row with "Show in Files".
//
// The rules live in StudioSession; this view draws it and turns gestures into its commands. The
// timeline, the rail, the settings panel and the preview handles are views of their own over the
// session: they plug into the slots below (setTimelineView, setRailView, setPanelView,
// previewOverlay) and report through the session's commit calls.
//
// When the document file is changed by another program or another Studio window, a bar under the
// toolbar says so and offers "Reload" and "Keep mine"; nothing is saved over the file meanwhile.
//
// Keys: Space plays and pauses; Delete and Backspace remove the selected zoom region, else the
// selected blur region, else restore the selected cut ("Restore cut" in the caption line does the
// same), unless a text field has the keyboard focus (then they edit the text);
// Ctrl+Z undoes and Ctrl+Shift+Z redoes committed edits. Failures are shown in the application's
// alert, titled "Something went wrong". Dark appearance; at least 940 × 640, and as large as its
// content needs (the rail with every tab, every timeline track), whatever the movie.
//
// Threads: GUI thread only.

namespace tarnix {

class PlayerSurface;
class SpeedPicker;
class StudioEditingViews;
class StudioSession;
class StudioToolbar;
class TransportBar;
class PreviewPlayerBridge;

class StudioView : public QWidget {
    Q_OBJECT

public:
    // documentPath: the recording's .tarnix.json, where every committed edit is saved (none: the
    // edits stay in memory).
    StudioView(RecordingTimeline timeline, std::optional<std::filesystem::path> documentPath,
               QWidget* parent = nullptr);
    ~StudioView() override;

    StudioSession& session() const { return *session_; }
    // The timeline, rail, settings panel and preview handles, wired to the session.
    StudioEditingViews& editingViews() const { return *editing_; }
    media::PreviewPlayer& player() const { return *player_; }
    PlayerSurface* playerSurface() const { return surface_; }
    StudioToolbar* toolbar() const { return toolbar_; }
    TransportBar* transportBar() const { return transport_; }
    QLabel* captionLabel() const { return caption_; }
    QPushButton* removeAllButton() const { return removeAll_; }
    QPushButton* restoreCutButton() const { return restoreCut_; }
    // The selected speed segment's speeds, in the caption line.
    SpeedPicker* speedPicker() const { return speedPicker_; }
    // Why the last edit was refused, beside the caption; hidden when there is nothing to say.
    QLabel* editNoticeLabel() const { return notice_; }
    QWidget* resultRow() const { return resultRow_; }
    // Shown while the document file was changed elsewhere: the message, "Reload", "Keep mine".
    QWidget* outsideChangeBar() const { return outsideBar_; }
    QLabel* outsideChangeText() const { return outsideText_; }
    QPushButton* reloadButton() const { return reload_; }
    QPushButton* keepMineButton() const { return keepMine_; }
    QLabel* resultText() const { return resultText_; }
    QPushButton* showInFilesButton() const { return showInFiles_; }
    // Says where the file is when "Show in Files" could show nothing.
    QLabel* revealNotice() const { return revealNotice_; }
    // How "Show in Files" opens a folder when no file manager shows the file (tests replace it).
    void setFolderOpener(FileReveal::FolderOpener opener) { folderOpener_ = std::move(opener); }

    // Slots for the editing views; the view takes ownership. The panel is shown while a tab is
    // selected.
    void setTimelineView(QWidget* view);
    // The timeline's zoom controls, at the end of the caption line.
    void setTimelineControls(QWidget* controls);
    void setRailView(QWidget* view);
    void setPanelView(QWidget* view);
    // A transparent layer exactly over the drawn picture, for the preview handles.
    QWidget* previewOverlay() const { return overlay_; }

    // Asks before stopping a running export; true when the Studio may close (an export was
    // cancelled and its file removed, and the last edit is on disk).
    bool confirmClose();

    // What the laid-out content needs (the toolbar, the rail with every tab, every track of the
    // timeline), and never less than 940 × 640. The window holding the Studio takes it as its
    // least size, whether or not the movie could be read.
    QSize minimumSizeHint() const override;

signals:
    // The user closed the Studio (after confirmClose()).
    void closeRequested();
    // The picture moved or changed size in the preview (previewOverlay() with it).
    void previewGeometryChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    class PreviewArea;

    QWidget* makeTimelineSection();
    QWidget* makeResultRow();
    QWidget* makeOutsideChangeBar();
    void refreshOutsideChange();
    void installShortcuts();
    void refreshCaption();
    void refreshResult();
    void fitWindowToVideo();
    // The least height of the laid-out content at `width` where a wrapped text depends on it.
    int leastHeightAt(int width) const;
    bool handleDeleteKey(QKeyEvent* event);
    void showFailure(const QString& message);

    std::unique_ptr<media::PreviewPlayer> player_;
    std::unique_ptr<PreviewPlayerBridge> bridge_;
    std::unique_ptr<StudioSession> session_;
    StudioToolbar* toolbar_ = nullptr;
    PreviewArea* preview_ = nullptr;
    PlayerSurface* surface_ = nullptr;
    QWidget* overlay_ = nullptr;
    TransportBar* transport_ = nullptr;
    QWidget* timelineHost_ = nullptr;
    QHBoxLayout* header_ = nullptr;
    QLabel* caption_ = nullptr;
    QPushButton* removeAll_ = nullptr;
    QPushButton* restoreCut_ = nullptr;
    SpeedPicker* speedPicker_ = nullptr;
    QLabel* notice_ = nullptr;
    QWidget* resultRow_ = nullptr;
    QWidget* outsideBar_ = nullptr;
    QLabel* outsideText_ = nullptr;
    QPushButton* reload_ = nullptr;
    QPushButton* keepMine_ = nullptr;
    QLabel* resultText_ = nullptr;
    QPushButton* showInFiles_ = nullptr;
    QLabel* revealNotice_ = nullptr;
    FileReveal::FolderOpener folderOpener_;
    StudioEditingViews* editing_ = nullptr;
    bool keyFilterInstalled_ = false;
    bool fitted_ = false;
};

} // namespace tarnix
