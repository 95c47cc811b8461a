#include "studio/sidebar/ZoomPanel.h"

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

void ZoomPanel::build(QVBoxLayout* column)
{
    auto& regions = sidebar().regions;
    std::vector<ZoomRegion> list = regions.get();
    column->addWidget(secondaryLabel(SidebarRules::zoomCountText(int(list.size())), content()));
    std::stable_sort(list.begin(), list.end(), [](const auto& a, const auto& b) { return a.start < b.start; });

    auto selection = sidebar().selectedRegionID.get();
    std::vector<RegionRow> rows;
    for (const auto& region : list)
        rows.push_back({region.id, region.start, region.end,
                        SidebarRules::levelText(TimelineRules::zoomLevel(region.rect))});
    addRegionRows(column, "zoom", rows, sidebar().selectedRegionID);
    if (list.empty())
        column->addWidget(secondaryLabel(tr("Drag across the zoom track to add a zoom."), content()));

    const ZoomRegion* selected = findByID(list, selection);
    if (!selected)
        return;
    Uuid id = selected->id;
    auto* level = addSlider(
        column, tr("Zoom level"), ZoomShape::kMinLevel, ZoomShape::kMaxLevel, 0.1,
        TimelineRules::zoomLevel(selected->rect), [](double value) { return SidebarRules::levelText(value); },
        [this, id](double value) {
            sidebar().regions.modify([&](auto& all) { SidebarRules::updateZoomLevel(all, value, id); });
        });
    level->onCommit = [this] { commitAndRebuild(); };

    addDeleteButton(column, tr("Delete Zoom"), [this, id] {
        sidebar().regions.modify(
            [&](auto& all) { std::erase_if(all, [&](const auto& r) { return r.id == id; }); });
        sidebar().selectedRegionID.set(std::nullopt);
    });
}

} // namespace tarnix
