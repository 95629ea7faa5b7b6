// The Netpbm readers' speed-ups, behind this one header.
//
// The named operations of netpbm.h take a FILE* and read it one byte at a
// time; they are the format as it is written down, and the tests' reference.
// The image readers instead read through a NetpbmByteSource (the stream
// itself, or a private buffer handed back to the stream at the end) with the
// *From forms declared here, which give the same results and leave the stream
// where the byte-at-a-time forms would. Under those, plain rasters are
// scanned 64 bytes at a time (SSE2 where the compiler offers it, a table
// elsewhere, and numbers with SSSE3 or AVX2 kernels where the processor has
// them, simd/; spaced and compact PBM 32 and 8 pixels at a time), raw rows
// are read a chunk of rows per call, raw PBM bytes expand by table, digits
// are taken eight at a time from machine words, red and blue trade places
// sixteen pixels at a time (SSE2) or eight (words), and rows past the end
// of the stream that read as zeros are left as cleared (and reported, so
// that the converters leave them to the fresh pixel file's zeros).
// Nothing in this folder includes a file outside it but common/ and
// platform/.
#ifndef QUENTARPBM_NETPBM_FAST_NETPBM_FAST_H
#define QUENTARPBM_NETPBM_FAST_NETPBM_FAST_H

#include "netpbm/fast/netpbm_byte_source.h"
#include "netpbm/fast/netpbm_char_class.h"
#include "netpbm/fast/netpbm_source_reads.h"
#include "netpbm/fast/pbm_bit_expansion.h"
#include "netpbm/fast/plain_raster_scan.h"
#include "netpbm/fast/raw_row_chunks.h"
#include "netpbm/fast/red_blue_swap.h"
#include "netpbm/fast/zero_bytes.h"

#endif  // QUENTARPBM_NETPBM_FAST_NETPBM_FAST_H
