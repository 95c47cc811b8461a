#include "studio/SpeedPicker.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "document/SpeedRegions.h"
#include "studio/StudioControls.h"

namespace tarnix {

SpeedPicker::SpeedPicker(QWidget* parent) : QWidget(parent)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    row->addWidget(StudioControls::caption(tr("Speed"), this));
    row->addSpacing(4);
    for (double speed : kSpeedFactors) {
        QString label = QString::fromStdString(speedLabel(speed));
        QPushButton* button = StudioControls::captionButton(label, this);
        button->setCheckable(true);
        button->setAccessibleName(tr("Speed %1").arg(label));
        button->setToolTip(speed > 1 ? tr("Play the segment %1 as fast").arg(label)
                                     : tr("Play the segment at %1 of its speed").arg(label));
        connect(button, &QPushButton::clicked, this, [this, speed] {
            if (onPicked)
                onPicked(speed);
        });
        row->addWidget(button);
        buttons_.emplace_back(speed, button);
    }
    hide();
}

void SpeedPicker::setSpeed(std::optional<double> speed)
{
    for (auto& [factor, button] : buttons_)
        button->setChecked(speed == factor);
    setVisible(speed.has_value());
}

QPushButton* SpeedPicker::button(double speed) const
{
    for (const auto& [factor, button] : buttons_)
        if (factor == speed)
            return button;
    return nullptr;
}

} // namespace tarnix
