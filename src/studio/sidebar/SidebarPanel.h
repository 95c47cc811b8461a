#pragma once

#include <QObject>
#include <QString>

#include <algorithm>
#include <functional>
#include <optional>
#include <vector>

#include "document/Uuid.h"
#include "studio/Binding.h"

class QPushButton;
class QVBoxLayout;
class QWidget;

// One tab's contents in the settings panel (StudioSidebarView). A panel lives as long as the
// sidebar and builds its controls anew on every rebuild of the sidebar's contents; what every
// panel does is here: reach the edit state's bindings and the recording's facts, report a change,
// and make the rows they all use (a slider that commits when released, a switch that commits at
// once, a button that deletes). GUI thread only.

namespace tarnix {

class SliderRow;
class StudioSidebarView;
class ToggleSwitch;

class SidebarPanel : public QObject {
    Q_OBJECT
public:
    explicit SidebarPanel(StudioSidebarView& sidebar);

    // Adds the panel's controls to `column`, each a child of content().
    virtual void build(QVBoxLayout* column) = 0;

protected:
    StudioSidebarView& sidebar() const { return sidebar_; }
    // The widget the controls built now belong to.
    QWidget* content() const;
    bool hasCamera() const;
    bool hasSystemAudio() const;
    bool hasMicrophone() const;
    bool hasKeyEvents() const;
    double duration() const;
    double currentTime() const;

    // Reports a change that keeps the same controls.
    void commit();
    // Reports a change that alters which controls exist: the contents are built again.
    void commitAndRebuild();
    // Shows a change still being made in the preview at once; commit() reports its end.
    void showLive();
    // Builds the contents again (a new selection) without reporting a change.
    void refresh();

    // A slider whose moves write through `apply` and whose release commits.
    SliderRow* addSlider(QVBoxLayout* column, const QString& caption, double minimum,
                         double maximum, double step, double value,
                         std::function<QString(double)> readout,
                         std::function<void(double)> apply);
    // The "Strength" slider (0 to 100 %) of a setting a switch above it turns on.
    SliderRow* addStrengthSlider(QVBoxLayout* column, double value, bool enabled,
                                 const QString& accessibleName, std::function<void(double)> apply);
    // A switch that writes through `apply` and commits; `rebuilds` when it changes which
    // controls exist.
    ToggleSwitch* addToggle(QVBoxLayout* column, const QString& caption, bool on,
                            std::function<void(bool)> apply, bool rebuilds = false);
    // The red button at a region's end that removes it.
    void addDeleteButton(QVBoxLayout* column, const QString& text, std::function<void()> remove);

    // A region's row in a panel's list: its span, and what else the list says of it.
    struct RegionRow {
        Uuid id;
        double start = 0;
        double end = 0;
        QString detail;
    };
    // The list of a track's regions, the selected one marked; a click selects a row.
    void addRegionRows(QVBoxLayout* column, const QString& iconName,
                       const std::vector<RegionRow>& regions, Binding<std::optional<Uuid>>& selection);

private:
    StudioSidebarView& sidebar_;
};

} // namespace tarnix
