#pragma once

// Which vector instructions the processor offers, for the hand-written AVX2 paths (the scaler, the
// YUV conversion). Asked once per process; any thread.

namespace tarnix::graphics {

inline bool hasAvx2()
{
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

} // namespace tarnix::graphics
