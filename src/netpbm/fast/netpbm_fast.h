// The Netpbm readers' speed-ups, behind this one header.
//
// The readers of netpbm.h are the format as it is written down: the FILE*
// forms read one byte at a time and are the tests' reference, and the *From
// forms read a NetpbmByteSource (the stream itself, or a private buffer
// handed back to the stream at the end) with the same results. The readers
// call down into this folder, which only computes: plain rasters scanned 64
// bytes at a time from a source's buffer (SSE2 where the compiler offers it,
// a table elsewhere, and numbers with SSSE3 or AVX2 kernels where the
// processor has them, simd/; spaced and compact PBM 32 and 8 pixels at a
// time), raw rows finished a chunk of rows at a time, raw PBM bytes expanded
// by table, digits taken eight at a time from machine words, red and blue
// trading places sixteen pixels at a time (SSE2) or eight (words), and runs
// of zero bytes found a word at a time.
// Nothing here calls a function of the readers: of netpbm/ this folder uses
// only netpbm.h's types and constants (a byte source's buffer pointers, the
// character classes, the raw row layouts); else it includes only common/
// and its own files.
#ifndef QUENTARPBM_NETPBM_FAST_NETPBM_FAST_H
#define QUENTARPBM_NETPBM_FAST_NETPBM_FAST_H

#include "netpbm/fast/pbm_bit_expansion.h"
#include "netpbm/fast/plain_raster_scan.h"
#include "netpbm/fast/raw_row_chunks.h"
#include "netpbm/fast/red_blue_swap.h"
#include "netpbm/fast/zero_bytes.h"

#endif  // QUENTARPBM_NETPBM_FAST_NETPBM_FAST_H
