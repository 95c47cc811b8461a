#include "studio/PlayerSurface.h"

#include <QPainter>

#include <algorithm>
#include <utility>

#include "media/PreviewPlayer.h"

namespace tarnix {

QRectF fittedRect(QSizeF content, const QRectF& area)
{
    if (content.width() <= 0 || content.height() <= 0)
        return area;
    const double scale = std::min(area.height() / content.height(), area.width() / content.width());
    const QSizeF size = content * scale;
    return QRectF(area.center().x() - size.width() / 2, area.center().y() - size.height() / 2,
                  size.width(), size.height());
}

PlayerSurface::PlayerSurface(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAccessibleName(tr("Preview"));
}

void PlayerSurface::setPlayer(media::PreviewPlayer* player)
{
    if (player == player_)
        return;
    disconnect(frames_);
    player_ = player;
    setFrame(player ? player->currentFrame() : QImage());
    if (player)
        frames_ = connect(player, &media::PreviewPlayer::frameChanged, this,
                          [this](const QImage& frame) { setFrame(frame); });
}

void PlayerSurface::setFrame(const QImage& frame)
{
    frame_ = frame;
    update();
}

QRect PlayerSurface::frameRect() const
{
    return fittedRect(frame_.size(), rect()).toAlignedRect();
}

void PlayerSurface::setWaitingText(const QString& text)
{
    if (std::exchange(waitingText_, text) != text && frame_.isNull())
        update();
}

void PlayerSurface::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (frame_.isNull()) {
        painter.setPen(QColor(255, 255, 255, 150));
        painter.drawText(rect(), Qt::AlignCenter, waitingText_);
        return;
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(fittedRect(frame_.size(), rect()), frame_);
}

} // namespace tarnix
