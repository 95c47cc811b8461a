#pragma once

#include <QAbstractButton>
#include <QMenu>

#include "ui/FocusRingButton.h"
#include "ui/SpringAnimation.h"

// The painted controls of the recorder bar. Each is a real button (keyboard focus, Space/Enter,
// accessibility) with the tactile press; a button given a menu opens it below itself on press.
//
// Threads: GUI thread only.

namespace tarnix {

// The common part: hover tracking, the keyboard's focus ring, the tactile press, an optional
// drop-down menu.
class BarButton : public FocusRingButton {
    Q_OBJECT

public:
    explicit BarButton(QWidget* parent = nullptr);
    // The menu opens below the button when it is pressed; the button does not own it.
    void setDropDown(QMenu* menu) { menu_ = menu; }
    QMenu* dropDown() const { return menu_; }

protected:
    bool isHovered() const { return underMouse() && isEnabled(); }
    // A soft ring for keyboard focus (never for mouse focus).
    void paintFocus(QPainter& painter, const QRectF& area, qreal radius) const;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void openDropDown();
    QMenu* menu_ = nullptr;
};

// A rounded pill with an icon and a text (camera, microphone, system audio); active pills take the
// accent colour. The text is elided past maximumTextWidth.
class PillButton : public BarButton {
    Q_OBJECT

public:
    static constexpr int height = 44;
    static constexpr int maximumTextWidth = 118;

    explicit PillButton(QWidget* parent = nullptr);
    void setFace(const QString& icon, const QString& text, bool active);
    QSize sizeHint() const override;
    // Whether the text is cut short ("System Aud…") at the pill's present width.
    bool isTextElided() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRectF textArea() const;

    QString icon_;
    bool active_ = false;
};

// An icon alone in a fixed frame (refresh, the overflow menu, pause).
class IconButton : public BarButton {
    Q_OBJECT

public:
    IconButton(const QString& icon, qreal iconSize, QSize frame, QWidget* parent = nullptr);
    QSize sizeHint() const override { return frame_; }
    void setIcon(const QString& icon);
    QString iconName() const { return icon_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString icon_;
    qreal iconSize_;
    QSize frame_;
};

// The 44-point round record button: a white dot when idle, a white rounded square while
// recording. Its pulse ring is drawn by the bar around it (the ring grows past the button).
class RecordButton : public BarButton {
    Q_OBJECT

public:
    static constexpr int diameter = 44;

    explicit RecordButton(QWidget* parent = nullptr);
    void setRecording(bool recording);
    bool isRecording() const { return recording_; }
    QSize sizeHint() const override { return {diameter, diameter}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    bool recording_ = false;
    // 0 = the dot, 1 = the square: the shape morphs between them.
    double morph_ = 0;
    SpringAnimation morphAnimation_;
};

} // namespace tarnix
