// ChosenSimdLevel: the processor's level, read once; with the test control where tests link it.
#include "netpbm/fast/simd/simd_level.h"

#if defined(QUENTARPBM_SIMD_CONTROL)
#include <atomic>

#include "netpbm/fast/simd/simd_control.h"
#endif

namespace quentarpbm {

namespace {

SimdLevel ProcessorLevelOnce() {
  static const SimdLevel level = ProcessorSimdLevel();
  return level;
}

}  // namespace

#if defined(QUENTARPBM_SIMD_CONTROL)

namespace {

std::atomic<SimdLevel>& Limit() {
  static std::atomic<SimdLevel> limit{SimdLevel::kAvx2};
  return limit;
}

}  // namespace

void LimitSimdLevel(SimdLevel highest) { Limit().store(highest, std::memory_order_relaxed); }

SimdLevel ChosenSimdLevel() {
  const SimdLevel limit = Limit().load(std::memory_order_relaxed);
  const SimdLevel processor = ProcessorLevelOnce();
  return limit < processor ? limit : processor;
}

#else

SimdLevel ChosenSimdLevel() { return ProcessorLevelOnce(); }

#endif

}  // namespace quentarpbm
