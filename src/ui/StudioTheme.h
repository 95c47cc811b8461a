#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QString>

class QApplication;

// The shared colour palette of the recorder bar and the Studio, and the dark application palette
// built from it. Colours are sRGB; the white ones carry their meaning in their opacity, so they
// work on any of the dark surfaces below.
//
// Threads: GUI thread only (QPalette and QApplication are).

namespace tarnix::StudioTheme {

QColor background();      // the window
QColor panel();           // sidebars, the bar's capsule
QColor panelElevated();   // menus, pills, popovers
QColor stroke();          // hairlines between surfaces
QColor textPrimary();
QColor textSecondary();
QColor textTertiary();
QColor accent();          // selection and focus
QColor accentDim();       // the selection's fill
QColor recording();       // the record button, the live indicator
QColor trackBackground(); // timeline tracks, slider grooves

// A dark palette of the colours above, for every widget that draws with the style.
QPalette palette();

// Fusion style, the palette above and the application font (Inter where it is installed):
// call once after the QApplication exists, before any window is shown.
void applyTo(QApplication& app);

// The application font at a pixel size and weight.
QFont font(int pixelSize, QFont::Weight weight = QFont::Normal);

// Dark, rounded menus with the accent as the selection.
QString menuStyleSheet();

// `color` at `opacity` times its own alpha.
QColor withOpacity(QColor color, qreal opacity);

// `color` as a style sheet writes it: "rgba(r, g, b, a)".
QString cssColor(const QColor& color);

} // namespace tarnix::StudioTheme
