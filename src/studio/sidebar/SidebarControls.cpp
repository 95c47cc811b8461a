#include "studio/sidebar/SidebarControls.h"

#include <QButtonGroup>
#include <QColorDialog>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include <cmath>

#include "studio/EditingTheme.h"
#include "studio/sidebar/SidebarRules.h"

namespace tarnix {

namespace T = StudioTheme;

QLabel* captionLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName("caption");
    return label;
}

QLabel* secondaryLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName("secondary");
    label->setWordWrap(true);
    return label;
}

// SliderRow

SliderRow::SliderRow(const QString& caption, double minimum, double maximum, double step,
                     double value, QWidget* parent)
    : QWidget(parent), minimum_(minimum), step_(step)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);
    auto* header = new QHBoxLayout;
    header->addWidget(captionLabel(caption, this));
    header->addStretch();
    readoutLabel_ = secondaryLabel(QString(), this);
    readoutLabel_->setWordWrap(false);
    header->addWidget(readoutLabel_);
    column->addLayout(header);

    slider_ = new QSlider(Qt::Horizontal, this);
    slider_->setRange(0, int(std::lround((maximum - minimum) / step)));
    slider_->setValue(int(std::lround((value - minimum) / step)));
    slider_->setAccessibleName(caption);
    slider_->setToolTip(caption);
    slider_->setPageStep(std::max(1, slider_->maximum() / 10));
    column->addWidget(slider_);

    connect(slider_, &QSlider::valueChanged, this, [this](int position) {
        if (onValueChanged)
            onValueChanged(toValue(position));
        refreshReadout();
        // Keyboard and page steps have no release: they commit at once.
        if (!slider_->isSliderDown() && onCommit)
            onCommit();
    });
    connect(slider_, &QSlider::sliderReleased, this, [this] {
        if (onCommit)
            onCommit();
    });
}

double SliderRow::toValue(int position) const
{
    return minimum_ + position * step_;
}

double SliderRow::value() const
{
    return toValue(slider_->value());
}

void SliderRow::refreshReadout()
{
    readoutLabel_->setText(readout ? readout(value()) : QString());
}

// ToggleSwitch

ToggleSwitch::ToggleSwitch(const QString& text, bool on, QWidget* parent) : FocusRingButton(parent)
{
    setText(text);
    setAccessibleName(text);
    setCheckable(true);
    setChecked(on);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QAbstractButton::toggled, this, [this](bool checked) {
        if (onToggled)
            onToggled(checked);
    });
}

QSize ToggleSwitch::sizeHint() const
{
    return {fontMetrics().horizontalAdvance(text()) + 52, 26};
}

void ToggleSwitch::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    double alpha = isEnabled() ? 1.0 : 0.4;
    painter.setOpacity(alpha);
    painter.setPen(T::textPrimary());
    painter.setFont(font());
    painter.drawText(rect().adjusted(0, 0, -44, 0), Qt::AlignLeft | Qt::AlignVCenter, text());

    QRectF track(width() - 36, (height() - 20) / 2.0, 36, 20);
    painter.setPen(Qt::NoPen);
    painter.setBrush(isChecked() ? T::accent() : QColor::fromRgbF(1, 1, 1, 0.14f));
    painter.drawRoundedRect(track, 10, 10);
    double knobX = isChecked() ? track.right() - 18 : track.left() + 2;
    painter.setBrush(Qt::white);
    painter.drawEllipse(QRectF(knobX, track.top() + 2, 16, 16));
    if (showsFocusRing()) {
        painter.setPen(QPen(T::withOpacity(T::accent(), 0.8), 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(track.adjusted(-2, -2, 2, 2), 12, 12);
    }
}

// SegmentedPicker

namespace {

// A segment drawn as a shape: the shape's outline, filled in the accent when chosen, over its title.
class ShapeTile final : public FocusRingButton {
public:
    ShapeTile(const SegmentedPicker::Shape& shape, QWidget* parent)
        : FocusRingButton(parent), glyph_(shape.glyph), dashed_(shape.dashed)
    {
        const QString& title = shape.title;
        setAttribute(Qt::WA_Hover);
        setText(title);
        setAccessibleName(title);
        setToolTip(title);
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::StrongFocus);
        setMinimumSize(QFontMetrics(labelFont()).horizontalAdvance(title) + 4, 50);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }
    QSize sizeHint() const override { return {40, 50}; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setOpacity(isEnabled() ? 1.0 : 0.4);
        const QRectF area = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        if (isChecked() || underMouse()) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(isChecked() ? T::panelElevated() : QColor::fromRgbF(1, 1, 1, 0.05f));
            painter.drawRoundedRect(area, 6, 6);
        }
        if (showsFocusRing()) {
            painter.setPen(QPen(T::withOpacity(T::accent(), 0.8), 1));
            painter.setBrush(Qt::NoBrush);
            painter.drawRoundedRect(area, 6, 6);
        }
        constexpr double box = 18;
        const QSizeF shape = glyph_ * box;
        const QRectF frame(width() / 2.0 - shape.width() / 2, 6 + (box - shape.height()) / 2,
                           shape.width(), shape.height());
        const QColor ink = isChecked() ? T::accent() : T::textSecondary();
        QPen outline(ink, 1.4);
        if (dashed_)
            outline.setDashPattern({2.0, 1.6});
        painter.setPen(outline);
        painter.setBrush(isChecked() ? T::withOpacity(T::accent(), 0.3) : QColor(Qt::transparent));
        painter.drawRoundedRect(frame.adjusted(0.7, 0.7, -0.7, -0.7), 2, 2);
        painter.setFont(labelFont());
        painter.setPen(isChecked() ? T::textPrimary() : T::textSecondary());
        painter.drawText(QRectF(0, 6 + box + 3, width(), height() - box - 9),
                         Qt::AlignHCenter | Qt::AlignTop, text());
    }

private:
    QFont labelFont() const
    {
        QFont small = font();
        small.setPointSizeF(8);
        return small;
    }
    QSizeF glyph_;
    bool dashed_;
};

} // namespace


SegmentedPicker::SegmentedPicker(const QString& caption, const QStringList& segments, int selected,
                                 QWidget* parent)
    : QWidget(parent), group_(new QButtonGroup(this))
{
    build(caption, selected, [&](QWidget* bar) {
        std::vector<QAbstractButton*> buttons;
        for (const QString& text : segments) {
            auto* button = new QPushButton(text, bar);
            button->setObjectName("segment");
            button->setAccessibleName(text);
            button->setCursor(Qt::PointingHandCursor);
            buttons.push_back(button);
        }
        return buttons;
    });
}

SegmentedPicker::SegmentedPicker(const QString& caption, const std::vector<Shape>& shapes,
                                 int selected, QWidget* parent)
    : QWidget(parent), group_(new QButtonGroup(this))
{
    build(caption, selected, [&](QWidget* bar) {
        std::vector<QAbstractButton*> buttons;
        for (const Shape& shape : shapes)
            buttons.push_back(new ShapeTile(shape, bar));
        return buttons;
    });
}

void SegmentedPicker::build(const QString& caption, int selected,
                            const std::function<std::vector<QAbstractButton*>(QWidget* bar)>& makeButtons)
{
    setAccessibleName(caption);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);
    column->addWidget(captionLabel(caption, this));
    auto* bar = new QWidget(this);
    bar->setObjectName("segmented");
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(2, 2, 2, 2);
    row->setSpacing(2);
    const std::vector<QAbstractButton*> buttons = makeButtons(bar);
    for (int i = 0; i < int(buttons.size()); ++i) {
        buttons[i]->setCheckable(true);
        buttons[i]->setChecked(i == selected);
        group_->addButton(buttons[i], i);
        row->addWidget(buttons[i]);
    }
    column->addWidget(bar);
    // Checking a segment, whether by a click or by the accessibility action (which toggles
    // without clicking), selects it.
    connect(group_, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked && onSelected)
            onSelected(id);
    });
}

QAbstractButton* SegmentedPicker::segment(int index) const
{
    return group_->button(index);
}

int SegmentedPicker::selectedIndex() const
{
    return group_->checkedId();
}

// ColorWell

ColorWell::ColorWell(const QString& caption, const QColor& color, QWidget* parent)
    : QAbstractButton(parent), color_(color)
{
    setText(caption);
    setAccessibleName(caption);
    setToolTip(caption);
    setCursor(Qt::PointingHandCursor);
    chooseColor = [this](const QColor& initial) -> std::optional<QColor> {
        QColor picked = QColorDialog::getColor(initial, this, text(), QColorDialog::ShowAlphaChannel);
        if (!picked.isValid())
            return std::nullopt;
        return picked;
    };
    connect(this, &QAbstractButton::clicked, this, &ColorWell::pick);
}

void ColorWell::pick()
{
    if (!chooseColor)
        return;
    if (auto picked = chooseColor(color_)) {
        color_ = *picked;
        update();
        if (onPicked)
            onPicked(color_);
    }
}

QSize ColorWell::sizeHint() const
{
    return {200, 30};
}

void ColorWell::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(T::textPrimary());
    painter.drawText(rect().adjusted(0, 0, -60, 0), Qt::AlignLeft | Qt::AlignVCenter, text());
    QRectF well(width() - 52, 3, 52, height() - 6);
    QPainterPath path;
    path.addRoundedRect(well, 6, 6);
    // A checkerboard shows through a translucent colour.
    painter.save();
    painter.setClipPath(path);
    painter.fillRect(well, QColor(200, 200, 200));
    for (int y = 0; y < int(well.height()); y += 6)
        for (int x = (y / 6) % 2 * 6; x < int(well.width()); x += 12)
            painter.fillRect(QRectF(well.left() + x, well.top() + y, 6, 6), QColor(140, 140, 140));
    painter.fillRect(well, color_);
    painter.restore();
    painter.setPen(QPen(hasFocus() ? T::accent() : QColor::fromRgbF(1, 1, 1, 0.25f), 1));
    painter.drawPath(path);
}

// SwatchButton

SwatchButton::SwatchButton(const QString& name, QWidget* parent) : QAbstractButton(parent)
{
    setAccessibleName(name);
    setToolTip(name);
    setCursor(Qt::PointingHandCursor);
    setMinimumHeight(44);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void SwatchButton::setGradient(const std::vector<CodableColor>& colors)
{
    gradient_.clear();
    for (const auto& c : colors)
        gradient_.push_back(SidebarRules::displayColor(c));
    update();
}

void SwatchButton::setImage(const QImage& image)
{
    image_ = image;
    update();
}

void SwatchButton::setSelected(bool selected)
{
    selected_ = selected;
    update();
}

QSize SwatchButton::sizeHint() const
{
    return {70, 44};
}

void SwatchButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    QRectF area = QRectF(rect()).adjusted(3, 3, -3, -3);
    QPainterPath path;
    path.addRoundedRect(area, 7, 7);
    painter.save();
    painter.setClipPath(path);
    if (!gradient_.empty()) {
        QLinearGradient fill(area.topLeft(), area.bottomRight());
        for (size_t i = 0; i < gradient_.size(); ++i)
            fill.setColorAt(gradient_.size() == 1 ? 0 : double(i) / double(gradient_.size() - 1),
                            gradient_[i]);
        painter.fillRect(area, fill);
    } else if (!image_.isNull()) {
        // Fill the swatch, cropping the picture's overflow.
        QSizeF scaled = QSizeF(image_.size()).scaled(area.size(), Qt::KeepAspectRatioByExpanding);
        QRectF target(area.center().x() - scaled.width() / 2, area.center().y() - scaled.height() / 2,
                      scaled.width(), scaled.height());
        painter.drawImage(target, image_);
    } else {
        painter.fillRect(area, T::trackBackground());
    }
    painter.restore();
    if (selected_) {
        painter.setPen(QPen(T::accent(), 2));
        painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 9, 9);
    } else {
        painter.setPen(QPen(underMouse() || hasFocus() ? QColor::fromRgbF(1, 1, 1, 0.35f) : T::stroke(), 1));
        painter.drawPath(path);
    }
}

} // namespace tarnix
