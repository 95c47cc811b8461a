#include "recorder/AreaOverlay.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>

#include "recorder/BarControls.h"
#include "ui/StudioTheme.h"

namespace tarnix {

namespace {

constexpr int kButtonGap = 10;

bool onX11()
{
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

} // namespace

AreaOverlay::AreaOverlay(const QRect& display, const QImage& still, std::optional<QRect> initial,
                         qreal pixelsPerPoint)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           (onX11() ? Qt::X11BypassWindowManagerHint : Qt::WindowType(0)))
    , display_(display)
    , still_(still)
    , selection_(display.size(), initial, pixelsPerPoint)
{
    setWindowTitle(tr("Choose the area to record"));
    setAccessibleName(windowTitle());
    setAttribute(Qt::WA_DeleteOnClose);
    if (still_.isNull())
        setAttribute(Qt::WA_TranslucentBackground);
    setCursor(Qt::CrossCursor);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);

    cancel_ = new PillButton(this);
    cancel_->setFace(QStringLiteral("xmark"), tr("Cancel"), false);
    cancel_->setAccessibleName(tr("Cancel"));
    cancel_->setCursor(Qt::ArrowCursor);
    connect(cancel_, &QAbstractButton::clicked, this, &AreaOverlay::cancel);
    record_ = new PillButton(this);
    record_->setFace(QStringLiteral("video-fill"), tr("Record"), true);
    record_->setAccessibleName(tr("Record"));
    record_->setCursor(Qt::ArrowCursor);
    connect(record_, &QAbstractButton::clicked, this, &AreaOverlay::confirm);
    placeButtons();
}

QImage AreaOverlay::fitStill(const QImage& picture, QSize logicalSize, qreal devicePixelRatio)
{
    if (picture.isNull() || logicalSize.isEmpty())
        return {};
    const QSize pixels = (QSizeF(logicalSize) * devicePixelRatio).toSize();
    QImage fitted = picture.size() == pixels
                        ? picture
                        : picture.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    fitted.setDevicePixelRatio(devicePixelRatio);
    return fitted;
}

void AreaOverlay::open()
{
    setGeometry(display_);
    // A desktop that places windows itself puts a full-screen one on the screen it belongs to.
    if (QScreen* screen = QGuiApplication::screenAt(display_.center()); screen && !onX11())
        setScreen(screen);
    if (onX11())
        show();
    else
        showFullScreen();
    raise();
    activateWindow();
    setFocus();
    // An override-redirect window gets no focus from the window manager: it takes the keyboard
    // for Enter and Escape while it is up.
    if (onX11())
        grabKeyboard();
}

void AreaOverlay::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!still_.isNull())
        painter.drawImage(rect(), still_);
    const auto& selected = selection_.rect();
    QRegion dimmed(rect());
    if (selected)
        dimmed -= *selected;
    painter.setClipRegion(dimmed);
    painter.fillRect(rect(), QColor(0, 0, 0, 140));
    painter.setClipping(false);

    painter.setFont(StudioTheme::font(13, QFont::DemiBold));
    auto label = [&](const QString& text, QPoint anchor) {
        const QRect box = painter.fontMetrics().boundingRect(text).adjusted(-10, -5, 10, 5);
        QRect placed(anchor - QPoint(0, box.height()), box.size());
        placed.moveLeft(std::clamp(placed.left(), 4, std::max(4, width() - placed.width() - 4)));
        if (placed.top() < 4)
            placed.moveTop(anchor.y() + 8);
        painter.setPen(Qt::NoPen);
        painter.setBrush(StudioTheme::withOpacity(StudioTheme::panelElevated(), 0.92));
        painter.drawRoundedRect(placed, placed.height() / 2.0, placed.height() / 2.0);
        painter.setPen(StudioTheme::textPrimary());
        painter.drawText(placed, Qt::AlignCenter, text);
    };
    if (!selected) {
        const QString hint = tr("Drag to choose the area to record · Esc cancels");
        const int hintWidth = painter.fontMetrics().horizontalAdvance(hint) + 20;
        label(hint, QPoint((width() - hintWidth) / 2, height() / 2));
        return;
    }
    painter.setPen(QPen(StudioTheme::accent(), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(*selected).adjusted(-1, -1, 1, 1));
    const std::string size = selection_.sizeText();
    if (!size.empty())
        label(QString::fromStdString(size), selected->topLeft() - QPoint(0, 6));
}

bool AreaOverlay::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
        follow(static_cast<const QMouseEvent&>(*event));
        return true;
    case QEvent::KeyPress:
        switch (static_cast<const QKeyEvent*>(event)->key()) {
        case Qt::Key_Escape:
            cancel();
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            confirm();
            return true;
        default:
            break;
        }
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

void AreaOverlay::follow(const QMouseEvent& mouse)
{
    const QPoint point = mouse.position().toPoint();
    switch (mouse.type()) {
    case QEvent::MouseButtonPress:
        if (mouse.button() != Qt::LeftButton)
            return;
        selection_.press(point);
        record_->hide();
        cancel_->hide();
        break;
    case QEvent::MouseMove:
        if (!(mouse.buttons() & Qt::LeftButton))
            return;
        selection_.drag(point);
        break;
    default:
        if (mouse.button() != Qt::LeftButton)
            return;
        selection_.release(point);
        placeButtons();
        break;
    }
    update();
}

void AreaOverlay::placeButtons()
{
    const auto& selected = selection_.rect();
    const bool ready = selection_.area().has_value();
    record_->setVisible(ready);
    cancel_->setVisible(ready);
    if (!ready)
        return;
    const QSize recordSize = record_->sizeHint();
    const QSize cancelSize = cancel_->sizeHint();
    const int rowWidth = cancelSize.width() + kButtonGap + recordSize.width();
    const int rowHeight = std::max(recordSize.height(), cancelSize.height());
    int top = selected->bottom() + 1 + kButtonGap;
    if (top + rowHeight > height() - kButtonGap) // no room below: inside, at its bottom
        top = std::max(kButtonGap, selected->bottom() - kButtonGap - rowHeight);
    const int right = std::clamp(selected->right() + 1, rowWidth + kButtonGap, width() - kButtonGap);
    cancel_->setGeometry(QRect(QPoint(right - rowWidth, top), cancelSize));
    record_->setGeometry(QRect(QPoint(right - recordSize.width(), top), recordSize));
    record_->raise();
    cancel_->raise();
}

void AreaOverlay::confirm()
{
    const auto drawn = selection_.area();
    const auto recorded = selection_.pixelArea();
    if (!drawn || !recorded || finished_)
        return;
    finish();
    emit confirmed(*recorded, *drawn);
}

void AreaOverlay::cancel()
{
    if (finished_)
        return;
    finish();
    emit cancelled();
}

void AreaOverlay::finish()
{
    finished_ = true;
    releaseKeyboard();
    close();
}

} // namespace tarnix
