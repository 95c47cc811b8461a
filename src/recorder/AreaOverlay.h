#pragma once

#include <QImage>
#include <QWidget>

#include <optional>

#include "recorder/AreaSelection.h"

// The full-screen overlay where the user drags the area of a display to record: outside the
// rectangle the display is dimmed, the recorded size is shown above it, and "Record" (or Enter)
// confirms while "Cancel" (or Escape) gives up. It covers the display and takes every click and
// key until it closes. It is drawn over a still picture of the display, so it looks the same
// whether or not the desktop shows what lies under a full-screen window: on X11 an
// override-redirect window that holds the keyboard, on Wayland a full-screen window over the first
// picture of the desktop's cast (translucent when there is no picture).
//
// Threads: GUI thread only.

namespace tarnix {

class PillButton;

class AreaOverlay : public QWidget {
    Q_OBJECT

public:
    // `display` is the display's place in the desktop's logical coordinates (points); `still` its
    // picture (may be null: the desktop then shows through); `initial` the area shown at first, in
    // points; `pixelsPerPoint` how many of the recorded picture's pixels make a point.
    AreaOverlay(const QRect& display, const QImage& still, std::optional<QRect> initial,
                qreal pixelsPerPoint = 1.0);

    // The picture scaled to a display of `logicalSize` points at `devicePixelRatio`, the way the
    // overlay draws it without scaling again; null for a null picture.
    static QImage fitStill(const QImage& picture, QSize logicalSize, qreal devicePixelRatio);

    const AreaSelection& selection() const { return selection_; }
    // The picture it is drawn over; null when the desktop shows through.
    const QImage& still() const { return still_; }
    PillButton* recordButton() const { return record_; }
    PillButton* cancelButton() const { return cancel_; }
    // Shows the overlay over its display and takes the keyboard.
    void open();

signals:
    // The area to record, in the display's pixels, and as it was drawn, in points; the overlay
    // has closed.
    void confirmed(const QRect& area, const QRect& drawn);
    void cancelled();

protected:
    // The left button's drag goes to the selection; Escape cancels, Enter confirms.
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void follow(const QMouseEvent& mouse);
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
