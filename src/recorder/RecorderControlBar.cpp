#include "recorder/RecorderControlBar.h"

#include <QEvent>
#include <QActionGroup>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPainterPath>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <utility>

#include "recorder/BarControls.h"
#include "recorder/BarParts.h"
#include "recorder/KeystrokeSetting.h"
#include "recorder/RecorderSettings.h"
#include "recorder/SourceKindPicker.h"
#include "ui/StudioTheme.h"

namespace tarnix {

namespace {

constexpr int capsulePadding = 8;

// The bar's pages, in the order they are added.
enum Page { setupPage, recordingPage, countdownPage };

QMenu* darkMenu(QWidget* owner)
{
    auto* menu = new QMenu(owner);
    menu->setStyleSheet(StudioTheme::menuStyleSheet());
    return menu;
}

} // namespace

RecorderControlBar::RecorderControlBar(ControlBarModel& model, QWidget* parent)
    : QWidget(parent)
    , model_(model)
{
    setAttribute(Qt::WA_TranslucentBackground);
    capsule_ = new BarCapsule(this);
    auto* row = new QHBoxLayout(capsule_);
    const int inset = GlassCapsule::shadowMargin() + capsulePadding;
    row->setContentsMargins(inset + 4, inset, inset, inset);
    row->setSpacing(6);

    pages_ = new QStackedWidget(capsule_);
    pages_->addWidget(makeSetupRow());
    status_ = new RecordingStatus(pages_);
    pages_->addWidget(status_);
    pages_->addWidget(makeCountdownPage());
    row->addWidget(pages_, 1);

    more_ = new IconButton(QStringLiteral("ellipsis"), 16, {30, 44}, capsule_);
    more_->setToolTip(tr("More"));
    more_->setAccessibleName(tr("More"));
    moreMenu_ = darkMenu(more_);
    connect(moreMenu_, &QMenu::aboutToShow, this, &RecorderControlBar::fillMoreMenu);
    more_->setDropDown(moreMenu_);
    row->addWidget(more_);

    pause_ = new IconButton(QStringLiteral("pause-fill"), 16, {36, 44}, capsule_);
    pause_->hide();
    connect(pause_, &QAbstractButton::clicked, &model_, &ControlBarModel::togglePause);
    row->addWidget(pause_);

    record_ = new RecordButton(capsule_);
    connect(record_, &QAbstractButton::clicked, &model_, &ControlBarModel::toggleRecording);
    row->addWidget(record_);
    capsule_->setRecordButton(record_);

    error_ = new ErrorLine(this);
    error_->installEventFilter(this);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    // While recording the capsule shrinks around the status, centred where the bar was.
    auto* capsuleRow = new QHBoxLayout();
    capsuleRow->addStretch(1);
    capsuleRow->addWidget(capsule_, 100);
    capsuleRow->addStretch(1);
    column->addLayout(capsuleRow);
    column->addWidget(error_);

    connect(&model_, &ControlBarModel::changed, this, &RecorderControlBar::sync);
    connect(&model_, &ControlBarModel::countsChanged, this, [this] {
        status_->setCounts(QString::fromStdString(model_.statusText()));
        fitCapsule();
    });
    connect(&model_, &ControlBarModel::isRecordingChanged, this, [this](bool recording) {
        capsule_->setPulsing(recording && !model_.isPaused());
        status_->setRunning(recording);
    });
    connect(&model_, &ControlBarModel::pausedChanged, this, [this](bool paused) {
        capsule_->setPulsing(model_.isRecording() && !paused);
    });
    status_->setClock([this] { return model_.elapsedSeconds(); });
    sync();
}

QWidget* RecorderControlBar::makeSetupRow()
{
    auto* page = new QWidget(pages_);
    auto* row = new QHBoxLayout(page);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);

    picker_ = new SourceKindPicker(model_, page);
    row->addWidget(picker_);
    row->addSpacing(4);

    camera_ = makeDevicePill(page, cameraMenu_, true, tr("Camera"));
    row->addWidget(camera_);
    microphone_ = makeDevicePill(page, microphoneMenu_, false, tr("Microphone"));
    row->addWidget(microphone_);

    systemAudio_ = new PillButton(page);
    systemAudio_->setToolTip(tr("Record what the computer plays"));
    connect(systemAudio_, &QAbstractButton::clicked, &model_, &ControlBarModel::toggleSystemAudio);
    row->addWidget(systemAudio_);

    refresh_ = new IconButton(QStringLiteral("refresh"), 12, {32, 44}, page);
    const QString hint = tr("Refresh sources — try this after granting a permission in Settings");
    refresh_->setToolTip(hint);
    refresh_->setAccessibleName(hint);
    connect(refresh_, &QAbstractButton::clicked, &model_, &ControlBarModel::refresh);
    row->addWidget(refresh_);
    row->addStretch(1);
    return page;
}

QWidget* RecorderControlBar::makeCountdownPage()
{
    auto* page = new QWidget(pages_);
    auto* row = new QHBoxLayout(page);
    row->setContentsMargins(12, 0, 0, 0);
    row->setSpacing(14);
    countdownNumber_ = new QLabel(page);
    countdownNumber_->setFont(StudioTheme::font(38, QFont::Bold));
    countdownNumber_->setStyleSheet(QStringLiteral("color: %1;").arg(StudioTheme::textPrimary().name()));
    countdownNumber_->setMinimumWidth(44);
    countdownNumber_->setAlignment(Qt::AlignCenter);
    row->addWidget(countdownNumber_);
    auto* hint = new QLabel(tr("Recording starts in a moment. Esc or the record button cancels."), page);
    hint->setFont(StudioTheme::font(12));
    hint->setStyleSheet(QStringLiteral("color: %1;").arg(StudioTheme::textSecondary().name()));
    hint->setWordWrap(true);
    row->addWidget(hint, 1);
    return page;
}

void RecorderControlBar::fillCountdownMenu(QMenu* menu)
{
    auto* group = new QActionGroup(menu);
    for (const int seconds : RecorderSettings::kCountdownChoices) {
        QAction* choice = menu->addAction(seconds == 0 ? tr("Off") : tr("%1 s").arg(seconds));
        choice->setCheckable(true);
        choice->setChecked(model_.countdownSeconds() == seconds);
        group->addAction(choice);
        connect(choice, &QAction::triggered, this, [this, seconds] {
            QSettings settings(QStringLiteral("Tarnix"), QStringLiteral("Tarnix"));
            RecorderSettings::saveCountdown(settings, seconds);
            model_.setCountdownSeconds(seconds);
        });
    }
}

PillButton* RecorderControlBar::makeDevicePill(QWidget* page, QMenu*& menu, bool camera,
                                               const QString& tooltip)
{
    auto* pill = new PillButton(page);
    menu = darkMenu(pill);
    connect(menu, &QMenu::aboutToShow, this, [this, menu, camera] { fillDeviceMenu(menu, camera); });
    // A device plugged in or out while the menu is open shows up in it at once.
    connect(&model_, &ControlBarModel::deviceListsChanged, menu, [this, menu, camera] {
        if (menu->isVisible())
            fillDeviceMenu(menu, camera);
    });
    pill->setDropDown(menu);
    pill->setToolTip(tooltip);
    return pill;
}

void RecorderControlBar::fillDeviceMenu(QMenu* menu, bool camera)
{
    menu->clear();
    const auto items = camera ? model_.cameraItems() : model_.microphoneItems();
    const auto& selected = camera ? model_.session().selectedCameraID() : model_.session().selectedMicID();
    for (const DeviceItem& item : items) {
        QAction* action = menu->addAction(QString::fromStdString(item.label));
        action->setCheckable(true);
        action->setChecked(item.identifier == selected);
        connect(action, &QAction::triggered, this, [this, camera, id = item.identifier] {
            if (camera)
                model_.selectCamera(id);
            else
                model_.selectMicrophone(id);
        });
        if (!item.identifier && items.size() > 1)
            menu->addSeparator();
    }
}

void RecorderControlBar::fillMoreMenu()
{
    moreMenu_->clear();
    if (canOpenRecordings_)
        connect(moreMenu_->addAction(tr("Open Recording…")), &QAction::triggered, this,
                &RecorderControlBar::openRecordingRequested);
    connect(moreMenu_->addAction(tr("Check for Updates…")), &QAction::triggered, this,
            &RecorderControlBar::checkForUpdatesRequested);
    QAction* keys = moreMenu_->addAction(tr("Record Keystrokes"));
    keys->setCheckable(true);
    keys->setChecked(model_.session().keyCapture().has_value());
    connect(keys, &QAction::toggled, this, [this](bool on) {
        QSettings settings(QStringLiteral("Tarnix"), QStringLiteral("Tarnix"));
        model_.session().setKeyCapture(KeystrokeSetting::save(settings, on));
    });
    fillCountdownMenu(moreMenu_->addMenu(tr("Countdown")));
    moreMenu_->addSeparator();
    connect(moreMenu_->addAction(tr("Quit Tarnix")), &QAction::triggered, this,
            &RecorderControlBar::quitRequested);
}

void RecorderControlBar::setCanOpenRecordings(bool can)
{
    canOpenRecordings_ = can;
}

QString RecorderControlBar::errorText() const
{
    return error_->message();
}

QString RecorderControlBar::countdownText() const
{
    const auto remaining = model_.countdownRemaining();
    return remaining ? QString::number(*remaining) : QString();
}

QString RecorderControlBar::statusText() const
{
    return status_->counts();
}

double RecorderControlBar::pulsePhase() const
{
    return capsule_->pulsePhase();
}

void RecorderControlBar::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (loaded_)
        return;
    // The first showing lists what can be recorded, as a press of refresh would, and from then on
    // the device menus follow what is plugged in.
    loaded_ = true;
    model_.refresh();
    model_.watchDevices();
}

void RecorderControlBar::sync()
{
    const bool recording = model_.isRecording();
    const auto countdown = model_.countdownRemaining();
    const Page page = recording ? recordingPage : countdown ? countdownPage : setupPage;
    countdownNumber_->setText(countdownText());
    countdownNumber_->setAccessibleName(countdown ? tr("Recording starts in %1").arg(*countdown)
                                                  : QString());
    if (countdown && pages_->currentIndex() != countdownPage) {
        // Escape reaches the bar only when it has the keyboard.
        window()->activateWindow();
        setFocus();
    }
    if (pages_->currentIndex() != page) {
        pages_->setCurrentIndex(page);
        if (!recording) {
            capsule_->setMinimumWidth(0);
            capsule_->setMaximumWidth(QWIDGETSIZE_MAX);
        }
    }
    picker_->sync(isVisible());
    const Pill camera = model_.cameraPill();
    camera_->setFace(QString::fromUtf8(camera.icon), QString::fromStdString(camera.text), camera.active);
    const Pill microphone = model_.microphonePill();
    microphone_->setFace(QString::fromUtf8(microphone.icon), QString::fromStdString(microphone.text), microphone.active);
    const Pill audio = model_.systemAudioPill();
    systemAudio_->setFace(QString::fromUtf8(audio.icon), QString::fromStdString(audio.text), audio.active);
    record_->setRecording(recording);
    if (countdown) {
        record_->setToolTip(tr("Cancel Countdown"));
        record_->setAccessibleName(record_->toolTip());
    }
    record_->setEnabled(!model_.isBusy());
    syncPauseButton();
    status_->setCounts(QString::fromStdString(model_.statusText()));
    fitCapsule();
    error_->setMessage(QString::fromStdString(model_.currentError().value_or(std::string())));
    fitMessage();
}

void RecorderControlBar::syncPauseButton()
{
    const QString title = model_.pauseTitle();
    pause_->setVisible(model_.isRecording());
    pause_->setEnabled(!model_.isBusy());
    pause_->setIcon(model_.isPaused() ? QStringLiteral("play-fill") : QStringLiteral("pause-fill"));
    pause_->setToolTip(title);
    pause_->setAccessibleName(title);
    status_->setPaused(model_.isPaused());
}

void RecorderControlBar::fitCapsule()
{
    if (!model_.isRecording())
        return;
    const QMargins m = capsule_->layout()->contentsMargins();
    const int spacing = capsule_->layout()->spacing();
    const int wanted = m.left() + status_->sizeHint().width() + spacing + more_->width() + spacing +
                       pause_->width() + spacing + record_->width() + m.right();
    if (capsule_->minimumWidth() != wanted || capsule_->maximumWidth() != wanted)
        capsule_->setFixedWidth(wanted);
}

int RecorderControlBar::extraMessageHeight(int width) const
{
    return error_->heightFor(width) - ErrorLine::lineHeight;
}

void RecorderControlBar::fitMessage()
{
    const int extra = extraMessageHeight(width());
    error_->setFixedHeight(ErrorLine::lineHeight + extra);
    // Where nothing composites the window is cut to what it shows: the message's pill only, not
    // the line's empty ends.
    const QRectF pill = error_->pill();
    QPainterPath shape;
    shape.addRoundedRect(pill.translated(error_->mapTo(window(), QPoint(0, 0))), ErrorLine::lineHeight / 2.0,
                         ErrorLine::lineHeight / 2.0);
    capsule_->setExtraWindowShape(pill.isEmpty() ? QRegion() : QRegion(shape.toFillPolygon().toPolygon()));
    if (std::exchange(extraMessageHeight_, extra) != extra)
        emit preferredSizeChanged();
}

void RecorderControlBar::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    fitMessage();
}

bool RecorderControlBar::event(QEvent* event)
{
    const bool handled = QWidget::event(event);
    // A longer device name: the window widens rather than cut the pills' texts.
    if (event->type() == QEvent::LayoutRequest) {
        if (const int width = sizeHint().width(); std::exchange(preferredWidth_, width) != width)
            emit preferredSizeChanged();
    }
    return handled;
}

void RecorderControlBar::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && model_.countdownRemaining()) {
        model_.cancelCountdown();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool RecorderControlBar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == error_ && (event->type() == QEvent::Move || event->type() == QEvent::Resize))
        fitMessage();
    return QWidget::eventFilter(watched, event);
}

} // namespace tarnix
