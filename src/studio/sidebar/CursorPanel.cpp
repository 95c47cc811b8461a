#include "studio/sidebar/CursorPanel.h"

#include <QSlider>
#include <QVBoxLayout>

#include "studio/sidebar/SidebarControls.h"
#include "studio/sidebar/SidebarRules.h"
#include "studio/sidebar/StudioSidebarView.h"

namespace tarnix {

void CursorPanel::build(QVBoxLayout* column)
{
    auto& cursor = sidebar().cursorOverlay;
    CursorOverlaySettings settings = cursor.get();
    addToggle(
        column, tr("Show Cursor"), settings.isEnabled,
        [&cursor](bool on) { cursor.modify([&](auto& s) { s.isEnabled = on; }); }, true);

    int styleIndex = 0;
    for (int i = 0; i < 3; ++i)
        if (kAllCursorStyles[i] == settings.style)
            styleIndex = i;
    auto* style = new SegmentedPicker(tr("Style"), {tr("System"), tr("Dot"), tr("Ring")}, styleIndex, content());
    style->setEnabled(settings.isEnabled);
    style->onSelected = [this, &cursor](int index) {
        cursor.modify([&](auto& s) { s.style = kAllCursorStyles[index]; });
        commit();
    };
    column->addWidget(style);

    auto* size = addSlider(
        column, tr("Size"), 0.008, 0.06, 0.001, settings.sizeFraction,
        [](double v) { return QString::number(v * 100, 'f', 1) + QLatin1Char('%'); },
        [&cursor](double v) { cursor.modify([&](auto& s) { s.sizeFraction = v; }); });
    size->setEnabled(settings.isEnabled);

    addToggle(column, tr("Click Ripples"), settings.showsClickRipples,
              [&cursor](bool on) { cursor.modify([&](auto& s) { s.showsClickRipples = on; }); });

    auto* smooth = addToggle(
        column, tr("Smooth movement"), settings.smoothsMovement,
        [&cursor](bool on) { cursor.modify([&](auto& s) { s.smoothsMovement = on; }); }, true);
    smooth->setEnabled(SidebarRules::canSmoothCursor(settings));

    addStrengthSlider(column, settings.smoothingStrength, SidebarRules::canSetSmoothingStrength(settings),
                      tr("Smoothing strength"),
                      [&cursor](double v) { cursor.modify([&](auto& s) { s.smoothingStrength = v; }); });
}

} // namespace tarnix
