// Which instruction set the scanners' kernels use: read from the processor once.
#ifndef QUENTARPBM_NETPBM_FAST_SIMD_SIMD_LEVEL_H
#define QUENTARPBM_NETPBM_FAST_SIMD_SIMD_LEVEL_H

namespace quentarpbm {

// In order: every level needs all below it. kBaseline is SSE2 on x86 (the
// 32-bit DLL's least processor) and the class table elsewhere.
enum class SimdLevel { kBaseline, kSsse3, kAvx2 };

// The highest level that this processor has and its system saves the state
// of (cpuid, and xgetbv for AVX registers); kBaseline off x86.
SimdLevel ProcessorSimdLevel();

// The level the scanners run at: the processor's, unless a test asked for
// a lower one (simd_control.h, only in what tests link).
SimdLevel ChosenSimdLevel();

}  // namespace quentarpbm

#endif  // QUENTARPBM_NETPBM_FAST_SIMD_SIMD_LEVEL_H
