#pragma once

#include <QFrame>

#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "compositing/SystemWallpaperCatalog.h"
#include "document/RecordingTimeline.h"
#include "studio/Binding.h"
#include "studio/sidebar/StudioTabLabels.h"

class QScrollArea;
class QVBoxLayout;

// The floating settings panel of the Studio, 280 × 440 points: a header with the tab's title and
// a close button over the tab's controls (zoom, camera, background, audio, cursor, privacy, text,
// keys).
//
// Each tab's controls are a panel of their own (ZoomPanel, CameraPanel, BackgroundPanel,
// AudioPanel, CursorPanel, PrivacyPanel, TextPanel, KeysPanel over SidebarPanel); this frame holds
// what they share.
// It edits the editor's state through bindings and reports every committed change with
// `onChanged`: sliders when released, switches, pickers and buttons at once. A change that alters
// which controls exist (a shape, a style, a selection, a new region) rebuilds the panel's
// contents on the next turn of the event loop, keeping the scroll position and keyboard focus.
// The editor calls refresh() when its state changes from elsewhere (undo, the timeline).
//
// Slow work stays off the GUI thread: the background panel loads the wallpaper catalogue and the
// chosen image's thumbnail on Qt's thread pool. GUI thread only.

namespace tarnix {

class BackgroundPanel;
class SidebarPanel;

class StudioSidebarView final : public QFrame {
    Q_OBJECT
public:
    explicit StudioSidebarView(QWidget* parent = nullptr);
    ~StudioSidebarView() override;

    // Read/write access to the editor's edit state.
    Binding<std::vector<ZoomRegion>> regions;
    Binding<std::optional<Uuid>> selectedRegionID;
    Binding<CameraOverlaySettings> cameraOverlay;
    Binding<BackgroundSettings> background;
    Binding<AudioTrackSettings> systemAudio;
    Binding<AudioTrackSettings> microphoneAudio;
    Binding<CursorOverlaySettings> cursorOverlay;
    Binding<std::vector<RedactRegion>> redactRegions;
    Binding<std::optional<Uuid>> selectedRedactID;
    Binding<std::vector<TextRegion>> textRegions;
    Binding<std::optional<Uuid>> selectedTextID;
    Binding<KeystrokeOverlaySettings> keystrokeOverlay;

    std::function<void()> onChanged; // a committed change: the editor rebuilds the preview
    std::function<void()> onClose;   // the close button
    // A change still being made that the preview shows as it goes (typing a text box's text);
    // its end comes with onChanged.
    std::function<void()> onLiveChanged;

    // Where the file chooser, the colour chooser and the wallpapers come from (the toolkit's
    // dialogs and SystemWallpaperCatalog::all() unless replaced, e.g. by tests).
    std::function<std::optional<QString>()> chooseImageFile;
    std::function<std::optional<QColor>(const QColor&)> chooseColor;
    std::function<std::vector<SystemWallpaper>()> wallpaperSource;

    void setTab(StudioTab tab);
    StudioTab tab() const { return tab_; }
    void setRecordingFacts(bool hasCamera, bool hasSystemAudio, bool hasMicrophone);
    // Whether the recording kept any key presses: the keys panel has nothing to show without.
    void setHasKeyEvents(bool hasKeyEvents);
    void setDuration(double seconds);
    void setCurrentTime(double seconds) { currentTime_ = seconds; }

    // Rebuilds the contents from the bindings (deferred while a slider is held).
    void refresh();
    // Rebuilds now; for tests and the first show.
    void rebuildNow();

    // Scrolls so that a control of the panel is in view.
    void revealControl(QWidget* control);

    // True once the wallpaper catalogue has been loaded (for tests).
    bool wallpapersLoaded() const;

private:
    friend class SidebarPanel; // the panels read the facts below and report through commit

    QWidget* buildHeader();
    void commit();          // report a change that keeps the same controls
    void commitAndRebuild(); // report a change that alters which controls exist
    void showLive();         // report a change still being made
    bool isSliderHeld() const;

    StudioTab tab_ = StudioTab::zoom;
    bool hasCamera_ = false;
    bool hasSystemAudio_ = false;
    bool hasMicrophone_ = false;
    bool hasKeyEvents_ = false;
    double duration_ = 0;
    double currentTime_ = 0;

    QScrollArea* scroll_ = nullptr;
    QWidget* content_ = nullptr;
    bool rebuildPending_ = false;
    std::map<StudioTab, SidebarPanel*> panels_; // children of this frame
    BackgroundPanel* backgroundPanel_ = nullptr;
};

} // namespace tarnix
