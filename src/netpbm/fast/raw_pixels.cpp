// The raw pixel operations with the kernel of the scanners' level: red and blue traded, PBM bits
// spread.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "netpbm/fast/pbm_bit_expansion.h"
#include "netpbm/fast/red_blue_swap.h"
#include "netpbm/fast/simd/raw_pixel_kernels.h"
#include "netpbm/fast/simd/simd_level.h"

namespace quentarpbm {

namespace {

// Pixels swapped in whole batches by the level's kernel.
size_t SwapRedAndBlueInBatches(uint8_t* row, size_t pixels) {
#if defined(QUENTARPBM_X86_KERNELS)
  if (ChosenSimdLevel() >= SimdLevel::kSsse3) return SwapRedAndBlueSsse3(row, pixels);
#endif
#if defined(__SSE2__)
  return SwapRedAndBlueSse2(row, pixels);
#else
  return SwapRedAndBlueByWords(row, pixels);
#endif
}

// Whole packed bytes expanded by the level's kernel; none at the baseline.
size_t ExpandPbmBytesInBatches(const uint8_t* packed, size_t bytes, uint8_t* row) {
#if defined(QUENTARPBM_X86_KERNELS)
  const SimdLevel level = ChosenSimdLevel();
  if (level >= SimdLevel::kAvx2) return ExpandPbmBytesAvx2(packed, bytes, row);
  if (level >= SimdLevel::kSsse3) return ExpandPbmBytesSsse3(packed, bytes, row);
#endif
  (void)packed;
  (void)bytes;
  (void)row;
  return 0;
}

}  // namespace

void SwapRedAndBlue(uint8_t* row, size_t pixels) {
  const size_t done = SwapRedAndBlueInBatches(row, pixels);
  SwapRedAndBlueByPixel(row + 3 * done, pixels - done);
}

size_t ExpandPbmBits(const uint8_t* packed, size_t bytes, uint8_t* row, size_t pixels) {
  const size_t whole = bytes < pixels / 8 ? bytes : pixels / 8;
  for (size_t j = ExpandPbmBytesInBatches(packed, whole, row); j < whole; ++j)
    memcpy(row + 8 * j, kPbmBitExpansion.pixels[packed[j]], 8);
  if (whole == bytes || 8 * whole == pixels) return 8 * whole;
  memcpy(row + 8 * whole, kPbmBitExpansion.pixels[packed[whole]], pixels - 8 * whole);
  return pixels;
}

}  // namespace quentarpbm
