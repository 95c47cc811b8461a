#pragma once

#include <QImage>

#include <optional>
#include <vector>

#include "compositing/SystemWallpaperCatalog.h"
#include "document/RecordingTimeline.h"
#include "studio/sidebar/SidebarPanel.h"

// The background tab: the canvas's aspect, style, colour, gradient presets, image and
// wallpapers, and the frame around the recording. The wallpaper catalogue and the chosen image's
// thumbnail load on Qt's thread pool and appear when ready.

namespace tarnix {

class BackgroundPanel final : public SidebarPanel {
    Q_OBJECT
public:
    using SidebarPanel::SidebarPanel;
    void build(QVBoxLayout* column) override;

    bool wallpapersLoaded() const { return wallpapers_.has_value(); }

private:
    void buildAspectPicker(QVBoxLayout* column, const BackgroundSettings& settings);
    void buildImagePicker(QVBoxLayout* column, const BackgroundSettings& settings);
    void loadWallpapers();
    void loadCustomThumbnail(const QString& path);

    std::optional<std::vector<SystemWallpaper>> wallpapers_;
    bool wallpapersLoading_ = false;
    QString customThumbnailPath_;
    QImage customImageThumbnail_;
};

} // namespace tarnix
