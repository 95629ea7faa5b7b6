// Raw rows many at a time: how many rows one read takes, and the bytes read finished into rows.
#ifndef QUENTARPBM_NETPBM_FAST_RAW_ROW_CHUNKS_H
#define QUENTARPBM_NETPBM_FAST_RAW_ROW_CHUNKS_H

#include <stddef.h>
#include <stdint.h>

#include "netpbm/netpbm.h"

namespace quentarpbm {

// Bytes of one row of columns pixels in the file.
size_t RawFileRowBytes(RawRowLayout layout, int32_t columns);
// The buffer a chunk of packed rows needs (up to kRawChunkBytes, never more
// than the raster's), or 0 where the rows are read straight into the store.
size_t RawChunkBufferBytes(RawRowLayout layout, int32_t columns, int32_t rows);
// Whether rows of this size are read in chunks with a buffer of bufferBytes;
// otherwise they are read row by row.
bool ReadsRawChunks(RawRowLayout layout, int32_t columns, size_t bufferBytes);
// How many of rows rows (at least one, if any) one read takes: those that fit
// kRawChunkBytes, or for packed bits the buffer of bufferBytes. The rows must
// be chunked (ReadsRawChunks).
size_t RawChunkRows(RawRowLayout layout, int32_t columns, int32_t rows, size_t bufferBytes);

// Finishes the rows of a chunk of count rows of which got bytes were read,
// into consecutive rows from firstRow on (columns pixels each): packed bits
// from packed are expanded, colour triples (read into the rows themselves)
// swapped. Returns how many rows got a byte: all, or after a short read
// those reached, maybe none; the rows after them are left untouched.
size_t FinishRawRowChunk(RawRowLayout layout, const uint8_t* packed, size_t got, uint8_t* firstRow,
                         size_t count, int32_t columns);

// A P6 row of which got bytes (red, green, blue order) were read: whole
// pixels are swapped; a component that could not be read keeps the previous
// pixel's (0 at the row's first pixel), so the pixel where the bytes ran out
// and all after it are the same.
void FinishRawPpmRow(uint8_t* row, size_t pixels, size_t got);

}  // namespace quentarpbm

#endif  // QUENTARPBM_NETPBM_FAST_RAW_ROW_CHUNKS_H
