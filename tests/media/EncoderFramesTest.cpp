#include <gtest/gtest.h>

#include "media/EncoderFrames.h"

using namespace tarnix::media;

TEST(FitCentred, aPictureOfAnotherShapeSitsInTheMiddleOnEvenPixelsAndANearMatchFillsTheFrame)
{
    // A 5:4 display in a 16:9 movie: full height, centred.
    EXPECT_EQ(fitCentred({1280, 1024}, {1920, 1080}), QRect(284, 0, 1350, 1080));
    // A portrait picture: bars left and right; a wide one: bars above and below.
    EXPECT_EQ(fitCentred({1080, 1920}, {1920, 1080}), QRect(656, 0, 606, 1080));
    EXPECT_EQ(fitCentred({1920, 600}, {1280, 720}), QRect(0, 160, 1280, 400));
    // The same shape at another size, or an odd size that rounds to the frame: no bars at all.
    EXPECT_EQ(fitCentred({1280, 720}, {1920, 1080}), QRect(0, 0, 1920, 1080));
    EXPECT_EQ(fitCentred({1281, 721}, {1280, 720}), QRect(0, 0, 1280, 720));
    EXPECT_EQ(fitCentred({}, {1280, 720}), QRect(0, 0, 1280, 720));
}
