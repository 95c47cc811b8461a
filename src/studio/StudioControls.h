#pragma once

#include <QString>

class QColor;

class QLabel;
class QPushButton;
class QToolButton;
class QWidget;

// The Studio's small buttons and labels, made one way: icon tinted from the theme, tooltip, the
// press feedback, and an accessible name (its text, else its tooltip) for screen readers and the
// tests that drive the Studio through them. GUI thread.

namespace tarnix::StudioControls {

// A square icon button (toolbar, transport).
QToolButton* iconButton(const QString& icon, const QString& tooltip, QWidget* parent,
                        int iconSize = 16);
// Changes an icon button's icon and tooltip (and so its accessible name).
void setIcon(QToolButton* button, const QString& icon, const QString& tooltip, int iconSize = 16);
// A plain text button in caption size ("Remove all", "Show in Files").
QPushButton* captionButton(const QString& text, QWidget* parent);
// A caption label in the secondary text colour.
QLabel* caption(const QString& text, QWidget* parent);

// The Studio's style sheet: dark surfaces, rounded hover states, the accent button.
QString styleSheet();

} // namespace tarnix::StudioControls
