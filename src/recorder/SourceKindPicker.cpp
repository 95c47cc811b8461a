#include "recorder/SourceKindPicker.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QMenu>
#include <QPainter>

#include <algorithm>

#include "recorder/BarControls.h"
#include "ui/PhosphorIcon.h"
#include "ui/StudioTheme.h"

namespace tarnix {

namespace {

// One kind: its icon above its title, bright when selected.
QString toolTipOf(SourceKind kind)
{
    switch (kind) {
    case SourceKind::application:
        return SourceKindPicker::tr("Record a whole application");
    case SourceKind::window:
        return SourceKindPicker::tr("Record a single window");
    case SourceKind::area:
        return SourceKindPicker::tr("Record an area of a display");
    case SourceKind::display:
        break;
    }
    return SourceKindPicker::tr("Record a whole display");
}

class SourceKindButton : public BarButton {
public:
    SourceKindButton(const SourceKindInfo& info, QWidget* parent)
        : BarButton(parent)
        , icon_(QString::fromUtf8(info.icon))
    {
        setText(QCoreApplication::translate("tarnix::SourceKind", info.title));
        setAccessibleName(text());
        setToolTip(toolTipOf(info.kind));
        setFixedSize(SourceKindPicker::buttonSize());
        setCheckable(false);
    }
    void setSelected(bool selected)
    {
        selected_ = selected;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF area = QRectF(rect()).adjusted(2, 2, -2, -2);
        if (isHovered() && !selected_) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(QColor(255, 255, 255, 14));
            painter.drawRoundedRect(area, 10, 10);
        }
        paintFocus(painter, area, 10);
        const QColor color = selected_ ? StudioTheme::textPrimary()
                             : isHovered() ? StudioTheme::withOpacity(StudioTheme::textPrimary(), 0.8)
                                           : StudioTheme::textSecondary();
        constexpr qreal iconSize = 15;
        painter.drawPixmap(QPointF((width() - iconSize) / 2, 7), PhosphorIcon::pixmap(icon_, iconSize, color));
        painter.setFont(SourceKindPicker::titleFont(selected_));
        painter.setPen(color);
        painter.drawText(QRectF(0, 25, width(), 14), Qt::AlignCenter, text());
    }

private:
    QString icon_;
    bool selected_ = false;
};

} // namespace

QSize SourceKindPicker::buttonSize()
{
    const QFontMetrics metrics(titleFont(true));
    int widest = 0;
    for (const SourceKindInfo& info : sourceKinds())
        widest = std::max(widest,
                          metrics.horizontalAdvance(QCoreApplication::translate("tarnix::SourceKind", info.title)));
    return {std::max(54, widest + 12), 44};
}

QFont SourceKindPicker::titleFont(bool selected)
{
    return StudioTheme::font(10, selected ? QFont::DemiBold : QFont::Medium);
}

SourceKindPicker::SourceKindPicker(ControlBarModel& model, QWidget* parent)
    : QWidget(parent)
    , model_(model)
    , slide_(Spring{0.3, 0.78}, [this](double x) {
        highlightX_ = x;
        update();
    })
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    int offered = 0;
    for (const SourceKindInfo& info : sourceKinds()) {
        if (!model_.offersKind(info.kind))
            continue;
        slots_[size_t(info.kind)] = offered++;
        const auto index = size_t(info.kind);
        auto* button = new SourceKindButton(info, this);
        auto* menu = new QMenu(button);
        menu->setStyleSheet(StudioTheme::menuStyleSheet());
        connect(menu, &QMenu::aboutToShow, this, [this, kind = info.kind] { fillMenu(kind); });
        button->setDropDown(menu);
        buttons_[index] = button;
        menus_[index] = menu;
        row->addWidget(button);
    }
    setFixedSize(buttonSize().width() * offered, buttonSize().height());
    sync(false);
}

std::optional<double> SourceKindPicker::highlightPosition() const
{
    if (!shownKind_)
        return std::nullopt;
    return highlightX_;
}

void SourceKindPicker::sync(bool animate)
{
    const auto kind = model_.selectedKind();
    for (const SourceKindInfo& info : sourceKinds())
        if (auto* button = static_cast<SourceKindButton*>(buttons_[size_t(info.kind)]))
            button->setSelected(kind == info.kind);
    if (kind == shownKind_)
        return;
    // The highlight appears in place the first time and slides from then on.
    const bool slide = animate && shownKind_.has_value() && kind.has_value();
    shownKind_ = kind;
    if (kind)
        slide_.animateTo(double(slots_[size_t(*kind)]), slide);
    update();
}

void SourceKindPicker::fillMenu(SourceKind kind)
{
    QMenu* menu = menus_[size_t(kind)];
    menu->clear();
    // Windows come and go between refreshes; asking the X server again costs a few milliseconds.
    model_.refreshSources();
    const auto items = model_.sourceItems(kind);
    if (items.empty()) {
        menu->addAction(tr("None available"))->setEnabled(false);
        return;
    }
    const auto& selected = model_.session().selectedSourceID();
    for (const SourceItem& item : items) {
        QAction* action = menu->addAction(QString::fromStdString(item.label));
        action->setCheckable(true);
        action->setChecked(selected == item.identifier);
        if (kind == SourceKind::area) {
            action->setChecked(action->isChecked() && model_.selectedKind() == SourceKind::area);
            connect(action, &QAction::triggered, this, [this, id = item.identifier] { model_.chooseArea(id); });
        } else {
            action->setChecked(action->isChecked() && model_.selectedKind() == kind);
            connect(action, &QAction::triggered, this, [this, id = item.identifier] { model_.selectSource(id); });
        }
    }
}

void SourceKindPicker::paintEvent(QPaintEvent*)
{
    if (!shownKind_)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QSize button = buttonSize();
    const QRectF pill(highlightX_ * button.width() + 2, 2, button.width() - 4, button.height() - 4);
    painter.setPen(QPen(StudioTheme::withOpacity(StudioTheme::accent(), 0.5), 1));
    painter.setBrush(StudioTheme::accentDim());
    painter.drawRoundedRect(pill.adjusted(0.5, 0.5, -0.5, -0.5), 10, 10);
}

} // namespace tarnix
