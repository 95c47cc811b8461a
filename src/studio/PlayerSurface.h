#pragma once

#include <QImage>
#include <QWidget>

// Shows the preview player's current frame, fitted into the widget with its aspect ratio kept
// and centred on black; no controls of its own (the Studio draws its transport and handles around
// and over it). GUI thread.

namespace tarnix {

class PlayerSurface : public QWidget {
    Q_OBJECT

public:
    explicit PlayerSurface(QWidget* parent = nullptr);

    // The frame to show; a null image shows black.
    void setFrame(const QImage& frame);
    const QImage& frame() const { return frame_; }

    // Where the frame is drawn inside the widget.
    QRect frameRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage frame_;
};

// The rectangle of `content` fitted into `area` with its aspect ratio kept, centred; the whole
// area while content is empty.
QRectF fittedRect(QSizeF content, const QRectF& area);

} // namespace tarnix
