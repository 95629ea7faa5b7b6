// Where the floor's rows come from: the file's own bytes, read once.
#ifndef QUENTARPBM_BENCH_FLOOR_ROWS_H
#define QUENTARPBM_BENCH_FLOOR_ROWS_H

#include <stddef.h>
#include <stdint.h>

#include <vector>

// A row at a time from the start of the file again where the file is
// shorter than the rows, and a zero row where it is shorter than one.
inline const uint8_t* FloorRowSource(const uint8_t* file, size_t fileBytes, size_t row,
                                     size_t rowBytes, const std::vector<uint8_t>& zeroRow) {
  if (fileBytes < rowBytes || rowBytes == 0) return zeroRow.data();
  return file + row % (fileBytes / rowBytes) * rowBytes;
}

#endif  // QUENTARPBM_BENCH_FLOOR_ROWS_H
