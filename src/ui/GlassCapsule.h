#pragma once

#include <QWidget>

class QPainterPath;

// The translucent capsule that holds the recorder bar: a dark, see-through pill with a 1-point
// white inner border at opacity 0.12 and a soft shadow in the margin around it. Children are laid
// out inside by the caller (give it a layout with margins of at least shadowMargin()).
//
// Where the window manager can blur what lies behind a window (KWin), the capsule asks for it and
// lets more of the desktop through; on a plain X server without a compositor a translucent window
// cannot be see-through, so the window is clipped to the capsule's shape and painted opaque.
//
// Threads: GUI thread only.

namespace tarnix {

class GlassCapsule : public QWidget {
    Q_OBJECT

public:
    explicit GlassCapsule(QWidget* parent = nullptr);

    // The room left around the pill for its shadow, in points.
    static int shadowMargin();
    // The pill's outline in this widget's coordinates.
    QPainterPath capsulePath() const;
    // The fill's opacity for the current desktop: lower where the desktop blurs behind us.
    qreal fillOpacity() const;

    // Re-reads what the desktop offers (compositor, blur) and updates the window's shape and blur
    // region: call when the widget is shown in its final window, and after it moves to a screen.
    // The shape follows the capsule's own moves and resizes by itself.
    void updateWindowEffects();
    // Whether the window is cut to the capsule's shape (nothing composites, so nothing can show
    // through): what is inside the shape must then be painted opaque.
    bool isShaped() const { return !composited_; }

    // More of the window that must stay visible where the window is clipped to the pill (no
    // compositor): a region in window coordinates, such as a message line beside the pill.
    void setExtraWindowShape(const QRegion& region);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    bool composited_ = true;
    bool blurred_ = false;
    QRegion extraShape_;
};

} // namespace tarnix
