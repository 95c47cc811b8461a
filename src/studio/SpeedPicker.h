#pragma once

#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

class QPushButton;

// The caption line's speed choice for the selected speed segment: "Speed" and one button per
// factor (0.25× … 8×), the segment's own one checked. Hidden while no speed segment is selected.
// GUI thread.

namespace tarnix {

class SpeedPicker final : public QWidget {
    Q_OBJECT

public:
    explicit SpeedPicker(QWidget* parent = nullptr);

    // The selected segment's speed; nothing hides the picker.
    void setSpeed(std::optional<double> speed);
    // A button was pressed: the speed it stands for.
    std::function<void(double)> onPicked;

    QPushButton* button(double speed) const;

private:
    std::vector<std::pair<double, QPushButton*>> buttons_;
};

} // namespace tarnix
