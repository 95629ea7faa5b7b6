// The number scanner's loop over 64-byte blocks, around the kernel of one instruction set.
#ifndef QUENTARPBM_NETPBM_FAST_NUMBER_BLOCK_SCAN_H
#define QUENTARPBM_NETPBM_FAST_NUMBER_BLOCK_SCAN_H

#include <stddef.h>
#include <stdint.h>

#include "netpbm/fast/decimal_digit_run.h"
#include "netpbm/fast/netpbm_text_block.h"
#include "netpbm/fast/word_bits.h"
#include "netpbm/netpbm.h"

// The loop is a template compiled with each kernel's own instruction set:
// a file that includes this header defines QUENTARPBM_SCAN_TARGET first, as
// the target attribute of its kernel's functions (empty for the baseline).
// Everything else here is built for the baseline in every file alike.
#if !defined(QUENTARPBM_SCAN_TARGET)
#error "define QUENTARPBM_SCAN_TARGET before including number_block_scan.h"
#endif

namespace quentarpbm {

// A number's eight-byte load may start at the block's last byte.
inline constexpr ptrdiff_t kScanWindowBytes = static_cast<ptrdiff_t>(kTextBlockBytes) + 8;
inline constexpr uint32_t kLongestScannedNumber = 7;
// Marks the byte after the longest number, so that a run is measured only
// that far (and never over a block of digits only).
inline constexpr uint64_t kPastLongestNumber = uint64_t{1} << (kLongestScannedNumber + 1);
// A number and its delimiter take two bytes at least.
inline constexpr size_t kMostNumbersPerBlock = kTextBlockBytes / 2;

// Bytes of the block before its first byte that is neither a token byte nor
// whitespace: tokens from there on are left to the token readers.
inline uint32_t CleanPrefix(const TextBlockClasses& block) {
  const uint64_t other = ~(block.digits | block.whitespace);
  return other == 0 ? static_cast<uint32_t>(kTextBlockBytes) : LowestSetBit(other);
}

// Where the next block starts when this one gave nothing: past it if it was
// all whitespace (a token read would skip that anyway), or nowhere, when
// the token readers must take the next token.
inline const uint8_t* AfterBareBlock(const uint8_t* block, const TextBlockClasses& classes) {
  const bool allWhitespace = ~classes.whitespace == 0;
  return allWhitespace ? block + kTextBlockBytes : nullptr;
}

inline uint32_t CountBits(uint64_t bits) {
  bits -= (bits >> 1) & 0x5555555555555555u;
  bits = (bits & 0x3333333333333333u) + ((bits >> 2) & 0x3333333333333333u);
  bits = (bits + (bits >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
  return static_cast<uint32_t>((bits * 0x0101010101010101u) >> 56);
}

inline bool HasLongNumber(uint64_t digits) {
  return (digits & (digits >> 1) & (digits >> 2) & (digits >> 3)) != 0;
}

// A number is a run of digits; it is taken with the one whitespace byte
// after it, when both lie in the block's clean prefix. These are the last
// digits of runs whose last digit lies two or more bytes before the first
// unclean byte.
inline uint64_t ShortRunEnds(uint64_t digits, uint32_t clean) {
  return digits & ~(digits >> 1) & (clean < 2 ? 0 : ~uint64_t{0} >> (65 - clean));
}

// Each taker returns where the last number taken ends, or block when it
// took none. The short numbers at lasts (not 0), all of them: the caller
// has room for kMostNumbersPerBlock.
inline const uint8_t* TakeEveryShortNumber(const uint8_t* block, const ShortRunValues values,
                                           uint64_t lasts, uint8_t* samples, size_t* done) {
  uint8_t* out = samples + *done;
  uint8_t* const first = out;
  uint32_t last = 0;
  do {
    last = LowestSetBit(lasts);
    *out++ = values[last];
    lasts &= lasts - 1;
  } while (lasts != 0);
  *done += static_cast<size_t>(out - first);
  return block + last + 2;
}

// As many of them as the count leaves room for (at least one: lasts is not
// 0, and the count not reached).
inline const uint8_t* TakeFirstShortNumbers(const uint8_t* block, const ShortRunValues values,
                                            uint64_t lasts, uint8_t* samples, size_t count,
                                            size_t* done) {
  size_t taking = CountBits(lasts);
  if (taking > count - *done) taking = count - *done;
  uint8_t* out = samples + *done;
  *done += taking;
  uint32_t last = 0;
  for (size_t k = 0; k < taking; ++k, lasts &= lasts - 1) {
    last = LowestSetBit(lasts);
    out[k] = values[last];
  }
  return block + last + 2;
}

// Numbers of up to seven digits, valued from the text.
inline const uint8_t* TakeNumbers(const uint8_t* block, const TextBlockClasses& classes,
                                  uint32_t clean, uint8_t* samples, size_t count, size_t* done) {
  const uint64_t digits = classes.digits;
  const uint8_t* taken = block;
  for (uint64_t starts = digits & ~(digits << 1); starts != 0 && *done < count;
       starts &= starts - 1) {
    const uint32_t start = LowestSetBit(starts);
    const uint32_t length = LowestSetBit(~(digits >> start) | kPastLongestNumber);
    const uint32_t delimiter = start + length;
    if (length > kLongestScannedNumber || delimiter >= clean) break;
    samples[(*done)++] = static_cast<uint8_t>(DecimalDigitsValue(LoadWord(block + start), length));
    taken = block + delimiter + 1;
  }
  return taken;
}

// The scan of ScanPlainSamples (plain_raster_scan.h) with the kernel
// Kernel, which gives for 64 bytes:
// - Kernel::Block Kernel::Classify(bytes): its classes in .classes and the
//   values of its short runs, as ClassifyNumberBlock has them;
// - Kernel::StoreValues(block, values): those values into memory;
// - Kernel::TakeEveryShortNumber(bytes, block, lasts, samples, done): as
//   TakeEveryShortNumber, with room for Kernel::kRoomToTakeEvery samples.
template <typename Kernel>
QUENTARPBM_SCAN_TARGET size_t ScanSamplesByBlocks(NetpbmByteSource* source, uint8_t* samples,
                                                  size_t count) {
  const uint8_t* next = source->next;
  const uint8_t* const end = source->end;
  size_t done = 0;
  while (done < count && end - next >= kScanWindowBytes) {
    const typename Kernel::Block block = Kernel::Classify(next);
    const uint32_t clean = CleanPrefix(block.classes);
    const uint8_t* taken = next;
    // Samples up to 255 have at most three digits: blocks without longer
    // numbers have every value ready.
    if (HasLongNumber(block.classes.digits)) {
      taken = TakeNumbers(next, block.classes, clean, samples, count, &done);
    } else if (const uint64_t lasts = ShortRunEnds(block.classes.digits, clean); lasts != 0) {
      if (count - done >= Kernel::kRoomToTakeEvery) {
        taken = Kernel::TakeEveryShortNumber(next, block, lasts, samples, &done);
      } else {
        ShortRunValues values;
        Kernel::StoreValues(block, values);
        taken = TakeFirstShortNumbers(next, values, lasts, samples, count, &done);
      }
    }
    // A block that gave nothing is whitespace, or starts with what the token
    // readers must see.
    if (taken == next) taken = AfterBareBlock(next, block.classes);
    if (taken == nullptr) break;
    next = taken;
  }
  source->next = next;
  return done;
}

}  // namespace quentarpbm

#endif  // QUENTARPBM_NETPBM_FAST_NUMBER_BLOCK_SCAN_H
