// Which instruction set the scanners' kernels use: read from the processor once.
#ifndef QUENTARPBM_NETPBM_FAST_SIMD_SIMD_LEVEL_H
#define QUENTARPBM_NETPBM_FAST_SIMD_SIMD_LEVEL_H

#include <stdint.h>

namespace quentarpbm {

// In order: every level needs all below it. kBaseline is SSE2 on x86 (the
// 32-bit DLL's least processor) and the class table elsewhere.
enum class SimdLevel { kBaseline, kSsse3, kAvx2 };

// What the level depends on, as an x86 processor and its system report it:
// cpuid leaf 1's ecx, leaf 7's ebx (0 where the processor has no leaf 7),
// and the extended control register XCR0 (0 where the system has not
// enabled xgetbv).
struct ProcessorFeatures {
  uint32_t leaf1Ecx;
  uint32_t leaf7Ebx;
  uint64_t xcr0;
};

// The highest level those features allow: kSsse3 needs SSSE3; kAvx2 needs
// AVX2 and BMI1, AVX and POPCNT, and a system that saves the SSE and AVX
// registers. Depends on nothing else, on any processor.
SimdLevel SimdLevelOfProcessor(const ProcessorFeatures& features);

// The highest level that this processor has and its system saves the state
// of (cpuid, and xgetbv for AVX registers); kBaseline off x86.
SimdLevel ProcessorSimdLevel();

// The level the scanners run at: the processor's, unless a test asked for
// a lower one (simd_control.h, only in what tests link).
SimdLevel ChosenSimdLevel();

}  // namespace quentarpbm

#endif  // QUENTARPBM_NETPBM_FAST_SIMD_SIMD_LEVEL_H
