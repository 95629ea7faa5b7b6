// The number scanner with SSSE3: whitespace by one byte shuffle, runs carried by byte alignment.
#include <stddef.h>
#include <stdint.h>
#include <tmmintrin.h>

#include "netpbm/fast/netpbm_text_block.h"
#include "netpbm/fast/simd/number_scan_kernels.h"
#include "netpbm/netpbm.h"

#define QUENTARPBM_SCAN_TARGET [[gnu::target("ssse3")]]
#include "netpbm/fast/number_block_scan.h"
#include "netpbm/fast/simd/run_end_shuffles.h"

namespace quentarpbm {

namespace {

struct Ssse3NumberKernel {
  struct Block {
    TextBlockClasses classes;
    __m128i values[4];
  };
  static constexpr size_t kRoomToTakeEvery = kMostNumbersPerBlock + 8;

  static uint32_t CountBits(uint64_t bits) { return quentarpbm::CountBits(bits); }

  // The whitespace byte with each low nibble, and 0xFF (which no byte
  // below 128 with that nibble is) for the others; bytes of 128 and above
  // shuffle to 0 and match nothing.
  QUENTARPBM_SCAN_TARGET static __m128i SpaceByNibble() {
    return _mm_setr_epi8(' ', -1, -1, -1, -1, -1, -1, -1, -1, '\t', '\n', -1, -1, '\r', -1, -1);
  }

  // Ten times each byte modulo 256; a byte of at most 31 by its 16-bit
  // shift alone, which then spills nothing into the next byte.
  QUENTARPBM_SCAN_TARGET static __m128i TimesTenOfSmall(__m128i x) {
    return _mm_add_epi8(_mm_slli_epi16(x, 3), _mm_add_epi8(x, x));
  }

  QUENTARPBM_SCAN_TARGET static Block Classify(const uint8_t* bytes) {
    Block block = {{0, 0}, {}};
    __m128i previousTens = _mm_setzero_si128();
    __m128i previousTensInRun = _mm_setzero_si128();
#pragma GCC unroll 4
    for (size_t k = 0; k < 4; ++k) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + 16 * k));
      const __m128i units = _mm_sub_epi8(v, _mm_set1_epi8('0'));
      const __m128i digit = _mm_cmpeq_epi8(_mm_min_epu8(units, _mm_set1_epi8(9)), units);
      const __m128i space = _mm_cmpeq_epi8(_mm_shuffle_epi8(SpaceByNibble(), v), v);
      AddChunkClasses(TextChunkClasses{digit, space}, 16 * k, &block.classes);
      // As ClassifyNumberBlockSse2: the digit's value, ten times the one
      // before it and a hundred times the one before that in the run.
      const __m128i unitsInRun = _mm_and_si128(units, digit);
      const __m128i tens = TimesTenOfSmall(unitsInRun);
      const __m128i tensBack = _mm_alignr_epi8(tens, previousTens, 15);
      const __m128i tensInRun = _mm_and_si128(tensBack, digit);
      const __m128i hundredsBack = TimesTen(_mm_alignr_epi8(tensInRun, previousTensInRun, 15));
      block.values[k] = _mm_add_epi8(_mm_add_epi8(unitsInRun, tensBack), hundredsBack);
      previousTens = tens;
      previousTensInRun = tensInRun;
    }
    return block;
  }

  QUENTARPBM_SCAN_TARGET static void StoreValues(const Block& block, ShortRunValues values) {
    for (size_t k = 0; k < 4; ++k)
      _mm_storeu_si128(reinterpret_cast<__m128i*>(values + 16 * k), block.values[k]);
  }

  QUENTARPBM_SCAN_TARGET static const uint8_t* TakeEveryShortNumber(
      const uint8_t* bytes, const Block& block, uint64_t lasts, uint8_t* samples, size_t* done) {
    return TakeRunEndsByShuffles<Ssse3NumberKernel>(bytes, block.values[0], block.values[1],
                                                    block.values[2], block.values[3], lasts,
                                                    samples, done);
  }
};

}  // namespace

// Called from the baseline: the kernel's own code starts in the loop.
size_t ScanPlainSamplesSsse3(NetpbmByteSource* source, uint8_t* samples, size_t count) {
  return ScanSamplesByBlocks<Ssse3NumberKernel>(source, samples, count);
}

}  // namespace quentarpbm
