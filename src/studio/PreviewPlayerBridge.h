#pragma once

#include <QObject>

#include "studio/StudioPlayer.h"

namespace tarnix::media {
class PreviewPlayer;
}

// The Studio's model driving the media engine's preview player. The player is not owned: the
// view owns it and shows its frames. GUI thread only.

namespace tarnix {

class PreviewPlayerBridge final : public QObject, public StudioPlayer {
    Q_OBJECT

public:
    explicit PreviewPlayerBridge(media::PreviewPlayer& player, QObject* parent = nullptr);

    void replaceCurrentItem(const CompositionBuilder::Result& item) override;
    double currentTime() const override;
    void seek(double seconds) override;
    void play() override;
    void pause() override;
    void setObservers(Observers observers) override;

private:
    media::PreviewPlayer& player_;
    Observers observers_;
};

} // namespace tarnix
