#include "studio/KeyboardShortcutsSheet.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "studio/StudioControls.h"
#include "studio/timeline/TimelineKeys.h"
#include "ui/StudioTheme.h"

namespace tarnix {

namespace {

struct Row {
    QString keys;
    QString description;
};

// A key combination as the desktop's language names it ("Umschalt+Links" for "Shift+Left");
// one Qt can't read back unchanged keeps its text.
QString keysText(const QString& portable)
{
    const QKeySequence keys = QKeySequence::fromString(portable, QKeySequence::PortableText);
    if (keys.count() != 1 || keys.toString(QKeySequence::PortableText) != portable)
        return portable;
    return keys.toString(QKeySequence::NativeText);
}

// Keys the Studio handles outside the timeline's map, and its pointer gestures.
QList<Row> editorRows()
{
    return {
        {keysText(QStringLiteral("Space")), KeyboardShortcutsSheet::tr("Play or pause")},
        {keysText(QStringLiteral("Delete")), KeyboardShortcutsSheet::tr("Remove the selected region, or restore the selected cut")},
        {keysText(QStringLiteral("Ctrl+Z")), KeyboardShortcutsSheet::tr("Undo")},
        {keysText(QStringLiteral("Ctrl+Shift+Z")), KeyboardShortcutsSheet::tr("Redo")},
        {KeyboardShortcutsSheet::tr("Ctrl+wheel"), KeyboardShortcutsSheet::tr("Zoom the timeline about the pointer")},
        {KeyboardShortcutsSheet::tr("Shift+wheel"), KeyboardShortcutsSheet::tr("Scroll the timeline")},
    };
}

} // namespace

KeyboardShortcutsSheet::KeyboardShortcutsSheet(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr("Keyboard shortcuts"));
    setAccessibleName(tr("Keyboard shortcuts"));
    // A top-level sheet does not inherit the Studio's dark surface: it is given it.
    setStyleSheet(StudioControls::styleSheet() +
                  QStringLiteral("QDialog { background: %1; } QLabel#shortcutKeys { color: %2; }")
                      .arg(StudioTheme::background().name(), StudioTheme::textPrimary().name()));
    setAttribute(Qt::WA_StyledBackground);

    QList<Row> rows;
    for (const TimelineKeyBinding& binding : TimelineKeys::bindings())
        rows.push_back({keysText(QString::fromUtf8(binding.keysText)), tr(binding.description)});
    rows += editorRows();

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(24);
    grid->setVerticalSpacing(6);
    // Two columns of key and sentence pairs, filled top to bottom.
    auto perColumn = (rows.size() + 1) / 2;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        auto* keys = new QLabel(rows[i].keys, this);
        keys->setObjectName("shortcutKeys");
        keys->setStyleSheet(QStringLiteral("font-weight: 600;"));
        auto* text = StudioControls::caption(rows[i].description, this);
        int row = int(i % perColumn);
        int column = int(i / perColumn) * 2;
        grid->addWidget(keys, row, column, Qt::AlignRight);
        grid->addWidget(text, row, column + 1);
    }

    auto* title = new QLabel(tr("Keyboard shortcuts"), this);
    title->setObjectName("studioTitle");
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(20, 16, 20, 14);
    column->setSpacing(12);
    column->addWidget(title);
    column->addLayout(grid);
    column->addWidget(buttons);
}

} // namespace tarnix
