#include "studio/timeline/TimelineClipView.h"

#include <QActionGroup>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>

#include <cmath>

#include "document/SpeedRegions.h"
#include "studio/EditingTheme.h"
#include "studio/timeline/TimelineClipLook.h"

namespace tarnix {

using TimelineRules::ClipEdge;

TimelineClipView::TimelineClipView(TimelineModel& model, Track track, Uuid id, QWidget* parent)
    : QWidget(parent), model_(model), track_(track), id_(id)
{
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_Hover);
}

std::optional<SecondsRange> TimelineClipView::span() const
{
    return model_.spanOf(track_, id_);
}

void TimelineClipView::updateAccessibleName()
{
    if (auto s = span()) {
        QString text = TimelineClipLook::describe(model_, track_, id_, *s);
        setAccessibleName(text);
        setToolTip(text);
    }
}

void TimelineClipView::changed()
{
    if (onChanged)
        onChanged();
}

std::optional<ClipEdge> TimelineClipView::edgeAt(double x) const
{
    if (x < TimelineRules::kHandleWidth)
        return ClipEdge::leading;
    if (x >= width() - TimelineRules::kHandleWidth)
        return ClipEdge::trailing;
    return std::nullopt;
}

void TimelineClipView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    bool selected = isSelected();
    QRectF body = QRectF(rect());
    QPainterPath shape;
    shape.addRoundedRect(body, 6, 6);
    TimelineClipLook::paintFill(painter, track_, shape, selected);

    if (selected) {
        // Trim handles: white strips at both ends, with a grip line each.
        painter.save();
        painter.setClipPath(shape);
        QColor handle = QColor::fromRgbF(1, 1, 1, 0.85f);
        double w = std::min(TimelineRules::kHandleWidth, body.width() / 2);
        painter.fillRect(QRectF(body.left(), body.top(), w, body.height()), handle);
        painter.fillRect(QRectF(body.right() - w, body.top(), w, body.height()), handle);
        QColor grip = StudioTheme::withOpacity(TimelineClipLook::color(track_), 0.9);
        double gripHeight = std::min(12.0, body.height() / 2);
        for (double x : {body.left() + w / 2, body.right() - w / 2})
            painter.fillRect(QRectF(x - 0.75, body.center().y() - gripHeight / 2, 1.5, gripHeight), grip);
        painter.restore();
        painter.setPen(QPen(QColor::fromRgbF(1, 1, 1, 0.9f), 1.5));
        painter.drawRoundedRect(body.adjusted(0.75, 0.75, -0.75, -0.75), 5.25, 5.25);
    }
    TimelineClipLook::paintLabel(painter, model_, track_, id_, body);
}

void TimelineClipView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    press_ = Press{event->globalPosition(), edgeAt(event->position().x()), false};
    event->accept();
}

void TimelineClipView::mouseMoveEvent(QMouseEvent* event)
{
    if (!press_) {
        setCursor(edgeAt(event->position().x()) ? Qt::SizeHorCursor : Qt::ArrowCursor);
        return;
    }
    // The clip moves under the pointer, so travel is measured on the screen.
    double dx = event->globalPosition().x() - press_->globalPosition.x();
    double dy = event->globalPosition().y() - press_->globalPosition.y();
    double minimum = press_->edge ? 1 : 2;
    if (!press_->dragging && std::hypot(dx, dy) < minimum)
        return;
    press_->dragging = true;
    model_.dragClip(track_, id_, press_->edge, dx);
    changed();
}

void TimelineClipView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !press_)
        return;
    bool dragged = press_->dragging;
    press_.reset();
    if (dragged)
        model_.endClipDrag();
    else
        model_.select(track_, id_);
    changed();
}

void TimelineClipView::contextMenuEvent(QContextMenuEvent* event)
{
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    Uuid id = id_;
    Track track = track_;
    TimelineModel* model = &model_;
    // The clip may be deleted by the change it reports, so nothing of it is used afterwards.
    auto report = onChanged;
    if (track_ == Track::speed) {
        std::optional<double> current = model_.speedOf(id_);
        auto* speeds = new QActionGroup(menu);
        for (double speed : kSpeedFactors) {
            QAction* pick = menu->addAction(TimelineClipLook::speedText(speed));
            pick->setCheckable(true);
            pick->setActionGroup(speeds);
            pick->setChecked(current == speed);
            connect(pick, &QAction::triggered, menu, [model, id, speed, report] {
                model->select(Track::speed, id);
                if (model->setSpeed(id, speed) && report)
                    report();
            });
        }
        menu->addSeparator();
    }
    QAction* remove = menu->addAction(TimelineClipLook::deleteText(track_));
    connect(remove, &QAction::triggered, menu, [model, track, id, report] {
        model->remove(track, id);
        if (report)
            report();
    });
    menu->popup(event->globalPos());
    event->accept();
}

void TimelineClipView::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace) &&
        model_.deleteSelection()) {
        event->accept();
        changed();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TimelineClipView::leaveEvent(QEvent* event)
{
    if (!press_)
        unsetCursor();
    QWidget::leaveEvent(event);
}

double TimelineClipView::scrollDelta(const QWheelEvent& event)
{
    // Touchpads report pixels. A notch of a classic wheel (120 eighths of a degree) counts ten
    // units, a tenth of a zoom level, as a short touchpad stroke does, rather than a hundredth
    // that nobody would see.
    if (!event.pixelDelta().isNull())
        return event.pixelDelta().y();
    return event.angleDelta().y() / 120.0 * 10;
}

void TimelineClipView::wheelEvent(QWheelEvent* event)
{
    // Ctrl and Shift wheels, and sideways swipes, zoom and scroll the timeline under the clip;
    // so does every wheel over a clip that has no level.
    if (track_ != Track::zoom || event->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier) ||
        event->angleDelta().x() != 0) {
        event->ignore();
        return;
    }
    event->accept();
    if (model_.scrollZoomClip(id_, scrollDelta(*event)))
        changed();
}

} // namespace tarnix
