#pragma once

#include <QPushButton>

// A selectable list row of the zoom and privacy panels: an icon, the region's time span and an
// optional trailing detail (the zoom level); highlighted when selected.

namespace tarnix {

class PanelRow final : public QPushButton {
    Q_OBJECT
public:
    PanelRow(const QString& iconName, const QString& text, const QString& detail, bool selected,
             QWidget* parent = nullptr);
};

// A button with a leading icon from the application's set.
QPushButton* iconButton(const QString& iconName, const QString& text, QWidget* parent = nullptr);

} // namespace tarnix
