#include "studio/timeline/ZoomTimelineView.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <set>

#include "document/CutRegions.h"
#include "studio/EditingTheme.h"
#include "studio/timeline/CutClipView.h"
#include "studio/timeline/RedactClipView.h"
#include "studio/timeline/TrimHandleView.h"
#include "studio/timeline/ZoomClipView.h"

namespace tarnix {

using Track = ZoomTimelineModel::Track;
namespace R = TimelineRules;

// Pending creation rectangles, click markers and the playhead, drawn above the clips and
// transparent to the pointer.
class TimelineOverlay final : public QWidget {
public:
    explicit TimelineOverlay(ZoomTimelineView* timeline) : QWidget(timeline), timeline_(timeline)
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
    ZoomTimelineView* timeline_;
};

ZoomTimelineView::ZoomTimelineView(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::ClickFocus);
    setAccessibleName(tr("Timeline"));
    overlay_ = new TimelineOverlay(this);
    trimStart_ = new TrimHandleView(model_, R::ClipEdge::leading, this);
    trimEnd_ = new TrimHandleView(model_, R::ClipEdge::trailing, this);
    for (TrimHandleView* handle : {trimStart_, trimEnd_})
        handle->onChanged = [this] { refresh(); };
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

ZoomTimelineView::~ZoomTimelineView() = default;

void ZoomTimelineView::setDuration(double seconds)
{
    model_.duration = seconds;
    refresh();
}

void ZoomTimelineView::setClicks(std::vector<ClickEvent> clicks)
{
    model_.clicks = std::move(clicks);
    overlay_->update();
}

void ZoomTimelineView::setWaveform(std::vector<float> peaks)
{
    model_.waveform = std::move(peaks);
    update(audioRect().toAlignedRect());
}

void ZoomTimelineView::setCurrentTime(double seconds)
{
    model_.currentTime = seconds;
    overlay_->update();
}

QSize ZoomTimelineView::sizeHint() const
{
    return {720, int(R::kTotalHeight)};
}

QSize ZoomTimelineView::minimumSizeHint() const
{
    return {120, int(R::kTotalHeight)};
}

QRectF ZoomTimelineView::rulerRect() const
{
    return {0, 0, double(width()), R::kRulerHeight};
}

QRectF ZoomTimelineView::trackRect(Track track) const
{
    double top = R::kRulerHeight + R::kTrackSpacing;
    if (track == Track::cut)
        return {0, top, double(width()), R::kCutTrackHeight};
    top += R::kCutTrackHeight + R::kTrackSpacing;
    if (track == Track::zoom)
        return {0, top, double(width()), R::kZoomTrackHeight};
    top += R::kZoomTrackHeight + R::kTrackSpacing;
    return {0, top, double(width()), R::kRedactTrackHeight};
}

QRectF ZoomTimelineView::audioRect() const
{
    double top = trackRect(Track::redact).bottom() + R::kTrackSpacing;
    return {0, top, double(width()), R::kAudioTrackHeight};
}

TrimHandleView* ZoomTimelineView::trimHandle(R::ClipEdge edge) const
{
    return edge == R::ClipEdge::leading ? trimStart_ : trimEnd_;
}

TimelineClipView* ZoomTimelineView::clip(const Uuid& id) const
{
    auto it = clips_.find(id);
    return it == clips_.end() ? nullptr : it->second;
}

void ZoomTimelineView::refresh()
{
    syncClips();
    placeClips();
    placeTrimHandles();
    overlay_->raise();
    overlay_->update();
    update();
}

void ZoomTimelineView::syncClips()
{
    std::vector<std::pair<Track, Uuid>> wanted;
    for (const auto& r : model_.cutRegions.view())
        wanted.emplace_back(Track::cut, r.id);
    for (const auto& r : model_.regions.view())
        wanted.emplace_back(Track::zoom, r.id);
    for (const auto& r : model_.redactRegions.view())
        wanted.emplace_back(Track::redact, r.id);

    std::set<Uuid> keep;
    for (const auto& [track, id] : wanted) {
        keep.insert(id);
        TimelineClipView*& view = clips_[id];
        if (!view) {
            if (track == Track::zoom)
                view = new ZoomClipView(model_, id, this);
            else if (track == Track::redact)
                view = new RedactClipView(model_, id, this);
            else
                view = new CutClipView(model_, id, this);
            view->onChanged = [this] { refresh(); };
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

void ZoomTimelineView::placeClips()
{
    double pps = model_.pxPerSecond();
    for (auto& [id, view] : clips_) {
        auto span = view->span();
        if (!span)
            continue;
        QRectF track = trackRect(view->track());
        double height = view->track() == Track::zoom     ? R::kZoomClipHeight
                        : view->track() == Track::redact ? R::kRedactClipHeight
                                                         : R::kCutClipHeight;
        double inner = track.height() - 8;
        double top = track.top() + 4 + (inner - height) / 2;
        double x = span->lower * pps;
        double w = R::clipWidth(span->lower, span->upper, pps);
        view->setGeometry(QRectF(x, top, w, height).toAlignedRect());
        view->updateAccessibleName();
        view->update();
    }
}

void ZoomTimelineView::placeTrimHandles()
{
    // The grips stand inside the kept time, against the trim point, above the cut clips.
    QRectF track = trackRect(Track::cut);
    bool visible = model_.duration > 0;
    for (TrimHandleView* handle : {trimStart_, trimEnd_}) {
        handle->setVisible(visible);
        if (!visible)
            continue;
        double anchor = handle->anchorX();
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

void ZoomTimelineView::resizeEvent(QResizeEvent*)
{
    model_.width = std::max(1, width());
    overlay_->setGeometry(rect());
    placeClips();
    placeTrimHandles();
}

// Painting.

void ZoomTimelineView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    for (QRectF track : {trackRect(Track::cut), trackRect(Track::zoom), trackRect(Track::redact),
                         audioRect()}) {
        QPainterPath path;
        path.addRoundedRect(track, 6, 6);
        painter.fillPath(path, StudioTheme::trackBackground());
    }
    paintRuler(painter);
    paintCutHint(painter);
    paintWaveform(painter);
}

void ZoomTimelineView::paintCutHint(QPainter& painter)
{
    if (!model_.cutRegions.get().empty() || model_.pendingDrag(Track::cut) || !(model_.duration > 0))
        return;
    painter.setFont(EditingTheme::font(9));
    painter.setPen(StudioTheme::textTertiary());
    painter.drawText(trackRect(Track::cut), Qt::AlignCenter,
                     tr("Drag here to cut a part out · drag the grips at the ends to trim"));
}

void ZoomTimelineView::paintRuler(QPainter& painter)
{
    double pps = model_.pxPerSecond();
    QRectF ruler = rulerRect();
    painter.setFont(EditingTheme::font(9));
    for (double t : R::rulerTicks(model_.duration, pps)) {
        double x = t * pps;
        painter.fillRect(QRectF(x, ruler.bottom() - 6, 1, 6), StudioTheme::textTertiary());
        painter.setPen(StudioTheme::textSecondary());
        painter.drawText(QPointF(x + 3, 3 + painter.fontMetrics().ascent()),
                         QString::fromStdString(R::rulerTimeText(t)));
    }
}

void ZoomTimelineView::paintWaveform(QPainter& painter)
{
    QRectF track = audioRect();
    double mid = track.center().y();
    const auto& peaks = model_.waveform;
    if (peaks.empty()) {
        painter.fillRect(QRectF(track.left(), mid - 0.5, track.width(), 1),
                         StudioTheme::withOpacity(StudioTheme::textTertiary(), 0.4));
        return;
    }
    double step = track.width() / double(peaks.size());
    double barWidth = std::max(step - 1, 1.0);
    QColor fill = StudioTheme::withOpacity(StudioTheme::accent(), 0.6);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    for (size_t i = 0; i < peaks.size(); ++i) {
        double h = std::max(track.height() * double(peaks[i]), 1.5);
        painter.drawRoundedRect(QRectF(track.left() + step * double(i), mid - h / 2, barWidth, h), 1, 1);
    }
}

void ZoomTimelineView::paintOverlay(QPainter& painter)
{
    paintCutShade(painter);
    paintPending(painter, Track::zoom);
    paintPending(painter, Track::redact);
    paintPending(painter, Track::cut);
    paintClickMarkers(painter);
    paintPlayhead(painter);
}

void ZoomTimelineView::paintPending(QPainter& painter, Track track)
{
    const auto& pending = model_.pendingDrag(track);
    if (!pending)
        return;
    QRectF area = trackRect(track);
    double x = std::min(pending->startX, pending->currentX);
    double w = std::max(std::abs(pending->currentX - pending->startX), 2.0);
    QPainterPath path;
    path.addRoundedRect(QRectF(x, area.top() + 4, w, area.height() - 8), 6, 6);
    if (track == Track::cut) {
        CutClipView::paintHatched(painter, path, true);
        return;
    }
    QColor color = track == Track::zoom ? StudioTheme::accent() : StudioTheme::recording();
    painter.fillPath(path, StudioTheme::withOpacity(color, 0.35));
}

void ZoomTimelineView::paintCutShade(QPainter& painter)
{
    // Cut time is dimmed across the zoom, blur and audio tracks: whatever lies there is not in
    // the movie.
    double pps = model_.pxPerSecond();
    double top = trackRect(Track::zoom).top();
    double bottom = audioRect().bottom();
    QColor shade = StudioTheme::withOpacity(StudioTheme::background(), 0.72);
    for (const TimeSpan& cut : mergedCutSpans(model_.cutRegions.get(), model_.duration)) {
        QRectF band(cut.start * pps, top, std::max(cut.duration() * pps, 1.0), bottom - top);
        painter.fillRect(band, shade);
        painter.fillRect(QRectF(band.left(), top, 1, band.height()),
                         StudioTheme::withOpacity(CutClipView::cutColor(), 0.45));
        painter.fillRect(QRectF(band.right() - 1, top, 1, band.height()),
                         StudioTheme::withOpacity(CutClipView::cutColor(), 0.45));
    }
}

void ZoomTimelineView::paintClickMarkers(QPainter& painter)
{
    if (!(model_.duration > 0))
        return;
    double top = trackRect(Track::zoom).top() + 1;
    for (const auto& click : model_.clicks) {
        double x = click.timestamp / model_.duration * width() - 3.5;
        QRectF ring(x, top, 7, 7);
        painter.setPen(QPen(StudioTheme::accent(), 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(ring.adjusted(0.75, 0.75, -0.75, -0.75));
        painter.setPen(Qt::NoPen);
        painter.setBrush(StudioTheme::textPrimary());
        painter.drawEllipse(QRectF(ring.center().x() - 2, ring.center().y() - 2, 4, 4));
    }
}

void ZoomTimelineView::paintPlayhead(QPainter& painter)
{
    if (!(model_.duration > 0))
        return;
    double x = model_.currentTime * model_.pxPerSecond();
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

void ZoomTimelineView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    QPointF p = event->position();
    if (trackRect(Track::cut).contains(p))
        press_ = Press{Gesture::create, Track::cut, p.x()};
    else if (trackRect(Track::zoom).contains(p))
        press_ = Press{Gesture::create, Track::zoom, p.x()};
    else if (trackRect(Track::redact).contains(p))
        press_ = Press{Gesture::create, Track::redact, p.x()};
    else if (rulerRect().contains(p) || audioRect().contains(p))
        press_ = Press{Gesture::scrub, Track::zoom, p.x()};
    else
        return;
    handlePointer(p.x());
}

void ZoomTimelineView::mouseMoveEvent(QMouseEvent* event)
{
    if (press_)
        handlePointer(event->position().x());
}

void ZoomTimelineView::handlePointer(double x)
{
    if (press_->gesture == Gesture::scrub) {
        model_.scrub(x);
        return;
    }
    model_.dragOnTrack(press_->track, press_->startX, x);
    overlay_->update();
}

void ZoomTimelineView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !press_)
        return;
    Press press = *press_;
    press_.reset();
    if (press.gesture == Gesture::create)
        model_.endDragOnTrack(press.track, press.startX, event->position().x());
    refresh();
}

void ZoomTimelineView::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace) &&
        model_.deleteSelection()) {
        refresh();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace tarnix
