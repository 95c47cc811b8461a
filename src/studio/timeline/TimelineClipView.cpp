#include "studio/timeline/TimelineClipView.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

#include "studio/EditingTheme.h"

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
        QString text = describe(*s);
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
    paintFill(painter, shape, selected);

    if (selected) {
        // Trim handles: white strips at both ends, with a grip line each.
        painter.save();
        painter.setClipPath(shape);
        QColor handle = QColor::fromRgbF(1, 1, 1, 0.85f);
        double w = std::min(TimelineRules::kHandleWidth, body.width() / 2);
        painter.fillRect(QRectF(body.left(), body.top(), w, body.height()), handle);
        painter.fillRect(QRectF(body.right() - w, body.top(), w, body.height()), handle);
        QColor grip = StudioTheme::withOpacity(fillColor(), 0.9);
        double gripHeight = std::min(12.0, body.height() / 2);
        for (double x : {body.left() + w / 2, body.right() - w / 2})
            painter.fillRect(QRectF(x - 0.75, body.center().y() - gripHeight / 2, 1.5, gripHeight), grip);
        painter.restore();
        painter.setPen(QPen(QColor::fromRgbF(1, 1, 1, 0.9f), 1.5));
        painter.drawRoundedRect(body.adjusted(0.75, 0.75, -0.75, -0.75), 5.25, 5.25);
    }
    paintLabel(painter, body);
}

void TimelineClipView::paintFill(QPainter& painter, const QPainterPath& shape, bool selected)
{
    painter.fillPath(shape, StudioTheme::withOpacity(fillColor(), selected ? 1.0 : 0.78));
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
    QAction* remove = menu->addAction(deleteText());
    Uuid id = id_;
    Track track = track_;
    TimelineModel* model = &model_;
    // The clip is deleted by the change it reports, so nothing of it is used afterwards.
    auto report = onChanged;
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

} // namespace tarnix
