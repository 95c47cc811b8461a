#pragma once

#include <QAbstractButton>

class QFocusEvent;

namespace tarnix {

// A button that draws its own focus ring, only when the keyboard brought the focus (a click
// focuses it too, and a ring after every click is noise).
class FocusRingButton : public QAbstractButton {
public:
    using QAbstractButton::QAbstractButton;

protected:
    bool showsFocusRing() const { return keyboardFocus_; }
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    bool keyboardFocus_ = false;
};

} // namespace tarnix
