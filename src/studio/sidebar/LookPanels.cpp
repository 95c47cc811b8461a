// The camera, audio and cursor panels of StudioSidebarView.

#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include "studio/sidebar/SidebarControls.h"
#include "studio/sidebar/SidebarRules.h"
#include "studio/sidebar/StudioSidebarView.h"

namespace tarnix {

namespace {

// A "Strength" slider of 0...100 % under a switch, named for assistive technology by what it
// strengthens; it reports every move to `set` and its release to `commit`.
SliderRow* strengthSlider(const QString& accessibleName, double value, bool enabled,
                          std::function<void(double)> set, std::function<void()> commit,
                          QWidget* parent)
{
    auto* strength = new SliderRow(StudioSidebarView::tr("Strength"), 0, 1, 0.01, value, parent);
    strength->setEnabled(enabled);
    strength->slider()->setAccessibleName(accessibleName);
    strength->readout = [](double v) { return SidebarRules::percentText(v); };
    strength->refreshReadout();
    strength->onValueChanged = std::move(set);
    strength->onCommit = std::move(commit);
    return strength;
}

} // namespace

void StudioSidebarView::buildCameraPanel(QVBoxLayout* column)
{
    if (!hasCamera_) {
        column->addWidget(secondaryLabel(tr("This recording has no camera."), content_));
        return;
    }
    CameraOverlaySettings settings = cameraOverlay.get();

    auto* show = new ToggleSwitch(tr("Show Camera"), settings.isEnabled, content_);
    show->onToggled = [this](bool on) {
        cameraOverlay.modify([&](auto& s) { s.isEnabled = on; });
        commit();
    };
    column->addWidget(show);

    auto* mirror = new ToggleSwitch(tr("Mirror"), settings.mirrored, content_);
    mirror->onToggled = [this](bool on) {
        cameraOverlay.modify([&](auto& s) { s.mirrored = on; });
        commit();
    };
    column->addWidget(mirror);

    auto* shape = new SegmentedPicker(tr("Shape"), {tr("Circle"), tr("Rounded")},
                                      settings.shape == CameraBubbleShape::circle ? 0 : 1, content_);
    shape->onSelected = [this](int index) {
        cameraOverlay.modify([&](auto& s) {
            s.shape = index == 0 ? CameraBubbleShape::circle : CameraBubbleShape::rounded;
        });
        commitAndRebuild();
    };
    column->addWidget(shape);

    if (settings.shape == CameraBubbleShape::rounded) {
        auto* radius = new SliderRow(tr("Corner Radius"), 0, 80, 1, settings.cornerRadius, content_);
        radius->readout = [](double v) { return QString::number(qRound(v)); };
        radius->refreshReadout();
        radius->onValueChanged = [this](double v) { cameraOverlay.modify([&](auto& s) { s.cornerRadius = v; }); };
        radius->onCommit = [this] { commit(); };
        column->addWidget(radius);
    }

    auto* size = new SliderRow(tr("Size"), 0.12, 0.4, 0.01, settings.sizeFraction, content_);
    size->readout = [](double v) { return SidebarRules::percentText(v); };
    size->refreshReadout();
    size->onValueChanged = [this](double v) { cameraOverlay.modify([&](auto& s) { s.sizeFraction = v; }); };
    size->onCommit = [this] { commit(); };
    column->addWidget(size);

    auto* position = new QHBoxLayout;
    position->addWidget(captionLabel(tr("Position"), content_));
    position->addStretch();
    auto* corner = new QPushButton(tr("Choose Corner"), content_);
    corner->setObjectName("menu");
    corner->setAccessibleName(tr("Choose Corner"));
    corner->setCursor(Qt::PointingHandCursor);
    auto* menu = new QMenu(corner);
    for (const auto& item : SidebarRules::kCameraCorners) {
        Point point = item.position;
        QAction* action = menu->addAction(tr(item.title));
        connect(action, &QAction::triggered, this, [this, point] {
            cameraOverlay.modify([&](auto& s) { s.position = point; });
            commit();
        });
    }
    corner->setMenu(menu);
    position->addWidget(corner);
    column->addLayout(position);
    column->addWidget(secondaryLabel(tr("Or drag the camera on the preview."), content_));
}

void StudioSidebarView::buildAudioPanel(QVBoxLayout* column)
{
    if (hasSystemAudio_) {
        auto* system = new ToggleSwitch(tr("System Audio"), systemAudio.get().isEnabled, content_);
        system->onToggled = [this](bool on) {
            systemAudio.modify([&](auto& s) { s.isEnabled = on; });
            commit();
        };
        column->addWidget(system);
    }
    if (hasMicrophone_) {
        auto* microphone = new ToggleSwitch(tr("Microphone"), microphoneAudio.get().isEnabled, content_);
        microphone->onToggled = [this](bool on) {
            microphoneAudio.modify([&](auto& s) { s.isEnabled = on; });
            commitAndRebuild();
        };
        column->addWidget(microphone);
        buildNoiseReductionRows(column);
    }
    if (!hasSystemAudio_ && !hasMicrophone_)
        column->addWidget(secondaryLabel(tr("This recording has no sound."), content_));
}

void StudioSidebarView::buildNoiseReductionRows(QVBoxLayout* column)
{
    const AudioTrackSettings settings = microphoneAudio.get();
    auto* reduce = new ToggleSwitch(tr("Reduce Noise"), settings.reducesNoise, content_);
    reduce->setToolTip(tr("Lowers the microphone's steady hiss and hum"));
    reduce->setEnabled(SidebarRules::canReduceNoise(settings));
    reduce->onToggled = [this](bool on) {
        microphoneAudio.modify([&](auto& s) { s.reducesNoise = on; });
        commitAndRebuild();
    };
    column->addWidget(reduce);

    column->addWidget(strengthSlider(
        tr("Noise reduction strength"), settings.noiseReductionStrength,
        SidebarRules::canSetNoiseReductionStrength(settings),
        [this](double v) { microphoneAudio.modify([&](auto& s) { s.noiseReductionStrength = v; }); },
        [this] { commit(); }, content_));
}

void StudioSidebarView::buildCursorPanel(QVBoxLayout* column)
{
    CursorOverlaySettings settings = cursorOverlay.get();
    auto* show = new ToggleSwitch(tr("Show Cursor"), settings.isEnabled, content_);
    show->onToggled = [this](bool on) {
        cursorOverlay.modify([&](auto& s) { s.isEnabled = on; });
        commitAndRebuild();
    };
    column->addWidget(show);

    int styleIndex = 0;
    for (int i = 0; i < 3; ++i)
        if (kAllCursorStyles[i] == settings.style)
            styleIndex = i;
    auto* style = new SegmentedPicker(tr("Style"), {tr("System"), tr("Dot"), tr("Ring")}, styleIndex, content_);
    style->setEnabled(settings.isEnabled);
    style->onSelected = [this](int index) {
        cursorOverlay.modify([&](auto& s) { s.style = kAllCursorStyles[index]; });
        commit();
    };
    column->addWidget(style);

    auto* size = new SliderRow(tr("Size"), 0.008, 0.06, 0.001, settings.sizeFraction, content_);
    size->setEnabled(settings.isEnabled);
    size->readout = [](double v) { return QString::number(v * 100, 'f', 1) + QLatin1Char('%'); };
    size->refreshReadout();
    size->onValueChanged = [this](double v) { cursorOverlay.modify([&](auto& s) { s.sizeFraction = v; }); };
    size->onCommit = [this] { commit(); };
    column->addWidget(size);

    auto* ripples = new ToggleSwitch(tr("Click Ripples"), settings.showsClickRipples, content_);
    ripples->onToggled = [this](bool on) {
        cursorOverlay.modify([&](auto& s) { s.showsClickRipples = on; });
        commit();
    };
    column->addWidget(ripples);

    auto* smooth = new ToggleSwitch(tr("Smooth movement"), settings.smoothsMovement, content_);
    smooth->setEnabled(SidebarRules::canSmoothCursor(settings));
    smooth->onToggled = [this](bool on) {
        cursorOverlay.modify([&](auto& s) { s.smoothsMovement = on; });
        commitAndRebuild();
    };
    column->addWidget(smooth);

    column->addWidget(strengthSlider(
        tr("Smoothing strength"), settings.smoothingStrength,
        SidebarRules::canSetSmoothingStrength(settings),
        [this](double v) { cursorOverlay.modify([&](auto& s) { s.smoothingStrength = v; }); },
        [this] { commit(); }, content_));
}

} // namespace tarnix
