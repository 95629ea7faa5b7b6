// Machine words for the scanners: bytes loaded and stored a word at once, and the lowest set bit.
#ifndef QUENTARPBM_NETPBM_FAST_WORD_BITS_H
#define QUENTARPBM_NETPBM_FAST_WORD_BITS_H

#include <stdint.h>
#include <string.h>

namespace quentarpbm {

// The scanners take a word's first byte as its lowest: true of every
// processor the library is built for, and checked here rather than assumed.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__,
              "the text scanners read eight bytes as a little-endian word");

// Eight bytes as one word, bytes[0] the lowest byte.
inline uint64_t LoadWord(const uint8_t* bytes) {
  uint64_t word;
  memcpy(&word, bytes, sizeof word);
  return word;
}

// Four bytes as one word, bytes[0] the lowest byte.
inline uint32_t LoadHalfWord(const uint8_t* bytes) {
  uint32_t word;
  memcpy(&word, bytes, sizeof word);
  return word;
}

// word's bytes from its lowest, into bytes.
inline void StoreWord(uint8_t* bytes, uint64_t word) { memcpy(bytes, &word, sizeof word); }
inline void StoreHalfWord(uint8_t* bytes, uint32_t word) { memcpy(bytes, &word, sizeof word); }

// The index of the lowest set bit; bits must not be 0.
inline uint32_t LowestSetBit(uint64_t bits) { return static_cast<uint32_t>(__builtin_ctzll(bits)); }
// The index of the highest set bit; bits must not be 0.
inline uint32_t HighestSetBit(uint64_t bits) {
  return 63u - static_cast<uint32_t>(__builtin_clzll(bits));
}

}  // namespace quentarpbm

#endif  // QUENTARPBM_NETPBM_FAST_WORD_BITS_H
