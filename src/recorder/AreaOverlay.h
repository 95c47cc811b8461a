#pragma once

#include <QImage>
#include <QWidget>

#include <optional>

#include "recorder/AreaSelection.h"

// The full-screen overlay where the user drags the area of a display to record: outside the
// rectangle the display is dimmed, the recorded size is shown above it, and "Record" (or Enter)
// confirms while "Cancel" (or Escape) gives up. It covers the display and takes every click and
// key until it closes. On X11 it is an override-redirect window drawn over a still picture of the
// display (so it looks the same with or without a compositor) and holds the keyboard; on Wayland
// it is a translucent full-screen window.
//
// Threads: GUI thread only.

namespace tarnix {

class PillButton;

class AreaOverlay : public QWidget {
    Q_OBJECT

public:
    // `display` is the display's place in the desktop's logical coordinates; `still` its picture
    // (may be null: the desktop then shows through).
    AreaOverlay(const QRect& display, const QImage& still, std::optional<QRect> initial);

    const AreaSelection& selection() const { return selection_; }
    PillButton* recordButton() const { return record_; }
    PillButton* cancelButton() const { return cancel_; }
    // Shows the overlay over its display and takes the keyboard.
    void open();

signals:
    // The area to record, in the display's pixels; the overlay has closed.
    void confirmed(const QRect& area);
    void cancelled();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void confirm();
    void cancel();
    void finish();
    // Places the buttons under the rectangle (over it when there is no room) and shows them
    // while there is an area to record.
    void placeButtons();

    QRect display_;
    QImage still_;
    AreaSelection selection_;
    PillButton* record_ = nullptr;
    PillButton* cancel_ = nullptr;
    bool finished_ = false;
};

} // namespace tarnix
