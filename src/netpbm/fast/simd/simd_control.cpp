// The test control of the scanners' level: tests link it only.
#include "netpbm/fast/simd/simd_control.h"

#include <atomic>

#include "netpbm/fast/simd/simd_level_seam.h"

namespace quentarpbm {

namespace {

std::atomic<SimdLevel>& Limit() {
  static std::atomic<SimdLevel> limit{SimdLevel::kAvx2};
  return limit;
}

}  // namespace

void LimitSimdLevel(SimdLevel highest) { Limit().store(highest, std::memory_order_relaxed); }

SimdLevel SimdLevelLimit() { return Limit().load(std::memory_order_relaxed); }

}  // namespace quentarpbm
