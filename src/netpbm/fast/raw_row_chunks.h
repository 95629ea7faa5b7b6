// Raw rows many at a time: one read per chunk of rows, straight into the store or through a buffer.
#ifndef QUENTARPBM_NETPBM_FAST_RAW_ROW_CHUNKS_H
#define QUENTARPBM_NETPBM_FAST_RAW_ROW_CHUNKS_H

#include <stddef.h>
#include <stdint.h>

#include "netpbm/fast/netpbm_byte_source.h"

namespace quentarpbm {

// How a raw raster's rows lie in the file against the store's rows.
enum class RawRowLayout {
  kPackedBits,  // P4 into one byte per pixel: expanded through a buffer
  kGreyBytes,   // P5 into grey: the file's bytes are the store's
  kRgbTriples,  // P6 into colour: the file's bytes, then swapped to blue, green, red
};

// What one read aims at: a few hundred KB, so that a host's progress bar
// still moves at a steady pace on a slow disk.
constexpr size_t kRawChunkBytes = size_t{256} * 1024;

// Bytes of one row of columns pixels in the file.
size_t RawFileRowBytes(RawRowLayout layout, int32_t columns);
// The buffer a chunk of packed rows needs (up to kRawChunkBytes, never more
// than the raster's), or 0 where the rows are read straight into the store.
size_t RawChunkBufferBytes(RawRowLayout layout, int32_t columns, int32_t rows);
// Whether rows of this size are read in chunks with a buffer of bufferBytes;
// otherwise they are read row by row.
bool ReadsRawChunks(RawRowLayout layout, int32_t columns, size_t bufferBytes);

// Reads up to rows rows with one read into the store's consecutive rows from
// firstRow on (columns pixels each), and returns how many it filled: all,
// or after a short read (the source is then ended) those that got a byte,
// maybe none. Every row it fills comes out as the row readers give it; the
// rows after them are left untouched, to be read past the end.
int32_t ReadRawRowChunk(NetpbmByteSource* source, RawRowLayout layout, uint8_t* firstRow,
                        int32_t rows, int32_t columns, uint8_t* buffer, size_t bufferBytes);

// A P6 row of which got bytes (red, green, blue order) were read: whole
// pixels are swapped; a component that could not be read keeps the previous
// pixel's (0 at the row's first pixel), so the pixel where the bytes ran out
// and all after it are the same.
void FinishRawPpmRow(uint8_t* row, size_t pixels, size_t got);

}  // namespace quentarpbm

#endif  // QUENTARPBM_NETPBM_FAST_RAW_ROW_CHUNKS_H
