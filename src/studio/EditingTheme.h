#pragma once

#include <QFont>
#include <QPixmap>
#include <QString>

#include "ui/StudioTheme.h"

// Fonts and icons of the editing views; their colours are StudioTheme's.

namespace tarnix::EditingTheme {

// The application font at a point size and weight.
QFont font(double pointSize, QFont::Weight weight = QFont::Normal);

// An icon of the application's set, tinted, `size` points square (sharp on any screen); a null
// pixmap when the icon is unknown.
QPixmap icon(const QString& name, double size, const QColor& color);

} // namespace tarnix::EditingTheme
