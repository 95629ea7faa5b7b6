// Red, green, blue triples turned into blue, green, red in place, many pixels at once.
#ifndef QUENTARPBM_NETPBM_FAST_RED_BLUE_SWAP_H
#define QUENTARPBM_NETPBM_FAST_RED_BLUE_SWAP_H

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "netpbm/fast/word_bits.h"

namespace quentarpbm {

// One pixel at a time: the rows' last pixels, and the reference.
inline void SwapRedAndBlueByPixel(uint8_t* row, size_t pixels) {
  for (size_t i = 0; i < pixels; ++i) {
    const uint8_t red = row[3 * i];
    row[3 * i] = row[3 * i + 2];
    row[3 * i + 2] = red;
  }
}

// Which bytes of sixteen pixels are red and which blue; the first 24 bytes
// are the same for eight pixels.
struct RgbByteMasks {
  uint8_t red[48];
  uint8_t blue[48];
};

constexpr RgbByteMasks MakeRgbByteMasks() {
  RgbByteMasks masks = {};
  for (int i = 0; i < 48; ++i) {
    masks.red[i] = i % 3 == 0 ? 0xFF : 0;
    masks.blue[i] = i % 3 == 2 ? 0xFF : 0;
  }
  return masks;
}

inline constexpr RgbByteMasks kRgbByteMasks = MakeRgbByteMasks();

// Eight pixels as three words, little-endian: red bytes move up two places
// and blue bytes down two, carried from word to word; green stays. Each
// returns how many pixels it swapped, leaving fewer than a batch.
inline size_t SwapRedAndBlueByWords(uint8_t* row, size_t pixels) {
  uint64_t red[3];
  uint64_t blue[3];
  for (size_t k = 0; k < 3; ++k) {
    red[k] = LoadWord(kRgbByteMasks.red + 8 * k);
    blue[k] = LoadWord(kRgbByteMasks.blue + 8 * k);
  }
  size_t done = 0;
  for (; done + 8 <= pixels; done += 8) {
    uint8_t* bytes = row + 3 * done;
    uint64_t w[3];
    uint64_t r[3];
    uint64_t b[3];
    for (size_t k = 0; k < 3; ++k) {
      w[k] = LoadWord(bytes + 8 * k);
      r[k] = w[k] & red[k];
      b[k] = w[k] & blue[k];
      w[k] &= ~(red[k] | blue[k]);
    }
    w[0] |= (r[0] << 16) | (b[0] >> 16) | (b[1] << 48);
    w[1] |= (r[1] << 16) | (r[0] >> 48) | (b[1] >> 16) | (b[2] << 48);
    w[2] |= (r[2] << 16) | (r[1] >> 48) | (b[2] >> 16);
    memcpy(bytes, w, sizeof w);
  }
  return done;
}

#if defined(__SSE2__)
// Sixteen pixels as three registers, the same moves.
inline size_t SwapRedAndBlueSse2(uint8_t* row, size_t pixels) {
  __m128i red[3];
  __m128i blue[3];
  for (size_t k = 0; k < 3; ++k) {
    red[k] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(kRgbByteMasks.red + 16 * k));
    blue[k] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(kRgbByteMasks.blue + 16 * k));
  }
  size_t done = 0;
  for (; done + 16 <= pixels; done += 16) {
    __m128i* bytes = reinterpret_cast<__m128i*>(row + 3 * done);
    __m128i v[3];
    __m128i r[3];
    __m128i b[3];
    for (size_t k = 0; k < 3; ++k) {
      v[k] = _mm_loadu_si128(bytes + k);
      r[k] = _mm_and_si128(v[k], red[k]);
      b[k] = _mm_and_si128(v[k], blue[k]);
      v[k] = _mm_andnot_si128(_mm_or_si128(red[k], blue[k]), v[k]);
    }
    const __m128i up[3] = {_mm_slli_si128(r[0], 2),
                           _mm_or_si128(_mm_slli_si128(r[1], 2), _mm_srli_si128(r[0], 14)),
                           _mm_or_si128(_mm_slli_si128(r[2], 2), _mm_srli_si128(r[1], 14))};
    const __m128i down[3] = {_mm_or_si128(_mm_srli_si128(b[0], 2), _mm_slli_si128(b[1], 14)),
                             _mm_or_si128(_mm_srli_si128(b[1], 2), _mm_slli_si128(b[2], 14)),
                             _mm_srli_si128(b[2], 2)};
    for (size_t k = 0; k < 3; ++k)
      _mm_storeu_si128(bytes + k, _mm_or_si128(v[k], _mm_or_si128(up[k], down[k])));
  }
  return done;
}
#endif

// Every pixel, with the kernel of the scanners' level (raw_pixels.cpp).
void SwapRedAndBlue(uint8_t* row, size_t pixels);

}  // namespace quentarpbm

#endif  // QUENTARPBM_NETPBM_FAST_RED_BLUE_SWAP_H
