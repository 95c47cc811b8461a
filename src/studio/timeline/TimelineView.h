#pragma once

#include <QPointer>
#include <QWidget>

#include <functional>
#include <map>
#include <optional>

#include "studio/timeline/TimelineModel.h"

// The Studio's timeline under the preview: a time ruler, the filmstrip, the cut track with its trim
// grips, the speed track, the zoom track with its clips and a marker per recorded click, the blur
// track, the text track, the audio track with the waveform, and the playhead, the whole recording across the widget's width in recording
// time (a cut does not move anything: its span is hatched on the cut track and dimmed across the
// others). Press and drag on the ruler or the audio track to scrub; click an empty track to seek
// there and clear its selection; drag across an empty track to create a region (on the cut
// track, a cut; on the speed track, a 2× segment). Clips (TimelineClipView) and the trim grips
// (TrimHandleView) are child widgets.
//
// The editor fills model()'s bindings and callbacks once, gives it values with the setters, and
// calls refresh() whenever its regions or selections change from elsewhere (undo, the sidebar).
// GUI thread only.

class QScrollBar;
class QTimer;

namespace tarnix {

class FilmstripLoader;
class TimelineClipView;
class TimelineOverlay;
class TrimHandleView;

class TimelineView : public QWidget {
    Q_OBJECT
public:
    explicit TimelineView(QWidget* parent = nullptr);
    ~TimelineView() override;

    TimelineModel& model() { return model_; }

    void setDuration(double seconds);
    void setClicks(std::vector<ClickEvent> clicks);
    void setWaveform(std::vector<float> peaks);
    // While playing, the view follows the playhead a page at a time (see TimelineViewport).
    void setCurrentTime(double seconds, bool playing = false);
    void setFrameRate(double framesPerSecond);
    // The pictures of the filmstrip track (none without a loader). The loader outlives the view
    // or is its child.
    void setFilmstrip(FilmstripLoader* loader);
    // The pictures the visible span shows, and which key frame each is.
    std::vector<TimelineRules::FilmstripSlot> filmstripPictures() const;

    // Zoom and scroll. zoomBy and setZoomFactor keep the playhead where it stands on the screen;
    // a factor is relative to the whole recording's fit (1).
    void zoomBy(double factor);
    void zoomAbout(double viewX, double factor);
    void setZoomFactor(double factor);
    void fitAll();
    // Scrolls so that t is in sight (no change when it already is).
    void revealTime(double t);
    // Called after every change of the scale or the scroll position.
    std::function<void()> onViewportChanged;

    // Re-reads regions and selections: adds, removes and places the clips, repaints.
    void refresh();

    // The clip of a region, or nullptr (for tests and accessibility).
    TimelineClipView* clip(const Uuid& id) const;
    TrimHandleView* trimHandle(TimelineRules::ClipEdge edge) const;

    // Rectangles of the timeline's sections in widget coordinates.
    QRectF rulerRect() const;
    QRectF filmstripRect() const;
    QRectF trackRect(TimelineModel::Track track) const;
    QRectF audioRect() const;
    QRectF scrollBarRect() const;
    QScrollBar* scrollBar() const { return scrollBar_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class TimelineOverlay;
    enum class Gesture { scrub, create };
    struct Press {
        Gesture gesture;
        TimelineModel::Track track = TimelineModel::Track::zoom;
        double startX = 0;
    };

    void paintRuler(QPainter& painter);
    void paintFilmstrip(QPainter& painter);
    void requestFilmstrip();
    void paintWaveform(QPainter& painter);
    void paintOverlay(QPainter& painter);
    void paintPending(QPainter& painter, TimelineModel::Track track);
    void paintCutShade(QPainter& painter);
    // What a drag on the empty cut and speed tracks does.
    void paintHints(QPainter& painter);
    void paintClickMarkers(QPainter& painter);
    void paintPlayhead(QPainter& painter);
    void syncClips();
    void placeClips();
    void placeTrimHandles();
    void handlePointer(double viewX);
    void handleWheel(const QWheelEvent& event, QPointF position);
    void viewportChanged();
    // A drag (the timeline's own, or a clip's or grip's) is at this point of the timeline; near
    // an edge the timer scrolls the view and carries the drag along.
    void trackDrag(QWidget* target, QPointF position, QPointF globalPosition);
    void scrollAtEdge();

    static constexpr double kWaveformBarPitch = 3;
    static constexpr double kWheelScrollPoints = 60;

    TimelineModel model_;
    std::map<Uuid, TimelineClipView*> clips_;
    TimelineOverlay* overlay_ = nullptr;
    TrimHandleView* trimStart_ = nullptr;
    TrimHandleView* trimEnd_ = nullptr;
    std::optional<Press> press_;
    QScrollBar* scrollBar_ = nullptr;
    bool syncingScrollBar_ = false;
    struct EdgeDrag {
        QPointer<QWidget> target;
        QPointF position; // in the timeline
        QPointF globalPosition;
    };
    std::optional<EdgeDrag> edgeDrag_;
    QTimer* edgeTimer_ = nullptr;
    FilmstripLoader* filmstrip_ = nullptr;
    double filmstripAspect_ = 16.0 / 9;
};

} // namespace tarnix
