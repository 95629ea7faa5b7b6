// Machine words for the scanners: eight bytes loaded at once and the lowest set bit found.
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

// The index of the lowest set bit; bits must not be 0.
inline uint32_t LowestSetBit(uint64_t bits) { return static_cast<uint32_t>(__builtin_ctzll(bits)); }

}  // namespace quentarpbm

#endif  // QUENTARPBM_NETPBM_FAST_WORD_BITS_H
