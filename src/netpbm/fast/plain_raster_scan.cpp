// Plain rasters by 64-byte blocks: one classification per block, then the tokens from its masks.
#include "netpbm/fast/plain_raster_scan.h"

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "netpbm/fast/alternate_bits.h"
#include "netpbm/fast/decimal_digit_run.h"
#include "netpbm/fast/netpbm_text_block.h"
#include "netpbm/fast/word_bits.h"

namespace quentarpbm {

namespace {

// A number's eight-byte load may start at the block's last byte.
constexpr ptrdiff_t kScanWindowBytes = static_cast<ptrdiff_t>(kTextBlockBytes) + 8;
constexpr uint32_t kLongestScannedNumber = 7;
// Marks the byte after the longest number, so that a run is measured only
// that far (and never over a block of digits only).
constexpr uint64_t kPastLongestNumber = uint64_t{1} << (kLongestScannedNumber + 1);
constexpr size_t kMostNumbersPerBlock = kTextBlockBytes / 2;
// '0' in every byte of a word.
constexpr uint64_t kZeros = 0x3030303030303030u;

// Bytes of the block before its first byte that is neither a token byte nor
// whitespace: tokens from there on are left to the token readers.
uint32_t CleanPrefix(const TextBlockClasses& block) {
  const uint64_t other = ~(block.digits | block.whitespace);
  return other == 0 ? static_cast<uint32_t>(kTextBlockBytes) : LowestSetBit(other);
}

// Where the next block starts when this one gave nothing: past it if it was
// all whitespace (a token read would skip that anyway), or nowhere, when
// the token readers must take the next token.
const uint8_t* AfterBareBlock(const uint8_t* block, const TextBlockClasses& classes) {
  const bool allWhitespace = ~classes.whitespace == 0;
  return allWhitespace ? block + kTextBlockBytes : nullptr;
}

uint32_t CountBits(uint64_t bits) {
  bits -= (bits >> 1) & 0x5555555555555555u;
  bits = (bits & 0x3333333333333333u) + ((bits >> 2) & 0x3333333333333333u);
  bits = (bits + (bits >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
  return static_cast<uint32_t>((bits * 0x0101010101010101u) >> 56);
}

bool HasLongNumber(uint64_t digits) {
  return (digits & (digits >> 1) & (digits >> 2) & (digits >> 3)) != 0;
}

// A number is a run of digits; it is taken with the one whitespace byte
// after it, when both lie in the block's clean prefix. Each returns where
// the last number taken ends, or block when it took none.
const uint8_t* TakeShortNumbers(const uint8_t* block, const TextBlockClasses& classes,
                                const ShortRunValues values, uint32_t clean, uint8_t* samples,
                                size_t count, size_t* done) {
  const uint64_t digits = classes.digits;
  // Runs whose last digit lies two or more bytes before the first unclean one.
  uint64_t lasts = digits & ~(digits >> 1) & (clean < 2 ? 0 : ~uint64_t{0} >> (65 - clean));
  if (lasts == 0) return block;
  uint8_t* out = samples + *done;
  uint32_t last = 0;
  // A number and its delimiter take two bytes at least, so a block has no
  // more than kMostNumbersPerBlock: with that much room left, none is counted.
  if (count - *done >= kMostNumbersPerBlock) {
    uint8_t* const first = out;
    do {
      last = LowestSetBit(lasts);
      *out++ = values[last];
      lasts &= lasts - 1;
    } while (lasts != 0);
    *done += static_cast<size_t>(out - first);
    return block + last + 2;
  }
  size_t taking = CountBits(lasts);
  if (taking > count - *done) taking = count - *done;
  if (taking == 0) return block;
  *done += taking;
  for (size_t k = 0; k < taking; ++k, lasts &= lasts - 1) {
    last = LowestSetBit(lasts);
    out[k] = values[last];
  }
  return block + last + 2;
}

const uint8_t* TakeNumbers(const uint8_t* block, const TextBlockClasses& classes, uint32_t clean,
                           uint8_t* samples, size_t count, size_t* done) {
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
  const uint8_t* next = source->next;
  const uint8_t* const end = source->end;
  size_t done = 0;
  while (done < count && end - next >= kScanWindowBytes) {
    ShortRunValues values;
    const TextBlockClasses block = ClassifyNumberBlock(next, values);
    const uint32_t clean = CleanPrefix(block);
    // Samples up to 255 have at most three digits: blocks without longer
    // numbers have every value ready.
    const uint8_t* taken =
        HasLongNumber(block.digits)
            ? TakeNumbers(next, block, clean, samples, count, &done)
            : TakeShortNumbers(next, block, values, clean, samples, count, &done);
    // A block that gave nothing is whitespace, or starts with what the token
    // readers must see.
    if (taken == next) taken = AfterBareBlock(next, block);
    if (taken == nullptr) break;
    next = taken;
  }
  source->next = next;
  return done;
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
