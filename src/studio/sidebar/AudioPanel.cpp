#include "studio/sidebar/AudioPanel.h"

#include <QVBoxLayout>

#include "studio/sidebar/SidebarControls.h"
#include "studio/sidebar/StudioSidebarView.h"

namespace tarnix {

void AudioPanel::build(QVBoxLayout* column)
{
    auto& system = sidebar().systemAudio;
    auto& microphone = sidebar().microphoneAudio;
    if (hasSystemAudio())
        addToggle(column, tr("System Audio"), system.get().isEnabled,
                  [&system](bool on) { system.set(AudioTrackSettings{on}); });
    if (hasMicrophone())
        addToggle(column, tr("Microphone"), microphone.get().isEnabled,
                  [&microphone](bool on) { microphone.set(AudioTrackSettings{on}); });
    if (!hasSystemAudio() && !hasMicrophone())
        column->addWidget(secondaryLabel(tr("This recording has no sound."), content()));
}

} // namespace tarnix
