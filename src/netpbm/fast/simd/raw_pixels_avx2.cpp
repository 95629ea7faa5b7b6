// Raw pixels with AVX2: PBM bits spread to bytes thirty-two pixels per shuffle.
#include <immintrin.h>
#include <stddef.h>
#include <stdint.h>

#include "netpbm/fast/simd/raw_pixel_kernels.h"

namespace quentarpbm {

namespace {

[[gnu::target("avx2")]] size_t ExpandThirtyTwoBytesAtATime(const uint8_t* packed, size_t bytes,
                                                           uint8_t* row) {
  const __m256i bits = _mm256_broadcastsi128_si256(
      _mm_setr_epi8(-128, 64, 32, 16, 8, 4, 2, 1, -128, 64, 32, 16, 8, 4, 2, 1));
  const __m256i one = _mm256_set1_epi8(1);
  size_t done = 0;
  for (; done + 16 <= bytes; done += 16) {
    // The sixteen packed bytes in both halves; each shuffle spreads four
    // of them, two per half, over thirty-two pixels.
    const __m256i v = _mm256_broadcastsi128_si256(
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(packed + done)));
#pragma GCC unroll 4
    for (size_t quad = 0; quad < 4; ++quad) {
      const char a = static_cast<char>(4 * quad);
      const char b = static_cast<char>(4 * quad + 1);
      const char c = static_cast<char>(4 * quad + 2);
      const char d = static_cast<char>(4 * quad + 3);
      const __m256i spread =
          _mm256_shuffle_epi8(v, _mm256_setr_epi8(a, a, a, a, a, a, a, a, b, b, b, b, b, b, b, b, c,
                                                  c, c, c, c, c, c, c, d, d, d, d, d, d, d, d));
      const __m256i pixels = _mm256_min_epu8(_mm256_and_si256(spread, bits), one);
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(row + 8 * done + 32 * quad), pixels);
    }
  }
  return done;
}

}  // namespace

size_t ExpandPbmBytesAvx2(const uint8_t* packed, size_t bytes, uint8_t* row) {
  return ExpandThirtyTwoBytesAtATime(packed, bytes, row);
}

}  // namespace quentarpbm
