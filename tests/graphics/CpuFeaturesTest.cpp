#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "graphics/CpuFeatures.h"

using namespace tarnix::graphics;

// scripts/test runs this program once with TARNIX_NO_AVX2=1: the AVX2 paths must then be off
// whatever the processor offers, so that the portable paths are what the other tests check.
TEST(CpuFeatures, TheEnvironmentSwitchForcesThePortablePaths)
{
    const char* value = std::getenv("TARNIX_NO_AVX2");
    const std::optional<std::string> saved = value ? std::optional<std::string>(value) : std::nullopt;
    const bool forced = saved == "1";
    EXPECT_EQ(portablePathsForced(), forced);
    if (forced)
        EXPECT_FALSE(hasAvx2());
    else
        EXPECT_EQ(hasAvx2(), bool(__builtin_cpu_supports("avx2")));

    for (const char* on : {"1", "yes", "true"}) {
        setenv("TARNIX_NO_AVX2", on, 1);
        EXPECT_TRUE(portablePathsForced()) << on;
    }
    for (const char* off : {"0", "", "no"}) {
        setenv("TARNIX_NO_AVX2", off, 1);
        EXPECT_FALSE(portablePathsForced()) << off;
    }
    if (saved)
        setenv("TARNIX_NO_AVX2", saved->c_str(), 1);
    else
        unsetenv("TARNIX_NO_AVX2");
}
