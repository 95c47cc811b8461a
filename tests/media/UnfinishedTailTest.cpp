#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "MediaTestSupport.h"
#include "media/MediaAsset.h"
#include "media/MovieBoxWalk.h"
#include "media/UnfinishedTail.h"

using namespace tarnix::media;
namespace fs = std::filesystem;

namespace {

std::string bigEndian(std::uint64_t value, int bytes)
{
    std::string out;
    for (int i = bytes - 1; i >= 0; --i)
        out += static_cast<char>((value >> (8 * i)) & 0xff);
    return out;
}

// A box of `payload` zero bytes; `declared` overrides the size field (0: to the end of the file).
std::string box(const std::string& type, std::size_t payload, std::optional<std::uint32_t> declared = {})
{
    return bigEndian(declared.value_or(std::uint32_t(8 + payload)), 4) + type + std::string(payload, '\0');
}

// A box with a 64-bit size field, declaring `declared` bytes (its real size unless given).
std::string largeBox(const std::string& type, std::size_t payload, std::optional<std::uint64_t> declared = {})
{
    return bigEndian(1, 4) + type + bigEndian(declared.value_or(16 + payload), 8) + std::string(payload, '\0');
}

class UnfinishedTailTest : public ::testing::Test {
protected:
    void SetUp() override { av_log_set_level(AV_LOG_QUIET); }

    MovieBoxWalk walk(const std::string& bytes)
    {
        const fs::path path = folder / "boxes.mp4";
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
        const auto walked = walkMovieBoxes(path);
        EXPECT_TRUE(walked);
        return walked.value_or(MovieBoxWalk{});
    }

    test::TempFolder folder;
};

const std::string kHead = box("ftyp", 20) + box("moov", 100);
const std::string kFragment = box("moof", 50) + box("mdat", 300);

} // namespace

TEST_F(UnfinishedTailTest, theWalkEndsAfterTheLastWholeFragmentWhateverFollows)
{
    // 64-bit sizes and a last box of size 0 ("to the end of the file") are whole boxes.
    const std::string whole = kHead + box("moof", 50) + largeBox("mdat", 3000) + box("moof", 50) +
                              box("mdat", 500, 0u);
    MovieBoxWalk walked = walk(whole);
    EXPECT_EQ(walked.tail, MovieBoxWalk::Tail::none);
    EXPECT_EQ(walked.wholeEnd, whole.size());
    EXPECT_EQ(walked.fileSize, whole.size());
    EXPECT_EQ(walked.fragments, 2);
    EXPECT_TRUE(walked.hasMovieBox);

    // Cut inside a moof, inside a 64-bit header, inside the samples, or right after a moof: the
    // whole part ends where that fragment begins.
    const std::string kept = kHead + kFragment;
    for (const std::string& tail : {box("moof", 50).substr(0, 30), largeBox("mdat", 10).substr(0, 12),
                                    box("moof", 50) + largeBox("mdat", 400).substr(0, 100), box("moof", 50),
                                    box("moof", 50) + box("mdat", 400).substr(0, 5), std::string("\0\0", 2)}) {
        walked = walk(kept + tail);
        EXPECT_EQ(walked.tail, MovieBoxWalk::Tail::unfinished) << tail.size();
        EXPECT_EQ(walked.wholeEnd, kept.size()) << tail.size();
        EXPECT_EQ(walked.fragments, 1);
    }

    // Garbage after the last box (no box type, or an impossible size) is not mistaken for a box.
    for (const std::string& garbage : {std::string("\x00\x00\x01\x00\xff\xfe\xfd\xfc", 8), box("free", 8, 3u),
                                       largeBox("mdat", 8, 4)}) {
        walked = walk(kept + garbage + box("moof", 50));
        EXPECT_EQ(walked.tail, MovieBoxWalk::Tail::unknownBytes);
        EXPECT_EQ(walked.wholeEnd, kept.size());
    }
}

TEST_F(UnfinishedTailTest, aFileWithoutAnyFragmentOrWithoutItsTrackListHasNoWholeFragment)
{
    MovieBoxWalk walked = walk(kHead);
    EXPECT_EQ(walked.tail, MovieBoxWalk::Tail::none);
    EXPECT_EQ(walked.fragments, 0);
    EXPECT_TRUE(walked.hasMovieBox);

    walked = walk(kHead.substr(0, 60)); // cut inside the moov
    EXPECT_EQ(walked.tail, MovieBoxWalk::Tail::unfinished);
    EXPECT_EQ(walked.wholeEnd, 28u);
    EXPECT_FALSE(walked.hasMovieBox);

    EXPECT_EQ(walk("").tail, MovieBoxWalk::Tail::none);
    EXPECT_FALSE(walkMovieBoxes(folder / "missing.mp4"));
    EXPECT_FALSE(walkMovieBoxes(folder.path()));
}

TEST_F(UnfinishedTailTest, aRecordingCutAnywhereOpensWithExactlyItsWholeFragments)
{
    const fs::path original = folder / "Tarnix-whole.mp4";
    test::writeFragmentedRecording(original, 5.0, true, true);
    const auto boxes = test::topLevelBoxes(original);
    const auto moofs = test::boxesOfType(boxes, "moof");
    const auto mdats = test::boxesOfType(boxes, "mdat");
    ASSERT_GE(moofs.size(), 4u);
    ASSERT_EQ(moofs.size(), mdats.size());
    const std::uintmax_t size = fs::file_size(original);
    const std::string reference = test::fileHead(original, size);

    struct Cut {
        const char* where;
        std::uintmax_t at;
        std::uintmax_t wholeEnd; // where the whole part of the cut file ends
    };
    const Cut cuts[] = {
        {"in a moof's header", moofs[2].begin + 6, moofs[2].begin},
        {"in a moof's sample table", moofs[2].begin + 40, moofs[2].begin},
        {"a byte before a moof's end", moofs[3].end - 1, moofs[3].begin},
        {"right after a moof", mdats[2].begin, moofs[2].begin},
        {"in an mdat's header", mdats[2].begin + 5, moofs[2].begin},
        {"in the samples", (mdats[2].begin + mdats[2].end) / 2, moofs[2].begin},
        {"right after a whole fragment", mdats[2].end, mdats[2].end},
    };
    bool someNeededTheCut = false;
    for (const Cut& cut : cuts) {
        SCOPED_TRACE(cut.where);
        const fs::path copy = folder / (std::string("cut-") + std::to_string(cut.at) + ".mp4");
        test::writeCutCopy(original, copy, cut.at);
        ASSERT_EQ(walkMovieBoxes(copy)->wholeEnd, cut.wholeEnd);
        bool opensAsItIs = true;
        try {
            MediaAsset::load(copy);
        } catch (const MediaException&) {
            opensAsItIs = false;
        }

        OpenedRecordingFile opened;
        ASSERT_NO_THROW(opened = openRecordingFile(copy, DurationNeed::required));
        EXPECT_EQ(fs::file_size(copy), cut.at) << "reading changes nothing";
        if (opensAsItIs) {
            EXPECT_FALSE(opened.cut) << "a file that opens is never cut";
            continue;
        }
        someNeededTheCut = true;
        ASSERT_TRUE(opened.cut);
        EXPECT_EQ(opened.cut->keptBytes, static_cast<std::int64_t>(cut.wholeEnd));
        applyTailCut(*opened.cut);
        EXPECT_EQ(test::fileHead(copy, size), reference.substr(0, cut.wholeEnd)) << "the whole fragments, byte for byte";
        const MediaAsset repaired = MediaAsset::load(copy);
        EXPECT_NEAR(repaired.duration(), opened.cut->keptSeconds, 0.001);
        EXPECT_NEAR(repaired.duration(), opened.asset.duration(), 0.001) << "it opens as it was read";
        // A fragment a second: the fragments before the cut one.
        EXPECT_NEAR(repaired.duration(), cut.wholeEnd == moofs[3].begin ? 3.0 : 2.0, 0.1);
        EXPECT_GT(test::probe(copy).videoFrames, 55);
    }
    EXPECT_TRUE(someNeededTheCut) << "FFmpeg refuses a file that ends inside a fragment's sample table";
}

TEST_F(UnfinishedTailTest, nothingIsCutWhenItWouldNotHelpOrTheFileChangedSinceItWasRead)
{
    const fs::path original = folder / "Tarnix-whole.mp4";
    test::writeFragmentedRecording(original, 3.0, true, false);
    const auto boxes = test::topLevelBoxes(original);
    const auto moofs = test::boxesOfType(boxes, "moof");
    ASSERT_GE(moofs.size(), 2u);

    // Cut in the file's start (type, track list) or in its first fragment: nothing whole plays.
    for (const std::uintmax_t at : {std::uintmax_t(10), boxes[1].begin + 50, moofs[0].begin + 40}) {
        const fs::path copy = folder / ("early-" + std::to_string(at) + ".mp4");
        test::writeCutCopy(original, copy, at);
        EXPECT_THROW(openRecordingFile(copy, DurationNeed::required), MediaException) << at;
        EXPECT_EQ(fs::file_size(copy), at);
    }
    // Read as if cut before its track list, the file is no movie at all.
    EXPECT_THROW(MediaAsset::load(original, DurationNeed::optional, 20), MediaException);
    const fs::path firstFragment = folder / "early-first.mp4";
    test::writeCutCopy(original, firstFragment, moofs[0].begin + 40);
    EXPECT_THROW(openRecordingFile(firstFragment, DurationNeed::required), UnplayableWhenCut);

    // A cut planned on what was read, of a file that has grown since (still being written).
    const fs::path growing = folder / "growing.mp4";
    test::writeCutCopy(original, growing, moofs[1].begin + 40);
    const OpenedRecordingFile opened = openRecordingFile(growing, DurationNeed::required);
    ASSERT_TRUE(opened.cut);
    test::writeCutCopy(original, growing, moofs[1].begin + 60);
    EXPECT_THROW(applyTailCut(*opened.cut), MediaException);
    EXPECT_EQ(fs::file_size(growing), moofs[1].begin + 60);
}
