// Test programs run once per level of the scanners' kernels, through the test control.
#include "support/simd_levels.h"

#include <gtest/gtest.h>
#include <stdio.h>

#include "netpbm/fast/simd/simd_control.h"
#include "netpbm/fast/simd/simd_level.h"

namespace quentarpbm::testing {

namespace {

const char* LevelName(SimdLevel level) {
  return level == SimdLevel::kAvx2 ? "AVX2" : level == SimdLevel::kSsse3 ? "SSSE3" : "baseline";
}

class SimdLevelStepper : public ::testing::EmptyTestEventListener {
  void OnTestIterationStart(const ::testing::UnitTest& /*unitTest*/, int iteration) override {
    const int highest = static_cast<int>(SimdLevel::kAvx2);
    const int level = iteration < highest ? highest - iteration : 0;
    LimitSimdLevel(static_cast<SimdLevel>(level));
    printf("Scanners at level %s (the processor has %s)\n", LevelName(ChosenSimdLevel()),
           LevelName(ProcessorSimdLevel()));
  }
};

}  // namespace

void StepDownSimdLevelEachIteration() {
  ::testing::UnitTest::GetInstance()->listeners().Append(new SimdLevelStepper);
}

}  // namespace quentarpbm::testing
