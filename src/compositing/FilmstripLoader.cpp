#include "compositing/FilmstripLoader.h"

#include <QCache>
#include <QtConcurrent>

#include <map>
#include <mutex>

#include "media/KeyFrameIndex.h"
#include "media/MediaAsset.h"
#include "media/MediaError.h"
#include "media/VideoFrameReader.h"

namespace tarnix {

namespace {

// One movie's key frames and the loaders' shared state of it.
struct MovieCache {
    std::mutex mutex;
    bool indexed = false;
    std::vector<double> keyFrames;
};

std::shared_ptr<MovieCache> cacheFor(const std::filesystem::path& movie, int height)
{
    static std::mutex mutex;
    static std::map<std::pair<std::string, int>, std::shared_ptr<MovieCache>> caches;
    std::lock_guard lock(mutex);
    auto& cache = caches[{movie.string(), height}];
    if (!cache)
        cache = std::make_shared<MovieCache>();
    return cache;
}

struct PictureKey {
    QString movie;
    int height = 0;
    double time = 0;
    bool operator==(const PictureKey&) const = default;
};

size_t qHash(const PictureKey& key, size_t seed = 0)
{
    return qHashMulti(seed, key.movie, key.height, key.time);
}

// Every movie's pictures in one memory budget: the least recently shown go first once it is
// full, and are decoded again if they are wanted again. A null picture (a frame that could not
// be decoded) is remembered too, so that it is not asked for again and again.
class PictureCache {
public:
    static PictureCache& instance()
    {
        static PictureCache cache;
        return cache;
    }

    bool contains(const PictureKey& key)
    {
        std::lock_guard lock(mutex_);
        return pictures_.contains(key);
    }
    std::optional<QImage> find(const PictureKey& key)
    {
        std::lock_guard lock(mutex_);
        const QImage* picture = pictures_.object(key); // counts as a use
        if (!picture)
            return std::nullopt;
        return *picture;
    }
    void insert(const PictureKey& key, const QImage& picture)
    {
        std::lock_guard lock(mutex_);
        pictures_.insert(key, new QImage(picture), std::max<qsizetype>(1, picture.sizeInBytes()));
    }
    void setLimit(qint64 bytes)
    {
        std::lock_guard lock(mutex_);
        pictures_.setMaxCost(static_cast<qsizetype>(bytes));
    }
    qint64 bytes()
    {
        std::lock_guard lock(mutex_);
        return pictures_.totalCost();
    }

private:
    std::mutex mutex_;
    QCache<PictureKey, QImage> pictures_{FilmstripLoader::kDefaultCacheBytes};
};

} // namespace

struct FilmstripLoader::Shared {
    std::filesystem::path movie;
    int height = 0;
    std::shared_ptr<MovieCache> cache;
    // Guarded by cache->mutex.
    std::vector<double> wanted;
    bool cancelled = false;
    bool working = false; // a job runs, and will take what is wanted
    int decoded = 0;

    PictureKey keyAt(double time) const { return {QString::fromStdString(movie.string()), height, time}; }
};

FilmstripLoader::FilmstripLoader(std::filesystem::path movie, int height, QObject* parent)
    : QObject(parent), shared_(std::make_shared<Shared>())
{
    shared_->movie = std::move(movie);
    shared_->height = std::max(height, 1);
    shared_->cache = cacheFor(shared_->movie, shared_->height);
    {
        std::lock_guard lock(shared_->cache->mutex);
        if (shared_->cache->indexed)
            return;
    }
    std::shared_ptr<Shared> shared = shared_;
    index_ = QtConcurrent::run([shared, this] {
        std::vector<double> times;
        try {
            media::MediaAsset asset = media::MediaAsset::load(shared->movie);
            auto tracks = asset.tracks(media::MediaType::video);
            if (!tracks.empty())
                times = media::keyFrameTimes(tracks.front());
        } catch (const std::exception&) {
            // No filmstrip for a movie that cannot be read; the Studio reports that elsewhere.
        }
        {
            std::lock_guard lock(shared->cache->mutex);
            shared->cache->keyFrames = std::move(times);
            shared->cache->indexed = true;
            if (shared->cancelled)
                return;
        }
        QMetaObject::invokeMethod(this, [this] {
            if (onKeyFramesLoaded)
                onKeyFramesLoaded();
        }, Qt::QueuedConnection);
    });
}

FilmstripLoader::~FilmstripLoader()
{
    {
        std::lock_guard lock(shared_->cache->mutex);
        shared_->cancelled = true;
        shared_->wanted.clear();
    }
    // The jobs call back into this object: they finish first (at most one picture's decode).
    index_.waitForFinished();
    work_.waitForFinished();
}

std::vector<double> FilmstripLoader::keyFrameTimes() const
{
    std::lock_guard lock(shared_->cache->mutex);
    return shared_->cache->keyFrames;
}

std::optional<QImage> FilmstripLoader::thumbnail(double time) const
{
    std::optional<QImage> picture = PictureCache::instance().find(shared_->keyAt(time));
    if (!picture || picture->isNull())
        return std::nullopt;
    return picture;
}

int FilmstripLoader::decodedCount() const
{
    std::lock_guard lock(shared_->cache->mutex);
    return shared_->decoded;
}

void FilmstripLoader::request(const std::vector<double>& times)
{
    {
        std::lock_guard lock(shared_->cache->mutex);
        shared_->wanted.clear();
        for (double t : times)
            if (!PictureCache::instance().contains(shared_->keyAt(t)))
                shared_->wanted.push_back(t);
        if (shared_->wanted.empty() || shared_->working)
            return;
        shared_->working = true;
    }
    startWork();
}

void FilmstripLoader::startWork()
{
    std::shared_ptr<Shared> shared = shared_;
    work_ = QtConcurrent::run([shared, this] {
        std::unique_ptr<media::VideoFrameReader> reader;
        try {
            media::MediaAsset asset = media::MediaAsset::load(shared->movie);
            auto tracks = asset.tracks(media::MediaType::video);
            if (!tracks.empty())
                reader = std::make_unique<media::VideoFrameReader>(tracks.front());
        } catch (const std::exception&) {
        }
        if (!reader) {
            // An unreadable movie: its pictures stay blank rather than being asked for again.
            std::lock_guard lock(shared->cache->mutex);
            for (double t : shared->wanted)
                PictureCache::instance().insert(shared->keyAt(t), QImage());
            shared->wanted.clear();
            shared->working = false;
            return;
        }
        for (;;) {
            double time = 0;
            {
                std::lock_guard lock(shared->cache->mutex);
                if (shared->cancelled || shared->wanted.empty()) {
                    shared->working = false;
                    return;
                }
                time = shared->wanted.front();
                shared->wanted.erase(shared->wanted.begin());
                if (PictureCache::instance().contains(shared->keyAt(time)))
                    continue;
            }
            QImage picture;
            try {
                QImage frame = reader->frameAt(time);
                if (!frame.isNull())
                    picture = frame.scaledToHeight(shared->height, Qt::SmoothTransformation);
            } catch (const std::exception&) {
                // A damaged frame stays a blank picture.
            }
            {
                std::lock_guard lock(shared->cache->mutex);
                PictureCache::instance().insert(shared->keyAt(time), picture);
                ++shared->decoded;
            }
            QMetaObject::invokeMethod(this, [this, time] {
                if (onThumbnailReady)
                    onThumbnailReady(time);
            }, Qt::QueuedConnection);
        }
    });
}

} // namespace tarnix

namespace tarnix {

void FilmstripLoader::setCacheLimit(qint64 bytes)
{
    PictureCache::instance().setLimit(bytes);
}

qint64 FilmstripLoader::cachedBytes()
{
    return PictureCache::instance().bytes();
}

} // namespace tarnix
