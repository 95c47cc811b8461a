#include "studio/PreviewPlayerBridge.h"

#include "media/PreviewPlayer.h"

namespace tarnix {

PreviewPlayerBridge::PreviewPlayerBridge(media::PreviewPlayer& player, QObject* parent)
    : QObject(parent)
    , player_(player)
{
    connect(&player_, &media::PreviewPlayer::timeChanged, this, [this](double t) {
        if (observers_.time)
            observers_.time(t);
    });
    connect(&player_, &media::PreviewPlayer::playingChanged, this, [this](bool playing) {
        if (!playing && observers_.stopped)
            observers_.stopped();
    });
    connect(&player_, &media::PreviewPlayer::failed, this, [this](const QString& message) {
        if (observers_.failed)
            observers_.failed(message);
    });
}

void PreviewPlayerBridge::replaceCurrentItem(const CompositionBuilder::Result& item)
{
    if (player_.hasComposition())
        player_.replaceComposition(item.composition, item.videoComposition);
    else
        player_.setComposition(item.composition, item.videoComposition);
}

double PreviewPlayerBridge::currentTime() const
{
    return player_.currentTime();
}

void PreviewPlayerBridge::seek(double seconds)
{
    player_.seek(seconds);
}

void PreviewPlayerBridge::play()
{
    player_.play();
}

void PreviewPlayerBridge::pause()
{
    player_.pause();
}

void PreviewPlayerBridge::setObservers(Observers observers)
{
    observers_ = std::move(observers);
}

} // namespace tarnix
