#include "studio/sidebar/PanelRows.h"

#include <QHBoxLayout>
#include <QLabel>

#include "studio/EditingTheme.h"
#include "ui/PhosphorIcon.h"

namespace tarnix {

PanelRow::PanelRow(const QString& iconName, const QString& text, const QString& detail,
                   bool selected, QWidget* parent)
    : QPushButton(parent)
{
    setObjectName("row");
    setProperty("selected", selected);
    setCursor(Qt::PointingHandCursor);
    setAccessibleName(detail.isEmpty() ? text : text + ", " + detail);
    setMinimumHeight(30);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(8, 0, 8, 0);
    row->setSpacing(7);
    auto* glyph = new QLabel(this);
    glyph->setPixmap(EditingTheme::icon(iconName, 11, StudioTheme::textPrimary()));
    glyph->setFixedSize(11, 11);
    row->addWidget(glyph);
    auto* label = new QLabel(text, this);
    row->addWidget(label);
    row->addStretch();
    if (!detail.isEmpty()) {
        auto* trailing = new QLabel(detail, this);
        trailing->setObjectName("secondary");
        row->addWidget(trailing);
    }
    for (auto* child : findChildren<QLabel*>())
        child->setAttribute(Qt::WA_TransparentForMouseEvents);
}

QPushButton* iconButton(const QString& iconName, const QString& text, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setAccessibleName(text);
    button->setCursor(Qt::PointingHandCursor);
    button->setIcon(PhosphorIcon::icon(iconName, 12, StudioTheme::textPrimary()));
    button->setIconSize(QSize(12, 12));
    return button;
}

} // namespace tarnix
