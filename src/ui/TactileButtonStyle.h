#pragma once

#include <QGraphicsEffect>

#include "ui/SpringAnimation.h"

class QAbstractButton;

// The press feedback of Tarnix's buttons: while a button is held down it is drawn scaled to 0.96
// about its centre and at opacity 0.88, and it springs back on release. The change follows a
// damped spring (response 0.28 s, damping fraction 0.62), so a quick tap dips and overshoots a
// little, as a physical key would.
//
// It works on any button: attach it with apply(); the button owns it. Threads: GUI thread only.

namespace tarnix {

class TactileButtonStyle : public QGraphicsEffect {
    Q_OBJECT

public:
    static constexpr qreal pressedScale = 0.96;
    static constexpr qreal pressedOpacity = 0.88;
    static constexpr qreal response = 0.28;        // seconds, the period of the undamped spring
    static constexpr qreal dampingFraction = 0.62;

    static TactileButtonStyle* apply(QAbstractButton* button);

    // 0 at rest, 1 fully pressed; passes a little beyond either end while the spring settles.
    qreal pressAmount() const { return amount_; }
    qreal scale() const;
    qreal opacity() const;
    bool isAnimating() const;

    static constexpr Spring spring{response, dampingFraction};

protected:
    void draw(QPainter* painter) override;

private:
    explicit TactileButtonStyle(QAbstractButton* button);
    qreal amount_ = 0;
    SpringAnimation animation_;
};

} // namespace tarnix
