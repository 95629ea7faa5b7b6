// ChosenSimdLevel: the processor's level, read once, within the limit a test may set.
#include <atomic>

#include "netpbm/fast/simd/simd_level.h"
#include "netpbm/fast/simd/simd_level_seam.h"

namespace quentarpbm {

SimdLevel ChosenSimdLevel() {
  // Read on the first call; threads that meet it unread at once read the
  // same level, so the race costs only a second look at the processor.
  static std::atomic<int> known{-1};
  int processor = known.load(std::memory_order_relaxed);
  if (processor < 0) {
    processor = static_cast<int>(ProcessorSimdLevel());
    known.store(processor, std::memory_order_relaxed);
  }
  const SimdLevel limit = SimdLevelLimit();
  return limit < static_cast<SimdLevel>(processor) ? limit : static_cast<SimdLevel>(processor);
}

}  // namespace quentarpbm
