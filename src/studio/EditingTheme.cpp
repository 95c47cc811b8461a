#include "studio/EditingTheme.h"

#include "ui/PhosphorIcon.h"

namespace tarnix::EditingTheme {

QFont font(double pointSize, QFont::Weight weight)
{
    QFont f;
    f.setPointSizeF(pointSize);
    f.setWeight(weight);
    return f;
}

QPixmap icon(const QString& name, double size, const QColor& color)
{
    return PhosphorIcon::pixmap(name, size, color);
}

} // namespace tarnix::EditingTheme
