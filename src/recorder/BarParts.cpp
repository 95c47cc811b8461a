#include "recorder/BarParts.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "recorder/BarControls.h"
#include "ui/PhosphorIcon.h"
#include "ui/StudioTheme.h"

namespace tarnix {

// ---- BarCapsule

BarCapsule::BarCapsule(QWidget* parent)
    : GlassCapsule(parent)
{
    pulse_.setStartValue(0.0);
    pulse_.setEndValue(1.0);
    pulse_.setDuration(1400);
    pulse_.setLoopCount(-1);
    pulse_.setEasingCurve(QEasingCurve::OutCubic);
    connect(&pulse_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        phase_ = value.toDouble();
        update();
    });
    fade_.setDuration(100);
    fade_.setEndValue(0.0);
    connect(&fade_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        ringOpacity_ = value.toDouble();
        update();
    });
}

void BarCapsule::setPulsing(bool pulsing)
{
    if (pulsing) {
        fade_.stop();
        ringOpacity_ = 1;
        if (pulse_.state() != QAbstractAnimation::Running)
            pulse_.start();
        return;
    }
    pulse_.stop();
    phase_ = 0;
    fade_.setStartValue(ringOpacity_);
    fade_.start();
}

void BarCapsule::paintEvent(QPaintEvent* event)
{
    GlassCapsule::paintEvent(event);
    if (!button_ || ringOpacity_ <= 0)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF button = QRectF(button_->geometry());
    const qreal scale = 1 + 0.35 * phase_;
    const qreal radius = button.width() / 2 * scale;
    painter.setOpacity(ringOpacity_ * (1 - phase_));
    painter.setPen(QPen(StudioTheme::withOpacity(StudioTheme::recording(), 0.5), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(button.center(), radius, radius);
}

// ---- RecordingStatus

RecordingStatus::RecordingStatus(QWidget* parent)
    : QWidget(parent)
{
    tick_.setInterval(100);
    connect(&tick_, &QTimer::timeout, this, qOverload<>(&QWidget::update));
    setAccessibleName(tr("Recording"));
}

void RecordingStatus::setCounts(const QString& counts)
{
    if (counts == counts_)
        return;
    counts_ = counts;
    setAccessibleDescription(counts);
    updateGeometry(); // a very long recording's counts may need more room
    update();
}

void RecordingStatus::setRunning(bool running)
{
    if (running) {
        clock_.start();
        tick_.start();
    } else {
        clock_.invalidate();
        tick_.stop();
    }
    update();
}

void RecordingStatus::setPaused(bool paused)
{
    if (paused == paused_)
        return;
    paused_ = paused;
    setAccessibleName(paused ? tr("Paused") : tr("Recording"));
    update();
}

QSize RecordingStatus::sizeHint() const
{
    // Room for the word, the clock and counts of a long recording, so the width holds still.
    const int word = QFontMetrics(StudioTheme::font(14, QFont::DemiBold)).horizontalAdvance(tr("Recording"));
    const int clock = QFontMetrics(StudioTheme::font(14, QFont::Medium)).horizontalAdvance(QStringLiteral("00:00"));
    const QFontMetricsF small(StudioTheme::font(11));
    const int counts = int(std::ceil(std::max(small.horizontalAdvance(tr("%1 frames · %2 clicks").arg(QStringLiteral("00000"), QStringLiteral("000"))),
                                              small.horizontalAdvance(counts_))));
    return {30 + word + 10 + clock + 14 + counts + 8, 44};
}

void RecordingStatus::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double running = clock_.isValid() ? clock_.elapsed() / 1000.0 : 0;
    const double seconds = source_ && clock_.isValid() ? source_() : running;
    // The dot breathes once a second, never fading out completely; it holds still while paused.
    const double breath = paused_ ? 0.3 : 0.5 + 0.5 * std::cos(running * 2 * std::numbers::pi);
    const QPointF dot(14, height() / 2.0);
    painter.setPen(Qt::NoPen);
    painter.setBrush(StudioTheme::withOpacity(StudioTheme::recording(), 0.25 * breath));
    painter.drawEllipse(dot, 8, 8);
    painter.setBrush(StudioTheme::withOpacity(StudioTheme::recording(), 0.55 + 0.45 * breath));
    painter.drawEllipse(dot, 5, 5);

    qreal x = 30;
    const QFont word = StudioTheme::font(14, QFont::DemiBold);
    painter.setFont(word);
    painter.setPen(StudioTheme::textPrimary());
    const QString title = paused_ ? tr("Paused") : tr("Recording");
    painter.drawText(QRectF(x, 0, 200, height()), Qt::AlignVCenter | Qt::AlignLeft, title);
    // The clock keeps its place whichever word is shown.
    x += QFontMetrics(word).horizontalAdvance(tr("Recording")) + 10;

    const int whole = int(seconds);
    const QString elapsed = QStringLiteral("%1:%2").arg(whole / 60).arg(whole % 60, 2, 10, QLatin1Char('0'));
    const QFont clock = StudioTheme::font(14, QFont::Medium);
    painter.setFont(clock);
    painter.setPen(StudioTheme::recording().lighter(115));
    painter.drawText(QRectF(x, 0, 80, height()), Qt::AlignVCenter | Qt::AlignLeft, elapsed);
    x += QFontMetrics(clock).horizontalAdvance(QStringLiteral("00:00")) + 14;

    const QFont small = StudioTheme::font(11);
    painter.setFont(small);
    painter.setPen(StudioTheme::textSecondary());
    painter.drawText(QRectF(x, 0, width() - x, height()), Qt::AlignVCenter | Qt::AlignLeft, counts_);
}

// ---- ErrorLine

namespace {

constexpr int errorIconSize = 12;
constexpr int errorPadding = 10;
constexpr int errorIconGap = 6;
constexpr int errorVerticalPadding = 4;
constexpr int errorSideRoom = 24; // kept free left and right of the pill

QFont errorFont()
{
    return StudioTheme::font(11, QFont::Medium);
}

} // namespace

ErrorLine::ErrorLine(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedHeight(lineHeight);
}

void ErrorLine::setMessage(const QString& message)
{
    if (message == message_)
        return;
    message_ = message;
    setToolTip(message);
    setAccessibleName(message);
    update();
}

QSize ErrorLine::textSize(int width) const
{
    const int room = std::max(40, width - 2 * errorSideRoom - 2 * errorPadding - errorIconSize - errorIconGap);
    const QFontMetrics metrics(errorFont());
    const QRect bounds = metrics.boundingRect(QRect(0, 0, room, 100000), Qt::TextWordWrap, message_);
    return {std::min(bounds.width() + 1, room), bounds.height()};
}

int ErrorLine::heightFor(int width) const
{
    if (message_.isEmpty())
        return lineHeight;
    return std::max(lineHeight, textSize(width).height() + 2 * errorVerticalPadding);
}

QRectF ErrorLine::pill() const
{
    if (message_.isEmpty())
        return {};
    const int pillWidth = textSize(width()).width() + 2 * errorPadding + errorIconSize + errorIconGap;
    return {(width() - pillWidth) / 2.0, 0, qreal(pillWidth), qreal(height())};
}

void ErrorLine::paintEvent(QPaintEvent*)
{
    if (message_.isEmpty())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF pill = this->pill();
    const qreal radius = std::min<qreal>(pill.height(), lineHeight) / 2.0;
    if (!window()->mask().isEmpty()) {
        // The window is cut to the pill (nothing composites): no half-transparent edge pixels,
        // which would show as a dark fringe.
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(44, 20, 26));
        painter.drawRoundedRect(pill.adjusted(-1, -1, 1, 1), radius, radius);
        painter.setRenderHint(QPainter::Antialiasing);
    }
    painter.setPen(QPen(StudioTheme::withOpacity(StudioTheme::recording(), 0.35), 1));
    painter.setBrush(QColor(44, 20, 26, 235));
    painter.drawRoundedRect(pill.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    const QColor text = QColor(255, 160, 168);
    painter.drawPixmap(QPointF(pill.left() + errorPadding, (lineHeight - errorIconSize) / 2.0),
                       PhosphorIcon::pixmap(QStringLiteral("warning"), errorIconSize, text));
    painter.setFont(errorFont());
    painter.setPen(text);
    const qreal left = pill.left() + errorPadding + errorIconSize + errorIconGap;
    painter.drawText(QRectF(left, errorVerticalPadding, pill.right() - errorPadding - left, height() - 2 * errorVerticalPadding),
                     Qt::AlignVCenter | Qt::AlignLeft | Qt::TextWordWrap, message_);
}

} // namespace tarnix
