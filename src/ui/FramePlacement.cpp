#include "ui/FramePlacement.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <algorithm>

namespace tarnix::FramePlacement {

namespace {

// How often a placed window is looked at while its frame may still change. Reading the frame is
// a cached value in Qt until the window manager changes it.
constexpr int kWatchIntervalMs = 30;
// How long after a placement the frame is looked for: a window manager under load may take
// seconds to frame a window.
constexpr int kWatchMs = 5000;
// Looks in a row that find the same geometry before the window manager is taken to have answered
// every request, and how often a placement it answers otherwise is asked for again.
constexpr int kSteadyLooks = 3;
constexpr int kRetries = 3;
const QString kGuardName = QStringLiteral("tarnix-frame-guard");

QRect availableFor(const QWidget& window, const QRect& client)
{
    const QScreen* screen = QGuiApplication::screenAt(client.center());
    if (!screen)
        screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

QRect fitted(const QWidget& window, const QRect& client, const QMargins& frame, QSize least)
{
    const QRect available = availableFor(window, client);
    return available.isValid() ? inside(available, client, frame, least.expandedTo(window.minimumSize())) : client;
}

// Keeps a placed window's frame on its screen.
//
// First it settles the placement: every few milliseconds it looks whether the window manager has
// framed the window (it says how big the frame is without any event reaching the window) and has
// answered every request (the geometry Qt reports has stayed the same for a few looks: until then
// it may be the answer to an older request). Once both, a window whose frame is not all on the
// screen is placed again as asked, now with its frame; a window manager that answers otherwise is
// asked a few times more. A window on the screen is left as it is, whoever put it there.
//
// After that, whenever the window is moved or resized, its title bar is brought back if it has
// left the top of the screen (some window managers push a window that grew taller up until it
// does); the other edges are left to the user.
class FrameGuard : public QObject {
public:
    explicit FrameGuard(QWidget& window) : QObject(&window), window_(window)
    {
        setObjectName(kGuardName);
        settle_.setInterval(kWatchIntervalMs);
        connect(&settle_, &QTimer::timeout, this, &FrameGuard::settle);
        window.installEventFilter(this);
    }

    void placed(const QRect& asked, QSize least)
    {
        asked_ = asked;
        least_ = least;
        seen_ = QRect();
        steadyLooks_ = 0;
        retries_ = 0;
        sincePlaced_.start();
        settle_.start();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == &window_ && !settle_.isActive() &&
            (event->type() == QEvent::Move || event->type() == QEvent::Resize))
            QMetaObject::invokeMethod(this, &FrameGuard::keepTitleOnScreen, Qt::QueuedConnection);
        return false;
    }

private:
    void settle()
    {
        if (sincePlaced_.hasExpired(kWatchMs)) {
            settle_.stop();
            return;
        }
        const QMargins frame = frameOf(window_);
        const QRect geometry = window_.geometry();
        if (!window_.isVisible() || frame.isNull() || geometry != seen_) {
            seen_ = geometry;
            steadyLooks_ = 0;
            return;
        }
        if (++steadyLooks_ < kSteadyLooks)
            return;
        const QRect target = fitted(window_, asked_, frame, least_);
        const bool onScreen = availableFor(window_, geometry).contains(geometry.marginsAdded(frame));
        if (geometry == target || onScreen || retries_++ == kRetries) {
            settle_.stop();
            return;
        }
        steadyLooks_ = 0;
        window_.setGeometry(target);
    }

    void keepTitleOnScreen()
    {
        const QMargins frame = frameOf(window_);
        const QRect available = availableFor(window_, window_.geometry());
        if (!window_.isVisible() || frame.isNull() || !available.isValid())
            return;
        QRect target = window_.geometry();
        target.moveTop(std::max(target.top(), available.top() + frame.top()));
        if (target == window_.geometry() || target == lastMove_)
            return; // in place, or the window manager refused it once already
        lastMove_ = target;
        window_.setGeometry(target);
    }

    QWidget& window_;
    QTimer settle_;
    QElapsedTimer sincePlaced_;
    QRect asked_;
    QSize least_;
    QRect seen_;          // the geometry at the last look
    int steadyLooks_ = 0; // looks in a row that found it so
    int retries_ = 0;
    QRect lastMove_;
};

} // namespace

QRect inside(const QRect& available, QRect client, const QMargins& frame, QSize least)
{
    const int frameWidth = frame.left() + frame.right();
    const int frameHeight = frame.top() + frame.bottom();
    const QSize room(available.width() - frameWidth, available.height() - frameHeight);
    client.setSize(client.size().boundedTo(room).expandedTo(least));
    // Right and bottom first, then left and top: a window larger than the room keeps its title
    // bar and its left edge on the screen.
    const int right = available.right() - frame.right();
    const int bottom = available.bottom() - frame.bottom();
    client.moveLeft(std::min(client.left(), right - client.width() + 1));
    client.moveTop(std::min(client.top(), bottom - client.height() + 1));
    client.moveLeft(std::max(client.left(), available.left() + frame.left()));
    client.moveTop(std::max(client.top(), available.top() + frame.top()));
    return client;
}

QMargins frameOf(const QWidget& window)
{
    const QRect client = window.geometry();
    const QRect frame = window.frameGeometry();
    return {client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
            frame.bottom() - client.bottom()};
}

void place(QWidget& window, const QRect& client, QSize least)
{
    window.setGeometry(fitted(window, client, frameOf(window), least));
    auto* guard = window.findChild<QObject*>(kGuardName, Qt::FindDirectChildrenOnly);
    if (!guard)
        guard = new FrameGuard(window);
    static_cast<FrameGuard*>(guard)->placed(client, least);
}

} // namespace tarnix::FramePlacement
