#pragma once

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QTimer>
#include <QVariantAnimation>
#include <QWidget>

#include <functional>

#include "ui/GlassCapsule.h"

// The recorder bar's smaller parts: the capsule that also draws the record button's pulse ring,
// the live recording status, and the error line.
//
// Threads: GUI thread only.

namespace tarnix {

class RecordButton;

// The glass capsule, plus the ring that pulses around the record button while recording: it
// grows to 1.35 times the button and fades out, every 1.4 s, easing out.
class BarCapsule : public GlassCapsule {
    Q_OBJECT

public:
    explicit BarCapsule(QWidget* parent = nullptr);
    void setRecordButton(RecordButton* button) { button_ = button; }
    void setPulsing(bool pulsing);
    double pulsePhase() const { return phase_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    RecordButton* button_ = nullptr;
    double phase_ = 0;
    double ringOpacity_ = 0;
    QVariantAnimation pulse_;
    QVariantAnimation fade_;
};

// "● Recording 0:42   1520 frames · 14 clicks": a softly blinking dot, the word, the elapsed
// time and the live counts; "● Paused 0:42 …" while paused.
class RecordingStatus : public QWidget {
    Q_OBJECT

public:
    explicit RecordingStatus(QWidget* parent = nullptr);
    void setCounts(const QString& counts);
    QString counts() const { return counts_; }
    // Starts the clock and the blinking (true) or stops them (false).
    void setRunning(bool running);
    // Where the clock's seconds come from (the recorded time); by default the time since
    // setRunning(true).
    void setClock(std::function<double()> clock) { source_ = std::move(clock); }
    // "Paused" instead of "Recording", with the dot standing still.
    void setPaused(bool paused);
    bool isPaused() const { return paused_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString counts_;
    QElapsedTimer clock_;
    QTimer tick_;
    std::function<double()> source_;
    bool paused_ = false;
};

// The message line under the capsule: a small dark pill with a warning icon and the whole
// message, wrapped onto more lines when it is longer than the bar is wide; the message is also
// its tooltip and accessible name.
class ErrorLine : public QWidget {
    Q_OBJECT

public:
    static constexpr int lineHeight = 22;

    explicit ErrorLine(QWidget* parent = nullptr);
    void setMessage(const QString& message);
    QString message() const { return message_; }
    // The height the message needs at `width` (one line: lineHeight).
    int heightFor(int width) const;
    // The pill around the message in this widget's coordinates; empty without a message.
    QRectF pill() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // The text's wrapped size when the pill may be `width` wide.
    QSize textSize(int width) const;

    QString message_;
};

} // namespace tarnix
