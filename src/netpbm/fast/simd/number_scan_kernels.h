// The number scanner's kernels beyond the baseline, one file and instruction set each.
#ifndef QUENTARPBM_NETPBM_FAST_SIMD_NUMBER_SCAN_KERNELS_H
#define QUENTARPBM_NETPBM_FAST_SIMD_NUMBER_SCAN_KERNELS_H

#include <stddef.h>
#include <stdint.h>

#include "netpbm/netpbm.h"

namespace quentarpbm {

// ScanPlainSamples (plain_raster_scan.h) with the same results; each runs
// only where ProcessorSimdLevel gives its level or a higher one. Built for
// x86 only (QUENTARPBM_X86_KERNELS).
size_t ScanPlainSamplesSsse3(NetpbmByteSource* source, uint8_t* samples, size_t count);
size_t ScanPlainSamplesAvx2(NetpbmByteSource* source, uint8_t* samples, size_t count);

}  // namespace quentarpbm

#endif  // QUENTARPBM_NETPBM_FAST_SIMD_NUMBER_SCAN_KERNELS_H
