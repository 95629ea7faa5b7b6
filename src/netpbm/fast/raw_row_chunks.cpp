// Raw rows a chunk at a time: P5 and P6 read into the store itself, P4 through a buffer.
#include "netpbm/fast/raw_row_chunks.h"

#include <stddef.h>
#include <stdint.h>

#include "netpbm/fast/pbm_bit_expansion.h"
#include "netpbm/fast/red_blue_swap.h"

namespace quentarpbm {

namespace {

size_t Count(int32_t value) { return value > 0 ? static_cast<size_t>(value) : 0u; }

size_t StoreRowBytes(RawRowLayout layout, int32_t columns) {
  return layout == RawRowLayout::kRgbTriples ? 3 * Count(columns) : Count(columns);
}

// Of got bytes read for a chunk, those that fell in row, which got one.
size_t BytesOfRow(size_t got, size_t row, size_t rowBytes) {
  const size_t start = row * rowBytes;
  return got - start < rowBytes ? got - start : rowBytes;
}

}  // namespace

size_t RawFileRowBytes(RawRowLayout layout, int32_t columns) {
  return layout == RawRowLayout::kPackedBits ? (Count(columns) + 7) / 8
                                             : StoreRowBytes(layout, columns);
}

size_t RawChunkBufferBytes(RawRowLayout layout, int32_t columns, int32_t rows) {
  if (layout != RawRowLayout::kPackedBits) return 0;
  const size_t raster = RawFileRowBytes(layout, columns) * Count(rows);
  return raster < kRawChunkBytes ? raster : kRawChunkBytes;
}

bool ReadsRawChunks(RawRowLayout layout, int32_t columns, size_t bufferBytes) {
  const size_t rowBytes = RawFileRowBytes(layout, columns);
  return rowBytes > 0 && (layout != RawRowLayout::kPackedBits || rowBytes <= bufferBytes);
}

size_t RawChunkRows(RawRowLayout layout, int32_t columns, int32_t rows, size_t bufferBytes) {
  const size_t fileRowBytes = RawFileRowBytes(layout, columns);
  const size_t room = layout == RawRowLayout::kPackedBits ? bufferBytes : kRawChunkBytes;
  // ReadsRawChunks, this path's only gate, requires a row of at least a byte.
  size_t count = room / fileRowBytes;  // NOLINT(clang-analyzer-core.DivideZero)
  if (count == 0) count = 1;
  return count < Count(rows) ? count : Count(rows);
}

size_t FinishRawRowChunk(RawRowLayout layout, const uint8_t* packed, size_t got, uint8_t* firstRow,
                         size_t count, int32_t columns) {
  const size_t fileRowBytes = RawFileRowBytes(layout, columns);
  const size_t storeRowBytes = StoreRowBytes(layout, columns);
  // Rows that got no byte are left to the row readers.
  const size_t reached =
      got < count * fileRowBytes ? (got + fileRowBytes - 1) / fileRowBytes : count;
  for (size_t j = 0; j < reached; ++j) {
    uint8_t* row = firstRow + j * storeRowBytes;
    const size_t rowGot = BytesOfRow(got, j, fileRowBytes);
    if (layout == RawRowLayout::kPackedBits) {
      ExpandPbmBits(packed + j * fileRowBytes, rowGot, row, Count(columns));
    } else if (layout == RawRowLayout::kRgbTriples) {
      FinishRawPpmRow(row, Count(columns), rowGot);
    }
  }
  return reached;
}

void FinishRawPpmRow(uint8_t* row, size_t pixels, size_t got) {
  const size_t whole = got / 3;
  SwapRedAndBlue(row, whole);
  if (whole == pixels) return;
  // Previous pixel's components, now stored blue, green, red.
  uint8_t blue = whole > 0 ? row[3 * whole - 3] : 0;
  uint8_t green = whole > 0 ? row[3 * whole - 2] : 0;
  uint8_t red = whole > 0 ? row[3 * whole - 1] : 0;
  const size_t partial = got % 3;
  if (partial >= 1) red = row[3 * whole];
  if (partial >= 2) green = row[3 * whole + 1];
  for (size_t i = whole; i < pixels; ++i) {
    row[3 * i] = blue;
    row[3 * i + 1] = green;
    row[3 * i + 2] = red;
  }
}

}  // namespace quentarpbm
