#pragma once

#include <QImage>
#include <QMetaObject>
#include <QPointer>
#include <QWidget>

#include "media/PreviewPlayer.h"

// Shows the preview player's current frame, fitted into the widget with its aspect ratio kept
// and centred on black; no controls of its own (the Studio draws its transport and handles around
// and over it). GUI thread.

namespace tarnix {

class PlayerSurface : public QWidget {
    Q_OBJECT

public:
    explicit PlayerSurface(QWidget* parent = nullptr);

    // Shows this player's frames. Setting the same player again changes nothing (playback is
    // never interrupted by a redraw of the Studio); another one replaces it; nullptr shows black.
    void setPlayer(media::PreviewPlayer* player);
    media::PreviewPlayer* player() const { return player_; }

    // The frame to show; a null image shows black.
    void setFrame(const QImage& frame);
    const QImage& frame() const { return frame_; }

    // A line shown on the black while there is no frame yet (the first build of a recording);
    // empty shows plain black.
    void setWaitingText(const QString& text);

    // Where the frame is drawn inside the widget.
    QRect frameRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPointer<media::PreviewPlayer> player_;
    QMetaObject::Connection frames_;
    QImage frame_;
    QString waitingText_;
};

// The rectangle of `content` fitted into `area` with its aspect ratio kept, centred; the whole
// area while content is empty.
QRectF fittedRect(QSizeF content, const QRectF& area);

} // namespace tarnix
