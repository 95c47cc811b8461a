#include "ui/TactileButtonStyle.h"

#include <QAbstractButton>
#include <QPainter>

#include <cmath>

namespace tarnix {

TactileButtonStyle* TactileButtonStyle::apply(QAbstractButton* button)
{
    auto* style = new TactileButtonStyle(button);
    button->setGraphicsEffect(style);
    return style;
}

TactileButtonStyle::TactileButtonStyle(QAbstractButton* button)
    : QGraphicsEffect(button)
    , animation_(spring, [this](double value) {
        amount_ = value;
        update();
    })
{
    connect(button, &QAbstractButton::pressed, this, [this] { animation_.animateTo(1); });
    connect(button, &QAbstractButton::released, this, [this] { animation_.animateTo(0); });
}

qreal TactileButtonStyle::scale() const
{
    return 1 - (1 - pressedScale) * amount_;
}

qreal TactileButtonStyle::opacity() const
{
    return std::min<qreal>(1, 1 - (1 - pressedOpacity) * amount_);
}

bool TactileButtonStyle::isAnimating() const
{
    return animation_.isRunning();
}

void TactileButtonStyle::draw(QPainter* painter)
{
    if (std::abs(amount_) < 1e-4) {
        drawSource(painter);
        return;
    }
    QPoint offset;
    const QPixmap picture = sourcePixmap(Qt::LogicalCoordinates, &offset, QGraphicsEffect::NoPad);
    const QRectF area(offset, picture.deviceIndependentSize());
    const QPointF centre = area.center();
    painter->save();
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    painter->setOpacity(painter->opacity() * opacity());
    painter->translate(centre);
    painter->scale(scale(), scale());
    painter->translate(-centre);
    painter->drawPixmap(offset, picture);
    painter->restore();
}

} // namespace tarnix
