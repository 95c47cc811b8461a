#include "studio/sidebar/AudioPanel.h"

#include <QSlider>
#include <QVBoxLayout>

#include "studio/sidebar/SidebarControls.h"
#include "studio/sidebar/SidebarRules.h"
#include "studio/sidebar/StudioSidebarView.h"

namespace tarnix {

void AudioPanel::build(QVBoxLayout* column)
{
    auto& system = sidebar().systemAudio;
    auto& microphone = sidebar().microphoneAudio;
    // The switches change only whether a track plays: its noise settings stay.
    if (hasSystemAudio())
        addToggle(column, tr("System Audio"), system.get().isEnabled,
                  [&system](bool on) { system.modify([&](auto& s) { s.isEnabled = on; }); });
    if (hasMicrophone()) {
        addToggle(
            column, tr("Microphone"), microphone.get().isEnabled,
            [&microphone](bool on) { microphone.modify([&](auto& s) { s.isEnabled = on; }); }, true);
        buildNoiseReduction(column);
    }
    if (!hasSystemAudio() && !hasMicrophone())
        column->addWidget(secondaryLabel(tr("This recording has no sound."), content()));
}

void AudioPanel::buildNoiseReduction(QVBoxLayout* column)
{
    auto& microphone = sidebar().microphoneAudio;
    const AudioTrackSettings settings = microphone.get();
    auto* reduce = addToggle(
        column, tr("Reduce Noise"), settings.reducesNoise,
        [&microphone](bool on) { microphone.modify([&](auto& s) { s.reducesNoise = on; }); }, true);
    reduce->setToolTip(tr("Lowers the microphone's steady hiss and hum"));
    reduce->setEnabled(SidebarRules::canReduceNoise(settings));

    addStrengthSlider(column, settings.noiseReductionStrength, SidebarRules::canSetNoiseReductionStrength(settings),
                      tr("Noise reduction strength"),
                      [&microphone](double v) { microphone.modify([&](auto& s) { s.noiseReductionStrength = v; }); });
}

} // namespace tarnix
