#include "studio/sidebar/StudioIconRail.h"

#include <QAbstractButton>
#include <QPainter>
#include <QVBoxLayout>
#include <QVariantAnimation>

#include "studio/EditingTheme.h"
#include "studio/sidebar/SidebarControls.h"

namespace tarnix {

namespace {

// A 40 × 40 button showing a tab's icon at 16 points.
class RailButton final : public FocusRingButton {
public:
    RailButton(StudioTab tab, QWidget* parent) : FocusRingButton(parent), tab_(tab)
    {
        setFixedSize(40, 40);
        setToolTip(title(tab));
        setAccessibleName(title(tab));
        setCheckable(true);
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::TabFocus);
        setAttribute(Qt::WA_Hover);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        if (underMouse() && !isChecked()) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(QColor::fromRgbF(1, 1, 1, 0.06f));
            painter.drawRoundedRect(QRectF(rect()), 8, 8);
        }
        QColor tint = isChecked() ? StudioTheme::accent() : StudioTheme::textSecondary();
        if (underMouse() && !isChecked())
            tint = StudioTheme::textPrimary();
        if (isDown())
            painter.setOpacity(0.88);
        QPixmap glyph = EditingTheme::icon(iconName(tab_), 16, tint);
        if (!glyph.isNull()) {
            painter.drawPixmap(QPointF(12, 12), glyph);
        } else {
            painter.setPen(tint);
            painter.drawText(rect(), Qt::AlignCenter, title(tab_).left(1));
        }
        if (showsFocusRing()) {
            painter.setOpacity(1);
            painter.setPen(QPen(StudioTheme::withOpacity(StudioTheme::accent(), 0.8), 1.5));
            painter.setBrush(Qt::NoBrush);
            painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 8, 8);
        }
    }

private:
    StudioTab tab_;
};

} // namespace

StudioIconRail::StudioIconRail(QWidget* parent) : QWidget(parent)
{
    setFixedWidth(56);
    setAccessibleName(tr("Settings"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(8, 8, 8, 8);
    column->setSpacing(4);
    for (size_t i = 0; i < kAllStudioTabs.size(); ++i) {
        StudioTab tab = kAllStudioTabs[i];
        auto* button = new RailButton(tab, this);
        // A checkable button's accessibility action toggles it without a click: follow the
        // toggle, so that a screen reader's press opens the panel as a click does.
        connect(button, &QAbstractButton::toggled, this, [this, tab] {
            if (!syncing_)
                press(tab);
        });
        buttons_[i] = button;
        column->addWidget(button, 0, Qt::AlignHCenter);
    }
    column->addStretch();
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

    slide_ = new QVariantAnimation(this);
    slide_->setDuration(320);
    slide_->setEasingCurve(QEasingCurve::OutBack);
    connect(slide_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        highlight_ = value.toRectF();
        update();
    });
}

QAbstractButton* StudioIconRail::button(StudioTab tab) const
{
    for (size_t i = 0; i < kAllStudioTabs.size(); ++i)
        if (kAllStudioTabs[i] == tab)
            return buttons_[i];
    return nullptr;
}

QSize StudioIconRail::sizeHint() const
{
    // One 40-point button a tab, 4 apart, inside an 8-point margin.
    constexpr int tabs = int(kAllStudioTabs.size());
    return {56, 8 + tabs * 40 + (tabs - 1) * 4 + 8};
}

void StudioIconRail::press(StudioTab tab)
{
    auto current = selectedTab.get();
    selectedTab.set(current == tab ? std::nullopt : std::optional<StudioTab>(tab));
    refresh();
}

QRectF StudioIconRail::highlightTarget() const
{
    auto tab = selectedTab.get();
    if (!tab)
        return {};
    return QRectF(button(*tab)->geometry());
}

void StudioIconRail::refresh()
{
    auto tab = selectedTab.get();
    syncing_ = true;
    for (size_t i = 0; i < kAllStudioTabs.size(); ++i)
        buttons_[i]->setChecked(tab == kAllStudioTabs[i]);
    syncing_ = false;
    QRectF target = highlightTarget();
    slide_->stop();
    if (highlight_.isNull() || target.isNull() || !isVisible()) {
        highlight_ = target;
        update();
        return;
    }
    slide_->setStartValue(highlight_);
    slide_->setEndValue(target);
    slide_->start();
}

void StudioIconRail::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(StudioTheme::stroke(), 1));
    painter.setBrush(StudioTheme::withOpacity(StudioTheme::panel(), 0.92));
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 14, 14);
    if (!highlight_.isNull()) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(StudioTheme::accentDim());
        painter.drawRoundedRect(highlight_, 8, 8);
    }
}

} // namespace tarnix
