// Raw rows a chunk at a time: one read of the file's bytes, then finished into rows.
#include <stddef.h>
#include <stdint.h>

#include "netpbm/fast/netpbm_fast.h"
#include "netpbm/netpbm.h"

namespace quentarpbm {

int32_t ReadRawRowChunk(NetpbmByteSource* source, RawRowLayout layout, uint8_t* firstRow,
                        int32_t rows, int32_t columns, uint8_t* buffer, size_t bufferBytes) {
  const size_t count = RawChunkRows(layout, columns, rows, bufferBytes);
  // Packed bits expand into the rows; bytes and triples are the rows' own.
  uint8_t* target = layout == RawRowLayout::kPackedBits ? buffer : firstRow;
  const size_t got = ReadSourceBytes(source, target, count * RawFileRowBytes(layout, columns));
  return static_cast<int32_t>(FinishRawRowChunk(layout, buffer, got, firstRow, count, columns));
}

void FinishRawPpmPixels(uint8_t* row, size_t pixels, size_t got) {
  FinishRawPpmRow(row, pixels, got);
}

}  // namespace quentarpbm
