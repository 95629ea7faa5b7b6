// Sixty-four bytes of Netpbm text classified at once, as bit masks, for the raster scanners.
#ifndef QUENTARPBM_NETPBM_FAST_NETPBM_TEXT_BLOCK_H
#define QUENTARPBM_NETPBM_FAST_NETPBM_TEXT_BLOCK_H

#include <stddef.h>
#include <stdint.h>

#include "netpbm/netpbm.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quentarpbm {

inline constexpr size_t kTextBlockBytes = 64;

// Bit k stands for byte k of the block.
struct TextBlockClasses {
  uint64_t digits;      // '0' up to the highest digit asked for
  uint64_t whitespace;  // space, tab, LF, CR
};

// Byte k of a number block's values: when byte k ends a run of at most three
// digits, the run's value modulo 256, which is all a sample keeps of it. The
// runs are taken to start in the block: its first byte starts a token.
using ShortRunValues = uint8_t[kTextBlockBytes];

// One byte at a time through the class table: what every build can run.
inline TextBlockClasses ClassifyTextBlockByTable(const uint8_t* bytes, uint8_t highestDigit) {
  TextBlockClasses block = {0, 0};
  for (size_t k = 0; k < kTextBlockBytes; ++k) {
    const uint8_t byte = bytes[k];
    const uint64_t digit = byte >= '0' && byte <= highestDigit ? 1u : 0u;
    const uint64_t space = (kNetpbmCharClasses.classes[byte] & kNetpbmWhitespace) != 0 ? 1u : 0u;
    block.digits |= digit << k;
    block.whitespace |= space << k;
  }
  return block;
}

inline TextBlockClasses ClassifyNumberBlockByTable(const uint8_t* bytes, ShortRunValues values) {
  const TextBlockClasses block = ClassifyTextBlockByTable(bytes, '9');
  // The digit values one and two bytes back, the latter only while the run
  // goes on through the byte between.
  uint8_t back1 = 0;
  uint8_t back2 = 0;
  for (size_t k = 0; k < kTextBlockBytes; ++k) {
    const bool digit = (block.digits >> k & 1u) != 0;
    const uint8_t value = digit ? static_cast<uint8_t>(bytes[k] - '0') : 0;
    values[k] = static_cast<uint8_t>(value + 10 * back1 + 100 * back2);
    back2 = digit ? back1 : 0;
    back1 = value;
  }
  return block;
}

#if defined(__SSE2__)
// Sixteen bytes per compare where the processor has SSE2 (every x86 build
// here: 64-bit x86 always has it, and the 32-bit Windows build asks for it).
struct TextChunkClasses {
  __m128i digit;
  __m128i space;
};

inline TextChunkClasses ClassifyTextChunk(__m128i v, uint8_t highestDigit) {
  // Signed compares: bytes of 128 and above are negative and in no class.
  const __m128i digit =
      _mm_and_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8('0' - 1)),
                    _mm_cmplt_epi8(v, _mm_set1_epi8(static_cast<char>(highestDigit + 1))));
  const __m128i space = _mm_or_si128(
      _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8(' ')), _mm_cmpeq_epi8(v, _mm_set1_epi8('\t'))),
      _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('\n')), _mm_cmpeq_epi8(v, _mm_set1_epi8('\r'))));
  return TextChunkClasses{digit, space};
}

inline void AddChunkClasses(const TextChunkClasses& chunk, size_t offset, TextBlockClasses* block) {
  block->digits |= static_cast<uint64_t>(static_cast<uint16_t>(_mm_movemask_epi8(chunk.digit)))
                   << offset;
  block->whitespace |= static_cast<uint64_t>(static_cast<uint16_t>(_mm_movemask_epi8(chunk.space)))
                       << offset;
}

inline TextBlockClasses ClassifyTextBlockSse2(const uint8_t* bytes, uint8_t highestDigit) {
  TextBlockClasses block = {0, 0};
  for (size_t k = 0; k < kTextBlockBytes; k += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + k));
    AddChunkClasses(ClassifyTextChunk(v, highestDigit), k, &block);
  }
  return block;
}

// Ten times each byte, modulo 256: eight times by a 16-bit shift, with the
// bits each byte shifts into the next masked off, plus twice. Written so,
// compilers keep it to four instructions instead of widening to multiply.
inline __m128i TimesTen(__m128i x) {
  const __m128i eightTimes = _mm_and_si128(_mm_slli_epi16(x, 3), _mm_set1_epi8(-8));
  return _mm_add_epi8(eightTimes, _mm_add_epi8(x, x));
}

// Bytes moved up by one place, the previous chunk's last byte coming in below.
inline __m128i FollowOn(__m128i chunk, __m128i previous) {
  return _mm_or_si128(_mm_slli_si128(chunk, 1), _mm_srli_si128(previous, 15));
}

inline TextBlockClasses ClassifyNumberBlockSse2(const uint8_t* bytes, ShortRunValues values) {
  TextBlockClasses block = {0, 0};
  // Per byte k: ten times the digit one back, and that again where byte k
  // is a digit, the previous chunk's last bytes coming in below.
  __m128i previousTens = _mm_setzero_si128();
  __m128i previousTensInRun = _mm_setzero_si128();
  // Unrolled, the chunks' mask shifts are constants (clang leaves it rolled).
#pragma GCC unroll 4
  for (size_t k = 0; k < kTextBlockBytes; k += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + k));
    const TextChunkClasses chunk = ClassifyTextChunk(v, '9');
    AddChunkClasses(chunk, k, &block);
    const __m128i units = _mm_and_si128(_mm_sub_epi8(v, _mm_set1_epi8('0')), chunk.digit);
    const __m128i tens = TimesTen(units);
    const __m128i tensBack = FollowOn(tens, previousTens);
    const __m128i tensInRun = _mm_and_si128(tensBack, chunk.digit);
    // A hundred times the digit two back, while the run goes on through the byte between.
    const __m128i hundredsBack = TimesTen(FollowOn(tensInRun, previousTensInRun));
    const __m128i runValue = _mm_add_epi8(_mm_add_epi8(units, tensBack), hundredsBack);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(values + k), runValue);
    previousTens = tens;
    previousTensInRun = tensInRun;
  }
  return block;
}
#endif

// The 64 bytes at bytes classified: digits '0'..highestDigit ('9' for
// numbers, '1' for plain bits) and whitespace.
inline TextBlockClasses ClassifyTextBlock(const uint8_t* bytes, uint8_t highestDigit) {
#if defined(__SSE2__)
  return ClassifyTextBlockSse2(bytes, highestDigit);
#else
  return ClassifyTextBlockByTable(bytes, highestDigit);
#endif
}

// Classified for numbers, with the values of the short runs.
inline TextBlockClasses ClassifyNumberBlock(const uint8_t* bytes, ShortRunValues values) {
#if defined(__SSE2__)
  return ClassifyNumberBlockSse2(bytes, values);
#else
  return ClassifyNumberBlockByTable(bytes, values);
#endif
}

}  // namespace quentarpbm

#endif  // QUENTARPBM_NETPBM_FAST_NETPBM_TEXT_BLOCK_H
