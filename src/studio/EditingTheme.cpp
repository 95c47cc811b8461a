#include "studio/EditingTheme.h"

#include <QFile>
#include <cmath>
#include <QPainter>
#include <QSvgRenderer>

namespace tarnix::EditingTheme {

namespace {
QColor rgb(double r, double g, double b) { return QColor::fromRgbF(float(r), float(g), float(b)); }
QColor white(double opacity) { return QColor::fromRgbF(1, 1, 1, float(opacity)); }
} // namespace

QColor background() { return rgb(0.071, 0.071, 0.078); }
QColor panel() { return rgb(0.106, 0.104, 0.114); }
QColor panelElevated() { return rgb(0.153, 0.149, 0.163); }
QColor stroke() { return white(0.08); }
QColor textPrimary() { return white(0.92); }
QColor textSecondary() { return white(0.55); }
QColor textTertiary() { return white(0.35); }
QColor accent() { return rgb(0.502, 0.502, 0.988); }
QColor accentDim() { return withOpacity(accent(), 0.22); }
QColor recording() { return rgb(0.992, 0.278, 0.357); }
QColor trackBackground() { return white(0.05); }

QColor withOpacity(QColor color, double opacity)
{
    color.setAlphaF(float(color.alphaF() * opacity));
    return color;
}

QFont font(double pointSize, QFont::Weight weight)
{
    QFont f;
    f.setPointSizeF(pointSize);
    f.setWeight(weight);
    return f;
}

QPixmap icon(const QString& name, double size, const QColor& color, double dpr)
{
    QFile file(QStringLiteral(":/icons/%1.svg").arg(name));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QSvgRenderer renderer(file.readAll());
    if (!renderer.isValid())
        return {};
    int pixels = int(std::ceil(size * dpr));
    QPixmap pixmap(pixels, pixels);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(pixmap.rect(), color);
    painter.end();
    pixmap.setDevicePixelRatio(dpr);
    return pixmap;
}

} // namespace tarnix::EditingTheme
