#pragma once

#include <QWidget>

class QPushButton;
class QSlider;

// The timeline's zoom controls for the caption line: "−", a slider from the whole recording to
// the closest view (logarithmic, so each step of it zooms alike), "+" and "Fit". The buttons and
// the slider zoom about the playhead. GUI thread.

namespace tarnix {

class TimelineView;

class TimelineZoomControls : public QWidget {
    Q_OBJECT
public:
    TimelineZoomControls(TimelineView& timeline, QWidget* parent = nullptr);

    // Re-reads the timeline's scale (after a zoom made elsewhere: wheel, keys, pinch).
    void refresh();

    QSlider* slider() const { return slider_; }

    // Slider positions run 0 ... kSliderSteps; position p shows maxFactor^(p / kSliderSteps).
    static constexpr int kSliderSteps = 1000;
    static int sliderPosition(double factor, double maxFactor);
    static double factorAt(int position, double maxFactor);

private:
    TimelineView& timelineView_;
    QPushButton* zoomOut_;
    QSlider* slider_;
    QPushButton* zoomIn_;
    QPushButton* fit_;
    bool refreshing_ = false;
};

} // namespace tarnix
