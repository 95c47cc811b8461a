#include "studio/timeline/TimelineZoomControls.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QSlider>

#include <cmath>

#include "studio/StudioControls.h"
#include "studio/timeline/TimelineView.h"

namespace tarnix {

TimelineZoomControls::TimelineZoomControls(TimelineView& timeline, QWidget* parent)
    : QWidget(parent), timelineView_(timeline)
{
    zoomOut_ = StudioControls::captionButton(QStringLiteral("−"), this);
    zoomOut_->setToolTip(tr("Zoom out of the timeline (-)"));
    zoomOut_->setAccessibleName(tr("Zoom out"));
    slider_ = new QSlider(Qt::Horizontal, this);
    slider_->setRange(0, kSliderSteps);
    slider_->setFixedWidth(96);
    slider_->setToolTip(tr("Timeline zoom"));
    slider_->setAccessibleName(tr("Timeline zoom"));
    zoomIn_ = StudioControls::captionButton(QStringLiteral("+"), this);
    zoomIn_->setToolTip(tr("Zoom into the timeline (+)"));
    zoomIn_->setAccessibleName(tr("Zoom in"));
    fit_ = StudioControls::captionButton(tr("Fit"), this);
    fit_->setToolTip(tr("Show the whole recording (Shift+Z)"));

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    row->addWidget(zoomOut_);
    row->addWidget(slider_);
    row->addWidget(zoomIn_);
    row->addSpacing(4);
    row->addWidget(fit_);

    connect(zoomOut_, &QPushButton::clicked, this, [this] { timelineView_.zoomBy(1 / TimelineViewport::kZoomStep); });
    connect(zoomIn_, &QPushButton::clicked, this, [this] { timelineView_.zoomBy(TimelineViewport::kZoomStep); });
    connect(fit_, &QPushButton::clicked, this, [this] { timelineView_.fitAll(); });
    connect(slider_, &QSlider::valueChanged, this, [this](int position) {
        if (refreshing_)
            return;
        const TimelineViewport& viewport = timelineView_.model().viewport;
        double maxFactor = viewport.maxPxPerSecond() / std::max(viewport.fitPxPerSecond(), 1e-9);
        timelineView_.setZoomFactor(factorAt(position, maxFactor));
    });
    refresh();
}

void TimelineZoomControls::refresh()
{
    const TimelineViewport& viewport = timelineView_.model().viewport;
    double fit = viewport.fitPxPerSecond();
    bool zoomable = fit > 0 && viewport.maxPxPerSecond() > fit * 1.0001;
    double maxFactor = zoomable ? viewport.maxPxPerSecond() / fit : 1;
    refreshing_ = true;
    slider_->setValue(sliderPosition(viewport.zoomFactor(), maxFactor));
    refreshing_ = false;
    slider_->setEnabled(zoomable);
    zoomOut_->setEnabled(zoomable && !viewport.isFit());
    zoomIn_->setEnabled(zoomable && viewport.pxPerSecond() < viewport.maxPxPerSecond() * 0.9999);
    fit_->setEnabled(zoomable && !viewport.isFit());
}

int TimelineZoomControls::sliderPosition(double factor, double maxFactor)
{
    if (!(maxFactor > 1) || !(factor > 1))
        return 0;
    double p = std::log(factor) / std::log(maxFactor) * kSliderSteps;
    return int(std::lround(std::clamp(p, 0.0, double(kSliderSteps))));
}

double TimelineZoomControls::factorAt(int position, double maxFactor)
{
    if (!(maxFactor > 1))
        return 1;
    return std::pow(maxFactor, double(std::clamp(position, 0, kSliderSteps)) / kSliderSteps);
}

} // namespace tarnix
