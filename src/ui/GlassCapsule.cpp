#include "ui/GlassCapsule.h"

#include <QPainter>
#include <QPainterPath>
#include <QWindow>

#include "ui/DesktopEffects.h"
#include "ui/StudioTheme.h"

namespace tarnix {

namespace {

constexpr int margin = 10;
constexpr qreal borderWidth = 1;
constexpr qreal borderOpacity = 0.12;

// The shadow: a few widening, fading outlines below the pill.
void paintShadow(QPainter& painter, const QRectF& pill)
{
    constexpr int rings = 8;
    for (int i = rings; i >= 1; --i) {
        const qreal grow = i * 1.1;
        QRectF r = pill.adjusted(-grow, -grow * 0.6, grow, grow * 1.2);
        QPainterPath path;
        path.addRoundedRect(r, r.height() / 2, r.height() / 2);
        painter.fillPath(path, QColor(0, 0, 0, int(10 * (rings - i + 1) / rings + 2)));
    }
}

} // namespace

GlassCapsule::GlassCapsule(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_NoSystemBackground);
}

int GlassCapsule::shadowMargin()
{
    return margin;
}

QPainterPath GlassCapsule::capsulePath() const
{
    const QRectF pill = QRectF(rect()).adjusted(margin, margin, -margin, -margin);
    QPainterPath path;
    path.addRoundedRect(pill, pill.height() / 2, pill.height() / 2);
    return path;
}

qreal GlassCapsule::fillOpacity() const
{
    if (!composited_)
        return 1;
    return blurred_ ? 0.72 : 0.9;
}

void GlassCapsule::updateWindowEffects()
{
    composited_ = DesktopEffects::hasCompositor();
    blurred_ = composited_ && DesktopEffects::offersBlurBehind();
    QWidget* top = window();
    if (top && top->isWindow() && top->windowHandle()) {
        const QPainterPath shape = capsulePath().translated(mapTo(top, QPointF(0, 0)));
        const QRegion region(shape.toFillPolygon().toPolygon());
        // Only while the capsule is shown: a window that shows something else (the Studio) is whole.
        if (!composited_ && isVisible())
            top->setMask(region.united(extraShape_));
        else
            top->clearMask();
        if (blurred_) {
            const qreal ratio = top->devicePixelRatioF();
            DesktopEffects::requestBlurBehind(top->windowHandle(),
                                              QRegion(shape.toFillPolygon(QTransform::fromScale(ratio, ratio)).toPolygon()));
        }
    }
    update();
}

void GlassCapsule::setExtraWindowShape(const QRegion& region)
{
    if (region == extraShape_)
        return;
    extraShape_ = region;
    if (isVisible())
        updateWindowEffects();
}

void GlassCapsule::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPainterPath pill = capsulePath();
    if (composited_) {
        paintShadow(painter, pill.boundingRect());
    } else {
        // The window is cut to whole pixels around the pill and what lies outside the cut is not
        // shown: fill them all, so the edge pixels that an anti-aliased fill would leave half
        // transparent do not show as a dark fringe.
        painter.fillRect(pill.boundingRect().adjusted(-1, -1, 1, 1), StudioTheme::panel());
    }
    painter.fillPath(pill, StudioTheme::withOpacity(StudioTheme::panel(), fillOpacity()));
    // A faint sheen on the upper half, so the pill reads as a surface rather than a hole.
    QLinearGradient sheen(pill.boundingRect().topLeft(), pill.boundingRect().bottomLeft());
    sheen.setColorAt(0, QColor(255, 255, 255, 14));
    sheen.setColorAt(0.5, QColor(255, 255, 255, 0));
    painter.fillPath(pill, sheen);
    // The border lies inside the edge: a path inset by half the line width.
    const QRectF inner = pill.boundingRect().adjusted(borderWidth / 2, borderWidth / 2, -borderWidth / 2, -borderWidth / 2);
    QPainterPath border;
    border.addRoundedRect(inner, inner.height() / 2, inner.height() / 2);
    painter.setPen(QPen(QColor::fromRgbF(1, 1, 1, float(borderOpacity)), borderWidth));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(border);
}

void GlassCapsule::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (isVisible())
        updateWindowEffects();
}

void GlassCapsule::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    // A layout may move the capsule without resizing it (a narrower capsule centred in its
    // row): the window's shape must move with it.
    if (isVisible())
        updateWindowEffects();
}

void GlassCapsule::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    updateWindowEffects();
}

} // namespace tarnix
