// Netpbm reading: tokens, headers, rows and whole images from a stream or a byte source.
#ifndef QUENTARPBM_NETPBM_NETPBM_H
#define QUENTARPBM_NETPBM_NETPBM_H

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#include "common/result_code.h"
#include "netpbm/netpbm_byte_source.h"
#include "netpbm/netpbm_char_class.h"
#include "netpbm/netpbm_source.h"

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

// Header readers. Width, height and maxval are not bounded here but for
// the maxval's top. A field is written once its read starts; fields after a
// failed one stay untouched.

// 1 for PBM, 2 for PGM, 3 for PPM (plain or raw), 0 for anything else. A
// header reader takes its own format and every lower one.
int32_t NetpbmFormatOf(int32_t magic);

// What readers of a header decide differently. PBMOpen's readers take the
// header as far as the file holds it: the end of the data before a number's
// first digit reads as 0, and a maxval stands whatever ended it. A reader
// that needs the whole of an image's header (wholeHeader) takes either as a
// header cut short, PBM_E_READ, and refuses an image without pixels (a width
// or height below 1, PBM_E_READ, checked before the maxval is read) and a
// maxval below 1 (PBM_E_MAXVAL).
struct NetpbmHeaderRules {
  int32_t highestFormat;  // 1 PBM only, 2 PBM and PGM, 3 every format
  int32_t largestMaxval;  // a larger one is PBM_E_MAXVAL (signed: wrapped negatives pass)
  bool wholeHeader;
};

// The one header reader the others wrap: the magic, then width, height and
// (for PGM and PPM) maxval, the source left at the raster. PBM_E_READ if the
// magic is cut off; PBM_E_UNSUPPORTED, with only *magic written, for a magic
// above rules.highestFormat's or none at all. For a PBM file *maxval (if not
// null) is set to 1, whether its size read succeeded or not.
ResultCode ReadNetpbmHeaderFrom(NetpbmByteSource* source, const NetpbmHeaderRules& rules,
                                int32_t* width, int32_t* height, int32_t* maxval, int32_t* magic);

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
// Each has a *From form that reads from a byte source, with the same results.

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
ResultCode ReadPbmRowFrom(NetpbmByteSource* source, uint8_t* row, int32_t count, int32_t magic);
ResultCode ReadPgmRowFrom(NetpbmByteSource* source, uint8_t* row, int32_t count, uint8_t maxvalByte,
                          int32_t magic);
ResultCode ReadPpmRowFrom(NetpbmByteSource* source, uint8_t* row, int32_t count, uint8_t maxvalByte,
                          int32_t magic);

// How a raw raster's rows lie in the file against the rows they are read into.
enum class RawRowLayout {
  kPackedBits,  // P4 into one byte per pixel: expanded through a buffer
  kGreyBytes,   // P5 into grey: the file's bytes are the row's
  kRgbTriples,  // P6 into colour: the file's bytes, then swapped to blue, green, red
};

// What one read of raw rows aims at: a few hundred KB, so that a host's
// progress bar still moves at a steady pace on a slow disk.
inline constexpr size_t kRawChunkBytes = size_t{256} * 1024;

// Reads up to rows rows with one read into consecutive rows from firstRow on
// (columns pixels each, as the row readers lay them out; P4's packed bytes
// go through buffer, bufferBytes long, which holds at least one row), and
// returns how many it filled: all, or after a short read (the source is then
// ended) those that got a byte, maybe none. Every row it fills comes out as
// the row readers give it; the rows after them are left untouched.
int32_t ReadRawRowChunk(NetpbmByteSource* source, RawRowLayout layout, uint8_t* firstRow,
                        int32_t rows, int32_t columns, uint8_t* buffer, size_t bufferBytes);

// A P6 row of pixels of which got bytes (red, green, blue order) were read,
// finished in place as the raw readers finish theirs: blue, green, red, and
// from the pixel where the bytes ran out on, the components it got over the
// previous pixel's (0 for the row's first).
void FinishRawPpmPixels(uint8_t* row, size_t pixels, size_t got);

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
