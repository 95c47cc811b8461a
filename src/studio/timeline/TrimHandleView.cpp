#include "studio/timeline/TrimHandleView.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include "studio/EditingTheme.h"
#include "studio/sidebar/SidebarRules.h"
#include "studio/timeline/TimelineClipLook.h"

namespace tarnix {

using TimelineRules::ClipEdge;

TrimHandleView::TrimHandleView(TimelineModel& model, ClipEdge edge, QWidget* timeline)
    : QWidget(timeline), model_(model), edge_(edge)
{
    // Reached by Tab for the arrow keys; a focus ring shows only for keyboard focus.
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::SizeHorCursor);
    setAccessibleName(edge == ClipEdge::leading ? tr("Trim start") : tr("Trim end"));
    setToolTip(edge == ClipEdge::leading ? tr("Drag to trim the start of the recording")
                                         : tr("Drag to trim the end of the recording"));
}

double TrimHandleView::anchorX() const
{
    return model_.viewport.viewX(model_.trimTime(edge_));
}

void TrimHandleView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QRectF body = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    bool trimmed = edge_ == ClipEdge::leading ? model_.trimTime(edge_) > 0
                                              : model_.trimTime(edge_) < model_.duration;
    QColor fill = trimmed ? TimelineClipLook::color(TimelineModel::Track::cut) : StudioTheme::textSecondary();
    // A bracket: square on the side of the kept time, rounded on the outside.
    QPainterPath path;
    path.addRoundedRect(body, 4, 4);
    QRectF inner = edge_ == ClipEdge::leading ? body.adjusted(body.width() / 2, 0, 0, 0)
                                              : body.adjusted(0, 0, -body.width() / 2, 0);
    path.addRect(inner);
    path.setFillRule(Qt::WindingFill);
    painter.fillPath(path.simplified(), fill);
    QColor grip = QColor(0x14, 0x14, 0x17, 200);
    for (double dx : {-1.5, 1.5})
        painter.fillRect(QRectF(body.center().x() + dx - 0.5, body.center().y() - 6, 1, 12), grip);
    if (hasFocus() && focusReason_ != Qt::MouseFocusReason) {
        painter.setPen(QPen(StudioTheme::accent(), 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(body.adjusted(0.75, 0.75, -0.75, -0.75), 3.5, 3.5);
    }
}

void TrimHandleView::focusInEvent(QFocusEvent* event)
{
    focusReason_ = event->reason();
    update();
    QWidget::focusInEvent(event);
}

void TrimHandleView::focusOutEvent(QFocusEvent* event)
{
    update();
    QWidget::focusOutEvent(event);
}

void TrimHandleView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    double x = mapToParent(event->position()).x();
    grabOffset_ = x - anchorX();
    event->accept();
}

void TrimHandleView::mouseMoveEvent(QMouseEvent* event)
{
    if (!grabOffset_)
        return;
    double viewX = mapToParent(event->position()).x() - *grabOffset_;
    model_.dragTrim(edge_, model_.viewport.contentX(viewX));
    changed();
}

void TrimHandleView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !grabOffset_)
        return;
    grabOffset_.reset();
    model_.endTrim();
    changed();
}

void TrimHandleView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Left || event->key() == Qt::Key_Right) {
        double step = event->modifiers() & Qt::ShiftModifier ? kShiftKeyStep : kKeyStep;
        model_.nudgeTrim(edge_, event->key() == Qt::Key_Left ? -step : step);
        changed();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TrimHandleView::changed()
{
    if (onChanged)
        onChanged();
}

} // namespace tarnix
