#include "studio/sidebar/PrivacyPanel.h"

#include <QGridLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "studio/sidebar/PanelRows.h"
#include "studio/sidebar/SidebarControls.h"
#include "studio/sidebar/SidebarRules.h"
#include "studio/sidebar/StudioSidebarView.h"

namespace tarnix {

void PrivacyPanel::build(QVBoxLayout* column)
{
    auto* add = iconButton("plus", tr("Add Blur at Playhead"), content());
    add->setEnabled(duration() > 0);
    connect(add, &QPushButton::clicked, this, [this] {
        RedactRegion region = SidebarRules::newRedactRegionAtPlayhead(currentTime(), duration());
        sidebar().redactRegions.modify([&](auto& all) { all.push_back(region); });
        sidebar().selectedRedactID.set(region.id);
        commitAndRebuild();
    });
    column->addWidget(add);

    std::vector<RedactRegion> list = sidebar().redactRegions.get();
    auto selection = sidebar().selectedRedactID.get();
    std::vector<RegionRow> rows;
    for (const auto& region : list)
        rows.push_back({region.id, region.start, region.end, QString()});
    addRegionRows(column, "eye-slash-fill", rows, sidebar().selectedRedactID);
    if (list.empty())
        column->addWidget(
            secondaryLabel(tr("Blur hides passwords, messages and other private areas."), content()));

    if (const RedactRegion* selected = findByID(list, selection))
        buildRegionControls(column, *selected);
}

void PrivacyPanel::buildRegionControls(QVBoxLayout* column, const RedactRegion& region)
{
    Uuid id = region.id;
    auto editRegion = [this, id](auto&& change) {
        sidebar().redactRegions.modify([&](auto& all) {
            for (auto& r : all)
                if (r.id == id)
                    change(r);
        });
    };

    auto* times = new QGridLayout;
    times->setHorizontalSpacing(8);
    times->setVerticalSpacing(6);
    struct Row {
        QString caption;
        double value;
        const char* name;
        void (*apply)(RedactRegion&, double);
    };
    const Row rowsOfTimes[] = {
        {tr("Start"), region.start, "setStartToPlayhead", &SidebarRules::setStartToPlayhead},
        {tr("End"), region.end, "setEndToPlayhead", &SidebarRules::setEndToPlayhead},
    };
    int line = 0;
    for (const auto& row : rowsOfTimes) {
        times->addWidget(captionLabel(row.caption, content()), line, 0);
        auto* value = secondaryLabel(SidebarRules::formatTime(row.value), content());
        times->addWidget(value, line, 1);
        auto* button = new QPushButton(tr("Set to playhead"), content());
        button->setObjectName(row.name);
        button->setAccessibleName(tr("Set to playhead"));
        button->setAccessibleDescription(row.caption);
        button->setCursor(Qt::PointingHandCursor);
        auto apply = row.apply;
        connect(button, &QPushButton::clicked, this, [this, editRegion, apply] {
            double now = currentTime();
            editRegion([&](RedactRegion& r) { apply(r, now); });
            commitAndRebuild();
        });
        times->addWidget(button, line, 2, Qt::AlignRight);
        ++line;
    }
    times->setColumnStretch(1, 1);
    column->addLayout(times);

    for (bool horizontal : {true, false}) {
        addSlider(column, horizontal ? tr("Width") : tr("Height"), SidebarRules::kRedactSizeMin,
                  SidebarRules::kRedactSizeMax, 0.01, horizontal ? region.rect.width : region.rect.height,
                  [](double v) { return SidebarRules::percentText(v); },
                  [editRegion, horizontal](double v) {
                      editRegion([&](RedactRegion& r) {
                          r.rect = horizontal ? SidebarRules::resizedRedactRect(r.rect, v, std::nullopt)
                                              : SidebarRules::resizedRedactRect(r.rect, std::nullopt, v);
                      });
                  });
    }

    addDeleteButton(column, tr("Delete Blur"), [this, id] {
        sidebar().redactRegions.modify(
            [&](auto& all) { std::erase_if(all, [&](const auto& r) { return r.id == id; }); });
        sidebar().selectedRedactID.set(std::nullopt);
    });
}

} // namespace tarnix
