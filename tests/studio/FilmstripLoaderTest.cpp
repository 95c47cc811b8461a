// The filmstrip's pictures from a real movie: key frames read in the background, only the asked
// pictures decoded, the cache shared by a second loader of the same movie, and an unreadable
// movie ending in no pictures rather than a hang, and the memory budget letting the least
// recently shown pictures go.

#include <QTemporaryDir>

#include "StudioTestSupport.h"
#include "compositing/FilmstripLoader.h"

namespace tarnix {
namespace {

TEST(FilmstripLoader, DecodesOnlyTheAskedKeyFramesAndSharesThemPerMovie)
{
    QTemporaryDir folder;
    auto recording = test::makeRecording(folder.path().toStdString(), 6.0);
    const auto movie = *recording.timeline.videoURL;

    FilmstripLoader loader(movie, 36);
    bool indexed = false;
    loader.onKeyFramesLoaded = [&] { indexed = true; };
    ASSERT_TRUE(test::waitFor([&] { return indexed; }));
    std::vector<double> keys = loader.keyFrameTimes();
    ASSERT_FALSE(keys.empty());
    EXPECT_NEAR(keys.front(), 0, 0.05);
    EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
    EXPECT_LE(keys.back(), 6.0);

    std::vector<double> ready;
    loader.onThumbnailReady = [&](double t) { ready.push_back(t); };
    loader.request({keys.front()});
    ASSERT_TRUE(test::waitFor([&] { return !ready.empty(); }));
    EXPECT_EQ(ready, std::vector<double>{keys.front()});
    std::optional<QImage> picture = loader.thumbnail(keys.front());
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->height(), 36);
    EXPECT_EQ(picture->width(), 64) << "the movie's 16:9 shape";
    EXPECT_EQ(loader.decodedCount(), 1) << "nothing but the asked picture";

    // Another loader of the same movie (the recording reopened) has both at once.
    FilmstripLoader again(movie, 36);
    EXPECT_EQ(again.keyFrameTimes(), keys);
    EXPECT_TRUE(again.thumbnail(keys.front()));
    again.request({keys.front()});
    EXPECT_EQ(again.decodedCount(), 0);
}

TEST(FilmstripLoader, PicturesBeyondTheBudgetLeaveLeastRecentlyShownFirstAndComeBackWhenAskedAgain)
{
    QTemporaryDir folder;
    auto recording = test::makeRecording(folder.path().toStdString(), 6.0);
    FilmstripLoader loader(*recording.timeline.videoURL, 20);
    const std::vector<double> keys{0.0, 1.0, 2.0, 3.0}; // any times will do

    // Room for three pictures of this movie (and whatever other tests left, which goes first).
    loader.request({keys[0]});
    ASSERT_TRUE(test::waitFor([&] { return loader.thumbnail(keys[0]).has_value(); }));
    const qint64 pictureBytes = loader.thumbnail(keys[0])->sizeInBytes();
    FilmstripLoader::setCacheLimit(3 * pictureBytes);
    struct RestoreLimit {
        ~RestoreLimit() { FilmstripLoader::setCacheLimit(FilmstripLoader::kDefaultCacheBytes); }
    } restore;

    loader.request({keys[1], keys[2]});
    ASSERT_TRUE(test::waitFor([&] { return loader.decodedCount() == 3; }));
    EXPECT_TRUE(loader.thumbnail(keys[0])) << "shown again, so the most recently used";
    loader.request({keys[3]});
    ASSERT_TRUE(test::waitFor([&] { return loader.decodedCount() == 4; }));
    EXPECT_LE(FilmstripLoader::cachedBytes(), 3 * pictureBytes);
    EXPECT_FALSE(loader.thumbnail(keys[1])) << "the least recently shown went";
    EXPECT_TRUE(loader.thumbnail(keys[0]));
    EXPECT_TRUE(loader.thumbnail(keys[2]));
    EXPECT_TRUE(loader.thumbnail(keys[3]));

    // Scrolled back to it: made again.
    loader.request({keys[1]});
    ASSERT_TRUE(test::waitFor([&] { return loader.thumbnail(keys[1]).has_value(); }));
    EXPECT_EQ(loader.decodedCount(), 5);
    EXPECT_LE(FilmstripLoader::cachedBytes(), 3 * pictureBytes);
}

TEST(FilmstripLoader, AnUnreadableMovieGivesNoPictures)
{
    QTemporaryDir folder;
    std::filesystem::path movie = folder.filePath("broken.mp4").toStdString();
    QFile file(QString::fromStdString(movie.string()));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a movie");
    file.close();

    FilmstripLoader loader(movie, 36);
    bool indexed = false;
    loader.onKeyFramesLoaded = [&] { indexed = true; };
    ASSERT_TRUE(test::waitFor([&] { return indexed; }));
    EXPECT_TRUE(loader.keyFrameTimes().empty());
    loader.request({0.0});
    ASSERT_TRUE(test::waitFor([&] { return loader.decodedCount() == 0 && !loader.thumbnail(0.0); }));
}

} // namespace
} // namespace tarnix
