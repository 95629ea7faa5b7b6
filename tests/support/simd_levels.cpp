// Test programs run once per level of the scanners' kernels, through the test control.
#include "support/simd_levels.h"

#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>

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
    const auto asked = static_cast<SimdLevel>(level);
    LimitSimdLevel(asked);
    const SimdLevel processor = ProcessorSimdLevel();
    const SimdLevel chosen = ChosenSimdLevel();
    printf("Scanners at level %s (the processor has %s)\n", LevelName(chosen),
           LevelName(processor));
    // A limit the scanners ignore would run every iteration at one level and
    // still pass: end the program before any test runs.
    const SimdLevel expected = asked < processor ? asked : processor;
    if (chosen != expected) {
      fprintf(stderr, "FAILED: asked for level %s on a processor with %s, the scanners chose %s\n",
              LevelName(asked), LevelName(processor), LevelName(chosen));
      fflush(stdout);
      exit(1);
    }
  }
};

}  // namespace

void StepDownSimdLevelEachIteration() {
  ::testing::UnitTest::GetInstance()->listeners().Append(new SimdLevelStepper);
}

}  // namespace quentarpbm::testing
