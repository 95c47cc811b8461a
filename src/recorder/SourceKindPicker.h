#pragma once

#include <QWidget>

#include <array>
#include <optional>

#include "recorder/ControlBarModel.h"
#include "ui/SpringAnimation.h"

class QMenu;

// The source-kind buttons (Display, Window, App, Area; no App on a portal desktop), each 54 × 44 with its icon above its
// title, and the highlight that slides to the selected kind on a spring (response 0.3, damping
// 0.78). Each button opens the menu of its kind's sources.
//
// Threads: GUI thread only.

namespace tarnix {

class BarButton;

class SourceKindPicker : public QWidget {
    Q_OBJECT

public:
    // One kind's button: 54 × 44, wider where a title needs it (the same for every kind, so the
    // highlight slides by whole buttons).
    static QSize buttonSize();
    // The font of a kind's title (selected: DemiBold, else Medium).
    static QFont titleFont(bool selected);

    explicit SourceKindPicker(ControlBarModel& model, QWidget* parent = nullptr);

    BarButton* button(SourceKind kind) const { return buttons_[size_t(kind)]; }
    QMenu* menu(SourceKind kind) const { return menus_[size_t(kind)]; }
    // Where the highlight is drawn now (tests, screenshots); none when no kind is selected.
    std::optional<double> highlightPosition() const;

    // Re-reads the selection from the model (with the slide when `animate`).
    void sync(bool animate);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void fillMenu(SourceKind kind);

    ControlBarModel& model_;
    std::array<BarButton*, 4> buttons_{};
    std::array<QMenu*, 4> menus_{};
    std::array<int, 4> slots_{}; // each offered kind's place from the left
    std::optional<SourceKind> shownKind_;
    double highlightX_ = 0; // in button widths from the left
    SpringAnimation slide_;
};

} // namespace tarnix
