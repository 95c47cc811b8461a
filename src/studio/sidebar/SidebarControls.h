#pragma once

#include <QAbstractButton>
#include <QLabel>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

#include "document/LookSettings.h"
#include "ui/FocusRingButton.h"

class QSlider;
class QButtonGroup;

// The controls of the settings panels. Each writes its value as it changes (`onValueChanged`,
// `onToggled`, `onSelected`) and says when the change is committed (`onCommit`): a slider when it
// is released (or at once for a keyboard or page step), everything else at once. Every control
// carries its text as its accessible name.

namespace tarnix {

// A caption above a slider over a closed range, with an optional read-out of the value.
class SliderRow final : public QWidget {
    Q_OBJECT
public:
    SliderRow(const QString& caption, double minimum, double maximum, double step, double value,
              QWidget* parent = nullptr);

    std::function<void(double)> onValueChanged;
    std::function<void()> onCommit;
    // Text shown at the caption's trailing end for a value ("24%", "2.0×"); none when absent.
    std::function<QString(double)> readout;

    double value() const;
    QSlider* slider() const { return slider_; }
    void refreshReadout();

private:
    double toValue(int position) const;
    QSlider* slider_;
    QLabel* readoutLabel_;
    double minimum_;
    double step_;
};

// A switch with its text on the leading side.
class ToggleSwitch final : public FocusRingButton {
    Q_OBJECT
public:
    ToggleSwitch(const QString& text, bool on, QWidget* parent = nullptr);
    std::function<void(bool)> onToggled;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A caption with a row of mutually exclusive segments: texts, or small outlines of shapes
// (width and height up to 1) above their titles, such as the canvas aspects. A shape's segment is
// never narrower than its title.
class SegmentedPicker final : public QWidget {
    Q_OBJECT
public:
    struct Shape {
        QString title;
        QSizeF glyph;
        bool dashed = false; // a shape that is not fixed, such as the recording's own
    };
    SegmentedPicker(const QString& caption, const QStringList& segments, int selected,
                    QWidget* parent = nullptr);
    SegmentedPicker(const QString& caption, const std::vector<Shape>& shapes, int selected,
                    QWidget* parent = nullptr);
    std::function<void(int)> onSelected;
    QAbstractButton* segment(int index) const;
    int selectedIndex() const;

private:
    void build(const QString& caption, int selected,
               const std::function<std::vector<QAbstractButton*>(QWidget* bar)>& makeButtons);
    QButtonGroup* group_;
};

// A swatch that opens a colour chooser (with opacity) when pressed.
class ColorWell final : public QAbstractButton {
    Q_OBJECT
public:
    ColorWell(const QString& caption, const QColor& color, QWidget* parent = nullptr);
    // Asks the user for a colour; nothing when cancelled. Defaults to the toolkit's dialog.
    std::function<std::optional<QColor>(const QColor& initial)> chooseColor;
    std::function<void(const QColor&)> onPicked;
    QColor color() const { return color_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void pick();
    QColor color_;
};

// A swatch button: a gradient preset or a wallpaper thumbnail, ringed when selected.
class SwatchButton final : public QAbstractButton {
    Q_OBJECT
public:
    SwatchButton(const QString& name, QWidget* parent = nullptr);
    void setGradient(const std::vector<CodableColor>& colors);
    void setImage(const QImage& image);
    void setSelected(bool selected);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<QColor> gradient_;
    QImage image_;
    bool selected_ = false;
};

// Small labels in the panels' typography.
QLabel* captionLabel(const QString& text, QWidget* parent = nullptr);
QLabel* secondaryLabel(const QString& text, QWidget* parent = nullptr);

} // namespace tarnix
