// The background panel of StudioSidebarView: the canvas's aspect, style, colour, gradient
// presets, image and wallpapers, and the frame around the recording.

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "document/CutRegions.h"
#include "studio/sidebar/PanelRows.h"
#include "studio/sidebar/SidebarControls.h"
#include "studio/sidebar/SidebarRules.h"
#include "studio/sidebar/StudioSidebarView.h"

namespace tarnix {

namespace {

constexpr BackgroundStyle kStyles[] = {BackgroundStyle::none, BackgroundStyle::solid,
                                       BackgroundStyle::gradient, BackgroundStyle::image};
constexpr int kSwatchColumns = 3;

QString presetTitle(const std::string& id)
{
    QString name = QString::fromStdString(id);
    if (!name.isEmpty())
        name[0] = name[0].toUpper();
    return name;
}

} // namespace

void StudioSidebarView::buildAspectPicker(QVBoxLayout* column, const BackgroundSettings& settings)
{
    std::vector<SegmentedPicker::Shape> choices;
    int selected = 0;
    for (CanvasAspect aspect : kAllCanvasAspects) {
        if (aspect == settings.aspect)
            selected = int(choices.size());
        choices.push_back({SidebarRules::aspectTitle(aspect), SidebarRules::aspectGlyphSize(aspect, 1),
                           aspect == CanvasAspect::source});
    }
    auto* picker = new SegmentedPicker(tr("Aspect"), choices, selected, content_);
    picker->onSelected = [this](int index) {
        background.modify([&](auto& s) { s = withCanvasAspect(s, kAllCanvasAspects[index]); });
        commitAndRebuild();
    };
    column->addWidget(picker);
}

void StudioSidebarView::buildBackgroundPanel(QVBoxLayout* column)
{
    BackgroundSettings settings = background.get();
    buildAspectPicker(column, settings);

    int styleIndex = 0;
    for (int i = 0; i < 4; ++i)
        if (kStyles[i] == settings.style)
            styleIndex = i;
    auto* style = new SegmentedPicker(tr("Style"), {tr("None"), tr("Color"), tr("Gradient"), tr("Image")},
                                      styleIndex, content_);
    style->onSelected = [this](int index) {
        background.modify([&](auto& s) { s = SidebarRules::withBackgroundStyle(s, kStyles[index]); });
        commitAndRebuild();
    };
    column->addWidget(style);

    switch (settings.style) {
    case BackgroundStyle::solid: {
        auto* well = new ColorWell(tr("Color"), SidebarRules::displayColor(settings.solidColor), content_);
        if (chooseColor)
            well->chooseColor = chooseColor;
        well->onPicked = [this](const QColor& color) {
            background.modify([&](auto& s) { s.solidColor = SidebarRules::codableColor(color); });
            commit();
        };
        column->addWidget(well);
        break;
    }
    case BackgroundStyle::gradient: {
        auto* grid = new QGridLayout;
        grid->setSpacing(8);
        int i = 0;
        for (const auto& preset : GradientPreset::all()) {
            auto* swatch = new SwatchButton(presetTitle(preset.id), content_);
            swatch->setGradient(preset.colors);
            swatch->setSelected(preset.id == settings.gradientPresetID);
            std::string id = preset.id;
            connect(swatch, &QAbstractButton::clicked, this, [this, id] {
                background.modify([&](auto& s) { s.gradientPresetID = id; });
                commitAndRebuild();
            });
            grid->addWidget(swatch, i / kSwatchColumns, i % kSwatchColumns);
            ++i;
        }
        column->addLayout(grid);
        break;
    }
    case BackgroundStyle::image:
        buildImagePicker(column, settings);
        break;
    case BackgroundStyle::none:
        column->addWidget(secondaryLabel(tr("The recording fills the whole frame."), content_));
        break;
    }

    if (settings.style == BackgroundStyle::none)
        return;
    struct SliderSpec {
        QString caption;
        double min, max, step, value;
        double BackgroundSettings::*field;
        QString (*readout)(double);
    };
    const SliderSpec sliders[] = {
        {tr("Padding"), 0, 0.2, 0.005, settings.padding, &BackgroundSettings::padding,
         [](double v) { return SidebarRules::percentText(v); }},
        {tr("Corner Radius"), 0, 80, 1, settings.cornerRadius, &BackgroundSettings::cornerRadius,
         [](double v) { return QString::number(qRound(v)); }},
        {tr("Shadow"), 0, 1, 0.01, settings.shadowOpacity, &BackgroundSettings::shadowOpacity,
         [](double v) { return SidebarRules::percentText(v); }},
    };
    for (const auto& row : sliders) {
        auto* slider = new SliderRow(row.caption, row.min, row.max, row.step, row.value, content_);
        slider->readout = row.readout;
        slider->refreshReadout();
        auto field = row.field;
        slider->onValueChanged = [this, field](double v) { background.modify([&](auto& s) { s.*field = v; }); };
        slider->onCommit = [this] { commit(); };
        column->addWidget(slider);
    }
}

void StudioSidebarView::buildImagePicker(QVBoxLayout* column, const BackgroundSettings& settings)
{
    QString path = settings.imagePath ? QString::fromStdString(*settings.imagePath) : QString();
    if (!path.isEmpty())
        loadCustomThumbnail(path);

    auto* preview = new QLabel(content_);
    preview->setObjectName("thumbnail");
    preview->setAlignment(Qt::AlignCenter);
    preview->setFixedHeight(132);
    if (!customImageThumbnail_.isNull() && customThumbnailPath_ == path) {
        QPixmap pixmap = QPixmap::fromImage(customImageThumbnail_.scaled(
            QSize(248, 132) * devicePixelRatioF(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
        pixmap.setDevicePixelRatio(devicePixelRatioF());
        preview->setPixmap(pixmap);
    } else {
        preview->setText(path.isEmpty() ? tr("No image chosen") : tr("Loading…"));
    }
    preview->setToolTip(path);
    column->addWidget(preview);

    auto* choose = iconButton("folder-open", tr("Choose Image…"), content_);
    connect(choose, &QPushButton::clicked, this, [this] {
        if (!chooseImageFile)
            return;
        if (auto chosen = chooseImageFile(); chosen && !chosen->isEmpty()) {
            background.modify([&](auto& s) { s.imagePath = chosen->toStdString(); });
            commitAndRebuild();
        }
    });
    column->addWidget(choose);

    auto* heading = new QLabel(tr("System Wallpapers"), content_);
    heading->setObjectName("section");
    column->addWidget(heading);
    loadWallpapers();
    if (!wallpapers_) {
        column->addWidget(secondaryLabel(tr("Looking for wallpapers…"), content_));
        return;
    }
    if (wallpapers_->empty()) {
        column->addWidget(secondaryLabel(tr("No wallpapers are installed."), content_));
        return;
    }
    auto* grid = new QGridLayout;
    grid->setSpacing(8);
    int i = 0;
    for (const auto& wallpaper : *wallpapers_) {
        auto* swatch = new SwatchButton(QString::fromStdString(wallpaper.name), content_);
        swatch->setImage(wallpaper.thumbnail);
        swatch->setSelected(settings.imagePath == wallpaper.path);
        std::string chosen = wallpaper.path;
        connect(swatch, &QAbstractButton::clicked, this, [this, chosen] {
            background.modify([&](auto& s) { s.imagePath = chosen; });
            commitAndRebuild();
        });
        grid->addWidget(swatch, i / kSwatchColumns, i % kSwatchColumns);
        ++i;
    }
    column->addLayout(grid);
}

} // namespace tarnix
