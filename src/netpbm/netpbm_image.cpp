// Netpbm images: header, store and every row, with a progress call per row.
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "netpbm/fast/netpbm_fast.h"
#include "netpbm/netpbm.h"

namespace quentarpbm {

namespace {

// What differs between the three image readers; PBM's header and row readers
// are adapted to the shape of the others and ignore maxval.
struct TargetFormat {
  ResultCode (*readHeader)(FILE* stream, int32_t* width, int32_t* height, int32_t* maxval,
                           int32_t* magic);
  ResultCode (*readRow)(NetpbmByteSource* source, uint8_t* row, int32_t count, uint8_t maxvalByte,
                        int32_t magic);
  int32_t bytesPerPixel;
  // The raw variant whose rows the store holds as the file lays them out
  // (or, for P4, as its bits expand): read a chunk of rows per call.
  int32_t rawMagic;
  RawRowLayout rawLayout;
};

ResultCode ReadPbmHeaderIgnoringMaxval(FILE* stream, int32_t* width, int32_t* height,
                                       int32_t* /*maxval*/, int32_t* magic) {
  return ReadPbmHeader(stream, width, height, magic);
}

ResultCode ReadPbmRowIgnoringMaxval(NetpbmByteSource* source, uint8_t* row, int32_t count,
                                    uint8_t /*maxvalByte*/, int32_t magic) {
  return ReadPbmRowFrom(source, row, count, magic);
}

constexpr TargetFormat kPbmTarget = {ReadPbmHeaderIgnoringMaxval, ReadPbmRowIgnoringMaxval, 1,
                                     kMagicP4, RawRowLayout::kPackedBits};
constexpr TargetFormat kPgmTarget = {ReadPgmHeader, ReadPgmRowFrom, 1, kMagicP5,
                                     RawRowLayout::kGreyBytes};
constexpr TargetFormat kPpmTarget = {ReadPpmHeader, ReadPpmRowFrom, 3, kMagicP6,
                                     RawRowLayout::kRgbTriples};

const TargetFormat& FormatOf(NetpbmTarget target) {
  return target == NetpbmTarget::kPbm   ? kPbmTarget
         : target == NetpbmTarget::kPgm ? kPgmTarget
                                        : kPpmTarget;
}

}  // namespace

RowStore ReadNetpbmImage(FILE* stream, NetpbmTarget targetKind, int32_t* width, int32_t* height,
                         int32_t* maxval, int32_t* clearedRowsFrom, ResultCode* status,
                         PBMProgressCallback progress, uint32_t userValue) {
  const TargetFormat& target = FormatOf(targetKind);
  if (targetKind == NetpbmTarget::kPbm) *maxval = 1;
  int32_t magic = 0;
  const ResultCode header = target.readHeader(stream, width, height, maxval, &magic);
  if (header != PBM_OK) {
    *status = header;
    return nullptr;
  }
  const int32_t columns = *width;
  const int32_t rows = *height;
  RowStore store = AllocRowStore(columns, rows, target.bytesPerPixel);
  // Raw rows in chunks need a buffer only for P4's packed bits (P5 and P6
  // take a byte, so that every image allocates alike), and no buffered
  // source: they take exactly their own bytes. Other rows are read
  // through a buffer of text, not a call per byte. Buffers live on the heap,
  // since hosts call from threads with small stacks.
  const bool rawChunks = magic == target.rawMagic;
  const size_t bufferBytes = rawChunks ? RawChunkBufferBytes(target.rawLayout, columns, rows)
                                       : TextBufferBytes(columns, rows, target.bytesPerPixel);
  uint8_t* buffer = nullptr;
  if (store == nullptr ||
      AllocRowScratch(static_cast<int32_t>(bufferBytes), 1, &buffer) != PBM_OK) {
    FreeRowStore(store, rows);
    *status = PBM_E_NO_MEMORY;
    return nullptr;
  }
  // The header reader has capped maxval at 255 (or let a wrapped negative
  // through); the rows only ever need its low byte.
  const uint8_t maxvalByte = static_cast<uint8_t>(*maxval);
  // A row that fails is not fatal: the rest of the image is still attempted,
  // and damage shows only in the samples. Once the stream has ended every
  // read fails alike, so the first row read after that is what every later
  // row reads too: it is copied instead of failing byte by byte, or, where
  // it is all zero, left as the cleared store has it, untouched: the rows
  // from there on are the ones the file does not hold.
  const size_t rowBytes = static_cast<size_t>(columns) * static_cast<size_t>(target.bytesPerPixel);
  const bool chunked = rawChunks && ReadsRawChunks(target.rawLayout, columns, bufferBytes);
  // The stream is left exactly after the last byte the rows took.
  NetpbmByteSource source =
      rawChunks ? StreamByteSource(stream) : BufferedByteSource(stream, buffer, bufferBytes);
  const uint8_t* endedRow = nullptr;
  bool endedRowIsZero = false;
  int32_t clearedFrom = rows;
  for (int32_t i = 0; i < rows;) {
    int32_t done = 1;
    // Rows without pixels read nothing, and the store has no entry for them.
    if (rowBytes > 0 && endedRow != nullptr) {
      if (!endedRowIsZero) memcpy(store[i], endedRow, rowBytes);
    } else if (chunked && !source.ended) {
      done = ReadRawRowChunk(&source, target.rawLayout, store[i], rows - i, columns, buffer,
                             bufferBytes);
    } else if (rowBytes > 0) {
      const bool ended = source.ended;
      target.readRow(&source, store[i], columns, maxvalByte, magic);
      if (ended) {
        endedRow = store[i];
        endedRowIsZero = AreAllZero(endedRow, rowBytes);
        if (endedRowIsZero) clearedFrom = i;
      }
    }
    for (const int32_t last = i + done; i < last; ++i) {
      if (progress != nullptr) progress(i, rows, userValue);
    }
  }
  ReleaseByteSource(&source);
  FreeRowScratch(buffer);
  *clearedRowsFrom = clearedFrom;
  *status = PBM_OK;
  return store;
}

RowStore ReadPbmImage(FILE* stream, int32_t* width, int32_t* height, ResultCode* status,
                      PBMProgressCallback progress, uint32_t userValue) {
  int32_t maxval = 0;
  int32_t clearedFrom = 0;
  return ReadNetpbmImage(stream, NetpbmTarget::kPbm, width, height, &maxval, &clearedFrom, status,
                         progress, userValue);
}

RowStore ReadPgmImage(FILE* stream, int32_t* width, int32_t* height, int32_t* maxval,
                      ResultCode* status, PBMProgressCallback progress, uint32_t userValue) {
  int32_t clearedFrom = 0;
  return ReadNetpbmImage(stream, NetpbmTarget::kPgm, width, height, maxval, &clearedFrom, status,
                         progress, userValue);
}

RowStore ReadPpmImage(FILE* stream, int32_t* width, int32_t* height, int32_t* maxval,
                      ResultCode* status, PBMProgressCallback progress, uint32_t userValue) {
  int32_t clearedFrom = 0;
  return ReadNetpbmImage(stream, NetpbmTarget::kPpm, width, height, maxval, &clearedFrom, status,
                         progress, userValue);
}

}  // namespace quentarpbm
