#pragma once

#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QPainter>
#include <QString>

#include <filesystem>

#include "ui/StudioTheme.h"

// Helpers of the recorder tests: one QApplication with the application's theme, and screenshots
// saved under the build folder for a person to look at.

namespace tarnix::test {

inline void ensureWidgetApplication()
{
    if (QApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "tarnix-recorder-tests";
    static char* argv[] = {name, nullptr};
    static auto* app = new QApplication(argc, argv);
    StudioTheme::applyTo(*app);
}

// The first action of `menu`, filled as when it opens, whose text starts so; null when none does.
inline QAction* menuAction(QMenu* menu, const QString& startingWith)
{
    emit menu->aboutToShow();
    for (QAction* action : menu->actions())
        if (action->text().startsWith(startingWith))
            return action;
    return nullptr;
}

// Draws `picture` (which may be translucent) on a desktop-like gradient and saves it as
// build/screenshots/NAME.png; returns the path.
inline std::filesystem::path saveScreenshot(const QImage& picture, const QString& name)
{
    const std::filesystem::path folder = std::filesystem::path(TARNIX_BINARY_DIR) / "screenshots";
    std::filesystem::create_directories(folder);
    QImage canvas(picture.size() + QSize(80, 80), QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&canvas);
    QLinearGradient desktop(0, 0, canvas.width(), canvas.height());
    desktop.setColorAt(0, QColor(58, 96, 160));
    desktop.setColorAt(0.55, QColor(120, 84, 168));
    desktop.setColorAt(1, QColor(230, 140, 120));
    painter.fillRect(canvas.rect(), desktop);
    painter.drawImage(40, 40, picture);
    painter.end();
    const auto path = folder / (name.toStdString() + ".png");
    canvas.save(QString::fromStdString(path.string()));
    return path;
}

} // namespace tarnix::test
