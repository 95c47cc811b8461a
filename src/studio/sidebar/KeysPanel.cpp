#include "studio/sidebar/KeysPanel.h"

#include <QSlider>
#include <QVBoxLayout>

#include "studio/sidebar/SidebarControls.h"
#include "studio/sidebar/SidebarRules.h"
#include "studio/sidebar/StudioSidebarView.h"

namespace tarnix {

void KeysPanel::build(QVBoxLayout* column)
{
    auto& keys = sidebar().keystrokeOverlay;
    const KeystrokeOverlaySettings settings = keys.get();
    if (!hasKeyEvents())
        column->addWidget(secondaryLabel(
            tr("No keys were recorded. Turn on \u201cRecord Keystrokes\u201d in the recorder's menu "
               "to show them."),
            content()));

    auto* show = addToggle(
        column, tr("Show Keystrokes"), settings.isEnabled,
        [&keys](bool on) { keys.modify([&](auto& s) { s.isEnabled = on; }); }, true);
    show->setEnabled(SidebarRules::canShowKeystrokes(hasKeyEvents()));
    const bool styled = SidebarRules::canStyleKeystrokes(hasKeyEvents(), settings);

    auto* size = addSlider(
        column, tr("Size"), SidebarRules::kKeystrokeSizeMin, SidebarRules::kKeystrokeSizeMax, 0.001,
        settings.sizeFraction, [](double v) { return SidebarRules::keystrokeSizeText(v); },
        [&keys](double v) { keys.modify([&](auto& s) { s.sizeFraction = v; }); });
    size->setEnabled(styled);

    const int edge = settings.position == KeystrokePosition::top ? 1 : 0;
    auto* position = new SegmentedPicker(tr("Position"), {tr("Bottom"), tr("Top")}, edge, content());
    position->setEnabled(styled);
    position->onSelected = [this, &keys](int index) {
        keys.modify([&](auto& s) {
            s.position = index == 1 ? KeystrokePosition::top : KeystrokePosition::bottom;
        });
        commit();
    };
    column->addWidget(position);

    const int look = settings.style == KeystrokeStyle::light ? 1 : 0;
    auto* style = new SegmentedPicker(tr("Style"), {tr("Dark"), tr("Light")}, look, content());
    style->setEnabled(styled);
    style->onSelected = [this, &keys](int index) {
        keys.modify([&](auto& s) {
            s.style = index == 1 ? KeystrokeStyle::light : KeystrokeStyle::dark;
        });
        commit();
    };
    column->addWidget(style);
}

} // namespace tarnix
