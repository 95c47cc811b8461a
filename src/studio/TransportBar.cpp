#include "studio/TransportBar.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

#include "studio/StudioControls.h"
#include "studio/StudioFormatting.h"
#include "studio/StudioSession.h"

namespace tarnix {

TransportBar::TransportBar(StudioSession& session, QWidget* parent)
    : QWidget(parent)
    , session_(session)
    , playback_(session.playback())
    , play_(StudioControls::iconButton("play-fill", tr("Play"), this, 18))
    , back_(StudioControls::iconButton("rewind", tr("Back 5 seconds"), this))
    , forward_(StudioControls::iconButton("refresh", tr("Forward 5 seconds"), this))
    , time_(new QLabel(this))
{
    setObjectName("transportBar");
    setAttribute(Qt::WA_StyledBackground);
    setFixedHeight(48);
    time_->setObjectName("timeText");
    // Fixed-width digits, so the text does not jitter while it counts.
    QFont digits = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    digits.setPixelSize(12);
    digits.setWeight(QFont::Medium);
    time_->setFont(digits);
    time_->setAccessibleName(tr("Playhead time"));

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(14, 0, 14, 0);
    row->setSpacing(4);
    row->addWidget(play_);
    row->addWidget(back_);
    row->addWidget(forward_);
    row->addSpacing(10);
    row->addWidget(time_);
    row->addStretch(1);

    connect(play_, &QToolButton::clicked, &playback_, &StudioPlayback::togglePlayback);
    connect(back_, &QToolButton::clicked, this, [this] { playback_.step(-5); });
    connect(forward_, &QToolButton::clicked, this, [this] { playback_.step(5); });
    connect(&playback_, &StudioPlayback::playbackChanged, this, &TransportBar::refresh);
    connect(&session_, &StudioSession::editStateChanged, this, &TransportBar::refresh);
    refresh();
}

void TransportBar::refresh()
{
    const bool playing = playback_.isPlaying();
    if (playing != showsPause_) {
        showsPause_ = playing;
        StudioControls::setIcon(play_, playing ? "pause-fill" : "play-fill",
                                playing ? tr("Pause") : tr("Play"), 18);
    }
    const bool enabled = playback_.canPlay();
    play_->setEnabled(enabled);
    back_->setEnabled(enabled);
    forward_->setEnabled(enabled);
    // The time in the movie as it will be watched: cut time is not counted.
    time_->setText(QString::fromStdString(formatTimePair(playback_.movieTime(), playback_.movieDuration())));
}

} // namespace tarnix
