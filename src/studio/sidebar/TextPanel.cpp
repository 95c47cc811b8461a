#include "studio/sidebar/TextPanel.h"

#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "studio/NewRegions.h"
#include "studio/sidebar/PanelRows.h"
#include "studio/sidebar/SidebarControls.h"
#include "studio/sidebar/SidebarRules.h"
#include "studio/sidebar/StudioSidebarView.h"

namespace tarnix {

namespace {
constexpr double kSizeMin = 0.02;
constexpr double kSizeMax = 0.2;
constexpr double kNewBoxSeconds = 3;
constexpr int kMaxTextLength = 500; // characters; the document takes up to 2000 bytes
} // namespace

void TextPanel::build(QVBoxLayout* column)
{
    auto* add = iconButton("plus", tr("Add Text at Playhead"), content());
    add->setEnabled(duration() > 0);
    connect(add, &QPushButton::clicked, this, [this] {
        const double start = std::clamp(currentTime(), 0.0, duration());
        TextRegion box = NewRegions::textRegion(start, std::min(start + kNewBoxSeconds, duration()),
                                                tr("Text").toStdString());
        sidebar().textRegions.modify([&](auto& all) { all.push_back(box); });
        sidebar().selectedTextID.set(box.id);
        commitAndRebuild();
    });
    column->addWidget(add);

    const std::vector<TextRegion> list = sidebar().textRegions.get();
    const auto selection = sidebar().selectedTextID.get();
    auto* rows = new QVBoxLayout;
    rows->setSpacing(2);
    for (const auto& box : list) {
        auto* row = new PanelRow("text-aa-fill", QString::fromStdString(box.text).simplified(),
                                 SidebarRules::spanText(box.start, box.end), selection == box.id,
                                 content());
        const Uuid id = box.id;
        connect(row, &QPushButton::clicked, this, [this, id] {
            sidebar().selectedTextID.set(id);
            refresh();
        });
        rows->addWidget(row);
    }
    column->addLayout(rows);
    if (list.empty())
        column->addWidget(secondaryLabel(
            tr("Text shows titles, steps and notes over the picture. Drag on the text track to add some."),
            content()));

    if (const TextRegion* selected = findByID(list, selection))
        buildBoxControls(column, *selected);
}

void TextPanel::buildBoxControls(QVBoxLayout* column, const TextRegion& box)
{
    const Uuid id = box.id;
    auto editBox = [this, id](auto&& change) {
        sidebar().textRegions.modify([&](auto& all) {
            for (auto& r : all)
                if (r.id == id)
                    change(r);
        });
    };

    column->addWidget(captionLabel(tr("Text"), content()));
    auto* field = new QLineEdit(QString::fromStdString(box.text), content());
    field->setAccessibleName(tr("Text"));
    field->setMaxLength(kMaxTextLength);
    // Typing shows in the preview as it goes; leaving the field (or Return) makes it one undo step.
    connect(field, &QLineEdit::textEdited, this, [this, editBox](const QString& text) {
        editBox([&](TextRegion& r) { r.text = text.toStdString(); });
        showLive();
    });
    connect(field, &QLineEdit::editingFinished, this, [this] { commit(); });
    column->addWidget(field);

    addSlider(column, tr("Size"), kSizeMin, kSizeMax, 0.005, box.size,
              [](double v) { return SidebarRules::percentText(v); },
              [editBox](double v) { editBox([&](TextRegion& r) { r.size = v; }); });

    auto* well = new ColorWell(tr("Color"), SidebarRules::displayColor(box.color), content());
    if (sidebar().chooseColor)
        well->chooseColor = sidebar().chooseColor;
    well->onPicked = [this, editBox](const QColor& color) {
        editBox([&](TextRegion& r) { r.color = SidebarRules::codableColor(color); });
        commit();
    };
    column->addWidget(well);

    addToggle(column, tr("Background"), box.background,
              [editBox](bool on) { editBox([&](TextRegion& r) { r.background = on; }); });

    addDeleteButton(column, tr("Delete Text"), [this, id] {
        sidebar().textRegions.modify(
            [&](auto& all) { std::erase_if(all, [&](const auto& r) { return r.id == id; }); });
        sidebar().selectedTextID.set(std::nullopt);
    });
}

} // namespace tarnix
