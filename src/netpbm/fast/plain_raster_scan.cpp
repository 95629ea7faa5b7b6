// Plain rasters by 64-byte blocks: one classification per block, then the tokens from its masks.
#include "netpbm/fast/plain_raster_scan.h"

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "netpbm/fast/alternate_bits.h"
#include "netpbm/fast/netpbm_text_block.h"
#include "netpbm/fast/simd/number_scan_kernels.h"
#include "netpbm/fast/simd/simd_level.h"
#include "netpbm/fast/word_bits.h"

// The baseline: SSE2 where the compiler offers it, the class table elsewhere.
#define QUENTARPBM_SCAN_TARGET
#include "netpbm/fast/number_block_scan.h"

namespace quentarpbm {

namespace {

// Values made in memory and taken one by one: the reference the other
// kernels are held to.
struct BaselineNumberKernel {
  struct Block {
    TextBlockClasses classes;
    ShortRunValues values;
  };
  static constexpr size_t kRoomToTakeEvery = kMostNumbersPerBlock;
  static Block Classify(const uint8_t* bytes) {
    Block block;
    block.classes = ClassifyNumberBlock(bytes, block.values);
    return block;
  }
  static void StoreValues(const Block& block, ShortRunValues values) {
    memcpy(values, block.values, sizeof block.values);
  }
  static const uint8_t* TakeEveryShortNumber(const uint8_t* bytes, const Block& block,
                                             uint64_t lasts, uint8_t* samples, size_t* done) {
    return quentarpbm::TakeEveryShortNumber(bytes, block.values, lasts, samples, done);
  }
};

// '0' in every byte of a word.
constexpr uint64_t kZeros = 0x3030303030303030u;

// Spaced text: a pixel in every other byte and whitespace between.
bool IsAlternating(const TextBlockClasses& block) {
  return (block.digits == kEvenBytes || block.digits == kOddBytes) &&
         block.whitespace == ~block.digits;
}

bool HasRunOfEight(uint64_t bits) {
  bits &= bits >> 1;
  bits &= bits >> 2;
  return (bits & (bits >> 4)) != 0;
}

// Each returns where the last pixel taken ends, or block when it took none.
// Pixels one by one, as spaced text has them.
const uint8_t* TakeBits(const uint8_t* block, uint64_t pixels, uint8_t* bits, size_t count,
                        size_t* done) {
  // A local count: the stores to bits could otherwise alias it.
  size_t taking = *done;
  const uint8_t* taken = block;
  for (; pixels != 0 && taking < count; pixels &= pixels - 1) {
    const uint32_t at = LowestSetBit(pixels);
    bits[taking++] = static_cast<uint8_t>(block[at] - '0');
    taken = block + at + 1;
  }
  *done = taking;
  return taken;
}

// count bytes of '0' and '1' as pixels 0 and 1, eight at a time: taking
// '0' from each byte of a word borrows nowhere. The last word of a run of
// eight or more overlaps the one before, and shorter runs take two halves
// that may overlap, so that no pixel past the run is written.
void TakeBitRun(const uint8_t* digits, size_t count, uint8_t* bits) {
  if (count >= 8) {
    for (size_t k = 0; k + 8 < count; k += 8) StoreWord(bits + k, LoadWord(digits + k) - kZeros);
    StoreWord(bits + count - 8, LoadWord(digits + count - 8) - kZeros);
  } else if (count >= 4) {
    StoreHalfWord(bits, LoadHalfWord(digits) - static_cast<uint32_t>(kZeros));
    StoreHalfWord(bits + count - 4,
                  LoadHalfWord(digits + count - 4) - static_cast<uint32_t>(kZeros));
  } else {
    for (size_t k = 0; k < count; ++k) bits[k] = static_cast<uint8_t>(digits[k] - '0');
  }
}

// Runs of pixels with nothing between, as compact text has them, each
// taken whole.
const uint8_t* TakeBitRuns(const uint8_t* block, uint64_t pixels, uint8_t* bits, size_t count,
                           size_t* done) {
  const uint8_t* taken = block;
  while (pixels != 0 && *done < count) {
    const uint32_t at = LowestSetBit(pixels);
    // Ones above the block's last byte end a run that reaches it, except
    // in a block of 64 pixels.
    const uint64_t after = ~(pixels >> at);
    const uint32_t run = after == 0 ? 64 : LowestSetBit(after);
    const size_t take = run < count - *done ? run : count - *done;
    TakeBitRun(block + at, take, bits + *done);
    *done += take;
    taken = block + at + take;
    pixels &= take + at >= 64 ? 0 : ~uint64_t{0} << (at + take);
  }
  return taken;
}

}  // namespace

size_t ScanPlainSamples(NetpbmByteSource* source, uint8_t* samples, size_t count) {
  switch (ChosenSimdLevel()) {
#if defined(QUENTARPBM_X86_KERNELS)
    case SimdLevel::kAvx2:
      return ScanPlainSamplesAvx2(source, samples, count);
    case SimdLevel::kSsse3:
      return ScanPlainSamplesSsse3(source, samples, count);
#endif
    default:
      return ScanSamplesByBlocks<BaselineNumberKernel>(source, samples, count);
  }
}

size_t ScanPlainBits(NetpbmByteSource* source, uint8_t* bits, size_t count) {
  const uint8_t* next = source->next;
  const uint8_t* const end = source->end;
  size_t done = 0;
  while (done < count && end - next >= static_cast<ptrdiff_t>(kTextBlockBytes)) {
    const TextBlockClasses block = ClassifyTextBlock(next, '1');
    const uint32_t clean = CleanPrefix(block);
    const uint64_t inPrefix = clean == kTextBlockBytes ? ~uint64_t{0} : (uint64_t{1} << clean) - 1;
    // Every '0' or '1' is a pixel, with or without whitespace between.
    const uint64_t pixels = block.digits & inPrefix;
    const uint8_t* taken = nullptr;
    if (IsAlternating(block) && count - done >= kAlternateBitsPerBlock) {
      // The last pixel is the block's last byte or the one before.
      const bool odd = pixels == kOddBytes;
      TakeAlternateBits(next, odd, bits + done);
      done += kAlternateBitsPerBlock;
      taken = next + (odd ? 64 : 63);
    } else if (HasRunOfEight(pixels)) {
      taken = TakeBitRuns(next, pixels, bits, count, &done);
    } else {
      taken = TakeBits(next, pixels, bits, count, &done);
    }
    if (taken == next) taken = AfterBareBlock(next, block);
    if (taken == nullptr) break;
    next = taken;
  }
  source->next = next;
  return done;
}

}  // namespace quentarpbm
