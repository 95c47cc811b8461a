#include "recorder/RecorderWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QScreen>
#include <QStackedLayout>
#include <QTimer>

#include <algorithm>
#include <utility>

#include "recorder/AreaOverlay.h"
#include "recorder/KeystrokeSetting.h"
#include "recorder/RecorderSettings.h"
#include "recorder/RecorderControlBar.h"
#include "capture/CaptureBackend.h"
#include "capture/CaptureMessages.h"
#include "recorder/RecordingTrayIcon.h"
#include "recorder/StopShortcut.h"
#include "recorder/WindowDragMover.h"
#include "recorder/WindowPlacement.h"
#include "ui/FramePlacement.h"

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
    session_.setKeyCapture(KeystrokeSetting::load(QSettings(QStringLiteral("Tarnix"), QStringLiteral("Tarnix"))));
    model_.setCountdownSeconds(RecorderSettings::countdown(QSettings(QStringLiteral("Tarnix"), QStringLiteral("Tarnix"))));
    // Translucency is chosen when the native window is made: set it before the first show.
    setAttribute(Qt::WA_TranslucentBackground);
    stack_ = new QStackedLayout(this);
    stack_->setContentsMargins(0, 0, 0, 0);
    bar_ = new RecorderControlBar(model_, this);
    bar_->setCanOpenRecordings(StudioMode::canOpenRecordings());
    stack_->addWidget(bar_);
    // Dragging the bar's background moves the window.
    auto* mover = new WindowDragMover(*this);
    mover->enabled = [this] { return mode_ == WindowMode::setup; };
    mover->onDragStarted = [this] { userMoved_ = true; };

    connect(bar_, &RecorderControlBar::checkForUpdatesRequested, this,
            [this] { UpdatePrompt::checkManually(this, updateOptions_); });
    connect(bar_, &RecorderControlBar::openRecordingRequested, this, &RecorderWindow::openRecordingRequested);
    connect(bar_, &RecorderControlBar::quitRequested, this, &QWidget::close);
    connect(bar_, &RecorderControlBar::preferredSizeChanged, this, [this] {
        if (mode_ == WindowMode::setup)
            applyStyle(WindowMode::setup);
    });
    connect(&session_, &RecordingSession::completedTimelineChanged, this, &RecorderWindow::onRecordingCompleted);
    tray_ = new RecordingTrayIcon([this] { stopFromOutside(); }, this);
    tray_->offerPause([this] { model_.togglePause(); });
    connect(&model_, &ControlBarModel::pausedChanged, tray_, &RecordingTrayIcon::setPaused);
    connect(&model_, &ControlBarModel::changed, this, &RecorderWindow::syncVisibility);
    connect(&model_, &ControlBarModel::changed, this, &RecorderWindow::finishForClose);
    connect(&model_, &ControlBarModel::areaRequested, this, &RecorderWindow::chooseArea);
    if (session_.sourceProvider().backend() == CaptureBackend::portal)
        useStopShortcut(new PortalStopShortcut(QDBusConnection::sessionBus()));
    const bool portal = session_.sourceProvider().backend() == CaptureBackend::portal;
    if (portal && !RecordingTrayIcon::isAvailable() && desktopHasSharingIndicator())
        model_.setHiddenBarStopHint(CaptureMessages::text(CaptureMessages::kStopFromSharingIndicator));
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
            model_.addNoticeWhileHidden(CaptureMessages::text(CaptureMessages::kNoStopShortcut));
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

void RecorderWindow::chooseArea(const std::string& display)
{
    if (areaOverlay_ || mode_ != WindowMode::setup)
        return;
    if (sessionCaptureBackend() == CaptureBackend::portal) {
        chooseAreaOnSharedDisplay(display);
        return;
    }
    // The display's frame is in the X server's pixels; the overlay is placed in Qt's points,
    // which are fewer on a scaled desktop (QT_SCALE_FACTOR, Xft.dpi). A display is one screen,
    // whose top-left corner Qt keeps in pixels while it scales its size.
    QRect frame;
    for (const DisplayInfo& listed : session_.sourceProvider().displays())
        if (displayIdentifier(listed) == display)
            frame = listed.frame;
    QScreen* screen = screenShowing(frame);
    if (!screen)
        screen = frame.isEmpty() ? this->screen() : QGuiApplication::screenAt(frame.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect points = screen->geometry();
    // A still picture to dim, so that the area looks the same with or without a compositor: the
    // whole screen, in its pixels.
    QImage still;
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        still = screen->grabWindow(0, 0, 0, points.width(), points.height()).toImage();
    const qreal pixelsPerPoint = frame.isEmpty() ? screen->devicePixelRatio() : qreal(frame.width()) / points.width();
    openAreaOverlay(display, points, still, pixelsPerPoint);
}

void RecorderWindow::chooseAreaOnSharedDisplay(const std::string& display)
{
    // Wayland lets no client read the screen, and the desktop decides which display is shared:
    // it is asked first, and the area is drawn on the first picture of that very cast, which the
    // recording then takes over.
    session_.shareDisplayAhead(display, [this, guard = QPointer(this), display](const portal::SharedDisplay::Outcome& shared) {
        if (!guard || shared.declined || areaOverlay_ || mode_ != WindowMode::setup)
            return false;
        QScreen* screen = nullptr;
        if (shared.display)
            screen = screenShowing(shared.display->frame());
        if (!screen)
            screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
        if (!screen)
            return false;
        // Without a picture the overlay is translucent; the recording is not refused for it.
        QImage still;
        // The area is drawn in the screen's points and cut from the cast's pixels.
        qreal pixelsPerPoint = screen->devicePixelRatio();
        if (shared.display) {
            still = AreaOverlay::fitStill(shared.display->still(), screen->geometry().size(), screen->devicePixelRatio());
            const QSize pictureSize = shared.display->still().isNull() ? shared.display->frame().size()
                                                                       : shared.display->still().size();
            if (!pictureSize.isEmpty())
                pixelsPerPoint = qreal(pictureSize.width()) / screen->geometry().width();
        }
        openAreaOverlay(display, screen->geometry(), still, pixelsPerPoint);
        return true;
    });
}

QScreen* RecorderWindow::screenShowing(const QRect& displayFrame)
{
    if (displayFrame.isEmpty())
        return nullptr;
    const auto screens = QGuiApplication::screens();
    for (QScreen* screen : screens)
        if (screen->geometry().topLeft() == displayFrame.topLeft())
            return screen;
    return nullptr;
}

void RecorderWindow::openAreaOverlay(const std::string& display, const QRect& frame, const QImage& still,
                                     qreal pixelsPerPoint)
{
    QSettings settings(QStringLiteral("Tarnix"), QStringLiteral("Tarnix"));
    areaOverlay_ = new AreaOverlay(frame, still, RecorderSettings::lastArea(settings, display), pixelsPerPoint);
    connect(areaOverlay_, &AreaOverlay::confirmed, this, [this, display](const QRect& area, const QRect& drawn) {
        QSettings settings(QStringLiteral("Tarnix"), QStringLiteral("Tarnix"));
        RecorderSettings::saveArea(settings, display, drawn); // as it is drawn next time
        model_.confirmArea(display, area);
    });
    // Cancelled: a display the desktop shares for it stops being shared.
    connect(areaOverlay_, &AreaOverlay::cancelled, this, [this] { session_.releaseSharedDisplay(); });
    areaOverlay_->open();
}

RecorderWindow::~RecorderWindow()
{
    delete areaOverlay_; // a top-level window of its own, without a parent
    releaseDevices();
}

void RecorderWindow::styleWindow(WindowMode mode)
{
    applyStyle(mode);
    // The Studio's place is kept by FramePlacement, and placing it again here would undo its
    // fitting to the movie when the movie opens first.
    if (mode == WindowMode::studio)
        return;
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
    const bool restyled = windowFlags() != flags;
    if (restyled) {
        if (!setup && internalWinId()) {
            // The Studio gets a native window of its own: some window managers copy a client's
            // shape onto their frame and keep it after the client drops its mask (evilwm), so a
            // window once cut to the bar's outline would show the Studio through that outline.
            hide();
            clearMask();
            destroy(true, true);
        }
        setAttribute(Qt::WA_TranslucentBackground, setup);
        setAutoFillBackground(!setup);
        // New flags make a new native window (and with it the new translucency); it is shown
        // again once its size limits and place are set, so the window manager maps it with them.
        setWindowFlags(flags);
    }
    placeFor(setup);
    if (restyled && wasVisible)
        show();
}

void RecorderWindow::placeFor(bool setup)
{
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen) {
        resize(setup ? setupSize : studioSize);
        return;
    }
    const QRect available = screen->availableGeometry();
    if (setup) {
        // The bar's natural width when the desktop's font makes it wider than the usual 620, and
        // more height while a long message needs a second line.
        const int width = std::max(setupSize.width(), bar_->sizeHint().width());
        const QSize wanted(width, setupSize.height() + bar_->extraMessageHeight(width));
        const QRect target = WindowPlacement::topAnchored(available, wanted, setupMargin);
        setFixedSize(target.size());
        if (!userMoved_)
            setGeometry(target);
        return;
    }
    clearMask();
    // The layout gives the window the Studio's least size (its rail, its timeline's tracks):
    // measured now, so that the window is placed at that size or more.
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    layout()->invalidate();
    layout()->activate();
    QRect target(QPoint(), WindowPlacement::centered(available, studioSize).size().expandedTo(minimumSize()));
    target.moveCenter(available.center());
    FramePlacement::place(*this, target);
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
    // The scrub copy is made now, in the background, so that the Studio's seeks have it soon.
    if (timeline->videoURL)
        proxyMaker_.makeForMovie(*timeline->videoURL, proxyFolder_);
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
    model_.stopWatchingDevices();
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
    if (quitting_ || session_.isRecording() || model_.isBusy()) {
        // A recording is finished and saved before the application ends. A start still under
        // way is let finish first (a second start would wipe its samples); a stop likewise.
        event->ignore();
        quitting_ = true;
        finishForClose();
        return;
    }
    if (mode_ == WindowMode::studio && studio_ && !StudioMode::confirmClose(studio_)) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

void RecorderWindow::finishForClose()
{
    if (!quitting_ || model_.isBusy())
        return; // called again when the start or stop under way has finished
    if (session_.isRecording()) {
        model_.toggleRecording();
        return;
    }
    quitting_ = false;
    if (finishing_)
        QTimer::singleShot(0, qApp, &QCoreApplication::quit); // a stop signal asks nothing
    else
        QTimer::singleShot(0, this, &QWidget::close);
}

void RecorderWindow::finishAndQuit()
{
    if (std::exchange(finishing_, true))
        return;
    quitting_ = true; // no Studio for a recording that is stopped now
    finishForClose();
}

} // namespace tarnix
