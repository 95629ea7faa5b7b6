// ProcessorSimdLevel: cpuid for the instruction sets, xgetbv for the system's saving of their
// registers; SimdLevelOfProcessor decides from what they give.
#include <stdint.h>

#include "netpbm/fast/simd/simd_level.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

namespace quentarpbm {

namespace {

// cpuid leaf 1, ecx.
constexpr uint32_t kSsse3Bit = 1u << 9;
constexpr uint32_t kPopcntBit = 1u << 23;
constexpr uint32_t kOsXsaveBit = 1u << 27;
constexpr uint32_t kAvxBit = 1u << 28;
// cpuid leaf 7, ebx.
constexpr uint32_t kBmi1Bit = 1u << 3;
constexpr uint32_t kAvx2Bit = 1u << 5;
// XCR0: the system saves the SSE and the upper AVX halves of the registers.
constexpr uint64_t kSseAndAvxState = 0x6;

}  // namespace

SimdLevel SimdLevelOfProcessor(const ProcessorFeatures& features) {
  const bool ssse3 = (features.leaf1Ecx & kSsse3Bit) != 0;
  // AVX registers count only where the system saves them on a switch.
  const uint32_t avxAndPopcnt = kOsXsaveBit | kAvxBit | kPopcntBit;
  const bool avxSaved = (features.leaf1Ecx & avxAndPopcnt) == avxAndPopcnt &&
                        (features.xcr0 & kSseAndAvxState) == kSseAndAvxState;
  const bool avx2 = (features.leaf7Ebx & (kAvx2Bit | kBmi1Bit)) == (kAvx2Bit | kBmi1Bit);
  // Every level needs the ones below it.
  if (ssse3 && avxSaved && avx2) return SimdLevel::kAvx2;
  return ssse3 ? SimdLevel::kSsse3 : SimdLevel::kBaseline;
}

#if defined(__i386__) || defined(__x86_64__)

namespace {

// Read with the instruction itself: the intrinsic would need the xsave
// target for the whole file.
uint64_t ExtendedControlRegister0() {
  uint32_t low = 0;
  uint32_t high = 0;
  __asm__ volatile("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
  return (uint64_t{high} << 32) | low;
}

}  // namespace

SimdLevel ProcessorSimdLevel() {
  // A leaf the processor lacks leaves its registers as they are: zero.
  ProcessorFeatures features = {0, 0, 0};
  uint32_t eax = 0;
  uint32_t ebx = 0;
  uint32_t ecx = 0;
  uint32_t edx = 0;
  __get_cpuid(1, &eax, &ebx, &features.leaf1Ecx, &edx);
  __get_cpuid_count(7, 0, &eax, &features.leaf7Ebx, &ecx, &edx);
  // xgetbv exists only where the system enabled it (OSXSAVE).
  if ((features.leaf1Ecx & kOsXsaveBit) != 0) features.xcr0 = ExtendedControlRegister0();
  return SimdLevelOfProcessor(features);
}

#else

SimdLevel ProcessorSimdLevel() { return SimdLevel::kBaseline; }

#endif

}  // namespace quentarpbm
