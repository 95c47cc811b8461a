#include "studio/sidebar/CameraPanel.h"

#include <QHBoxLayout>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

#include "studio/sidebar/SidebarControls.h"
#include "studio/sidebar/SidebarRules.h"
#include "studio/sidebar/StudioSidebarView.h"

namespace tarnix {

void CameraPanel::build(QVBoxLayout* column)
{
    if (!hasCamera()) {
        column->addWidget(secondaryLabel(tr("This recording has no camera."), content()));
        return;
    }
    auto& camera = sidebar().cameraOverlay;
    CameraOverlaySettings settings = camera.get();

    addToggle(column, tr("Show Camera"), settings.isEnabled,
              [&camera](bool on) { camera.modify([&](auto& s) { s.isEnabled = on; }); });
    addToggle(column, tr("Mirror"), settings.mirrored,
              [&camera](bool on) { camera.modify([&](auto& s) { s.mirrored = on; }); });

    auto* shape = new SegmentedPicker(tr("Shape"), {tr("Circle"), tr("Rounded")},
                                      settings.shape == CameraBubbleShape::circle ? 0 : 1, content());
    shape->onSelected = [this, &camera](int index) {
        camera.modify([&](auto& s) {
            s.shape = index == 0 ? CameraBubbleShape::circle : CameraBubbleShape::rounded;
        });
        commitAndRebuild();
    };
    column->addWidget(shape);

    if (settings.shape == CameraBubbleShape::rounded)
        addSlider(column, tr("Corner Radius"), 0, 80, 1, settings.cornerRadius,
                  [](double v) { return QString::number(qRound(v)); },
                  [&camera](double v) { camera.modify([&](auto& s) { s.cornerRadius = v; }); });

    addSlider(column, tr("Size"), 0.12, 0.4, 0.01, settings.sizeFraction,
              [](double v) { return SidebarRules::percentText(v); },
              [&camera](double v) { camera.modify([&](auto& s) { s.sizeFraction = v; }); });

    auto* position = new QHBoxLayout;
    position->addWidget(captionLabel(tr("Position"), content()));
    position->addStretch();
    auto* corner = new QPushButton(tr("Choose Corner"), content());
    corner->setObjectName("menu");
    corner->setAccessibleName(tr("Choose Corner"));
    corner->setCursor(Qt::PointingHandCursor);
    auto* menu = new QMenu(corner);
    for (const auto& item : SidebarRules::kCameraCorners) {
        Point point = item.position;
        QAction* action = menu->addAction(tr(item.title));
        connect(action, &QAction::triggered, this, [this, &camera, point] {
            camera.modify([&](auto& s) { s.position = point; });
            commit();
        });
    }
    corner->setMenu(menu);
    position->addWidget(corner);
    column->addLayout(position);
    column->addWidget(secondaryLabel(tr("Or drag the camera on the preview."), content()));
}

} // namespace tarnix
