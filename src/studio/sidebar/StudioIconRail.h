#pragma once

#include <QWidget>

#include <array>
#include <optional>

#include "studio/Binding.h"
#include "studio/sidebar/StudioTabLabels.h"

class QAbstractButton;
class QVariantAnimation;

// The column of tab buttons over the preview's leading edge, 56 points wide. Pressing a tab's
// button opens its panel, pressing the open tab's button closes it; the highlight slides to the
// selected button. The editor binds `selectedTab` and calls refresh() when it changes it itself.

namespace tarnix {

class StudioIconRail final : public QWidget {
    Q_OBJECT
public:
    explicit StudioIconRail(QWidget* parent = nullptr);

    Binding<std::optional<StudioTab>> selectedTab;

    void refresh();
    QAbstractButton* button(StudioTab tab) const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void press(StudioTab tab);
    QRectF highlightTarget() const;

    std::array<QAbstractButton*, kAllStudioTabs.size()> buttons_{};
    QVariantAnimation* slide_ = nullptr;
    QRectF highlight_;
    bool syncing_ = false; // refresh() is setting the buttons' checked states
};

} // namespace tarnix
