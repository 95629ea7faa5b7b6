// ChosenSimdLevel: the processor's level, read once, within the limit a test may set.
#include "netpbm/fast/simd/simd_level.h"
#include "netpbm/fast/simd/simd_level_seam.h"

namespace quentarpbm {

SimdLevel ChosenSimdLevel() {
  static const SimdLevel processor = ProcessorSimdLevel();
  const SimdLevel limit = SimdLevelLimit();
  return limit < processor ? limit : processor;
}

}  // namespace quentarpbm
