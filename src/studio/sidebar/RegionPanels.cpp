// The zoom and privacy panels of StudioSidebarView: lists of regions, the selected one's controls.

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

#include "studio/sidebar/PanelRows.h"
#include "studio/sidebar/SidebarControls.h"
#include "studio/sidebar/SidebarRules.h"
#include "studio/sidebar/StudioSidebarView.h"
#include "studio/timeline/TimelineRules.h"
#include "zoom/ZoomShape.h"

namespace tarnix {

namespace {

template <class Region>
const Region* regionWithID(const std::vector<Region>& list, const std::optional<Uuid>& id)
{
    if (!id)
        return nullptr;
    auto it = std::find_if(list.begin(), list.end(), [&](const Region& r) { return r.id == *id; });
    return it == list.end() ? nullptr : &*it;
}

QPushButton* destructiveButton(const QString& text, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName("destructive");
    button->setAccessibleName(text);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

} // namespace

void StudioSidebarView::buildZoomPanel(QVBoxLayout* column)
{
    std::vector<ZoomRegion> list = regions.get();
    column->addWidget(secondaryLabel(SidebarRules::zoomCountText(int(list.size())), content_));
    std::stable_sort(list.begin(), list.end(), [](const auto& a, const auto& b) { return a.start < b.start; });

    auto selection = selectedRegionID.get();
    auto* rows = new QVBoxLayout;
    rows->setSpacing(2);
    for (const auto& region : list) {
        auto* row = new PanelRow("zoom", SidebarRules::spanText(region.start, region.end),
                                 SidebarRules::levelText(TimelineRules::zoomLevel(region.rect)),
                                 selection == region.id, content_);
        Uuid id = region.id;
        connect(row, &QPushButton::clicked, this, [this, id] {
            selectedRegionID.set(id);
            refresh();
        });
        rows->addWidget(row);
    }
    column->addLayout(rows);
    if (list.empty())
        column->addWidget(secondaryLabel(tr("Drag across the zoom track to add a zoom."), content_));

    const ZoomRegion* selected = regionWithID(list, selection);
    if (!selected)
        return;
    Uuid id = selected->id;
    auto* level = new SliderRow(tr("Zoom level"), ZoomShape::kMinLevel, ZoomShape::kMaxLevel, 0.1,
                                TimelineRules::zoomLevel(selected->rect), content_);
    level->readout = [](double value) { return SidebarRules::levelText(value); };
    level->refreshReadout();
    level->onValueChanged = [this, id](double value) {
        regions.modify([&](auto& all) { SidebarRules::updateZoomLevel(all, value, id); });
    };
    level->onCommit = [this] { commitAndRebuild(); };
    column->addWidget(level);

    auto* remove = destructiveButton(tr("Delete Zoom"), content_);
    connect(remove, &QPushButton::clicked, this, [this, id] {
        regions.modify([&](auto& all) { std::erase_if(all, [&](const auto& r) { return r.id == id; }); });
        selectedRegionID.set(std::nullopt);
        commitAndRebuild();
    });
    column->addWidget(remove);
}

void StudioSidebarView::buildPrivacyPanel(QVBoxLayout* column)
{
    auto* add = iconButton("plus", tr("Add Blur at Playhead"), content_);
    add->setEnabled(duration_ > 0);
    connect(add, &QPushButton::clicked, this, [this] {
        RedactRegion region = SidebarRules::newRedactRegionAtPlayhead(currentTime_, duration_);
        redactRegions.modify([&](auto& all) { all.push_back(region); });
        selectedRedactID.set(region.id);
        commitAndRebuild();
    });
    column->addWidget(add);

    std::vector<RedactRegion> list = redactRegions.get();
    auto selection = selectedRedactID.get();
    auto* rows = new QVBoxLayout;
    rows->setSpacing(2);
    for (const auto& region : list) {
        auto* row = new PanelRow("eye-slash-fill", SidebarRules::spanText(region.start, region.end),
                                 QString(), selection == region.id, content_);
        Uuid id = region.id;
        connect(row, &QPushButton::clicked, this, [this, id] {
            selectedRedactID.set(id);
            refresh();
        });
        rows->addWidget(row);
    }
    column->addLayout(rows);
    if (list.empty())
        column->addWidget(
            secondaryLabel(tr("Blur hides passwords, messages and other private areas."), content_));

    if (const RedactRegion* selected = regionWithID(list, selection))
        buildRedactControls(column, *selected);
}

void StudioSidebarView::buildRedactControls(QVBoxLayout* column, const RedactRegion& region)
{
    Uuid id = region.id;
    auto editRegion = [this, id](auto&& change) {
        redactRegions.modify([&](auto& all) {
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
        times->addWidget(captionLabel(row.caption, content_), line, 0);
        auto* value = secondaryLabel(SidebarRules::formatTime(row.value), content_);
        times->addWidget(value, line, 1);
        auto* button = new QPushButton(tr("Set to playhead"), content_);
        button->setObjectName(row.name);
        button->setAccessibleName(tr("Set to playhead"));
        button->setAccessibleDescription(row.caption);
        button->setCursor(Qt::PointingHandCursor);
        auto apply = row.apply;
        connect(button, &QPushButton::clicked, this, [this, editRegion, apply] {
            double now = currentTime_;
            editRegion([&](RedactRegion& r) { apply(r, now); });
            commitAndRebuild();
        });
        times->addWidget(button, line, 2, Qt::AlignRight);
        ++line;
    }
    times->setColumnStretch(1, 1);
    column->addLayout(times);

    for (bool horizontal : {true, false}) {
        double value = horizontal ? region.rect.width : region.rect.height;
        auto* slider = new SliderRow(horizontal ? tr("Width") : tr("Height"), SidebarRules::kRedactSizeMin,
                                     SidebarRules::kRedactSizeMax, 0.01, value, content_);
        slider->readout = [](double v) { return SidebarRules::percentText(v); };
        slider->refreshReadout();
        slider->onValueChanged = [editRegion, horizontal](double v) {
            editRegion([&](RedactRegion& r) {
                r.rect = horizontal ? SidebarRules::resizedRedactRect(r.rect, v, std::nullopt)
                                    : SidebarRules::resizedRedactRect(r.rect, std::nullopt, v);
            });
        };
        slider->onCommit = [this] { commit(); };
        column->addWidget(slider);
    }

    auto* remove = destructiveButton(tr("Delete Blur"), content_);
    connect(remove, &QPushButton::clicked, this, [this, id] {
        redactRegions.modify([&](auto& all) { std::erase_if(all, [&](const auto& r) { return r.id == id; }); });
        selectedRedactID.set(std::nullopt);
        commitAndRebuild();
    });
    column->addWidget(remove);
}

} // namespace tarnix
