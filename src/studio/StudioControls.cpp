#include "studio/StudioControls.h"

#include <QLabel>
#include <QPushButton>
#include <QToolButton>

#include "ui/PhosphorIcon.h"
#include "ui/StudioTheme.h"
#include "ui/TactileButtonStyle.h"

namespace tarnix::StudioControls {

QToolButton* iconButton(const QString& icon, const QString& tooltip, QWidget* parent, int iconSize)
{
    auto* button = new QToolButton(parent);
    button->setAutoRaise(true);
    button->setCursor(Qt::PointingHandCursor);
    button->setFocusPolicy(Qt::TabFocus);
    button->setFixedSize(iconSize + 16, iconSize + 16);
    setIcon(button, icon, tooltip, iconSize);
    TactileButtonStyle::apply(button);
    return button;
}

void setIcon(QToolButton* button, const QString& icon, const QString& tooltip, int iconSize)
{
    button->setIcon(PhosphorIcon::icon(icon, iconSize, StudioTheme::textPrimary()));
    button->setIconSize(QSize(iconSize, iconSize));
    button->setToolTip(tooltip);
    button->setAccessibleName(tooltip);
}

QPushButton* captionButton(const QString& text, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QStringLiteral("captionButton"));
    button->setFlat(true);
    button->setCursor(Qt::PointingHandCursor);
    button->setFocusPolicy(Qt::TabFocus);
    button->setAccessibleName(text);
    TactileButtonStyle::apply(button);
    return button;
}

QLabel* caption(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QStringLiteral("caption"));
    return label;
}

QString styleSheet()
{
    using namespace StudioTheme;
    return QStringLiteral(R"(
tarnix--StudioView { background: %1; }
QWidget#studioToolbar, QWidget#transportBar { background: %2; }
QWidget#studioToolbar { border-bottom: 1px solid %3; }
QWidget#transportBar { border-top: 1px solid %3; }
QWidget#timelineSection { background: %2; }
QLabel { color: %4; }
QLabel#studioTitle { font-weight: 600; font-size: 14px; }
QLabel#caption, QLabel#timeText { color: %5; font-size: 11px; }
QLabel#resultText { color: %5; font-size: 11px; }
QToolButton { border: none; border-radius: 8px; background: transparent; color: %4; }
QToolButton:hover { background: %6; }
QToolButton:pressed { background: %7; }
QToolButton:disabled { background: transparent; }
QToolButton#resolutionMenu { border-radius: 13px; padding: 0 10px; background: %6; font-size: 12px; }
QToolButton#resolutionMenu::menu-indicator { image: none; width: 0; }
QPushButton#exportButton { background: %8; color: white; border: none; border-radius: 8px;
                           padding: 6px 14px; font-weight: 600; }
QPushButton#exportButton:hover { background: %9; }
QPushButton#exportButton:disabled { background: %10; color: rgba(255, 255, 255, 0.6); }
QPushButton#exportButton[exporting="true"] { background: %6; color: %4; }
QPushButton#captionButton { border: none; background: transparent; color: %11; font-size: 11px;
                            padding: 2px 6px; }
QPushButton#captionButton:hover { color: %4; }
QPushButton#captionButton:disabled { color: %12; }
QPushButton#captionButton:checked { color: %4; background: %13; border-radius: 6px; font-weight: 600; }
QMenu { background: %6; color: %4; border: 1px solid %3; border-radius: 8px; padding: 4px; }
QMenu::item { padding: 6px 18px 6px 8px; border-radius: 6px; }
QMenu::item:selected { background: %13; }
)")
        .arg(cssColor(background()), cssColor(panel()), cssColor(stroke()), cssColor(textPrimary()),
             cssColor(textSecondary()), cssColor(panelElevated()), cssColor(accentDim()), cssColor(accent()),
             cssColor(accent().lighter(112)))
        .arg(cssColor(withOpacity(accent(), 0.6)), cssColor(textSecondary()), cssColor(textTertiary()),
             cssColor(accentDim()));
}

} // namespace tarnix::StudioControls
