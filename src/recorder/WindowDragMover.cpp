#include "recorder/WindowDragMover.h"

#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace tarnix {

WindowDragMover::WindowDragMover(QWidget& window)
    : QObject(&window)
    , window_(window)
{
    window.installEventFilter(this);
}

bool WindowDragMover::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != &window_)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* press = static_cast<QMouseEvent*>(event);
        if (press->button() != Qt::LeftButton || (enabled && !enabled()))
            return false;
        if (onDragStarted)
            onDragStarted();
        QWindow* handle = window_.windowHandle();
        if (!handle || !handle->startSystemMove())
            offset_ = press->globalPosition().toPoint() - window_.frameGeometry().topLeft();
        press->accept();
        return true;
    }
    case QEvent::MouseMove: {
        auto* move = static_cast<QMouseEvent*>(event);
        if (!offset_ || !(move->buttons() & Qt::LeftButton))
            return false;
        window_.move(move->globalPosition().toPoint() - *offset_);
        move->accept();
        return true;
    }
    case QEvent::MouseButtonRelease:
        offset_.reset();
        return false;
    default:
        return false;
    }
}

} // namespace tarnix
