// The number scanner with AVX2 (and BMI1, POPCNT): each 64-byte block classified and valued in two
// registers.
#include <immintrin.h>
#include <stddef.h>
#include <stdint.h>

#include "netpbm/fast/netpbm_text_block.h"
#include "netpbm/fast/simd/number_scan_kernels.h"
#include "netpbm/netpbm.h"

#define QUENTARPBM_SCAN_TARGET [[gnu::target("avx2,bmi,popcnt")]]
#include "netpbm/fast/number_block_scan.h"
#include "netpbm/fast/simd/run_end_shuffles.h"

namespace quentarpbm {

namespace {

struct Avx2NumberKernel {
  struct Block {
    TextBlockClasses classes;
    __m256i values[2];
  };
  static constexpr size_t kRoomToTakeEvery = kMostNumbersPerBlock + 8;

  QUENTARPBM_SCAN_TARGET static uint32_t CountBits(uint64_t bits) {
    return static_cast<uint32_t>(__builtin_popcountll(bits));
  }

  // As in the SSSE3 kernel, in both halves.
  QUENTARPBM_SCAN_TARGET static __m256i SpaceByNibble() {
    const __m128i half =
        _mm_setr_epi8(' ', -1, -1, -1, -1, -1, -1, -1, -1, '\t', '\n', -1, -1, '\r', -1, -1);
    return _mm256_broadcastsi128_si256(half);
  }

  QUENTARPBM_SCAN_TARGET static __m256i TimesTenOfSmall(__m256i x) {
    return _mm256_add_epi8(_mm256_slli_epi16(x, 3), _mm256_add_epi8(x, x));
  }

  // Ten times each byte modulo 256, as TimesTen.
  QUENTARPBM_SCAN_TARGET static __m256i TimesTenOfAny(__m256i x) {
    const __m256i eightTimes = _mm256_and_si256(_mm256_slli_epi16(x, 3), _mm256_set1_epi8(-8));
    return _mm256_add_epi8(eightTimes, _mm256_add_epi8(x, x));
  }

  // Bytes moved up by one place across both halves, the previous register's
  // last byte coming in below.
  QUENTARPBM_SCAN_TARGET static __m256i FollowOn(__m256i chunk, __m256i previous) {
    return _mm256_alignr_epi8(chunk, _mm256_permute2x128_si256(previous, chunk, 0x21), 15);
  }

  QUENTARPBM_SCAN_TARGET static Block Classify(const uint8_t* bytes) {
    Block block = {{0, 0}, {}};
    __m256i previousTens = _mm256_setzero_si256();
    __m256i previousTensInRun = _mm256_setzero_si256();
#pragma GCC unroll 2
    for (size_t k = 0; k < 2; ++k) {
      const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes + 32 * k));
      const __m256i units = _mm256_sub_epi8(v, _mm256_set1_epi8('0'));
      const __m256i digit = _mm256_cmpeq_epi8(_mm256_min_epu8(units, _mm256_set1_epi8(9)), units);
      const __m256i space = _mm256_cmpeq_epi8(_mm256_shuffle_epi8(SpaceByNibble(), v), v);
      const unsigned shift = 32u * static_cast<unsigned>(k);
      block.classes.digits |= uint64_t{static_cast<uint32_t>(_mm256_movemask_epi8(digit))} << shift;
      block.classes.whitespace |= uint64_t{static_cast<uint32_t>(_mm256_movemask_epi8(space))}
                                  << shift;
      const __m256i unitsInRun = _mm256_and_si256(units, digit);
      const __m256i tens = TimesTenOfSmall(unitsInRun);
      const __m256i tensBack = FollowOn(tens, previousTens);
      const __m256i tensInRun = _mm256_and_si256(tensBack, digit);
      const __m256i hundredsBack = TimesTenOfAny(FollowOn(tensInRun, previousTensInRun));
      block.values[k] = _mm256_add_epi8(_mm256_add_epi8(unitsInRun, tensBack), hundredsBack);
      previousTens = tens;
      previousTensInRun = tensInRun;
    }
    return block;
  }

  QUENTARPBM_SCAN_TARGET static void StoreValues(const Block& block, ShortRunValues values) {
    for (size_t k = 0; k < 2; ++k)
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(values + 32 * k), block.values[k]);
  }

  QUENTARPBM_SCAN_TARGET static const uint8_t* TakeEveryShortNumber(
      const uint8_t* bytes, const Block& block, uint64_t lasts, uint8_t* samples, size_t* done) {
    return TakeRunEndsByShuffles<Avx2NumberKernel>(
        bytes, _mm256_castsi256_si128(block.values[0]),
        _mm256_extracti128_si256(block.values[0], 1), _mm256_castsi256_si128(block.values[1]),
        _mm256_extracti128_si256(block.values[1], 1), lasts, samples, done);
  }
};

}  // namespace

// Called from the baseline: the kernel's own code starts in the loop.
size_t ScanPlainSamplesAvx2(NetpbmByteSource* source, uint8_t* samples, size_t count) {
  return ScanSamplesByBlocks<Avx2NumberKernel>(source, samples, count);
}

}  // namespace quentarpbm
