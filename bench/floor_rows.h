// Where the floor's rows come from: the file's own bytes, read once.
#ifndef QUENTARPBM_BENCH_FLOOR_ROWS_H
#define QUENTARPBM_BENCH_FLOOR_ROWS_H

#include <stddef.h>
#include <stdint.h>

#include <vector>

#include "bench_images.h"

// A row at a time from the start of the file again where the file is
// shorter than the rows, and a zero row where it is shorter than one.
inline const uint8_t* FloorRowSource(const uint8_t* file, size_t fileBytes, size_t row,
                                     size_t rowBytes, const std::vector<uint8_t>& zeroRow) {
  if (fileBytes < rowBytes || rowBytes == 0) return zeroRow.data();
  return file + row % (fileBytes / rowBytes) * rowBytes;
}

// The stream floor's pieces: as large as the library's reads.
constexpr size_t kStreamFloorPieceBytes = 256 * 1024;

struct StreamFloorShape {
  size_t rowBytes;  // pixel bytes of a DIB row
  size_t stride;    // the row padded to 4 bytes
  size_t height;
  size_t heldRows;  // the rows the file holds
};

inline StreamFloorShape StreamFloorShapeOf(const BenchImage& image) {
  const size_t rowBytes =
      static_cast<size_t>(image.width) * static_cast<size_t>(image.dibBytesPerPixel);
  return {rowBytes, (rowBytes + 3) / 4 * 4, static_cast<size_t>(image.height),
          static_cast<size_t>(image.heldRows)};
}

// The rows written once read of fileBytes bytes have been read: the held
// rows in proportion, so that the writes follow the reads.
inline size_t RowsReadBy(const StreamFloorShape& shape, size_t read, uint64_t fileBytes) {
  return read >= fileBytes
             ? shape.heldRows
             : static_cast<size_t>(static_cast<double>(shape.heldRows) * static_cast<double>(read) /
                                   static_cast<double>(fileBytes));
}

#endif  // QUENTARPBM_BENCH_FLOOR_ROWS_H
