#include "ui/PhosphorIcon.h"

#include <QFile>
#include <QGuiApplication>
#include <QHash>
#include <QPainter>
#include <QScreen>
#include <QSvgRenderer>

#include <algorithm>
#include <cmath>

namespace tarnix {

namespace {

struct IconCache {
    QHash<QString, QImage> images;
    int fileLoads = 0;
};

IconCache& cache()
{
    static IconCache instance;
    return instance;
}

// Rendered for the sharpest screen, and never below twice the point size, so that an icon drawn
// slightly scaled (the tactile press) stays crisp.
qreal renderScale()
{
    qreal ratio = 1;
    if (qGuiApp)
        for (const QScreen* screen : QGuiApplication::screens())
            ratio = std::max(ratio, screen->devicePixelRatio());
    return std::max<qreal>(2, std::ceil(ratio));
}

QImage tinted(const QImage& mask, const QColor& color)
{
    QImage out = mask;
    QPainter painter(&out);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(out.rect(), color);
    return out;
}

} // namespace

PhosphorIcon::PhosphorIcon(const QString& name, qreal size, QWidget* parent)
    : QWidget(parent)
    , name_(name)
    , size_(size)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(sizeHint());
}

void PhosphorIcon::setName(const QString& name)
{
    if (name == name_)
        return;
    name_ = name;
    update();
}

QSize PhosphorIcon::sizeHint() const
{
    const int side = int(std::ceil(size_));
    return {side, side};
}

QString PhosphorIcon::cacheKey(const QString& name, qreal pointSize)
{
    QString size = QString::number(pointSize, 'f', 6);
    while (size.endsWith(QLatin1Char('0')) && !size.endsWith(QLatin1String(".0")))
        size.chop(1);
    return name + QLatin1Char('@') + size;
}

QString PhosphorIcon::resourcePath(const QString& name)
{
    return QStringLiteral(":/tarnix/Icons/") + name + QStringLiteral(".svg");
}

int PhosphorIcon::fileLoadCount()
{
    return cache().fileLoads;
}

std::optional<QImage> PhosphorIcon::image(const QString& name, qreal pointSize)
{
    const QString key = cacheKey(name, pointSize);
    IconCache& c = cache();
    if (auto found = c.images.constFind(key); found != c.images.constEnd())
        return *found;
    const QString path = resourcePath(name);
    if (pointSize <= 0 || !QFile::exists(path))
        return std::nullopt;
    ++c.fileLoads;
    QSvgRenderer renderer(path);
    if (!renderer.isValid())
        return std::nullopt;
    const qreal scale = renderScale();
    const int side = int(std::ceil(pointSize * scale));
    QImage mask(side, side, QImage::Format_ARGB32_Premultiplied);
    mask.fill(Qt::transparent);
    {
        QPainter painter(&mask);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter, QRectF(0, 0, side, side));
    }
    mask.setDevicePixelRatio(side / pointSize);
    c.images.insert(key, mask);
    return mask;
}

QPixmap PhosphorIcon::pixmap(const QString& name, qreal pointSize, const QColor& color)
{
    if (auto mask = image(name, pointSize))
        return QPixmap::fromImage(tinted(*mask, color));
    const int side = int(std::ceil(pointSize));
    return QIcon::fromTheme(name).pixmap(QSize(side, side));
}

QIcon PhosphorIcon::icon(const QString& name, qreal pointSize, const QColor& color)
{
    auto mask = image(name, pointSize);
    if (!mask)
        return QIcon::fromTheme(name);
    QColor disabled = color;
    disabled.setAlphaF(color.alphaF() * 0.38f);
    QIcon icon;
    icon.addPixmap(QPixmap::fromImage(tinted(*mask, color)), QIcon::Normal);
    icon.addPixmap(QPixmap::fromImage(tinted(*mask, color)), QIcon::Active);
    icon.addPixmap(QPixmap::fromImage(tinted(*mask, disabled)), QIcon::Disabled);
    return icon;
}

void PhosphorIcon::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF target((width() - size_) / 2, (height() - size_) / 2, size_, size_);
    if (auto mask = image(name_, size_)) {
        QColor color = palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole());
        painter.drawImage(target, tinted(*mask, color));
        return;
    }
    QIcon::fromTheme(name_).paint(&painter, target.toRect());
}

} // namespace tarnix
