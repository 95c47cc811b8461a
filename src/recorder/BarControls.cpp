#include "recorder/BarControls.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

#include "ui/PhosphorIcon.h"
#include "ui/StudioTheme.h"
#include "ui/TactileButtonStyle.h"

namespace tarnix {

// ---- BarButton

BarButton::BarButton(QWidget* parent)
    : FocusRingButton(parent)
{
    setAttribute(Qt::WA_Hover);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    TactileButtonStyle::apply(this);
    connect(this, &QAbstractButton::pressed, this, [this] {
        if (menu_)
            openDropDown();
    });
}

void BarButton::openDropDown()
{
    menu_->setMinimumWidth(width());
    const QPoint below = mapToGlobal(QPoint(0, height() + 6));
    // exec() returns once the menu closes; the press that opened it is over by then.
    menu_->exec(below);
    // The release went to the menu: end the press here, tactile spring included.
    setDown(false);
    emit released();
    update();
}

void BarButton::paintFocus(QPainter& painter, const QRectF& area, qreal radius) const
{
    if (!showsFocusRing() || !hasFocus())
        return;
    painter.setPen(QPen(StudioTheme::withOpacity(StudioTheme::accent(), 0.9), 1.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(area.adjusted(0.75, 0.75, -0.75, -0.75), radius, radius);
}

void BarButton::enterEvent(QEnterEvent* event)
{
    QAbstractButton::enterEvent(event);
    update();
}

void BarButton::leaveEvent(QEvent* event)
{
    QAbstractButton::leaveEvent(event);
    update();
}

// ---- PillButton

namespace {

constexpr int pillPadding = 14;
constexpr int pillIconSize = 14;
constexpr int pillGap = 7;

QFont pillFont()
{
    return StudioTheme::font(12, QFont::Medium);
}

} // namespace

PillButton::PillButton(QWidget* parent)
    : BarButton(parent)
{
    setFixedHeight(height);
    // Never narrower than its text: the bar grows instead.
    setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
}

void PillButton::setFace(const QString& icon, const QString& text, bool active)
{
    if (icon == icon_ && text == this->text() && active == active_)
        return;
    icon_ = icon;
    active_ = active;
    setText(text);
    setAccessibleName(text);
    updateGeometry();
    update();
}

QSize PillButton::sizeHint() const
{
    // Rounded up: a text a fraction of a pixel wider than its room would be elided.
    const int textWidth = std::min(int(std::ceil(QFontMetricsF(pillFont()).horizontalAdvance(text()))) + 1, maximumTextWidth);
    return {pillPadding * 2 + pillIconSize + pillGap + textWidth, height};
}

void PillButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area = QRectF(rect()).adjusted(0, 4, 0, -4);
    const qreal radius = area.height() / 2;
    QColor fill = active_ ? StudioTheme::accentDim() : StudioTheme::trackBackground();
    if (isHovered())
        fill = active_ ? StudioTheme::withOpacity(StudioTheme::accent(), 0.32) : QColor(255, 255, 255, 22);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(area, radius, radius);
    if (active_) {
        painter.setPen(QPen(StudioTheme::withOpacity(StudioTheme::accent(), 0.45), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(area.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    }
    paintFocus(painter, area, radius);

    const QColor iconColor = active_ ? StudioTheme::accent().lighter(125) : StudioTheme::textSecondary();
    const QColor textColor = active_ ? StudioTheme::textPrimary() : StudioTheme::textSecondary();
    const QRectF iconArea(pillPadding, (height - pillIconSize) / 2.0, pillIconSize, pillIconSize);
    painter.drawPixmap(iconArea.topLeft(), PhosphorIcon::pixmap(icon_, pillIconSize, iconColor));
    painter.setFont(pillFont());
    painter.setPen(textColor);
    const QRectF textRect = textArea();
    const QString shown = QFontMetricsF(pillFont()).elidedText(text(), Qt::ElideRight, textRect.width());
    painter.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft, shown);
}

QRectF PillButton::textArea() const
{
    const qreal left = pillPadding + pillIconSize + pillGap;
    return {left, 0, width() - left - pillPadding, qreal(height)};
}

bool PillButton::isTextElided() const
{
    return QFontMetricsF(pillFont()).elidedText(text(), Qt::ElideRight, textArea().width()) != text();
}

// ---- IconButton

IconButton::IconButton(const QString& icon, qreal iconSize, QSize frame, QWidget* parent)
    : BarButton(parent)
    , icon_(icon)
    , iconSize_(iconSize)
    , frame_(frame)
{
    setFixedSize(frame);
}

void IconButton::setIcon(const QString& icon)
{
    if (icon == icon_)
        return;
    icon_ = icon;
    update();
}

void IconButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal side = std::min(width(), height()) - 4;
    const QRectF circle((width() - side) / 2, (height() - side) / 2, side, side);
    if (isHovered() || isDown()) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(255, 255, 255, isDown() ? 30 : 20));
        painter.drawEllipse(circle);
    }
    paintFocus(painter, circle, side / 2);
    const QColor color = isHovered() ? StudioTheme::textPrimary() : StudioTheme::textSecondary();
    const QPointF at((width() - iconSize_) / 2, (height() - iconSize_) / 2);
    painter.drawPixmap(at, PhosphorIcon::pixmap(icon_, iconSize_, color));
}

// ---- RecordButton

RecordButton::RecordButton(QWidget* parent)
    : BarButton(parent)
    , morphAnimation_(Spring{0.32, 0.72}, [this](double value) {
        morph_ = value;
        update();
    })
{
    setFixedSize(diameter, diameter);
    setRecording(false);
}

void RecordButton::setRecording(bool recording)
{
    const QString name = recording ? tr("Stop Recording") : tr("Start Recording");
    setToolTip(name);
    setAccessibleName(name);
    if (recording == recording_)
        return;
    recording_ = recording;
    morphAnimation_.animateTo(recording ? 1 : 0, isVisible());
}

bool RecordButton::hitButton(const QPoint& pos) const
{
    const QPointF d = QPointF(pos) - QRectF(rect()).center();
    return d.x() * d.x() + d.y() * d.y() <= diameter * diameter / 4.0;
}

void RecordButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF circle = QRectF(rect()).adjusted(1, 1, -1, -1);
    QColor fill = StudioTheme::recording();
    if (!isEnabled())
        fill = StudioTheme::withOpacity(fill, 0.5);
    else if (isHovered())
        fill = fill.lighter(108);
    // A slight top-to-bottom shade gives the button some body.
    QLinearGradient body(circle.topLeft(), circle.bottomLeft());
    body.setColorAt(0, fill.lighter(112));
    body.setColorAt(1, fill.darker(106));
    painter.setPen(QPen(QColor(255, 255, 255, 40), 1));
    painter.setBrush(body);
    painter.drawEllipse(circle);
    paintFocus(painter, QRectF(rect()), diameter / 2.0);

    // The glyph morphs from a 20-point circle to a 16-point square with 4-point corners.
    const double m = std::clamp(morph_, 0.0, 1.15);
    const qreal side = 20 - 4 * m;
    const qreal radius = std::max<qreal>(10 - 6 * m, 3);
    const QRectF glyph(circle.center().x() - side / 2, circle.center().y() - side / 2, side, side);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(glyph, radius, radius);
}

} // namespace tarnix
