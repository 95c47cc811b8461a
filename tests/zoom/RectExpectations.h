#pragma once

#include <gtest/gtest.h>

#include "document/Geometry.h"

namespace tarnix::test {

inline void expectRect(const Rect& actual, const Rect& expected, double tolerance = 1e-9)
{
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.width, expected.width, tolerance);
    EXPECT_NEAR(actual.height, expected.height, tolerance);
}

} // namespace tarnix::test
