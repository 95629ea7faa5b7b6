// Raw pixels with SSSE3: red and blue traded by byte shuffles, PBM bits spread to bytes by one.
#include <stddef.h>
#include <stdint.h>
#include <tmmintrin.h>

#include "netpbm/fast/simd/raw_pixel_kernels.h"

namespace quentarpbm {

namespace {

// Sixteen pixels are three registers; output register k takes its bytes
// from input registers k - 1 to k + 1: the shuffle of each, a byte index
// where the byte comes from that register, 0x80 (a zero) elsewhere.
struct SwapShuffles {
  uint8_t from[3][3][16];  // [output][input][byte]
};

constexpr SwapShuffles MakeSwapShuffles() {
  SwapShuffles shuffles = {};
  for (int out = 0; out < 3; ++out) {
    for (int in = 0; in < 3; ++in) {
      for (int byte = 0; byte < 16; ++byte) {
        const int at = 16 * out + byte;
        const int source = at % 3 == 0 ? at + 2 : at % 3 == 2 ? at - 2 : at;
        shuffles.from[out][in][byte] =
            source / 16 == in ? static_cast<uint8_t>(source % 16) : uint8_t{0x80};
      }
    }
  }
  return shuffles;
}

constexpr SwapShuffles kSwapShuffles = MakeSwapShuffles();

[[gnu::target("ssse3")]] __m128i ShuffleOf(int out, int from) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(kSwapShuffles.from[out][from]));
}

[[gnu::target("ssse3")]] size_t SwapSixteenPixelsAtATime(uint8_t* row, size_t pixels) {
  // Each output register's shuffles, held in registers through the loop.
  const __m128i firstOfA = ShuffleOf(0, 0);
  const __m128i firstOfB = ShuffleOf(0, 1);
  const __m128i secondOfA = ShuffleOf(1, 0);
  const __m128i secondOfB = ShuffleOf(1, 1);
  const __m128i secondOfC = ShuffleOf(1, 2);
  const __m128i thirdOfB = ShuffleOf(2, 1);
  const __m128i thirdOfC = ShuffleOf(2, 2);
  size_t done = 0;
  for (; done + 16 <= pixels; done += 16) {
    __m128i* bytes = reinterpret_cast<__m128i*>(row + 3 * done);
    const __m128i a = _mm_loadu_si128(bytes);
    const __m128i b = _mm_loadu_si128(bytes + 1);
    const __m128i c = _mm_loadu_si128(bytes + 2);
    _mm_storeu_si128(bytes,
                     _mm_or_si128(_mm_shuffle_epi8(a, firstOfA), _mm_shuffle_epi8(b, firstOfB)));
    _mm_storeu_si128(bytes + 1, _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(a, secondOfA),
                                                          _mm_shuffle_epi8(b, secondOfB)),
                                             _mm_shuffle_epi8(c, secondOfC)));
    _mm_storeu_si128(bytes + 2,
                     _mm_or_si128(_mm_shuffle_epi8(b, thirdOfB), _mm_shuffle_epi8(c, thirdOfC)));
  }
  return done;
}

// The bit each pixel byte tests, most significant first, for two packed
// bytes; and which packed byte each of sixteen pixels comes from.
[[gnu::target("ssse3")]] __m128i PixelBits() {
  return _mm_setr_epi8(-128, 64, 32, 16, 8, 4, 2, 1, -128, 64, 32, 16, 8, 4, 2, 1);
}

[[gnu::target("ssse3")]] size_t ExpandSixteenBytesAtATime(const uint8_t* packed, size_t bytes,
                                                          uint8_t* row) {
  const __m128i bits = PixelBits();
  const __m128i one = _mm_set1_epi8(1);
  size_t done = 0;
  for (; done + 16 <= bytes; done += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(packed + done));
#pragma GCC unroll 8
    for (size_t pair = 0; pair < 8; ++pair) {
      const char first = static_cast<char>(2 * pair);
      const char second = static_cast<char>(2 * pair + 1);
      const __m128i spread = _mm_shuffle_epi8(
          v, _mm_setr_epi8(first, first, first, first, first, first, first, first, second, second,
                           second, second, second, second, second, second));
      // A set bit leaves a byte of at least 1: the least of it and 1.
      const __m128i pixels = _mm_min_epu8(_mm_and_si128(spread, bits), one);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(row + 8 * done + 16 * pair), pixels);
    }
  }
  return done;
}

}  // namespace

size_t SwapRedAndBlueSsse3(uint8_t* row, size_t pixels) {
  return SwapSixteenPixelsAtATime(row, pixels);
}

size_t ExpandPbmBytesSsse3(const uint8_t* packed, size_t bytes, uint8_t* row) {
  return ExpandSixteenBytesAtATime(packed, bytes, row);
}

}  // namespace quentarpbm
