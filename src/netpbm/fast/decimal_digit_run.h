// The digits that start eight bytes, counted and valued at once, without a branch per digit.
#ifndef QUENTARPBM_NETPBM_FAST_DECIMAL_DIGIT_RUN_H
#define QUENTARPBM_NETPBM_FAST_DECIMAL_DIGIT_RUN_H

#include <stdint.h>

#include "netpbm/fast/word_bits.h"

namespace quentarpbm {

inline constexpr uint32_t kPowersOfTen[8] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000};

// The value of the first length bytes of word (0 to 7) taken as decimal
// digits, the first byte the most significant; only their low nibbles count,
// so the bytes must be '0'..'9'; word holds them as LoadWord gives them.
inline uint32_t DecimalDigitsValue(uint64_t word, uint32_t length) {
  // The run moved to the top bytes, zeros before it, then pairs, quads and
  // the whole combined.
  uint64_t digits = ((word & 0x0F0F0F0F0F0F0F0Fu) << (8u * (7u - length))) << 8u;
  digits = (digits * 10u + (digits >> 8)) & 0x00FF00FF00FF00FFu;
  digits = (digits * 100u + (digits >> 16)) & 0x0000FFFF0000FFFFu;
  digits = (digits * 10000u + (digits >> 32)) & 0xFFFFFFFFu;
  return static_cast<uint32_t>(digits);
}

// How many of bytes[0..6] are '0'..'9' before the first other byte (0 to 7;
// bytes[7] is read but never counted), and their value in *value. All eight
// bytes must be readable.
inline uint32_t ReadDecimalDigitRun(const uint8_t* bytes, uint32_t* value) {
  const uint64_t word = LoadWord(bytes);
  // A byte is a digit when its high nibble is 3 and its low nibble at most 9;
  // the last byte is marked as no digit to cap the run at seven.
  const uint64_t highNotThree = (word & 0xF0F0F0F0F0F0F0F0u) ^ 0x3030303030303030u;
  const uint64_t lowAboveNine =
      ((word & 0x0F0F0F0F0F0F0F0Fu) + 0x0606060606060606u) & 0xF0F0F0F0F0F0F0F0u;
  const uint64_t notDigit = highNotThree | lowAboveNine | (uint64_t{0xF0} << 56);
  const uint32_t length = LowestSetBit(notDigit) / 8u;
  *value = DecimalDigitsValue(word, length);
  return length;
}

}  // namespace quentarpbm

#endif  // QUENTARPBM_NETPBM_FAST_DECIMAL_DIGIT_RUN_H
