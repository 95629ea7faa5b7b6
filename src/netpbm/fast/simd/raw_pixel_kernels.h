// Kernels for raw pixels beyond the baseline: red and blue traded, PBM bits spread to bytes.
#ifndef QUENTARPBM_NETPBM_FAST_SIMD_RAW_PIXEL_KERNELS_H
#define QUENTARPBM_NETPBM_FAST_SIMD_RAW_PIXEL_KERNELS_H

#include <stddef.h>
#include <stdint.h>

namespace quentarpbm {

// Each runs only where ProcessorSimdLevel gives its level or a higher one,
// and does the part of the work it takes in whole batches, returning how
// much: the caller finishes the rest. Built for x86 only.

// As SwapRedAndBlue on the first pixels of row, sixteen at a time.
size_t SwapRedAndBlueSsse3(uint8_t* row, size_t pixels);

// As ExpandPbmBits on whole packed bytes, sixteen at a time: eight pixels
// each into row; returns the bytes taken.
size_t ExpandPbmBytesSsse3(const uint8_t* packed, size_t bytes, uint8_t* row);
size_t ExpandPbmBytesAvx2(const uint8_t* packed, size_t bytes, uint8_t* row);

}  // namespace quentarpbm

#endif  // QUENTARPBM_NETPBM_FAST_SIMD_RAW_PIXEL_KERNELS_H
