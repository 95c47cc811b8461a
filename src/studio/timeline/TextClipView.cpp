#include "studio/timeline/TextClipView.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>

#include "studio/sidebar/SidebarRules.h"

namespace tarnix {

TextClipView::TextClipView(TimelineModel& model, Uuid id, QWidget* parent)
    : TimelineClipView(model, Track::text, id, parent)
{
}

QColor TextClipView::color()
{
    return QColor(0x8E, 0x5C, 0xE6);
}

QColor TextClipView::fillColor() const
{
    return color();
}

QString TextClipView::text() const
{
    const auto& boxes = model().textRegions.view();
    auto it = std::find_if(boxes.begin(), boxes.end(), [this](const TextRegion& r) { return r.id == regionID(); });
    return it == boxes.end() ? QString() : QString::fromStdString(it->text).simplified();
}

void TextClipView::paintLabel(QPainter& painter, const QRectF& body)
{
    const QRectF room = body.adjusted(8, 0, -8, 0);
    if (room.width() < 16)
        return;
    QFont font = painter.font();
    font.setPixelSize(11);
    font.setWeight(QFont::DemiBold);
    painter.setFont(font);
    painter.setPen(Qt::white);
    const QString shown = QFontMetricsF(font).elidedText(text(), Qt::ElideRight, room.width());
    painter.drawText(room, Qt::AlignVCenter | Qt::AlignLeft, shown);
}

QString TextClipView::describe(const SecondsRange& span) const
{
    return tr("Text \"%1\" %2").arg(text(), SidebarRules::spanText(span.lower, span.upper));
}

} // namespace tarnix
