// The scanners' level from the cpuid words and XCR0 of real processors and systems.
#include <gtest/gtest.h>
#include <stdint.h>

#include <ostream>

#include "netpbm/fast/simd/simd_level.h"
#include "support/param_label.h"

namespace quentarpbm {
namespace {

struct ProcessorCase {
  const char* label;
  ProcessorFeatures features;  // leaf 1 ecx, leaf 7 ebx, XCR0
  SimdLevel expected;
};

// Leaf 1 ecx as these models report it (bit 0 SSE3, 9 SSSE3, 19-20 SSE4.1
// and 4.2, 23 POPCNT, 26 XSAVE, 27 OSXSAVE, 28 AVX); leaf 7 ebx (3 BMI1,
// 5 AVX2, 8 BMI2); XCR0 bit 0 x87, 1 SSE, 2 AVX, 9 PKRU.
const ProcessorCase kProcessors[] = {
    // SSE3 and POPCNT but no SSSE3: bit 0 set, bit 9 clear; no leaf 7.
    {"PhenomII", {0x00802009, 0, 0}, SimdLevel::kBaseline},
    // Core 2 Duo (Conroe): SSSE3, no XSAVE, no leaf 7.
    {"Core2Conroe", {0x0000E3BD, 0, 0}, SimdLevel::kSsse3},
    // Sandy Bridge: AVX saved by the system, but leaf 7 has no AVX2.
    {"SandyBridge", {0x1FBAE3FF, 0, 0x7}, SimdLevel::kSsse3},
    // Haswell whose system enabled xgetbv but saves only x87 and SSE.
    {"HaswellAvxStateNotSaved", {0x7FFAFBFF, 0x000027AB, 0x3}, SimdLevel::kSsse3},
    // Haswell whose system never enabled xgetbv (OSXSAVE clear).
    {"HaswellWithoutOsXsave", {0x77FAFBFF, 0x000027AB, 0}, SimdLevel::kSsse3},
    // Haswell as a hypervisor passes it with BMI1 and BMI2 masked.
    {"HaswellAvx2WithoutBmi1", {0x7FFAFBFF, 0x000026A3, 0x7}, SimdLevel::kSsse3},
    {"Haswell", {0x7FFAFBFF, 0x000027AB, 0x7}, SimdLevel::kAvx2},
    // Alder Lake: AVX2, BMI1 and more; XCR0 with protection keys.
    {"AlderLake", {0x7FFAFBFF, 0x239C27EB, 0x207}, SimdLevel::kAvx2},
};

void PrintTo(const ProcessorCase& processor, std::ostream* os) { *os << processor.label; }

class ProcessorSimdLevelTable : public ::testing::TestWithParam<ProcessorCase> {};

TEST_P(ProcessorSimdLevelTable, LevelIsTheHighestTheProcessorAndItsSystemAllow) {
  const ProcessorCase& processor = GetParam();
  EXPECT_EQ(SimdLevelOfProcessor(processor.features), processor.expected);
}

INSTANTIATE_TEST_SUITE_P(RealProcessors, ProcessorSimdLevelTable, ::testing::ValuesIn(kProcessors),
                         testing::ParamLabel<ProcessorCase>);

}  // namespace
}  // namespace quentarpbm
