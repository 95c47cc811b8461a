#include "studio/sidebar/SidebarStyle.h"

#include "studio/EditingTheme.h"
#include "ui/StudioTheme.h"

namespace tarnix {

QString sidebarStyleSheet()
{
    namespace T = StudioTheme;
    using StudioTheme::cssColor;
    QString sheet = QStringLiteral(R"(
#studioSidebar { background: @panel; border: 1px solid @stroke; border-radius: 14px; }
#studioSidebar QScrollArea, #studioSidebar #sidebarContent { background: transparent; border: none; }
#studioSidebar QLabel { color: @text; font-size: 9pt; background: transparent; }
#studioSidebar QLabel#title { font-size: 11pt; font-weight: 600; }
#studioSidebar QLabel#caption { color: @text; font-size: 9pt; }
#studioSidebar QLabel#secondary { color: @secondary; font-size: 8.5pt; }
#studioSidebar QLabel#caption:disabled, #studioSidebar QLabel#secondary:disabled { color: @tertiary; }
#studioSidebar QLabel#section { color: @tertiary; font-size: 8pt; font-weight: 600; }
#studioSidebar QLabel#thumbnail { background: @track; border-radius: 8px; color: @tertiary; }
#studioSidebar QPushButton {
    color: @text; background: @elevated; border: 1px solid @stroke; border-radius: 7px;
    padding: 5px 10px; font-size: 9pt; }
#studioSidebar QPushButton:hover { background: @hover; }
#studioSidebar QPushButton:pressed { background: @track; }
#studioSidebar QPushButton:disabled { color: @tertiary; background: @track; }
#studioSidebar QPushButton:focus { border: 1px solid @accent; }
#studioSidebar QPushButton#menu { padding-right: 24px; }
#studioSidebar QPushButton#menu::menu-indicator {
    subcontrol-origin: padding; subcontrol-position: right center; right: 8px; width: 8px; height: 8px; }
#studioSidebar QPushButton#destructive { color: @recording; }
#studioSidebar QPushButton#destructive:hover { background: @recordingDim; }
#studioSidebar QPushButton#close {
    background: transparent; border: none; border-radius: 9px; padding: 0; }
#studioSidebar QPushButton#close:hover { background: @hover; }
#studioSidebar QPushButton#row {
    text-align: left; background: transparent; border: none; border-radius: 6px; padding: 6px 8px; }
#studioSidebar QPushButton#row:hover { background: @track; }
#studioSidebar QPushButton#row[selected="true"] { background: @rowSelected; }
#studioSidebar #segmented { background: @track; border-radius: 8px; }
#studioSidebar QPushButton#segment {
    background: transparent; border: none; border-radius: 6px; padding: 4px 2px; color: @secondary; }
#studioSidebar QPushButton#segment:hover { color: @text; }
#studioSidebar QPushButton#segment:checked { background: @elevated; color: @text; }
#studioSidebar QPushButton#segment:disabled { color: @tertiary; }
#studioSidebar QSlider::groove:horizontal { height: 4px; background: @groove; border-radius: 2px; }
#studioSidebar QSlider::sub-page:horizontal { background: @accent; border-radius: 2px; }
#studioSidebar QSlider::sub-page:horizontal:disabled { background: @tertiary; }
#studioSidebar QSlider::handle:horizontal {
    background: white; width: 14px; height: 14px; margin: -5px 0; border-radius: 7px; }
#studioSidebar QSlider::handle:horizontal:disabled { background: @secondary; }
#studioSidebar QScrollBar:vertical { background: transparent; width: 8px; margin: 4px 2px 4px 0; }
#studioSidebar QScrollBar::handle:vertical { background: @groove; border-radius: 3px; min-height: 24px; }
#studioSidebar QScrollBar::add-line, #studioSidebar QScrollBar::sub-line { height: 0; }
#studioSidebar QScrollBar::add-page, #studioSidebar QScrollBar::sub-page { background: transparent; }
QMenu { background: @elevated; color: @text; border: 1px solid @stroke; padding: 4px; }
QMenu::item { padding: 5px 18px; border-radius: 5px; }
QMenu::item:selected { background: @accent; }
)");
    sheet.replace("@panel", cssColor(T::panel()))
        .replace("@stroke", cssColor(T::stroke()))
        .replace("@text", cssColor(T::textPrimary()))
        .replace("@secondary", cssColor(T::textSecondary()))
        .replace("@tertiary", cssColor(T::textTertiary()))
        .replace("@elevated", cssColor(T::panelElevated()))
        .replace("@hover", cssColor(QColor::fromRgbF(1, 1, 1, 0.1f)))
        .replace("@track", cssColor(T::trackBackground()))
        .replace("@groove", cssColor(QColor::fromRgbF(1, 1, 1, 0.14f)))
        .replace("@accent", cssColor(T::accent()))
        .replace("@rowSelected", cssColor(T::withOpacity(T::accent(), 0.28)))
        .replace("@recordingDim", cssColor(T::withOpacity(T::recording(), 0.16)))
        .replace("@recording", cssColor(T::recording()));
    return sheet;
}

} // namespace tarnix
