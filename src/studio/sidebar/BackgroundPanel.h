#pragma once

#include <QImage>

#include <functional>
#include <optional>
#include <vector>

#include "compositing/SystemWallpaperCatalog.h"
#include "document/RecordingTimeline.h"
#include "studio/sidebar/SidebarPanel.h"

// The background tab: the canvas's aspect, style, colour, gradient presets, image and
// wallpapers, and the frame around the recording. The wallpaper catalogue and the chosen image's
// thumbnail load on Qt's thread pool and appear when ready.

namespace tarnix {

class SwatchButton;

class BackgroundPanel final : public SidebarPanel {
    Q_OBJECT
public:
    using SidebarPanel::SidebarPanel;
    void build(QVBoxLayout* column) override;

    bool wallpapersLoaded() const { return wallpapers_.has_value(); }

private:
    // A swatch and what choosing it does to the settings.
    struct SwatchChoice {
        SwatchButton* swatch;
        std::function<void(BackgroundSettings&)> apply;
    };

    void buildAspectPicker(QVBoxLayout* column, const BackgroundSettings& settings);
    void buildImagePicker(QVBoxLayout* column, const BackgroundSettings& settings);
    // Lays the swatches out in rows; a click applies its choice and rebuilds the panel.
    void addSwatchGrid(QVBoxLayout* column, const std::vector<SwatchChoice>& choices);
    void loadWallpapers();
    void loadCustomThumbnail(const QString& path);

    std::optional<std::vector<SystemWallpaper>> wallpapers_;
    bool wallpapersLoading_ = false;
    QString customThumbnailPath_;
    QImage customImageThumbnail_;
};

} // namespace tarnix
