// Test programs run once per level of the scanners' kernels, through the test control.
#ifndef QUENTARPBM_TESTS_SUPPORT_SIMD_LEVELS_H
#define QUENTARPBM_TESTS_SUPPORT_SIMD_LEVELS_H

namespace quentarpbm::testing {

// How many levels there are: a program run with --gtest_repeat of this many
// runs every test at each level.
inline constexpr int kSimdLevels = 3;

// From then on iteration i of the tests (--gtest_repeat) runs with the
// kernels limited to i levels below the highest (the lowest once there are
// no more), never above the processor's, and prints the level it runs at.
// One iteration runs at the processor's own level, as shipped. Where the
// scanners chose another level than the lower of the one asked for and the
// processor's, the program says so and ends with status 1.
void StepDownSimdLevelEachIteration();

}  // namespace quentarpbm::testing

#endif  // QUENTARPBM_TESTS_SUPPORT_SIMD_LEVELS_H
