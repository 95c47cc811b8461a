#include "studio/timeline/TimelineView.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QNativeGestureEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>

#include <cmath>

#include <set>
#include <utility>

#include "compositing/FilmstripLoader.h"
#include "document/CutRegions.h"
#include "studio/EditingTheme.h"
#include "studio/timeline/TimelineClipLook.h"
#include "studio/timeline/TimelineClipView.h"
#include "studio/timeline/TrimHandleView.h"

namespace tarnix {

using Track = TimelineModel::Track;
namespace R = TimelineRules;

// Pending creation rectangles, click markers and the playhead, drawn above the clips and
// transparent to the pointer.
class TimelineOverlay final : public QWidget {
public:
    explicit TimelineOverlay(TimelineView* timeline) : QWidget(timeline), timeline_(timeline)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        timeline_->paintOverlay(painter);
    }

private:
    TimelineView* timeline_;
};

namespace {

// The scroll bar in the tracks' colours, whatever style and palette the desktop has (its own
// would draw a light bar under the dark tracks).
QString scrollBarStyleSheet()
{
    using namespace StudioTheme;
    auto css = cssColor;
    return QStringLiteral(R"(
QScrollBar:horizontal { background: %1; border: none; border-radius: 6px; height: %4px; margin: 0; }
QScrollBar::handle:horizontal { background: %2; border-radius: 4px; min-width: 32px; margin: 2px; }
QScrollBar::handle:horizontal:hover, QScrollBar::handle:horizontal:pressed { background: %3; }
QScrollBar::handle:horizontal:disabled { background: transparent; }
QScrollBar::add-line:horizontal, QScrollBar::sub-line:horizontal { width: 0; border: none; }
QScrollBar::add-page:horizontal, QScrollBar::sub-page:horizontal { background: transparent; }
)")
        .arg(css(trackBackground()), css(withOpacity(QColor(Qt::white), 0.16)),
             css(withOpacity(QColor(Qt::white), 0.28)))
        .arg(int(R::kScrollBarHeight));
}

} // namespace

TimelineView::TimelineView(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::ClickFocus);
    setAccessibleName(tr("Timeline"));
    overlay_ = new TimelineOverlay(this);
    trimStart_ = new TrimHandleView(model_, R::ClipEdge::leading, this);
    trimEnd_ = new TrimHandleView(model_, R::ClipEdge::trailing, this);
    for (TrimHandleView* handle : {trimStart_, trimEnd_})
        handle->onChanged = [this] { refresh(); };
    scrollBar_ = new QScrollBar(Qt::Horizontal, this);
    scrollBar_->setAccessibleName(tr("Scroll the timeline"));
    scrollBar_->setToolTip(scrollBar_->accessibleName());
    scrollBar_->setStyleSheet(scrollBarStyleSheet());
    connect(scrollBar_, &QScrollBar::valueChanged, this, [this](int value) {
        if (syncingScrollBar_ || value == int(std::lround(model_.viewport.scrollX())))
            return;
        model_.viewport.scrollTo(value);
        viewportChanged();
    });
    edgeTimer_ = new QTimer(this);
    edgeTimer_->setInterval(30);
    connect(edgeTimer_, &QTimer::timeout, this, &TimelineView::scrollAtEdge);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

TimelineView::~TimelineView() = default;

void TimelineView::setDuration(double seconds)
{
    model_.setDuration(seconds);
    viewportChanged();
}

void TimelineView::setFrameRate(double framesPerSecond)
{
    model_.viewport.setFrameRate(framesPerSecond);
}

void TimelineView::setClicks(std::vector<ClickEvent> clicks)
{
    model_.clicks = std::move(clicks);
    overlay_->update();
}

void TimelineView::setWaveform(std::vector<float> peaks)
{
    model_.waveform = std::move(peaks);
    update(audioRect().toAlignedRect());
}

void TimelineView::setCurrentTime(double seconds, bool playing)
{
    model_.currentTime = seconds;
    double before = model_.viewport.scrollX();
    if (playing) {
        model_.viewport.followPlayhead(seconds);
    } else {
        model_.viewport.setPlayhead(seconds);
        model_.viewport.resumeFollowing();
    }
    if (model_.viewport.scrollX() != before)
        viewportChanged();
    else
        overlay_->update();
}

void TimelineView::zoomBy(double factor)
{
    zoomAbout(model_.viewport.viewX(model_.currentTime), factor);
}

void TimelineView::zoomAbout(double viewX, double factor)
{
    model_.viewport.zoomAbout(viewX, factor);
    viewportChanged();
}

void TimelineView::setZoomFactor(double factor)
{
    auto& viewport = model_.viewport;
    viewport.setPxPerSecondAbout(viewport.viewX(model_.currentTime), viewport.fitPxPerSecond() * factor);
    viewportChanged();
}

void TimelineView::fitAll()
{
    model_.viewport.fit();
    viewportChanged();
}

void TimelineView::revealTime(double t)
{
    double before = model_.viewport.scrollX();
    model_.viewport.reveal(t);
    if (model_.viewport.scrollX() != before)
        viewportChanged();
}

void TimelineView::viewportChanged()
{
    syncingScrollBar_ = true;
    scrollBar_->setRange(0, int(std::ceil(model_.viewport.maxScrollX())));
    scrollBar_->setPageStep(std::max(1, width()));
    scrollBar_->setSingleStep(std::max(1, width() / 10));
    scrollBar_->setValue(int(std::lround(model_.viewport.scrollX())));
    scrollBar_->setEnabled(model_.viewport.maxScrollX() > 0);
    syncingScrollBar_ = false;
    refresh();
    requestFilmstrip();
    if (onViewportChanged)
        onViewportChanged();
}

QSize TimelineView::sizeHint() const
{
    return {720, int(R::kTotalHeight)};
}

QSize TimelineView::minimumSizeHint() const
{
    return {120, int(R::kTotalHeight)};
}

QRectF TimelineView::rulerRect() const
{
    return {0, 0, double(width()), R::kRulerHeight};
}

QRectF TimelineView::filmstripRect() const
{
    return {0, R::kRulerHeight + R::kTrackSpacing, double(width()), R::kFilmstripHeight};
}

QRectF TimelineView::trackRect(Track track) const
{
    // The region tracks from the top, under the filmstrip.
    constexpr std::pair<Track, double> kTracks[] = {
        {Track::cut, R::kCutTrackHeight},       {Track::speed, R::kSpeedTrackHeight},
        {Track::zoom, R::kZoomTrackHeight},     {Track::redact, R::kRedactTrackHeight},
        {Track::text, R::kTextTrackHeight}};
    double top = filmstripRect().bottom() + R::kTrackSpacing;
    for (const auto& [each, height] : kTracks) {
        if (each == track)
            return {0, top, double(width()), height};
        top += height + R::kTrackSpacing;
    }
    return {};
}

QRectF TimelineView::audioRect() const
{
    double top = trackRect(Track::text).bottom() + R::kTrackSpacing;
    return {0, top, double(width()), R::kAudioTrackHeight};
}

QRectF TimelineView::scrollBarRect() const
{
    double top = audioRect().bottom() + R::kTrackSpacing;
    return {0, top, double(width()), R::kScrollBarHeight};
}

TrimHandleView* TimelineView::trimHandle(R::ClipEdge edge) const
{
    return edge == R::ClipEdge::leading ? trimStart_ : trimEnd_;
}

TimelineClipView* TimelineView::clip(const Uuid& id) const
{
    auto it = clips_.find(id);
    return it == clips_.end() ? nullptr : it->second;
}

void TimelineView::refresh()
{
    syncClips();
    placeClips();
    placeTrimHandles();
    overlay_->raise();
    overlay_->update();
    update();
}

void TimelineView::syncClips()
{
    std::vector<std::pair<Track, Uuid>> wanted;
    for (const auto& r : model_.cutRegions.view())
        wanted.emplace_back(Track::cut, r.id);
    for (const auto& r : model_.speedRegions.view())
        wanted.emplace_back(Track::speed, r.id);
    for (const auto& r : model_.regions.view())
        wanted.emplace_back(Track::zoom, r.id);
    for (const auto& r : model_.redactRegions.view())
        wanted.emplace_back(Track::redact, r.id);
    for (const auto& r : model_.textRegions.view())
        wanted.emplace_back(Track::text, r.id);

    std::set<Uuid> keep;
    for (const auto& [track, id] : wanted) {
        keep.insert(id);
        TimelineClipView*& view = clips_[id];
        if (!view) {
            view = new TimelineClipView(model_, track, id, this);
            view->onChanged = [this] { refresh(); };
            view->installEventFilter(this);
            view->show();
        }
        view->raise(); // list order is stacking order
    }
    for (auto it = clips_.begin(); it != clips_.end();) {
        if (keep.count(it->first)) {
            ++it;
            continue;
        }
        // Possibly the clip whose menu or key removed it: let it return first.
        it->second->hide();
        it->second->deleteLater();
        it = clips_.erase(it);
    }
}

void TimelineView::placeClips()
{
    const TimelineViewport& viewport = model_.viewport;
    double pps = viewport.pxPerSecond();
    SecondsRange visible = viewport.visibleSpan();
    for (auto& [id, view] : clips_) {
        auto span = view->span();
        if (!span)
            continue;
        // Clips out of sight are hidden (a long recording has hundreds), except the one being
        // dragged, which keeps the pointer's grab.
        bool inSight = span->upper >= visible.lower - 1 / pps && span->lower <= visible.upper + 1 / pps;
        view->setVisible(inSight || model_.isDraggingClip());
        QRectF track = trackRect(view->track());
        double height = view->track() == Track::zoom     ? R::kZoomClipHeight
                        : view->track() == Track::redact ? R::kRedactClipHeight
                        : view->track() == Track::text   ? R::kTextClipHeight
                        : view->track() == Track::speed  ? R::kSpeedClipHeight
                                                         : R::kCutClipHeight;
        double inner = track.height() - 8;
        double top = track.top() + 4 + (inner - height) / 2;
        double x = viewport.viewX(span->lower);
        double w = R::clipWidth(span->lower, span->upper, pps);
        view->setGeometry(QRectF(x, top, w, height).toAlignedRect());
        view->updateAccessibleName();
        view->update();
    }
}

void TimelineView::placeTrimHandles()
{
    // The grips stand inside the kept time, against the trim point, above the cut clips.
    QRectF track = trackRect(Track::cut);
    for (TrimHandleView* handle : {trimStart_, trimEnd_}) {
        double anchor = handle->anchorX();
        // A grip stays while it is dragged, even scrolled out of sight.
        bool visible = model_.duration > 0 &&
                       ((anchor >= -1 && anchor <= track.width() + 1) || handle->isDragging());
        handle->setVisible(visible);
        if (!visible)
            continue;
        double x = handle->edge() == R::ClipEdge::leading ? anchor : anchor - R::kTrimHandleWidth;
        x = std::clamp(x, 0.0, std::max(0.0, track.width() - R::kTrimHandleWidth));
        handle->setGeometry(QRectF(x, track.top(), R::kTrimHandleWidth, track.height()).toAlignedRect());
        QString at = QString::fromStdString(R::rulerTimeText(model_.trimTime(handle->edge())));
        handle->setAccessibleDescription(handle->edge() == R::ClipEdge::leading
                                             ? tr("The movie starts at %1").arg(at)
                                             : tr("The movie ends at %1").arg(at));
        handle->raise();
        handle->update();
    }
}

void TimelineView::resizeEvent(QResizeEvent*)
{
    model_.viewport.setWidth(std::max(1, width()));
    overlay_->setGeometry(rect());
    scrollBar_->setGeometry(scrollBarRect().toAlignedRect());
    viewportChanged();
}

// Painting.

void TimelineView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    for (QRectF track : {trackRect(Track::cut), trackRect(Track::speed), trackRect(Track::zoom),
                         trackRect(Track::redact), trackRect(Track::text), audioRect()}) {
        QPainterPath path;
        path.addRoundedRect(track, 6, 6);
        painter.fillPath(path, StudioTheme::trackBackground());
    }
    paintRuler(painter);
    paintFilmstrip(painter);
    paintHints(painter);
    paintWaveform(painter);
}

void TimelineView::setFilmstrip(FilmstripLoader* loader)
{
    filmstrip_ = loader;
    if (!loader)
        return;
    loader->onKeyFramesLoaded = [this] {
        requestFilmstrip();
        update(filmstripRect().toAlignedRect());
    };
    loader->onThumbnailReady = [this](double) { update(filmstripRect().toAlignedRect()); };
    requestFilmstrip();
}

std::vector<R::FilmstripSlot> TimelineView::filmstripPictures() const
{
    if (!filmstrip_)
        return {};
    double height = R::kFilmstripHeight - 4;
    return R::filmstripSlots(model_.viewport, height * filmstripAspect_ + 2, filmstrip_->keyFrameTimes());
}

void TimelineView::requestFilmstrip()
{
    if (!filmstrip_)
        return;
    std::vector<double> times;
    for (const R::FilmstripSlot& slot : filmstripPictures())
        if (times.empty() || times.back() != slot.frameTime)
            times.push_back(slot.frameTime);
    filmstrip_->request(times);
}

void TimelineView::paintFilmstrip(QPainter& painter)
{
    QRectF track = filmstripRect();
    QPainterPath path;
    path.addRoundedRect(track, 6, 6);
    painter.save();
    painter.setClipPath(path);
    double scroll = model_.viewport.scrollX();
    double height = track.height() - 4;
    for (const R::FilmstripSlot& slot : filmstripPictures()) {
        QRectF cell(slot.contentX - scroll + 1, track.top() + 2, height * filmstripAspect_, height);
        std::optional<QImage> picture = filmstrip_->thumbnail(slot.frameTime);
        if (picture && picture->height() > 0) {
            // The movie's shape, known from its first picture, sets the cells' width.
            filmstripAspect_ = double(picture->width()) / picture->height();
            painter.drawImage(cell, *picture);
        } else {
            painter.fillRect(cell, StudioTheme::withOpacity(StudioTheme::textTertiary(), 0.15));
        }
    }
    painter.restore();
}

void TimelineView::paintHints(QPainter& painter)
{
    if (!(model_.duration > 0))
        return;
    painter.setFont(EditingTheme::font(9));
    painter.setPen(StudioTheme::textTertiary());
    if (model_.cutRegions.view().empty() && !model_.pendingDrag(Track::cut))
        painter.drawText(trackRect(Track::cut), Qt::AlignCenter,
                         tr("Drag here to cut a part out · drag the grips at the ends to trim"));
    if (model_.speedRegions.view().empty() && !model_.pendingDrag(Track::speed))
        painter.drawText(trackRect(Track::speed), Qt::AlignCenter,
                         tr("Drag here to speed a part up or slow it down"));
}

void TimelineView::paintRuler(QPainter& painter)
{
    const TimelineViewport& viewport = model_.viewport;
    QRectF ruler = rulerRect();
    painter.setFont(EditingTheme::font(9));
    for (double t : R::rulerTicks(viewport.visibleSpan(), model_.duration, viewport.pxPerSecond())) {
        double x = viewport.viewX(t);
        painter.fillRect(QRectF(x, ruler.bottom() - 6, 1, 6), StudioTheme::textTertiary());
        painter.setPen(StudioTheme::textSecondary());
        painter.drawText(QPointF(x + 3, 3 + painter.fontMetrics().ascent()),
                         QString::fromStdString(R::rulerTimeText(t)));
    }
}

void TimelineView::paintWaveform(QPainter& painter)
{
    QRectF track = audioRect();
    double mid = track.center().y();
    const auto& peaks = model_.waveform;
    if (peaks.empty()) {
        painter.fillRect(QRectF(track.left(), mid - 0.5, track.width(), 1),
                         StudioTheme::withOpacity(StudioTheme::textTertiary(), 0.4));
        return;
    }
    R::WaveformBars bars = R::waveformBars(peaks, model_.viewport, kWaveformBarPitch);
    double barWidth = std::max(bars.pitch - 1, 1.0);
    QColor fill = StudioTheme::withOpacity(StudioTheme::accent(), 0.6);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    for (size_t i = 0; i < bars.peaks.size(); ++i) {
        double h = std::max(track.height() * double(bars.peaks[i]), 1.5);
        double x = track.left() + bars.firstX + bars.pitch * double(i);
        painter.drawRoundedRect(QRectF(x, mid - h / 2, barWidth, h), 1, 1);
    }
}

void TimelineView::paintOverlay(QPainter& painter)
{
    paintCutShade(painter);
    paintPending(painter, Track::zoom);
    paintPending(painter, Track::redact);
    paintPending(painter, Track::text);
    paintPending(painter, Track::cut);
    paintPending(painter, Track::speed);
    paintClickMarkers(painter);
    paintPlayhead(painter);
}

void TimelineView::paintPending(QPainter& painter, Track track)
{
    const auto& pending = model_.pendingDrag(track);
    if (!pending)
        return;
    QRectF area = trackRect(track);
    double x = std::min(pending->startX, pending->currentX) - model_.viewport.scrollX();
    double w = std::max(std::abs(pending->currentX - pending->startX), 2.0);
    QPainterPath path;
    path.addRoundedRect(QRectF(x, area.top() + 4, w, area.height() - 8), 6, 6);
    if (track == Track::cut)
        TimelineClipLook::paintHatched(painter, path, true);
    else
        painter.fillPath(path, StudioTheme::withOpacity(TimelineClipLook::color(track), 0.35));
}

void TimelineView::paintCutShade(QPainter& painter)
{
    // Cut time is dimmed across the speed, zoom, blur, text and audio tracks: whatever lies there
    // is not in the movie.
    double pps = model_.pxPerSecond();
    double top = trackRect(Track::speed).top();
    double bottom = audioRect().bottom();
    SecondsRange visible = model_.viewport.visibleSpan();
    QColor shade = StudioTheme::withOpacity(StudioTheme::background(), 0.72);
    for (const TimeSpan& cut : mergedCutSpans(model_.cutRegions.get(), model_.duration)) {
        if (cut.end < visible.lower || cut.start > visible.upper)
            continue;
        QRectF band(model_.viewport.viewX(cut.start), top, std::max(cut.duration() * pps, 1.0), bottom - top);
        painter.fillRect(band, shade);
        painter.fillRect(QRectF(band.left(), top, 1, band.height()),
                         StudioTheme::withOpacity(TimelineClipLook::color(Track::cut), 0.45));
        painter.fillRect(QRectF(band.right() - 1, top, 1, band.height()),
                         StudioTheme::withOpacity(TimelineClipLook::color(Track::cut), 0.45));
    }
}

void TimelineView::paintClickMarkers(QPainter& painter)
{
    if (!(model_.duration > 0))
        return;
    double top = trackRect(Track::zoom).top() + 1;
    for (const auto& click : model_.clicks) {
        double x = model_.viewport.viewX(click.timestamp) - 3.5;
        if (x < -8 || x > width())
            continue;
        QRectF ring(x, top, 7, 7);
        painter.setPen(QPen(StudioTheme::accent(), 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(ring.adjusted(0.75, 0.75, -0.75, -0.75));
        painter.setPen(Qt::NoPen);
        painter.setBrush(StudioTheme::textPrimary());
        painter.drawEllipse(QRectF(ring.center().x() - 2, ring.center().y() - 2, 4, 4));
    }
}

void TimelineView::paintPlayhead(QPainter& painter)
{
    if (!(model_.duration > 0))
        return;
    double x = model_.viewport.viewX(model_.currentTime);
    QColor color = StudioTheme::textPrimary();
    painter.fillRect(QRectF(x - 0.75, 0, 1.5, height()), color);
    QPainterPath head;
    head.moveTo(x, 6);
    head.lineTo(x - 5, 0);
    head.lineTo(x + 5, 0);
    head.closeSubpath();
    painter.fillPath(head, color);
}

// Pointer.

void TimelineView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    QPointF p = event->position();
    model_.viewport.resumeFollowing();
    press_.reset();
    for (Track track : {Track::cut, Track::speed, Track::zoom, Track::redact, Track::text})
        if (trackRect(track).contains(p))
            press_ = Press{Gesture::create, track, p.x()};
    if (!press_ && (rulerRect().contains(p) || audioRect().contains(p)))
        press_ = Press{Gesture::scrub, Track::zoom, p.x()};
    if (!press_)
        return;
    press_->startX = model_.viewport.contentX(p.x());
    handlePointer(p.x());
}

void TimelineView::mouseMoveEvent(QMouseEvent* event)
{
    if (!press_)
        return;
    trackDrag(this, event->position(), event->globalPosition());
    handlePointer(event->position().x());
}

void TimelineView::handlePointer(double viewX)
{
    double x = model_.viewport.contentX(viewX);
    if (press_->gesture == Gesture::scrub) {
        model_.scrub(x);
        return;
    }
    model_.dragOnTrack(press_->track, press_->startX, x);
    overlay_->update();
}

void TimelineView::trackDrag(QWidget* target, QPointF position, QPointF globalPosition)
{
    edgeDrag_ = EdgeDrag{target, position, globalPosition};
    if (model_.viewport.edgeScrollStep(position.x()) != 0 && !edgeTimer_->isActive())
        edgeTimer_->start();
}

void TimelineView::scrollAtEdge()
{
    if (!edgeDrag_ || !edgeDrag_->target) {
        edgeTimer_->stop();
        return;
    }
    EdgeDrag drag = *edgeDrag_;
    double step = model_.viewport.edgeScrollStep(drag.position.x());
    double before = model_.viewport.scrollX();
    if (step != 0)
        model_.viewport.scrollBy(step);
    if (step == 0 || model_.viewport.scrollX() == before) {
        edgeTimer_->stop();
        return;
    }
    viewportChanged();
    // The pointer stands still while the view moves under it: the drag goes on from there.
    if (drag.target == this) {
        if (press_)
            handlePointer(drag.position.x());
        return;
    }
    QMouseEvent move(QEvent::MouseMove, drag.target->mapFrom(this, drag.position), drag.globalPosition,
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(drag.target, &move);
}

bool TimelineView::eventFilter(QObject* watched, QEvent* event)
{
    // Drags of clips and grips: the pointer's place, for scrolling at the view's edges.
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget && event->type() == QEvent::Wheel) {
        // Over a clip, the wheels that zoom or scroll the timeline are the timeline's; a plain
        // vertical wheel stays the clip's (a zoom clip's level).
        auto* wheel = static_cast<QWheelEvent*>(event);
        bool sideways = wheel->angleDelta().x() != 0 || wheel->pixelDelta().x() != 0;
        if (sideways || wheel->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier)) {
            handleWheel(*wheel, widget->mapTo(this, wheel->position()));
            return true;
        }
    } else if (widget && event->type() == QEvent::MouseMove) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->buttons() & Qt::LeftButton)
            trackDrag(widget, widget->mapTo(this, mouse->position()), mouse->globalPosition());
    } else if (event->type() == QEvent::MouseButtonRelease) {
        edgeDrag_.reset();
        edgeTimer_->stop();
    }
    return QWidget::eventFilter(watched, event);
}

void TimelineView::wheelEvent(QWheelEvent* event)
{
    event->accept();
    handleWheel(*event, event->position());
}

void TimelineView::handleWheel(const QWheelEvent& event, QPointF position)
{
    QPoint pixels = event.pixelDelta();
    QPoint angle = event.angleDelta();
    bool touchpad = !pixels.isNull();
    double vertical = touchpad ? pixels.y() : angle.y() / 120.0;
    double horizontal = touchpad ? pixels.x() : angle.x() / 120.0;
    if (event.modifiers() & Qt::ControlModifier) {
        // A notch zooms one step; a touchpad's pixels zoom in proportion.
        double notches = touchpad ? vertical / 40.0 : vertical;
        zoomAbout(position.x(), std::pow(TimelineViewport::kZoomStep, notches));
        return;
    }
    // Without Ctrl every wheel scrolls sideways: Shift+wheel, a plain wheel (the timeline has
    // nothing to scroll up and down) and a touchpad's horizontal swipe.
    double sideways = horizontal != 0 ? horizontal : vertical;
    double points = touchpad ? -sideways : -sideways * kWheelScrollPoints;
    model_.viewport.scrollBy(points);
    viewportChanged();
}

bool TimelineView::event(QEvent* event)
{
    if (event->type() == QEvent::NativeGesture) {
        auto* gesture = static_cast<QNativeGestureEvent*>(event);
        if (gesture->gestureType() == Qt::ZoomNativeGesture) {
            zoomAbout(mapFromGlobal(gesture->globalPosition()).x(), 1 + gesture->value());
            return true;
        }
    }
    return QWidget::event(event);
}

void TimelineView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !press_)
        return;
    Press press = *press_;
    press_.reset();
    edgeDrag_.reset();
    edgeTimer_->stop();
    if (press.gesture == Gesture::create)
        model_.endDragOnTrack(press.track, press.startX, model_.viewport.contentX(event->position().x()));
    refresh();
}

void TimelineView::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace) &&
        model_.deleteSelection()) {
        refresh();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace tarnix
