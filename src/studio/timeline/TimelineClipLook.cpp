#include "studio/timeline/TimelineClipLook.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <array>
#include <cmath>

#include "document/SpeedRegions.h"
#include "studio/EditingTheme.h"
#include "studio/sidebar/SidebarRules.h"

namespace tarnix {

namespace {

const QColor kCutColor(0xF0, 0xA8, 0x3C);
const QColor kTextColor(0x8E, 0x5C, 0xE6);
const QColor kSpeedColor(0x1E, 0x9E, 0x7E);
const QColor kPlate(0x14, 0x14, 0x17, 220);

template <class Region>
const Region* find(const std::vector<Region>& list, const Uuid& id)
{
    auto it = std::find_if(list.begin(), list.end(), [&](const Region& r) { return r.id == id; });
    return it == list.end() ? nullptr : &*it;
}

double zoomLevel(const TimelineModel& model, const Uuid& id)
{
    const ZoomRegion* r = find(model.regions.view(), id);
    return r ? TimelineRules::zoomLevel(r->rect) : 1;
}

QString boxText(const TimelineModel& model, const Uuid& id)
{
    const TextRegion* r = find(model.textRegions.view(), id);
    return r ? QString::fromStdString(r->text).simplified() : QString();
}

// An icon and a text centred on the body; the text only where both fit, the icon only where it
// fits. A plate under them keeps them readable over a hatch.
void paintGlyphAndText(QPainter& painter, const QRectF& body, const QString& iconName, double iconSize,
                       const QString& text, const QFont& font, bool plate)
{
    if (body.width() <= iconSize + 2 * TimelineRules::kHandleWidth)
        return;
    QPixmap glyph = EditingTheme::icon(iconName, iconSize, Qt::white);
    double glyphWidth = glyph.isNull() ? 0 : iconSize;
    double textWidth = QFontMetricsF(font).horizontalAdvance(text);
    bool withText = !text.isEmpty() &&
                    body.width() > glyphWidth + 4 + textWidth + 2 * TimelineRules::kHandleWidth + 8;
    double width = withText ? glyphWidth + (glyphWidth > 0 ? 4 : 0) + textWidth : glyphWidth;
    double x = body.center().x() - width / 2;
    if (plate && width > 0) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(kPlate);
        painter.drawRoundedRect(QRectF(x - 4, body.center().y() - 8, width + 8, 16), 4, 4);
    }
    if (!glyph.isNull())
        painter.drawPixmap(QPointF(x, body.center().y() - iconSize / 2), glyph);
    if (withText) {
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(QRectF(x + width - textWidth, body.top(), textWidth + 1, body.height()),
                         Qt::AlignVCenter | Qt::AlignLeft, text);
    }
}

void paintTextLabel(QPainter& painter, const QRectF& body, const QString& text)
{
    const QRectF room = body.adjusted(8, 0, -8, 0);
    if (room.width() < 16)
        return;
    QFont font = painter.font();
    font.setPixelSize(11);
    font.setWeight(QFont::DemiBold);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(room, Qt::AlignVCenter | Qt::AlignLeft,
                     QFontMetricsF(font).elidedText(text, Qt::ElideRight, room.width()));
}

} // namespace

QColor TimelineClipLook::color(Track track)
{
    // In the order of Track's values: zoom, blur, cut, text, speed.
    static const std::array<QColor, TimelineModel::kTrackCount> colors{
        StudioTheme::accent(), StudioTheme::recording(), kCutColor, kTextColor, kSpeedColor};
    return colors[std::size_t(track)];
}

void TimelineClipLook::paintFill(QPainter& painter, Track track, const QPainterPath& shape, bool selected)
{
    if (track == Track::cut)
        paintHatched(painter, shape, selected);
    else
        painter.fillPath(shape, StudioTheme::withOpacity(color(track), selected ? 1.0 : 0.78));
}

void TimelineClipLook::paintHatched(QPainter& painter, const QPainterPath& area, bool strong)
{
    painter.save();
    painter.fillPath(area, QColor(0x14, 0x14, 0x17, 235));
    painter.setClipPath(area);
    QRectF box = area.boundingRect();
    // Stripes at 45 degrees, anchored to the painter's origin so that neighbouring pieces line up.
    constexpr double kPitch = 7;
    painter.setPen(QPen(StudioTheme::withOpacity(kCutColor, strong ? 0.85 : 0.55), 2));
    double first = std::floor((box.left() - box.height()) / kPitch) * kPitch;
    for (double x = first; x < box.right() + kPitch; x += kPitch)
        painter.drawLine(QPointF(x, box.bottom()), QPointF(x + box.height(), box.top()));
    painter.restore();
    painter.save();
    painter.setPen(QPen(StudioTheme::withOpacity(kCutColor, strong ? 0.95 : 0.6), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(area);
    painter.restore();
}

void TimelineClipLook::paintLabel(QPainter& painter, const TimelineModel& model, Track track,
                                  const Uuid& id, const QRectF& body)
{
    switch (track) {
    case Track::cut:
        if (auto s = model.spanOf(track, id))
            paintGlyphAndText(painter, body, "scissors-fill", 11, tr("%1 s").arg(s->upper - s->lower, 0, 'f', 1),
                              EditingTheme::font(9, QFont::DemiBold), true);
        return;
    case Track::zoom:
        if (body.width() > 30)
            paintGlyphAndText(painter, body, "zoom", 9,
                              body.width() > 60 ? SidebarRules::levelText(zoomLevel(model, id)) : QString(),
                              EditingTheme::font(10, QFont::DemiBold), false);
        return;
    case Track::redact:
        paintGlyphAndText(painter, body, "eye-slash-fill", 9, QString(), QFont(), false);
        return;
    case Track::text:
        paintTextLabel(painter, body, boxText(model, id));
        return;
    case Track::speed:
        paintGlyphAndText(painter, body, "fast-forward-fill", 10, speedText(model.speedOf(id).value_or(1)),
                          EditingTheme::font(10, QFont::DemiBold), false);
        return;
    }
}

QString TimelineClipLook::describe(const TimelineModel& model, Track track, const Uuid& id,
                                   const SecondsRange& span)
{
    QString when = SidebarRules::spanText(span.lower, span.upper);
    switch (track) {
    case Track::cut:
        return tr("Cut %1").arg(when);
    case Track::zoom:
        return tr("Zoom %1, %2").arg(when, SidebarRules::levelText(zoomLevel(model, id)));
    case Track::redact:
        return tr("Blur %1").arg(when);
    case Track::text:
        return tr("Text \"%1\" %2").arg(boxText(model, id), when);
    case Track::speed:
        break;
    }
    return tr("Speed %1 %2").arg(speedText(model.speedOf(id).value_or(1)), when);
}

QString TimelineClipLook::deleteText(Track track)
{
    static const std::array<const char*, TimelineModel::kTrackCount> texts{
        QT_TR_NOOP("Delete Zoom"), QT_TR_NOOP("Delete Blur"), QT_TR_NOOP("Restore Cut"),
        QT_TR_NOOP("Delete Text"), QT_TR_NOOP("Delete Speed")};
    return tr(texts[std::size_t(track)]);
}

QString TimelineClipLook::speedText(double speed)
{
    return QString::fromStdString(speedLabel(speed));
}

} // namespace tarnix
