// Where the scanners' level meets its test control: compiled away in what ships.
#ifndef QUENTARPBM_NETPBM_FAST_SIMD_SIMD_LEVEL_SEAM_H
#define QUENTARPBM_NETPBM_FAST_SIMD_SIMD_LEVEL_SEAM_H

#include "netpbm/fast/simd/simd_level.h"

namespace quentarpbm {

// The highest level a test allows: only what tests link (built with
// QUENTARPBM_SIMD_CONTROL, see simd_control.cpp) has a limit; the shipped
// library allows every level.
#if defined(QUENTARPBM_SIMD_CONTROL)
SimdLevel SimdLevelLimit();
#else
// Always inlined, so that not even an unoptimised build keeps a trace.
[[gnu::always_inline]] inline SimdLevel SimdLevelLimit() { return SimdLevel::kAvx2; }
#endif

}  // namespace quentarpbm

#endif  // QUENTARPBM_NETPBM_FAST_SIMD_SIMD_LEVEL_SEAM_H
