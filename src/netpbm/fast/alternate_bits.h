// Spaced plain PBM, a pixel in every other byte, taken 32 pixels per 64-byte block.
#ifndef QUENTARPBM_NETPBM_FAST_ALTERNATE_BITS_H
#define QUENTARPBM_NETPBM_FAST_ALTERNATE_BITS_H

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "netpbm/fast/word_bits.h"

namespace quentarpbm {

// Digit masks of blocks whose pixels lie at the even bytes or at the odd ones.
inline constexpr uint64_t kEvenBytes = 0x5555555555555555u;
inline constexpr uint64_t kOddBytes = 0xAAAAAAAAAAAAAAAAu;
inline constexpr size_t kAlternateBitsPerBlock = 32;

// The 32 digits '0' or '1' at the even bytes (odd false) or the odd bytes
// of 64 as pixels 0 and 1, four from each word.
inline void TakeAlternateBitsByWords(const uint8_t* block, bool odd, uint8_t* bits) {
  for (size_t k = 0; k < 8; ++k) {
    uint64_t word = LoadWord(block + 8 * k);
    if (odd) word >>= 8;
    word &= 0x00FF00FF00FF00FFu;
    word = (word | (word >> 8)) & 0x0000FFFF0000FFFFu;
    word = (word | (word >> 16)) & 0x00000000FFFFFFFFu;
    const auto pixels = static_cast<uint32_t>(word - 0x30303030u);
    memcpy(bits + 4 * k, &pixels, 4);
  }
}

#if defined(__SSE2__)
// The same with SSE2: sixteen-bit lanes keep their low or high byte, packed.
inline void TakeAlternateBitsSse2(const uint8_t* block, bool odd, uint8_t* bits) {
  const __m128i lowBytes = _mm_set1_epi16(0x00FF);
  const __m128i zero = _mm_set1_epi8('0');
  for (size_t k = 0; k < 2; ++k) {
    __m128i halves[2];
    for (size_t h = 0; h < 2; ++h) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 32 * k + 16 * h));
      halves[h] = odd ? _mm_srli_epi16(v, 8) : _mm_and_si128(v, lowBytes);
    }
    const __m128i digits = _mm_packus_epi16(halves[0], halves[1]);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(bits + 16 * k), _mm_sub_epi8(digits, zero));
  }
}
#endif

inline void TakeAlternateBits(const uint8_t* block, bool odd, uint8_t* bits) {
#if defined(__SSE2__)
  TakeAlternateBitsSse2(block, odd, bits);
#else
  TakeAlternateBitsByWords(block, odd, bits);
#endif
}

}  // namespace quentarpbm

#endif  // QUENTARPBM_NETPBM_FAST_ALTERNATE_BITS_H
