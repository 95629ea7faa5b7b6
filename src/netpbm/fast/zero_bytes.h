// Whether a run of bytes is all zero, eight at a time.
#ifndef QUENTARPBM_NETPBM_FAST_ZERO_BYTES_H
#define QUENTARPBM_NETPBM_FAST_ZERO_BYTES_H

#include <stddef.h>
#include <stdint.h>

#include "netpbm/fast/word_bits.h"

namespace quentarpbm {

inline bool AreAllZero(const uint8_t* bytes, size_t count) {
  uint64_t any = 0;
  size_t i = 0;
  for (; i + 8 <= count; i += 8) any |= LoadWord(bytes + i);
  for (; i < count; ++i) any |= bytes[i];
  return any == 0;
}

}  // namespace quentarpbm

#endif  // QUENTARPBM_NETPBM_FAST_ZERO_BYTES_H
