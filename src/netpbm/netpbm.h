// Netpbm reading: tokens, headers, rows and whole images from a stream.
#ifndef QUENTARPBM_NETPBM_NETPBM_H
#define QUENTARPBM_NETPBM_NETPBM_H

#include <stdint.h>
#include <stdio.h>

#include "common/result_code.h"

namespace quentarpbm {

// The first two bytes of a file as first * 256 + second, compared exactly.
enum NetpbmMagic : int32_t {
  kMagicP1 = 20529,  // plain PBM
  kMagicP2 = 20530,  // plain PGM
  kMagicP3 = 20531,  // plain PPM
  kMagicP4 = 20532,  // raw PBM
  kMagicP5 = 20533,  // raw PGM
  kMagicP6 = 20534,  // raw PPM
};

// The image in memory: one pointer per row, in file order, into one
// contiguous block of rows x columns x bytes per pixel; rows[0] is the block.
// An image without pixels has rows[0] alone.
// Owned by whoever received it from an image reader; release with FreeRowStore.
typedef uint8_t** RowStore;

// Token readers. Each reads the stream strictly forward, one byte per getc,
// never looking ahead or pushing back: a token consumes exactly its own bytes
// and its one delimiter. Whitespace is space, tab, LF and CR only.

// One byte; a '#' comment reads as the single LF or CR that ends it.
// PBM_E_READ at end of stream (*character unwritten if no byte was read).
ResultCode ReadNetpbmChar(FILE* stream, uint8_t* character);
// Unsigned decimal after optional whitespace, wrapping modulo 2^32; consumes
// one delimiter. *value is always written: 0, then the digits read. End of
// stream before a digit is PBM_OK with 0; a non-digit start or a number cut
// off by the end of stream is PBM_E_READ.
ResultCode ReadNetpbmInt(FILE* stream, int32_t* value);
// One plain PBM pixel '0' or '1' after optional whitespace; PBM_E_READ on end
// of stream or any other character, *bit then unwritten.
ResultCode ReadPlainPbmBit(FILE* stream, uint8_t* bit);
// One byte as is; PBM_E_READ at end of stream, *byte then unwritten.
ResultCode ReadNetpbmRawByte(FILE* stream, uint8_t* byte);
// Two bytes as first * 256 + second; PBM_E_READ if either is missing,
// *magic then unwritten.
ResultCode ReadNetpbmMagic(FILE* stream, int32_t* magic);

// Header readers. Width, height and maxval are not bounded here. A field is
// written once its read starts; fields after a failed one stay untouched.

// Width then height; the first failing ReadNetpbmInt's code.
ResultCode ReadNetpbmSize(FILE* stream, int32_t* width, int32_t* height);
// Width, height, maxval; the maxval's own read result is ignored.
// PBM_E_MAXVAL if maxval > 255 (signed: wrapped negatives pass).
ResultCode ReadNetpbmSizeAndMaxval(FILE* stream, int32_t* width, int32_t* height, int32_t* maxval);
// Each accepts its own magic and every lower format's, reports the magic
// found (also with PBM_E_UNSUPPORTED) and leaves the stream at the raster.
// PBM_E_READ if the magic is cut off; PBM_E_UNSUPPORTED, with no field
// written, for a magic it does not accept. PGM and PPM readers set maxval to
// 1 for a PBM file, whether its size read succeeded or not.
ResultCode ReadPbmHeader(FILE* stream, int32_t* width, int32_t* height, int32_t* magic);
ResultCode ReadPgmHeader(FILE* stream, int32_t* width, int32_t* height, int32_t* maxval,
                         int32_t* magic);
ResultCode ReadPpmHeader(FILE* stream, int32_t* width, int32_t* height, int32_t* maxval,
                         int32_t* magic);

// Row readers: fill count pixels at row from the stream, for the file's
// magic; PBM_E_UNSUPPORTED without reading for a magic they do not handle.
// A failed read ends the row; the bytes it did not reach keep what they held.

// 1 for black, 0 for white. P4 rows start on a fresh byte. PBM_E_READ at the
// first pixel that cannot be read.
ResultCode ReadPbmRow(FILE* stream, uint8_t* row, int32_t count, int32_t magic);
// Grey samples, low 8 bits, unscaled; a PBM row becomes 0 for black and
// maxvalByte for white (also for bits it could not read). PBM_E_READ at the
// first failed sample (a plain one still stores the digits it read);
// PBM_E_NO_MEMORY if a promotion's scratch row cannot be made.
ResultCode ReadPgmRow(FILE* stream, uint8_t* row, int32_t count, uint8_t maxvalByte, int32_t magic);
// Three bytes per pixel in blue, green, red order; PGM and PBM rows are
// promoted to grey triples. P3 and P6 rows always attempt every component and
// return PBM_OK; a P6 component that cannot be read repeats the previous
// pixel's. PBM_E_NO_MEMORY if a promotion's scratch row cannot be made.
ResultCode ReadPpmRow(FILE* stream, uint8_t* row, int32_t count, uint8_t maxvalByte, int32_t magic);

// Image readers: read the header, make the store (cleared), read every row
// whatever became of the previous one, and call progress (if not null) with
// (row, height, userValue) after each. On success *status is PBM_OK and the
// caller owns the store; damage in the raster shows only in the samples.
// Otherwise null: the header's code (no store, no calls) or PBM_E_NO_MEMORY
// for a size that cannot be stored or memory that runs out (header fields
// then filled, no calls). Rows without pixels are not read. The rows may
// read ahead of themselves (progress must not use the stream); on return the
// stream is where reading byte by byte would have left it.
RowStore ReadPbmImage(FILE* stream, int32_t* width, int32_t* height, ResultCode* status,
                      PBMProgressCallback progress, uint32_t userValue);
RowStore ReadPgmImage(FILE* stream, int32_t* width, int32_t* height, int32_t* maxval,
                      ResultCode* status, PBMProgressCallback progress, uint32_t userValue);
RowStore ReadPpmImage(FILE* stream, int32_t* width, int32_t* height, int32_t* maxval,
                      ResultCode* status, PBMProgressCallback progress, uint32_t userValue);

// What an image reader's store is made for.
enum class NetpbmTarget { kPbm, kPgm, kPpm };

// The three image readers' one body (for PBM it sets *maxval to 1 and
// reads none). On success it also gives in *clearedRowsFrom the first row
// from which every row of the store holds zeros only, most of them never
// written: the rows a file cut short does not hold, which a fresh pixel
// file need not be given (height when there are none). Not written on
// failure.
RowStore ReadNetpbmImage(FILE* stream, NetpbmTarget target, int32_t* width, int32_t* height,
                         int32_t* maxval, int32_t* clearedRowsFrom, ResultCode* status,
                         PBMProgressCallback progress, uint32_t userValue);

// Store and scratch rows, zero-filled when made.

// A store of rows x columns x bytesPerPixel bytes, or null when a size is
// negative, the pointer array or the block exceeds INT32_MAX bytes, or memory
// runs out; nothing is left allocated then. A store without pixels (0 rows or
// 0 columns) has only entry 0, whatever the number of rows.
RowStore AllocRowStore(int32_t columns, int32_t rows, int32_t bytesPerPixel);
// Releases the block (through entry 0) and then the pointer array; null is
// ignored. rows is not needed and is accepted for the callers' convenience.
void FreeRowStore(RowStore store, int32_t rows);
// count x elementSize bytes into *buffer, PBM_OK; PBM_E_NO_MEMORY with
// *buffer null for a negative or oversized count, or when memory runs out.
ResultCode AllocRowScratch(int32_t count, int32_t elementSize, uint8_t** buffer);
void FreeRowScratch(uint8_t* buffer);

}  // namespace quentarpbm

#endif  // QUENTARPBM_NETPBM_NETPBM_H
