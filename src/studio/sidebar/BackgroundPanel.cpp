#include "studio/sidebar/BackgroundPanel.h"

#include <QFutureWatcher>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include "compositing/ImageThumbnailLoader.h"
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

void BackgroundPanel::buildAspectPicker(QVBoxLayout* column, const BackgroundSettings& settings)
{
    std::vector<SegmentedPicker::Shape> choices;
    int selected = 0;
    for (CanvasAspect aspect : kAllCanvasAspects) {
        if (aspect == settings.aspect)
            selected = int(choices.size());
        choices.push_back({SidebarRules::aspectTitle(aspect), SidebarRules::aspectGlyphSize(aspect, 1),
                           aspect == CanvasAspect::source});
    }
    auto* picker = new SegmentedPicker(tr("Aspect"), choices, selected, content());
    picker->onSelected = [this](int index) {
        sidebar().background.modify([&](auto& s) { s = withCanvasAspect(s, kAllCanvasAspects[index]); });
        commitAndRebuild();
    };
    column->addWidget(picker);
}

void BackgroundPanel::build(QVBoxLayout* column)
{
    BackgroundSettings settings = sidebar().background.get();
    buildAspectPicker(column, settings);

    int styleIndex = 0;
    for (int i = 0; i < 4; ++i)
        if (kStyles[i] == settings.style)
            styleIndex = i;
    auto* style = new SegmentedPicker(tr("Style"), {tr("None"), tr("Color"), tr("Gradient"), tr("Image")},
                                      styleIndex, content());
    style->onSelected = [this](int index) {
        sidebar().background.modify([&](auto& s) { s = SidebarRules::withBackgroundStyle(s, kStyles[index]); });
        commitAndRebuild();
    };
    column->addWidget(style);

    switch (settings.style) {
    case BackgroundStyle::solid: {
        auto* well = new ColorWell(tr("Color"), SidebarRules::displayColor(settings.solidColor), content());
        if (sidebar().chooseColor)
            well->chooseColor = sidebar().chooseColor;
        well->onPicked = [this](const QColor& color) {
            sidebar().background.modify([&](auto& s) { s.solidColor = SidebarRules::codableColor(color); });
            commit();
        };
        column->addWidget(well);
        break;
    }
    case BackgroundStyle::gradient: {
        std::vector<SwatchChoice> choices;
        for (const auto& preset : GradientPreset::all()) {
            auto* swatch = new SwatchButton(presetTitle(preset.id), content());
            swatch->setGradient(preset.colors);
            swatch->setSelected(preset.id == settings.gradientPresetID);
            choices.push_back({swatch, [id = preset.id](BackgroundSettings& s) { s.gradientPresetID = id; }});
        }
        addSwatchGrid(column, choices);
        break;
    }
    case BackgroundStyle::image:
        buildImagePicker(column, settings);
        break;
    case BackgroundStyle::none:
        column->addWidget(secondaryLabel(tr("The recording fills the whole frame."), content()));
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
        auto field = row.field;
        addSlider(column, row.caption, row.min, row.max, row.step, row.value, row.readout,
                  [this, field](double v) { sidebar().background.modify([&](auto& s) { s.*field = v; }); });
    }
}

void BackgroundPanel::buildImagePicker(QVBoxLayout* column, const BackgroundSettings& settings)
{
    QString path = settings.imagePath ? QString::fromStdString(*settings.imagePath) : QString();
    if (!path.isEmpty())
        loadCustomThumbnail(path);

    auto* preview = new QLabel(content());
    preview->setObjectName("thumbnail");
    preview->setAlignment(Qt::AlignCenter);
    preview->setFixedHeight(132);
    if (!customImageThumbnail_.isNull() && customThumbnailPath_ == path) {
        QPixmap pixmap = QPixmap::fromImage(customImageThumbnail_.scaled(
            QSize(248, 132) * sidebar().devicePixelRatioF(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
        pixmap.setDevicePixelRatio(sidebar().devicePixelRatioF());
        preview->setPixmap(pixmap);
    } else {
        preview->setText(path.isEmpty() ? tr("No image chosen") : tr("Loading…"));
    }
    preview->setToolTip(path);
    column->addWidget(preview);

    auto* choose = iconButton("folder-open", tr("Choose Image…"), content());
    connect(choose, &QPushButton::clicked, this, [this] {
        if (!sidebar().chooseImageFile)
            return;
        if (auto chosen = sidebar().chooseImageFile(); chosen && !chosen->isEmpty()) {
            sidebar().background.modify([&](auto& s) { s.imagePath = chosen->toStdString(); });
            commitAndRebuild();
        }
    });
    column->addWidget(choose);

    auto* heading = new QLabel(tr("System Wallpapers"), content());
    heading->setObjectName("section");
    column->addWidget(heading);
    loadWallpapers();
    if (!wallpapers_) {
        column->addWidget(secondaryLabel(tr("Looking for wallpapers…"), content()));
        return;
    }
    if (wallpapers_->empty()) {
        column->addWidget(secondaryLabel(tr("No wallpapers are installed."), content()));
        return;
    }
    std::vector<SwatchChoice> choices;
    for (const auto& wallpaper : *wallpapers_) {
        auto* swatch = new SwatchButton(QString::fromStdString(wallpaper.name), content());
        swatch->setImage(wallpaper.thumbnail);
        swatch->setSelected(settings.imagePath == wallpaper.path);
        choices.push_back({swatch, [path = wallpaper.path](BackgroundSettings& s) { s.imagePath = path; }});
    }
    addSwatchGrid(column, choices);
}

void BackgroundPanel::addSwatchGrid(QVBoxLayout* column, const std::vector<SwatchChoice>& choices)
{
    auto* grid = new QGridLayout;
    grid->setSpacing(8);
    for (int i = 0; i < static_cast<int>(choices.size()); ++i) {
        const SwatchChoice& choice = choices[static_cast<std::size_t>(i)];
        connect(choice.swatch, &QAbstractButton::clicked, this, [this, apply = choice.apply] {
            sidebar().background.modify(apply);
            commitAndRebuild();
        });
        grid->addWidget(choice.swatch, i / kSwatchColumns, i % kSwatchColumns);
    }
    column->addLayout(grid);
}

void BackgroundPanel::loadWallpapers()
{
    if (wallpapers_ || wallpapersLoading_ || !sidebar().wallpaperSource)
        return;
    wallpapersLoading_ = true;
    auto* watcher = new QFutureWatcher<std::vector<SystemWallpaper>>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] {
        wallpapers_ = watcher->result();
        wallpapersLoading_ = false;
        watcher->deleteLater();
        if (sidebar().tab() == StudioTab::background)
            refresh();
    });
    watcher->setFuture(QtConcurrent::run(sidebar().wallpaperSource));
}

void BackgroundPanel::loadCustomThumbnail(const QString& path)
{
    if (customThumbnailPath_ == path)
        return;
    customThumbnailPath_ = path;
    customImageThumbnail_ = QImage();
    auto* watcher = new QFutureWatcher<QImage>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, path] {
        watcher->deleteLater();
        if (customThumbnailPath_ != path)
            return; // another image was chosen meanwhile
        customImageThumbnail_ = watcher->result();
        refresh();
    });
    watcher->setFuture(QtConcurrent::run([path] {
        return ImageThumbnailLoader::thumbnail(path.toStdString(), 300).value_or(QImage());
    }));
}

} // namespace tarnix
