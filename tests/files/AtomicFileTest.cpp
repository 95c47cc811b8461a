#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <barrier>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>
#include <vector>

#include "files/AtomicFile.h"

using namespace tarnix;
namespace fs = std::filesystem;

namespace {

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void writePlain(const fs::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

// Every name in the folder, temporaries included.
std::set<std::string> namesIn(const fs::path& folder)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

class AtomicFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = fs::temp_directory_path() /
                  ("tarnix-atomic-" + std::to_string(getpid()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }
    fs::path folder_;
};

} // namespace

TEST_F(AtomicFileTest, PublishesCompleteFilesAndLeavesNoTemporary)
{
    const fs::path target = folder_ / "clip-edited.mp4";
    AtomicFile file(target);
    EXPECT_EQ(file.temporaryPath().parent_path(), folder_);
    EXPECT_TRUE(isPartialFileName(file.temporaryPath()));
    EXPECT_EQ(file.temporaryPath().extension(), ".mp4"); // writers pick the container from it
    EXPECT_FALSE(fs::exists(target)); // nothing under the real name before it is whole
    file.write("hello ");
    file.write("world");
    EXPECT_EQ(file.publish(), target);
    EXPECT_EQ(readFile(target), "hello world");
    EXPECT_EQ(namesIn(folder_), std::set<std::string>{"clip-edited.mp4"});
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                  fs::perms::others_read);
}

TEST_F(AtomicFileTest, NeverReplacesAnExistingFileOrLink)
{
    const fs::path movie = folder_ / "Tarnix-1.mp4";
    writePlain(movie, "the recording");
    try {
        publishNewFile(movie, "a frame");
        FAIL() << "published over an existing file";
    } catch (const FileError& e) {
        EXPECT_EQ(e.code(), EEXIST);
        EXPECT_NE(std::string(e.what()).find("already exists"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("errno 17"), std::string::npos) << e.what();
    }
    EXPECT_EQ(readFile(movie), "the recording");

    // A symbolic link, even one pointing nowhere, is a taken name: its target is not written.
    const fs::path link = folder_ / "link.png";
    fs::create_symlink(movie, link);
    EXPECT_THROW(publishNewFile(link, "x"), FileError);
    fs::create_symlink(folder_ / "nowhere", folder_ / "dangling.png");
    EXPECT_THROW(publishNewFile(folder_ / "dangling.png", "x"), FileError);
    EXPECT_FALSE(fs::exists(folder_ / "nowhere"));
    EXPECT_EQ(readFile(movie), "the recording");
    EXPECT_EQ(namesIn(folder_).size(), 3u); // no temporary left behind
}

TEST_F(AtomicFileTest, NextFreeNameNumbersFromTwo)
{
    const fs::path target = folder_ / "a.b-edited.mp4";
    EXPECT_EQ(publishNewFile(target, "1", NameClash::nextFreeName), target);
    EXPECT_EQ(publishNewFile(target, "2", NameClash::nextFreeName), folder_ / "a.b-edited-2.mp4");
    EXPECT_EQ(publishNewFile(target, "3", NameClash::nextFreeName), folder_ / "a.b-edited-3.mp4");
    EXPECT_EQ(readFile(target), "1");
    EXPECT_EQ(readFile(folder_ / "a.b-edited-2.mp4"), "2");
}

TEST_F(AtomicFileTest, RacingWritersEachGetTheirOwnNameOrAClearRefusal)
{
    constexpr int kWriters = 8;
    for (int round = 0; round < 25; ++round) {
        const fs::path target = folder_ / ("race-" + std::to_string(round) + ".mp4");
        std::barrier start(kWriters);
        std::vector<fs::path> numbered(kWriters);
        std::vector<int> refused(kWriters, 0);
        std::vector<std::thread> writers;
        for (int i = 0; i < kWriters; ++i)
            writers.emplace_back([&, i] {
                AtomicFile numberedFile(target, NameClash::nextFreeName);
                AtomicFile strictFile(folder_ / ("strict-" + std::to_string(round)));
                numberedFile.write(std::string(4096, char('a' + i)));
                strictFile.write(std::to_string(i));
                start.arrive_and_wait();
                numbered[i] = numberedFile.publish();
                try {
                    strictFile.publish();
                } catch (const FileError& e) {
                    refused[i] = e.code() == EEXIST ? 1 : 100;
                }
            });
        for (auto& writer : writers)
            writer.join();
        std::set<fs::path> distinct(numbered.begin(), numbered.end());
        ASSERT_EQ(int(distinct.size()), kWriters) << "two writers published under one name";
        for (int i = 0; i < kWriters; ++i)
            EXPECT_EQ(readFile(numbered[i]), std::string(4096, char('a' + i)));
        int refusals = 0;
        for (int r : refused)
            refusals += r;
        EXPECT_EQ(refusals, kWriters - 1) << "exactly one strict writer wins the name";
    }
    for (const auto& name : namesIn(folder_))
        EXPECT_FALSE(isPartialFileName(name)) << name;
}

TEST_F(AtomicFileTest, UnpublishedWritesLeaveNothing)
{
    {
        AtomicFile abandoned(folder_ / "abandoned.png");
        abandoned.write("half");
    }
    AtomicFile discarded(folder_ / "discarded.png");
    discarded.write("half");
    discarded.discard();
    EXPECT_TRUE(namesIn(folder_).empty());
    EXPECT_THROW(AtomicFile(folder_ / "missing" / "x.png"), FileError);
}

TEST_F(AtomicFileTest, ReplaceSwapsTheWholeFileAndKeepsItsMode)
{
    const fs::path document = folder_ / "Tarnix-1.tarnix.json";
    writePlain(document, "old");
    fs::permissions(document, fs::perms::owner_read | fs::perms::owner_write);
    replaceFile(document, "new and longer");
    EXPECT_EQ(readFile(document), "new and longer");
    EXPECT_EQ(fs::status(document).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    replaceFile(folder_ / "fresh.json", "{}");
    EXPECT_EQ(readFile(folder_ / "fresh.json"), "{}");
    EXPECT_EQ(namesIn(folder_).size(), 2u);
}

TEST_F(AtomicFileTest, StaleTemporariesAreRecognisedAndNeverBlockAName)
{
    EXPECT_TRUE(isPartialFileName(".clip-edited.partial-Ab12Cd.mp4"));
    EXPECT_FALSE(isPartialFileName("clip-edited.mp4"));
    EXPECT_FALSE(isPartialFileName("clip.partial-Ab12Cd.mp4")); // not hidden: a user's own file
    writePlain(folder_ / ".clip-edited.partial-Ab12Cd.mp4", "stale");
    EXPECT_EQ(publishNewFile(folder_ / "clip-edited.mp4", "x", NameClash::nextFreeName),
              folder_ / "clip-edited.mp4");
}

// Whether `text` is whole UTF-8: no sequence cut short at its end.
bool endsOnACharacter(const std::string& text)
{
    std::size_t i = text.size();
    std::size_t continuation = 0;
    while (i > 0 && (static_cast<unsigned char>(text[i - 1]) & 0xC0) == 0x80) {
        --i;
        ++continuation;
    }
    if (i == 0)
        return continuation == 0;
    const auto lead = static_cast<unsigned char>(text[i - 1]);
    const std::size_t expected = lead < 0x80 ? 0 : lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : 1;
    return continuation == expected;
}

TEST_F(AtomicFileTest, NamesNearTheLimitAreShortenedInTheStemOnCharacterBoundaries)
{
    EXPECT_EQ(fittedFileName("clip", "-edited.mp4", 255), "clip-edited.mp4");
    EXPECT_EQ(fittedFileName("abcdef", ".mp4", 7), "abc.mp4");
    // Two-, three- and four-byte characters: every cut lands between characters.
    for (const std::string character : {"\u00e9", "\u65e5", "\U0001F3A5"}) {
        std::string stem;
        while (stem.size() < 300)
            stem += character;
        for (std::size_t limit = 240; limit < 256; ++limit) {
            const std::string name = fittedFileName(stem, ".partial-XXXXXX.mp4", limit);
            EXPECT_LE(name.size(), limit);
            EXPECT_GT(name.size(), limit - character.size());
            EXPECT_TRUE(name.ends_with(".partial-XXXXXX.mp4"));
            EXPECT_TRUE(endsOnACharacter(name.substr(0, name.size() - 19))) << limit;
        }
    }
    EXPECT_EQ(fittedFileName("a", std::string(20, 'x'), 8), std::string(8, 'x'));
    EXPECT_EQ(fileNameLimit(folder_), 255u);
}

TEST_F(AtomicFileTest, AFinalNameAtTheLimitIsSavedReplacedAndNumbered)
{
    // 250 characters, one of them two bytes: 251 bytes, of 255.
    const std::string stem = "\u00e9" + std::string(245, 'r');
    const fs::path target = folder_ / (stem + ".mp4");
    {
        AtomicFile file(target);
        EXPECT_LE(file.temporaryPath().filename().string().size(), 255u);
        EXPECT_TRUE(isPartialFileName(file.temporaryPath()));
        EXPECT_EQ(file.temporaryPath().extension(), ".mp4");
        file.write("movie");
        EXPECT_EQ(file.publish(), target);
    }
    const fs::path second = publishNewFile(target, "again", NameClash::nextFreeName);
    EXPECT_LE(second.filename().string().size(), 255u);
    EXPECT_TRUE(second.filename().string().ends_with("-2.mp4"));
    EXPECT_EQ(readFile(second), "again");

    const fs::path document = folder_ / (std::string(238, 'd') + ".tarnix.json");
    replaceFile(document, "{}");
    replaceFile(document, "{\"edited\": true}");
    EXPECT_EQ(readFile(document), "{\"edited\": true}");
    EXPECT_EQ(namesIn(folder_).size(), 3u);
}

TEST_F(AtomicFileTest, ErrorsSayWhatHappenedInWords)
{
    EXPECT_EQ(describeFileErrno(ENOSPC), "the disk is full");
    EXPECT_EQ(describeFileErrno(EROFS), "the folder is read-only");
    EXPECT_EQ(describeFileErrno(ENOENT), "no such folder");
    const FileError error("write", "/media/x.png", ENOSPC);
    EXPECT_STREQ(error.what(), "Couldn't write /media/x.png: the disk is full (errno 28: No space "
                               "left on device).");
}

// A real full disk: a 64 KiB tmpfs, when this process may mount one.
TEST_F(AtomicFileTest, AFullDiskFailsTheWriteAndLeavesNothing)
{
    if (mount("tmpfs", folder_.c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "can't mount a small tmpfs here (" << std::strerror(errno)
                     << "); the full-disk case is not tested";
    struct Unmount {
        fs::path at;
        ~Unmount() { umount2(at.c_str(), MNT_DETACH); }
    } unmount{folder_};
    publishNewFile(folder_ / "small.txt", "fits");
    try {
        AtomicFile big(folder_ / "big.png");
        big.write(std::string(256 * 1024, 'x'));
        big.publish();
        FAIL() << "a file larger than the disk was published";
    } catch (const FileError& e) {
        EXPECT_EQ(e.code(), ENOSPC);
        EXPECT_NE(std::string(e.what()).find("the disk is full"), std::string::npos);
    }
    EXPECT_EQ(namesIn(folder_), std::set<std::string>{"small.txt"});
    EXPECT_EQ(readFile(folder_ / "small.txt"), "fits");
}
