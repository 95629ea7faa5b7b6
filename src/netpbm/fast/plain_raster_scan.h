// Plain rasters taken straight from a byte source's buffer while the text is simple.
#ifndef QUENTARPBM_NETPBM_FAST_PLAIN_RASTER_SCAN_H
#define QUENTARPBM_NETPBM_FAST_PLAIN_RASTER_SCAN_H

#include <stddef.h>
#include <stdint.h>

#include "netpbm/netpbm.h"

namespace quentarpbm {

// Both scanners take only what the token readers would read alike and leave
// the source just where those would: they stop before anything else (a
// comment, a byte that is neither whitespace nor a token, a number of more
// than seven digits, the last bytes of the buffer) and say how many of the
// count they took, so the caller reads the next one token by token. An
// unbuffered source gives 0.

// Numbers as ReadNetpbmIntFrom reads them, each stored as its low byte.
size_t ScanPlainSamples(NetpbmByteSource* source, uint8_t* samples, size_t count);

// Plain bits as ReadPlainPbmBitFrom reads them, 0 or 1 each.
size_t ScanPlainBits(NetpbmByteSource* source, uint8_t* bits, size_t count);

}  // namespace quentarpbm

#endif  // QUENTARPBM_NETPBM_FAST_PLAIN_RASTER_SCAN_H
