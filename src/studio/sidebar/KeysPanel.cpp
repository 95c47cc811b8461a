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

    // A two-way choice that commits at once.
    auto addChoice = [&](const QString& caption, const QStringList& titles, bool second,
                         std::function<void(KeystrokeOverlaySettings&, bool)> apply) {
        auto* picker = new SegmentedPicker(caption, titles, second ? 1 : 0, content());
        picker->setEnabled(styled);
        picker->onSelected = [this, &keys, apply](int index) {
            keys.modify([&](auto& s) { apply(s, index == 1); });
            commit();
        };
        column->addWidget(picker);
    };
    addChoice(tr("Position"), {tr("Bottom"), tr("Top")}, settings.position == KeystrokePosition::top,
              [](KeystrokeOverlaySettings& s, bool top) {
                  s.position = top ? KeystrokePosition::top : KeystrokePosition::bottom;
              });
    addChoice(tr("Style"), {tr("Dark"), tr("Light")}, settings.style == KeystrokeStyle::light,
              [](KeystrokeOverlaySettings& s, bool light) {
                  s.style = light ? KeystrokeStyle::light : KeystrokeStyle::dark;
              });
}

} // namespace tarnix
