#include "recorder/RecordingTrayIcon.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QSystemTrayIcon>

namespace tarnix {

RecordingTrayIcon::RecordingTrayIcon(std::function<void()> stop, QObject* parent)
    : QObject(parent)
    , icon_(new QSystemTrayIcon(QApplication::windowIcon(), this))
    , menu_(new QMenu())
{
    icon_->setToolTip(tr("Tarnix is recording — click to stop"));
    QAction* stopAction = menu_->addAction(tr("Stop Recording"));
    connect(stopAction, &QAction::triggered, this, [stop] { stop(); });
    icon_->setContextMenu(menu_);
    connect(icon_, &QSystemTrayIcon::activated, this, [stop](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
            stop();
    });
}

RecordingTrayIcon::~RecordingTrayIcon()
{
    delete menu_; // a context menu has no parent: the tray icon does not own it
}

void RecordingTrayIcon::offerPause(std::function<void()> toggle)
{
    if (pauseAction_)
        return;
    pauseAction_ = menu_->addAction(tr("Pause Recording")); // after Stop, which stays first
    connect(pauseAction_, &QAction::triggered, this, [toggle] { toggle(); });
}

void RecordingTrayIcon::setPaused(bool paused)
{
    if (pauseAction_)
        pauseAction_->setText(paused ? tr("Resume Recording") : tr("Pause Recording"));
}

bool RecordingTrayIcon::isAvailable()
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void RecordingTrayIcon::setVisible(bool visible)
{
    icon_->setVisible(visible);
}

bool RecordingTrayIcon::isVisible() const
{
    return icon_->isVisible();
}

} // namespace tarnix
