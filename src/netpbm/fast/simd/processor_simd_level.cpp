// ProcessorSimdLevel: cpuid for the instruction sets, xgetbv for the system's saving of their
// registers.
#include "netpbm/fast/simd/simd_level.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#include <stdint.h>
#endif

namespace quentarpbm {

#if defined(__i386__) || defined(__x86_64__)

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
  uint32_t eax = 0;
  uint32_t ebx = 0;
  uint32_t leaf1 = 0;
  uint32_t edx = 0;
  __get_cpuid(1, &eax, &ebx, &leaf1, &edx);
  uint32_t leaf7 = 0;
  uint32_t ecx = 0;
  __get_cpuid_count(7, 0, &eax, &leaf7, &ecx, &edx);
  const bool ssse3 = (leaf1 & kSsse3Bit) != 0;
  // AVX registers count only where the system saves them on a switch;
  // xgetbv itself exists only where the system enabled it (OSXSAVE).
  const uint32_t avxAndPopcnt = kOsXsaveBit | kAvxBit | kPopcntBit;
  const bool avxSaved = (leaf1 & avxAndPopcnt) == avxAndPopcnt &&
                        (ExtendedControlRegister0() & kSseAndAvxState) == kSseAndAvxState;
  const bool avx2 = (leaf7 & (kAvx2Bit | kBmi1Bit)) == (kAvx2Bit | kBmi1Bit);
  // Every level needs the ones below it.
  return static_cast<SimdLevel>(static_cast<int>(ssse3) +
                                static_cast<int>(ssse3 & avxSaved & avx2));
}

#else

SimdLevel ProcessorSimdLevel() { return SimdLevel::kBaseline; }

#endif

}  // namespace quentarpbm
