// Raw PBM bytes expanded to eight one-byte pixels by table lookup.
#ifndef QUENTARPBM_NETPBM_FAST_PBM_BIT_EXPANSION_H
#define QUENTARPBM_NETPBM_FAST_PBM_BIT_EXPANSION_H

#include <stdint.h>

namespace quentarpbm {

// pixels[b][k] is bit 7 - k of b: 1 (black) or 0 (white), most significant
// bit first as raw PBM stores them.
struct PbmBitExpansion {
  uint8_t pixels[256][8];
};

constexpr PbmBitExpansion MakePbmBitExpansion() {
  PbmBitExpansion table = {};
  for (int b = 0; b < 256; ++b) {
    for (int k = 0; k < 8; ++k) table.pixels[b][k] = static_cast<uint8_t>((b >> (7 - k)) & 1);
  }
  return table;
}

inline constexpr PbmBitExpansion kPbmBitExpansion = MakePbmBitExpansion();

}  // namespace quentarpbm

#endif  // QUENTARPBM_NETPBM_FAST_PBM_BIT_EXPANSION_H
