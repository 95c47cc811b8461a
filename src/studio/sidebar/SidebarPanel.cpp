#include "studio/sidebar/SidebarPanel.h"

#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include "studio/sidebar/PanelRows.h"
#include "studio/sidebar/SidebarControls.h"
#include "studio/sidebar/SidebarRules.h"
#include "studio/sidebar/StudioSidebarView.h"

namespace tarnix {

SidebarPanel::SidebarPanel(StudioSidebarView& sidebar) : QObject(&sidebar), sidebar_(sidebar) {}

QWidget* SidebarPanel::content() const { return sidebar_.content_; }
bool SidebarPanel::hasCamera() const { return sidebar_.hasCamera_; }
bool SidebarPanel::hasSystemAudio() const { return sidebar_.hasSystemAudio_; }
bool SidebarPanel::hasMicrophone() const { return sidebar_.hasMicrophone_; }
bool SidebarPanel::hasKeyEvents() const { return sidebar_.hasKeyEvents_; }
double SidebarPanel::duration() const { return sidebar_.duration_; }
double SidebarPanel::currentTime() const { return sidebar_.currentTime_; }

void SidebarPanel::commit()
{
    sidebar_.commit();
}

void SidebarPanel::showLive()
{
    sidebar_.showLive();
}

void SidebarPanel::commitAndRebuild()
{
    sidebar_.commitAndRebuild();
}

SliderRow* SidebarPanel::addStrengthSlider(QVBoxLayout* column, double value, bool enabled,
                                           const QString& accessibleName,
                                           std::function<void(double)> apply)
{
    auto* strength = addSlider(
        column, tr("Strength"), 0, 1, 0.01, value, [](double v) { return SidebarRules::percentText(v); },
        std::move(apply));
    strength->setEnabled(enabled);
    strength->slider()->setAccessibleName(accessibleName);
    return strength;
}

void SidebarPanel::addRegionRows(QVBoxLayout* column, const QString& iconName,
                                 const std::vector<RegionRow>& regions,
                                 Binding<std::optional<Uuid>>& selection)
{
    const std::optional<Uuid> selected = selection.get();
    auto* rows = new QVBoxLayout;
    rows->setSpacing(2);
    for (const RegionRow& region : regions) {
        auto* row = new PanelRow(iconName, SidebarRules::spanText(region.start, region.end),
                                 region.detail, selected == region.id, content());
        connect(row, &QPushButton::clicked, this, [this, &selection, id = region.id] {
            selection.set(id);
            refresh();
        });
        rows->addWidget(row);
    }
    column->addLayout(rows);
}

void SidebarPanel::refresh()
{
    sidebar_.refresh();
}

SliderRow* SidebarPanel::addSlider(QVBoxLayout* column, const QString& caption, double minimum,
                                   double maximum, double step, double value,
                                   std::function<QString(double)> readout,
                                   std::function<void(double)> apply)
{
    auto* slider = new SliderRow(caption, minimum, maximum, step, value, content());
    slider->readout = std::move(readout);
    slider->refreshReadout();
    slider->onValueChanged = std::move(apply);
    slider->onCommit = [this] { commit(); };
    column->addWidget(slider);
    return slider;
}

ToggleSwitch* SidebarPanel::addToggle(QVBoxLayout* column, const QString& caption, bool on,
                                      std::function<void(bool)> apply, bool rebuilds)
{
    auto* toggle = new ToggleSwitch(caption, on, content());
    toggle->onToggled = [this, apply = std::move(apply), rebuilds](bool value) {
        apply(value);
        if (rebuilds)
            commitAndRebuild();
        else
            commit();
    };
    column->addWidget(toggle);
    return toggle;
}

void SidebarPanel::addDeleteButton(QVBoxLayout* column, const QString& text,
                                   std::function<void()> remove)
{
    auto* button = new QPushButton(text, content());
    button->setObjectName("destructive");
    button->setAccessibleName(text);
    button->setCursor(Qt::PointingHandCursor);
    connect(button, &QPushButton::clicked, this, [this, remove = std::move(remove)] {
        remove();
        commitAndRebuild();
    });
    column->addWidget(button);
}

} // namespace tarnix
