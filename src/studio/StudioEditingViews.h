#pragma once

#include <QObject>

// Connects the Studio's editing views (timeline, icon rail, settings panel, preview handles) to
// the session: their bindings read and write the session's live edit state and selections, their
// end-of-gesture callbacks commit, and the session's changes made elsewhere (undo, another view)
// refresh them. GUI thread only.

namespace tarnix {

class PreviewHandle;
class StudioIconRail;
class StudioPlayback;
class StudioSession;
class StudioSidebarView;
class StudioView;
class TimelineKeyboard;
class TimelineZoomControls;
class TimelineView;

class StudioEditingViews : public QObject {
    Q_OBJECT

public:
    // Makes the views and places them in the Studio's slots.
    explicit StudioEditingViews(StudioView& studio);

    TimelineView* timeline() const { return timelineView_; }
    TimelineZoomControls* zoomControls() const { return zoomControls_; }
    TimelineKeyboard* keyboard() const { return keyboard_; }
    StudioIconRail* rail() const { return rail_; }
    StudioSidebarView* sidebar() const { return sidebar_; }
    PreviewHandle* cameraHandle() const { return cameraHandle_; }
    PreviewHandle* redactHandle() const { return redactHandle_; }
    PreviewHandle* textHandle() const { return textHandle_; }

private:
    void bindTimeline();
    void bindSidebar();
    void bindHandles();
    void onEditStateChanged();
    void onSelectionChanged();
    void onPlaybackChanged();
    void refreshHandles();

    StudioView& studio_;
    StudioSession& session_;
    StudioPlayback& playback_;
    TimelineView* timelineView_;
    TimelineZoomControls* zoomControls_;
    TimelineKeyboard* keyboard_;
    StudioIconRail* rail_;
    StudioSidebarView* sidebar_;
    PreviewHandle* cameraHandle_;
    PreviewHandle* redactHandle_;
    PreviewHandle* textHandle_;
    // The view whose own live write is being applied: it is not refreshed from it.
    QObject* writer_ = nullptr;
};

} // namespace tarnix
