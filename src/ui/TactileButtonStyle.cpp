#include "ui/TactileButtonStyle.h"

#include <QAbstractButton>
#include <QPainter>

#include <cmath>
#include <numbers>

namespace tarnix {

namespace {

// An underdamped spring of unit mass released from 0 towards 1 at rest:
// x(t) = 1 − e^(−ζω t) (cos ω_d t + ζω/ω_d sin ω_d t), with ω = 2π / response.
constexpr qreal omega = 2 * std::numbers::pi / TactileButtonStyle::response;
constexpr qreal decay = TactileButtonStyle::dampingFraction * omega;

qreal dampedOmega()
{
    return omega * std::sqrt(1 - TactileButtonStyle::dampingFraction * TactileButtonStyle::dampingFraction);
}

// QEasingCurve wants a plain function of the animation's progress 0...1.
qreal springEasing(qreal progress)
{
    if (progress >= 1)
        return 1; // land exactly on the target: the spring is within 0.1 % of it by now
    return TactileButtonStyle::springStep(progress * TactileButtonStyle::settleSeconds());
}

} // namespace

qreal TactileButtonStyle::springStep(qreal seconds)
{
    if (seconds <= 0)
        return 0;
    const qreal wd = dampedOmega();
    return 1 - std::exp(-decay * seconds) * (std::cos(wd * seconds) + decay / wd * std::sin(wd * seconds));
}

qreal TactileButtonStyle::settleSeconds()
{
    // The envelope e^(−ζω t)·(1 + ζω/ω_d) falls below 0.001.
    return std::log(1000 * (1 + decay / dampedOmega())) / decay;
}

TactileButtonStyle* TactileButtonStyle::apply(QAbstractButton* button)
{
    auto* style = new TactileButtonStyle(button);
    button->setGraphicsEffect(style);
    return style;
}

TactileButtonStyle::TactileButtonStyle(QAbstractButton* button)
    : QGraphicsEffect(button)
{
    QEasingCurve curve;
    curve.setCustomType(&springEasing);
    animation_.setEasingCurve(curve);
    animation_.setDuration(int(std::lround(settleSeconds() * 1000)));
    connect(&animation_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        amount_ = value.toReal();
        update();
    });
    connect(button, &QAbstractButton::pressed, this, [this] { animateTo(1); });
    connect(button, &QAbstractButton::released, this, [this] { animateTo(0); });
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
    return animation_.state() == QAbstractAnimation::Running;
}

void TactileButtonStyle::animateTo(qreal target)
{
    animation_.stop();
    animation_.setStartValue(amount_);
    animation_.setEndValue(target);
    animation_.start();
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
