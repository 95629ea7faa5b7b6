// The main of every test program: each test process gets a temporary
// directory of its own before any test runs, so processes running side by
// side never see, reuse or delete each other's pixel files. Run with
// --gtest_repeat, each iteration runs the scanners' kernels a level lower.
#include <gtest/gtest.h>

#include "support/private_temp_directory.h"
#include "support/simd_levels.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  quentarpbm::testing::UsePrivateTempDirectory();
  quentarpbm::testing::StepDownSimdLevelEachIteration();
  return RUN_ALL_TESTS();
}
