#pragma once

#include <QFuture>
#include <QImage>
#include <QObject>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// Small pictures of a screen movie for the timeline's filmstrip, decoded from its key frames on
// Qt's thread pool, one picture at a time, newest request first. The key frame list and every
// picture are cached per movie file for the life of the process, so reopening a recording shows
// its filmstrip at once; the pictures of all movies share one memory budget, the least recently
// shown leaving first. The GUI thread only asks and reads; it never waits on a decode (except
// for the picture being decoded when the loader is destroyed).

namespace tarnix {

class FilmstripLoader : public QObject {
public:
    // Starts reading the movie's key frames. Pictures are `height` pixels high.
    FilmstripLoader(std::filesystem::path movie, int height, QObject* parent = nullptr);
    ~FilmstripLoader() override;

    // Empty until keyFramesLoaded (and for a movie that cannot be read).
    std::vector<double> keyFrameTimes() const;
    // The pictures wanted now (the visible ones), in the order to make them; what an earlier
    // call asked for and is not made yet is dropped.
    void request(const std::vector<double>& times);
    std::optional<QImage> thumbnail(double time) const;

    // Pictures decoded since the loader was made (for tests and diagnostics).
    int decodedCount() const;

    // The pictures' memory budget, shared by every movie.
    static constexpr qint64 kDefaultCacheBytes = 64 << 20;
    static void setCacheLimit(qint64 bytes);
    static qint64 cachedBytes();

    // Called on the loader's thread when the key frame list, or a picture, has arrived.
    std::function<void()> onKeyFramesLoaded;
    std::function<void(double time)> onThumbnailReady;

private:
    struct Shared;
    void startWork();

    std::shared_ptr<Shared> shared_;
    QFuture<void> work_;
    QFuture<void> index_;
};

} // namespace tarnix
