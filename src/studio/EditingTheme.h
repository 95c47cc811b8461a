#pragma once

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QString>

// Colours, fonts and icons of the editing views in one place (the Studio's dark theme).

namespace tarnix::EditingTheme {

QColor background();
QColor panel();
QColor panelElevated();
QColor stroke();
QColor textPrimary();
QColor textSecondary();
QColor textTertiary();
QColor accent();
QColor accentDim();
QColor recording();
QColor trackBackground();

// `color` at a fraction of its own opacity.
QColor withOpacity(QColor color, double opacity);

// The system font at a point size and weight.
QFont font(double pointSize, QFont::Weight weight = QFont::Normal);

// An icon of the application's set, tinted, `size` points square at the given device pixel
// ratio; a null pixmap when the icon is unknown.
QPixmap icon(const QString& name, double size, const QColor& color, double devicePixelRatio = 1);

} // namespace tarnix::EditingTheme
