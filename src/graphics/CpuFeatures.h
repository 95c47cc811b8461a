#pragma once

#include <cstdlib>
#include <cstring>

// Which vector instructions the processor offers, for the hand-written AVX2 paths (the scaler, the
// YUV conversion). Asked once per process; any thread.
//
// TARNIX_NO_AVX2=1 in the environment makes every such path take its portable (SSE2) twin even on
// a processor with AVX2, so that the tests can check those twins on any machine.

namespace tarnix::graphics {

// Whether the environment asks for the portable paths ("1", "yes" or "true").
inline bool portablePathsForced()
{
    const char* value = std::getenv("TARNIX_NO_AVX2");
    return value && (!std::strcmp(value, "1") || !std::strcmp(value, "yes") ||
                     !std::strcmp(value, "true"));
}

inline bool hasAvx2()
{
    static const bool has = __builtin_cpu_supports("avx2") && !portablePathsForced();
    return has;
}

} // namespace tarnix::graphics
