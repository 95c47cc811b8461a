#include <gtest/gtest.h>

#include "media/MediaError.h"

using namespace tarnix::media;

TEST(MediaErrorDescription, JoinsDescriptionReasonAndUnderlyingError)
{
    MediaError bare{"FFmpeg", -5, "The file couldn't be read.", std::nullopt, nullptr};
    EXPECT_EQ(describe(bare), "The file couldn't be read. (FFmpeg -5)");

    MediaError withReason = bare;
    withReason.failureReason = "The disk is full.";
    EXPECT_EQ(describe(withReason), "The file couldn't be read. (FFmpeg -5) — The disk is full.");

    MediaError outer{"Tarnix.Export", 2, "The export failed.", "A frame couldn't be rendered.",
                     std::make_shared<const MediaError>(withReason)};
    // Only the underlying error's own description and domain are repeated, not its reason.
    EXPECT_EQ(describe(outer), "The export failed. (Tarnix.Export 2) — A frame couldn't be "
                               "rendered. — underlying: The file couldn't be read. (FFmpeg -5)");
    outer.failureReason.reset();
    EXPECT_EQ(describe(outer), "The export failed. (Tarnix.Export 2) — underlying: The file "
                               "couldn't be read. (FFmpeg -5)");

    // Exceptions: a MediaException by its error, anything else by what().
    EXPECT_EQ(describe(MediaException(withReason)), describe(withReason));
    EXPECT_EQ(describe(std::runtime_error("plain")), "plain");
    EXPECT_STREQ(MediaException(bare).what(), "The file couldn't be read.");
}
