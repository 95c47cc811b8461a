#include <gtest/gtest.h>

#include <QSignalSpy>

#include <atomic>
#include <fstream>
#include <condition_variable>
#include <mutex>

#include "StudioTestSupport.h"
#include "document/DocumentCoding.h"
#include "studio/DocumentSaver.h"
#include "studio/RecordingFiles.h"

namespace tarnix {
namespace {

RecordingTimeline documentWithClicks(int n)
{
    RecordingTimeline timeline;
    timeline.videoURL = "/tmp/screen.mp4";
    for (int i = 0; i < n; ++i)
        timeline.clickEvents.push_back({Uuid::random(), double(i), {1, 2}, ClickKind::leftDown});
    return timeline;
}

TEST(DocumentSaver, ABurstOfSavesIsCoalescedAndEndsWithTheLast)
{
    test::TemporaryFolder folder;
    const auto path = folder / "doc.tarnix.json";
    // The first write waits until the test has queued the whole burst.
    std::mutex mutex;
    std::condition_variable released;
    bool release = false;
    std::atomic<int> writes{0};
    auto writer = [&](const RecordingTimeline& t, const std::filesystem::path& p) {
        if (writes++ == 0) {
            std::unique_lock lock(mutex);
            released.wait(lock, [&] { return release; });
        }
        DocumentSaver::defaultWriter()(t, p);
    };
    {
        DocumentSaver saver(path, writer);
        for (int i = 1; i <= 20; ++i)
            saver.save(documentWithClicks(i));
        {
            std::lock_guard lock(mutex);
            release = true;
        }
        released.notify_all();
        ASSERT_TRUE(saver.flush());
        EXPECT_LE(saver.writesFinished(), 2);
        EXPECT_EQ(decodeRecordingTimeline(test::readFile(path)).clickEvents.size(), 20u);

        // Destroying the saver writes what still waits.
        saver.save(documentWithClicks(21));
    }
    EXPECT_EQ(decodeRecordingTimeline(test::readFile(path)).clickEvents.size(), 21u);
    int leftovers = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
        leftovers += entry.path() != path;
    EXPECT_EQ(leftovers, 0) << "no temporary files stay behind";
}

TEST(DocumentSaver, EditsWaitingOnAnOutsideChangeAreKeptBesideTheFileWhenItCloses)
{
    test::TemporaryFolder folder;
    const auto path = folder / "doc.tarnix.json";
    DocumentSaver::defaultWriter()(documentWithClicks(1), path);
    // A name that is taken already: the edits take the next one.
    DocumentSaver::defaultWriter()(documentWithClicks(2), folder / "doc (your edits).tarnix.json");
    {
        DocumentSaver saver(path);
        saver.guardAgainstOutsideChanges();
        ASSERT_TRUE(saver.flush());
        QSignalSpy changed(&saver, &DocumentSaver::outsideChanged);
        DocumentSaver::defaultWriter()(documentWithClicks(3), path); // another program's save
        saver.checkForOutsideChange();
        ASSERT_TRUE(test::waitFor([&] { return changed.count() == 1; }));
        saver.save(documentWithClicks(4)); // waits: nothing goes over the other program's file
        EXPECT_FALSE(saver.flush(200));
    } // closed (a log-out) before the user chose
    EXPECT_EQ(decodeRecordingTimeline(test::readFile(path)).clickEvents.size(), 3u);
    const auto aside = folder / "doc (your edits 2).tarnix.json";
    ASSERT_TRUE(std::filesystem::exists(aside));
    EXPECT_EQ(decodeRecordingTimeline(test::readFile(aside)).clickEvents.size(), 4u);
    EXPECT_EQ(decodeRecordingTimeline(test::readFile(folder / "doc (your edits).tarnix.json")).clickEvents.size(), 2u);
}

TEST(DocumentSaver, AFailedWriteIsReportedAndTheOldFileKept)
{
    test::TemporaryFolder folder;
    const auto path = folder / "doc.tarnix.json";
    DocumentSaver::defaultWriter()(documentWithClicks(1), path);
    DocumentSaver saver(path, [](const RecordingTimeline&, const std::filesystem::path&) {
        throw std::runtime_error("Couldn't save the recording's document (disk full).");
    });
    QSignalSpy failed(&saver, &DocumentSaver::saveFailed);
    saver.save(documentWithClicks(5));
    ASSERT_TRUE(test::waitFor([&] { return failed.count() == 1; }));
    EXPECT_EQ(failed[0][0].toString(), "Couldn't save the recording's document (disk full).");
    EXPECT_EQ(decodeRecordingTimeline(test::readFile(path)).clickEvents.size(), 1u);
}

TEST(RecordingFiles, OpeningSaysWhyADocumentCannotBeOpened)
{
    test::TemporaryFolder folder;
    const auto movie = folder / "screen.mp4";
    std::ofstream(movie) << "not really a movie, but present";
    RecordingTimeline good = documentWithClicks(2);
    good.videoURL = movie;
    DocumentSaver::defaultWriter()(good, folder / "good.tarnix.json");
    RecordingTimeline moved = good;
    moved.videoURL = folder / "gone.mp4";
    DocumentSaver::defaultWriter()(moved, folder / "moved.tarnix.json");
    std::ofstream(folder / "garbage.tarnix.json") << "{ this is not json";
    std::string missingKey = encodeRecordingTimeline(good);
    missingKey.replace(missingKey.find("\"clickEvents\""), 13, "\"clickEventz\"");
    std::ofstream(folder / "missing-key.tarnix.json") << missingKey;

    auto opened = RecordingFiles::openDocument(folder / "good.tarnix.json");
    ASSERT_TRUE(std::holds_alternative<RecordingTimeline>(opened));
    EXPECT_EQ(std::get<RecordingTimeline>(opened), good);

    struct Case {
        const char* file;
        const char* says;
    } cases[] = {
        {"absent.tarnix.json", "does not exist"},
        {"garbage.tarnix.json", "is not a Tarnix recording document"},
        {"missing-key.tarnix.json", "clickEvents"},
        {"moved.tarnix.json", "gone.mp4 is missing"},
    };
    for (const Case& c : cases) {
        auto result = RecordingFiles::openDocument(folder / c.file);
        ASSERT_TRUE(std::holds_alternative<QString>(result)) << c.file;
        const std::string message = std::get<QString>(result).toStdString();
        EXPECT_TRUE(message.starts_with(std::string("Couldn't open the recording ") + c.file))
            << message;
        EXPECT_NE(message.find(c.says), std::string::npos) << message;
    }
}

} // namespace
} // namespace tarnix
