// The values at the ends of short runs packed together by byte shuffles, eight bytes at a time.
#ifndef QUENTARPBM_NETPBM_FAST_SIMD_RUN_END_SHUFFLES_H
#define QUENTARPBM_NETPBM_FAST_SIMD_RUN_END_SHUFFLES_H

#include <stddef.h>
#include <stdint.h>
#include <tmmintrin.h>

#include "netpbm/fast/word_bits.h"

// For the kernels that have SSSE3's byte shuffle; QUENTARPBM_SCAN_TARGET is
// their target attribute (see number_block_scan.h).
#if !defined(QUENTARPBM_SCAN_TARGET)
#error "define QUENTARPBM_SCAN_TARGET before including run_end_shuffles.h"
#endif

namespace quentarpbm {

// For each mask of eight bytes: the places of its set bits in order (the
// shuffle that packs those bytes to the front), for the low and the high
// half of sixteen bytes, and how many there are.
struct RunEndGroups {
  uint8_t order[2][256][8];  // [half][mask]
  uint8_t counts[256];
};

constexpr RunEndGroups MakeRunEndGroups() {
  RunEndGroups groups = {};
  for (int mask = 0; mask < 256; ++mask) {
    int count = 0;
    for (int bit = 0; bit < 8; ++bit) {
      if ((mask >> bit & 1) == 0) continue;
      groups.order[0][mask][count] = static_cast<uint8_t>(bit);
      groups.order[1][mask][count] = static_cast<uint8_t>(bit + 8);
      ++count;
    }
    groups.counts[mask] = static_cast<uint8_t>(count);
  }
  return groups;
}

inline constexpr RunEndGroups kRunEndGroups = MakeRunEndGroups();

// The numbers at the set bits of group (a mask of eight bytes) in half
// (0 low, 1 high) of values, stored at out with eight bytes at once; returns
// where the next group's numbers go.
template <typename Kernel>
QUENTARPBM_SCAN_TARGET uint8_t* TakeRunEndGroup(uint8_t* out, __m128i values, uint32_t group,
                                                int half) {
  const __m128i order =
      _mm_loadl_epi64(reinterpret_cast<const __m128i*>(kRunEndGroups.order[half][group]));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_shuffle_epi8(values, order));
  return out + kRunEndGroups.counts[group];
}

// As TakeEveryShortNumber (number_block_scan.h), from the block's values in
// four registers of sixteen bytes, a to d. Each group of eight bytes stores
// eight at once, the next group's numbers over the bytes after its own; the
// eight bytes after the last number are kept and put back, so that the room
// asked for is kMostNumbersPerBlock + 8. Kernel::CountBits(lasts) counts the
// numbers; a template for each kernel's own copy.
template <typename Kernel>
QUENTARPBM_SCAN_TARGET const uint8_t* TakeRunEndsByShuffles(const uint8_t* block, __m128i a,
                                                            __m128i b, __m128i c, __m128i d,
                                                            uint64_t lasts, uint8_t* samples,
                                                            size_t* done) {
  uint8_t* out = samples + *done;
  const size_t total = Kernel::CountBits(lasts);
  uint8_t* const after = out + total;
  const uint64_t kept = LoadWord(after);
  // The groups' masks as bytes: one load each, no shifts.
  uint8_t groups[8];
  StoreWord(groups, lasts);
  out = TakeRunEndGroup<Kernel>(out, a, groups[0], 0);
  out = TakeRunEndGroup<Kernel>(out, a, groups[1], 1);
  out = TakeRunEndGroup<Kernel>(out, b, groups[2], 0);
  out = TakeRunEndGroup<Kernel>(out, b, groups[3], 1);
  out = TakeRunEndGroup<Kernel>(out, c, groups[4], 0);
  out = TakeRunEndGroup<Kernel>(out, c, groups[5], 1);
  out = TakeRunEndGroup<Kernel>(out, d, groups[6], 0);
  TakeRunEndGroup<Kernel>(out, d, groups[7], 1);
  StoreWord(after, kept);
  *done += total;
  return block + HighestSetBit(lasts) + 2;
}

}  // namespace quentarpbm

#endif  // QUENTARPBM_NETPBM_FAST_SIMD_RUN_END_SHUFFLES_H
