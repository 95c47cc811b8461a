#include "recorder/RecorderWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QStackedLayout>
#include <QTimer>
#include <QWindow>

#include <utility>

#include "recorder/RecorderControlBar.h"
#include "capture/CaptureMessages.h"
#include "recorder/RecordingTrayIcon.h"
#include "recorder/StopShortcut.h"
#include "recorder/WindowPlacement.h"

namespace tarnix {

namespace {

constexpr Qt::WindowFlags setupFlags = Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint;
constexpr Qt::WindowFlags studioFlags = Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                        Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                                        Qt::WindowCloseButtonHint;

// GNOME Shell shows every screen cast in its top bar, with a control that ends it; ending it ends
// the recording. It has no tray by default.
bool desktopHasSharingIndicator()
{
    const QStringList desktops = qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(QLatin1Char(':'));
    return desktops.contains(QStringLiteral("GNOME"), Qt::CaseInsensitive);
}

} // namespace

RecorderWindow::RecorderWindow(RecordingSession& session, QWidget* parent)
    : QWidget(parent, setupFlags)
    , session_(session)
    , model_(session)
{
    setWindowTitle(QStringLiteral("Tarnix"));
    // Translucency is chosen when the native window is made: set it before the first show.
    setAttribute(Qt::WA_TranslucentBackground);
    stack_ = new QStackedLayout(this);
    stack_->setContentsMargins(0, 0, 0, 0);
    bar_ = new RecorderControlBar(model_, this);
    bar_->setCanOpenRecordings(StudioMode::canOpenRecordings());
    stack_->addWidget(bar_);

    connect(bar_, &RecorderControlBar::checkForUpdatesRequested, this,
            [this] { UpdatePrompt::checkManually(this, updateOptions_); });
    connect(bar_, &RecorderControlBar::openRecordingRequested, this, &RecorderWindow::openRecordingRequested);
    connect(bar_, &RecorderControlBar::quitRequested, this, &QWidget::close);
    connect(&session_, &RecordingSession::completedTimelineChanged, this, &RecorderWindow::onRecordingCompleted);
    tray_ = new RecordingTrayIcon([this] { stopFromOutside(); }, this);
    connect(&model_, &ControlBarModel::changed, this, &RecorderWindow::syncVisibility);
    if (session_.sourceProvider().backend() == CaptureBackend::portal)
        useStopShortcut(new PortalStopShortcut(QDBusConnection::sessionBus()));
    const bool portal = session_.sourceProvider().backend() == CaptureBackend::portal;
    if (portal && !RecordingTrayIcon::isAvailable() && desktopHasSharingIndicator())
        model_.setHiddenBarStopHint(CaptureMessages::kStopFromSharingIndicator);
    applyStyle(WindowMode::setup);
}

void RecorderWindow::useStopShortcut(StopShortcut* shortcut)
{
    delete shortcut_;
    shortcut_ = shortcut;
    shortcut_->setParent(this);
    connect(shortcut_, &StopShortcut::activated, this, &RecorderWindow::stopFromOutside);
    connect(shortcut_, &StopShortcut::unavailable, this, [this] {
        // Said only where the bar hides: without a tray it stays on screen with its own stop.
        if (RecordingTrayIcon::isAvailable())
            model_.addNoticeWhileHidden(CaptureMessages::kNoStopShortcut);
    });
    shortcut_->bind();
}

void RecorderWindow::stopFromOutside()
{
    if (session_.isRecording())
        model_.toggleRecording();
}

bool RecorderWindow::canStopWhileHidden() const
{
    return RecordingTrayIcon::isAvailable() || model_.hiddenBarStopHint().has_value();
}

void RecorderWindow::syncVisibility()
{
    const bool hide = mode_ == WindowMode::setup && model_.hidesWhileRecording() && canStopWhileHidden();
    if (hide == hiddenForRecording_)
        return;
    hiddenForRecording_ = hide;
    barWasHiddenThisRecording_ |= hide;
    tray_->setVisible(hide && RecordingTrayIcon::isAvailable());
    if (hide)
        QWidget::hide();
    else if (mode_ == WindowMode::setup)
        show();
}

RecorderWindow::~RecorderWindow()
{
    releaseDevices();
}

void RecorderWindow::styleWindow(WindowMode mode)
{
    applyStyle(mode);
    QTimer::singleShot(0, this, [this, mode] {
        if (mode_ == mode)
            applyStyle(mode);
    });
}

void RecorderWindow::applyStyle(WindowMode mode)
{
    const bool setup = mode == WindowMode::setup;
    const bool wasVisible = isVisible();
    const Qt::WindowFlags flags = setup ? setupFlags : studioFlags;
    if (windowFlags() != flags) {
        setAttribute(Qt::WA_TranslucentBackground, setup);
        setAutoFillBackground(!setup);
        // New flags make a new native window (and with it the new translucency); show it again.
        setWindowFlags(flags);
        if (wasVisible)
            show();
    }
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen) {
        resize(setup ? setupSize : studioSize);
        return;
    }
    const QRect available = screen->availableGeometry();
    QRect target;
    if (setup) {
        // The bar's natural width when the desktop's font makes it wider than the usual 620.
        const QSize wanted(std::max(setupSize.width(), bar_->sizeHint().width()), setupSize.height());
        target = WindowPlacement::topAnchored(available, wanted, setupMargin);
        setFixedSize(target.size());
    } else {
        clearMask();
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        target = WindowPlacement::centered(available, studioSize);
    }
    if (setup && userMoved_)
        resize(target.size());
    else
        setGeometry(target);
}

void RecorderWindow::showStudio(const StudioMode::Recording& recording)
{
    if (mode_ == WindowMode::studio)
        return;
    // The bar leaves the screen: the camera and the microphone are let go.
    releaseDevices();
    studio_ = StudioMode::makeWidget(recording, [this] { close(); }, this);
    stack_->addWidget(studio_);
    stack_->setCurrentWidget(studio_);
    mode_ = WindowMode::studio;
    const bool wasHidden = std::exchange(hiddenForRecording_, false);
    tray_->setVisible(false);
    styleWindow(WindowMode::studio);
    if (wasHidden)
        show();
}

void RecorderWindow::onRecordingCompleted()
{
    const auto& timeline = session_.completedTimeline();
    if (!timeline || quitting_)
        return;
    // Notices said while the bar was hidden were never seen: the Studio repeats them. What went
    // wrong during the recording (sound that went missing) and what the stop itself found are
    // said there in any case.
    std::vector<std::string> unseen;
    if (std::exchange(barWasHiddenThisRecording_, false))
        unseen = model_.notices();
    for (auto& notice : session_.recordingNotices())
        unseen.push_back(std::move(notice));
    // The bar gives way to the Studio at once: what the recorder said at the end (the recorded
    // window was closed...) is said there.
    if (const auto& message = session_.recorder().errorMessage())
        unseen.insert(unseen.begin(), *message);
    showStudio({*timeline, session_.documentURL(), session_.documentError(), std::move(unseen)});
}

void RecorderWindow::releaseDevices()
{
    session_.cameraRecorder().teardown();
    session_.micRecorder().teardown();
}

void RecorderWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (shownOnce_)
        return;
    shownOnce_ = true;
    styleWindow(mode_);
    if (checkAtLaunch_)
        UpdatePrompt::checkInBackground(this, updateOptions_);
}

void RecorderWindow::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    // The bar keeps its style whenever it becomes the active window again.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && mode_ == WindowMode::setup)
        applyStyle(WindowMode::setup);
}

void RecorderWindow::closeEvent(QCloseEvent* event)
{
    if (session_.isRecording() || model_.isBusy()) {
        // A running recording is finished and saved before the application ends.
        event->ignore();
        if (quitting_)
            return;
        quitting_ = true;
        session_.toggleRecording([this] { QTimer::singleShot(0, this, &QWidget::close); });
        return;
    }
    if (mode_ == WindowMode::studio && studio_ && !StudioMode::confirmClose(studio_)) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

void RecorderWindow::mousePressEvent(QMouseEvent* event)
{
    if (mode_ != WindowMode::setup || event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    // Dragging the bar's background moves the window: by the window manager where it can,
    // else by hand.
    userMoved_ = true;
    if (windowHandle() && windowHandle()->startSystemMove()) {
        event->accept();
        return;
    }
    dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
    event->accept();
}

void RecorderWindow::mouseMoveEvent(QMouseEvent* event)
{
    if (dragOffset_ && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - *dragOffset_);
        event->accept();
        return;
    }
    QWidget::mouseMoveEvent(event);
}

void RecorderWindow::mouseReleaseEvent(QMouseEvent* event)
{
    dragOffset_.reset();
    QWidget::mouseReleaseEvent(event);
}

} // namespace tarnix
