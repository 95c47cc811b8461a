#include <gtest/gtest.h>

#include "capture/CaptureClock.h"
#include "capture/CapturePauses.h"

using namespace tarnix;

namespace {

// Waits (on the clock, with a deadline) until `seconds` have passed since `since`.
void waitUntil(double since, double seconds)
{
    const double deadline = CaptureClock::now() + 5;
    while (CaptureClock::now() < since + seconds && CaptureClock::now() < deadline) {
    }
}

// A pause of at least `seconds`; returns its span.
CapturePauses::Span pauseFor(CapturePauses& pauses, double seconds)
{
    const double from = *pauses.pause();
    waitUntil(from, seconds);
    return {from, pauses.resume()};
}

} // namespace

TEST(CapturePauses, timesInsideAPauseAreDroppedAndLaterOnesMoveBackByThePausedTime)
{
    CapturePauses pauses;
    const double before = CaptureClock::now();
    EXPECT_EQ(pauses.recordedTime(before), before) << "no pause, no change";
    const auto first = pauseFor(pauses, 0.02);
    const double firstLength = *first.to - first.from;
    const auto second = pauseFor(pauses, 0.03);
    const double secondLength = *second.to - second.from;

    EXPECT_EQ(pauses.recordedTime(before), before);
    EXPECT_FALSE(pauses.recordedTime(first.from)) << "a pause begins at its start";
    EXPECT_FALSE(pauses.recordedTime((first.from + *first.to) / 2));
    EXPECT_DOUBLE_EQ(*pauses.recordedTime(*first.to), first.from) << "and ends at its end, without a gap";
    const double between = (*first.to + second.from) / 2;
    EXPECT_DOUBLE_EQ(*pauses.recordedTime(between), between - firstLength);
    const double after = *second.to + 1;
    EXPECT_DOUBLE_EQ(*pauses.recordedTime(after), after - firstLength - secondLength);
    EXPECT_DOUBLE_EQ(pauses.pausedBefore(after), firstLength + secondLength);
    // For a clock or a file's end, a time inside a pause is where the pause began.
    EXPECT_DOUBLE_EQ(pauses.recordedTimeUpTo(*second.to - 0.001), second.from - firstLength);
}

TEST(CapturePauses, anOpenPauseHoldsEverythingAfterItsStartAndPressesAreIdempotent)
{
    CapturePauses pauses;
    EXPECT_FALSE(pauses.resume()) << "nothing to resume";
    const auto from = pauses.pause();
    ASSERT_TRUE(from);
    EXPECT_TRUE(pauses.isPaused());
    EXPECT_FALSE(pauses.pause()) << "already paused";
    EXPECT_FALSE(pauses.recordedTime(*from + 3600));
    EXPECT_DOUBLE_EQ(pauses.recordedTimeUpTo(*from + 3600), *from);
    EXPECT_EQ(pauses.spans().size(), 1u);
    pauses.clear();
    EXPECT_FALSE(pauses.isPaused());
    EXPECT_TRUE(pauses.spans().empty());
    EXPECT_EQ(pauses.recordedTime(*from + 1), *from + 1);
}

// A block of sound is cut where pauses begin and end, and what is left joins up in recorded time,
// so the sound after a resume follows the sound before the pause to the sample.
TEST(CapturePauses, aBlockIsCutAroundThePausesAndItsPartsJoinUp)
{
    CapturePauses pauses;
    const auto a = pauseFor(pauses, 0.01);
    const auto b = pauseFor(pauses, 0.01);
    const double aLength = *a.to - a.from;

    // Untouched: one part, moved back by the pauses before it.
    const double later = *b.to + 1;
    const auto whole = pauses.recordedParts(later, 0.02);
    ASSERT_EQ(whole.size(), 1u);
    EXPECT_DOUBLE_EQ(whole[0].offset, 0);
    EXPECT_NEAR(whole[0].length, 0.02, 1e-9);
    EXPECT_DOUBLE_EQ(whole[0].recordedStart, later - pauses.pausedBefore(later));

    // Across both pauses: three parts, each beginning in recorded time where the last ended.
    const double start = a.from - 0.005;
    const double length = (*b.to + 0.005) - start;
    const auto parts = pauses.recordedParts(start, length);
    ASSERT_EQ(parts.size(), 3u);
    EXPECT_DOUBLE_EQ(parts[0].offset, 0);
    EXPECT_NEAR(parts[0].length, 0.005, 1e-9);
    EXPECT_DOUBLE_EQ(parts[0].recordedStart, start);
    EXPECT_DOUBLE_EQ(parts[1].offset, *a.to - start);
    EXPECT_NEAR(parts[1].length, b.from - *a.to, 1e-9);
    EXPECT_DOUBLE_EQ(parts[2].offset, *b.to - start);
    EXPECT_NEAR(parts[2].length, 0.005, 1e-9);
    for (std::size_t i = 1; i < parts.size(); ++i)
        EXPECT_NEAR(parts[i].recordedStart, parts[i - 1].recordedStart + parts[i - 1].length, 1e-9);

    // Inside a pause: nothing; ending inside one: the part before it.
    EXPECT_TRUE(pauses.recordedParts(a.from + aLength / 4, aLength / 2).empty());
    const auto cut = pauses.recordedParts(a.from - 0.004, 0.004 + aLength / 2);
    ASSERT_EQ(cut.size(), 1u);
    EXPECT_NEAR(cut[0].length, 0.004, 1e-9);
    EXPECT_TRUE(pauses.recordedParts(later, 0).empty());
}
