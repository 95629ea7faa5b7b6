// The test control of the scanners' level (simd_control.cpp): built only into what tests link.
#ifndef QUENTARPBM_NETPBM_FAST_SIMD_SIMD_CONTROL_H
#define QUENTARPBM_NETPBM_FAST_SIMD_SIMD_CONTROL_H

#include "netpbm/fast/simd/simd_level.h"

namespace quentarpbm {

// From now on the scanners run at no level above highest (and never above
// the processor's); kAvx2 lifts the limit. For tests that run every kernel
// the machine has against the same inputs.
void LimitSimdLevel(SimdLevel highest);

}  // namespace quentarpbm

#endif  // QUENTARPBM_NETPBM_FAST_SIMD_SIMD_CONTROL_H
