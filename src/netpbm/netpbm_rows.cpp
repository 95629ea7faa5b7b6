// Netpbm rows: one image row from the stream, promoting lower formats.
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "netpbm/fast/netpbm_fast.h"
#include "netpbm/netpbm.h"

namespace quentarpbm {

namespace {

// Raw PBM bytes read row by row come in pieces of this many bytes.
constexpr size_t kRawPbmPieceBytes = 4096;

size_t PixelCount(int32_t count) { return count > 0 ? static_cast<size_t>(count) : 0u; }

// Plain rows are scanned from the buffer in blocks; what the scanner leaves
// is read token by token, and then the scan goes on.
ResultCode ReadPlainPbmRow(NetpbmByteSource* source, uint8_t* row, int32_t count) {
  const size_t pixels = PixelCount(count);
  size_t done = 0;
  while ((done += ScanPlainBits(source, row + done, pixels - done)) < pixels) {
    const ResultCode result = ReadPlainPbmBitFrom(source, &row[done]);
    if (result != PBM_OK) return result;
    ++done;
  }
  return PBM_OK;
}

// Bits most significant first, eight pixels per byte by table; each row
// starts on a fresh byte, so the unused low bits of its last byte are
// skipped. A short read leaves the pixels of the missing bytes unwritten,
// as reading byte by byte would.
ResultCode ReadRawPbmRow(NetpbmByteSource* source, uint8_t* row, int32_t count) {
  const size_t pixels = PixelCount(count);
  size_t done = 0;
  uint8_t packed[kRawPbmPieceBytes];
  while (done < pixels) {
    const size_t rowBytesLeft = (pixels - done + 7) / 8;
    const size_t wanted = rowBytesLeft < kRawPbmPieceBytes ? rowBytesLeft : kRawPbmPieceBytes;
    const size_t got = ReadSourceBytes(source, packed, wanted);
    done += ExpandPbmBits(packed, got, row + done, pixels - done);
    if (got < wanted) return PBM_E_READ;
  }
  return PBM_OK;
}

ResultCode ReadPlainPgmRow(NetpbmByteSource* source, uint8_t* row, int32_t count) {
  const size_t samples = PixelCount(count);
  size_t done = 0;
  while ((done += ScanPlainSamples(source, row + done, samples - done)) < samples) {
    int32_t sample = 0;
    const ResultCode result = ReadNetpbmIntFrom(source, &sample);
    // Stored also on failure: a number cut off by the end keeps its digits.
    row[done++] = static_cast<uint8_t>(sample);
    if (result != PBM_OK) return result;
  }
  return PBM_OK;
}

// A short read leaves the samples after the last byte read unwritten.
ResultCode ReadRawPgmRow(NetpbmByteSource* source, uint8_t* row, int32_t count) {
  const size_t samples = PixelCount(count);
  return ReadSourceBytes(source, row, samples) == samples ? PBM_OK : PBM_E_READ;
}

// Plain colour never fails: past the end every number reads as 0, and a bad
// token costs only the one character it consumed. The row is read in file
// order, red, green, blue, and then swapped.
void ReadPlainPpmRow(NetpbmByteSource* source, uint8_t* row, int32_t count) {
  const size_t samples = 3 * PixelCount(count);
  size_t done = 0;
  while ((done += ScanPlainSamples(source, row + done, samples - done)) < samples) {
    int32_t sample = 0;
    ReadNetpbmIntFrom(source, &sample);
    row[done++] = static_cast<uint8_t>(sample);
  }
  SwapRedAndBlue(row, samples / 3);
}

// The row is read whole, red, green, blue, then turned into blue, green,
// red in place.
void ReadRawPpmRow(NetpbmByteSource* source, uint8_t* row, int32_t count) {
  const size_t pixels = PixelCount(count);
  FinishRawPpmRow(row, pixels, ReadSourceBytes(source, row, 3 * pixels));
}

bool IsPbmMagic(int32_t magic) { return magic == kMagicP1 || magic == kMagicP4; }

// Reads a PBM row into grey (in place is fine): black 0, white maxvalByte.
// The row read's own result is not passed on; unread pixels stay as they were.
void ReadPbmRowAsGrey(NetpbmByteSource* source, uint8_t* grey, int32_t count, uint8_t maxvalByte,
                      int32_t magic) {
  ReadPbmRowFrom(source, grey, count, magic);
  for (int32_t i = 0; i < count; ++i) grey[i] = grey[i] != 0 ? 0 : maxvalByte;
}

}  // namespace

ResultCode ReadPbmRowFrom(NetpbmByteSource* source, uint8_t* row, int32_t count, int32_t magic) {
  if (magic == kMagicP1) return ReadPlainPbmRow(source, row, count);
  if (magic == kMagicP4) return ReadRawPbmRow(source, row, count);
  return PBM_E_UNSUPPORTED;
}

ResultCode ReadPgmRowFrom(NetpbmByteSource* source, uint8_t* row, int32_t count, uint8_t maxvalByte,
                          int32_t magic) {
  if (magic == kMagicP2) return ReadPlainPgmRow(source, row, count);
  if (magic == kMagicP5) return ReadRawPgmRow(source, row, count);
  if (!IsPbmMagic(magic)) return PBM_E_UNSUPPORTED;
  // The bits go through a cleared scratch row so that pixels a cut-off PBM
  // row never reached come out as white, like every other unread bit.
  uint8_t* bits = nullptr;
  if (AllocRowScratch(count, 1, &bits) != PBM_OK) return PBM_E_NO_MEMORY;
  ReadPbmRowAsGrey(source, bits, count, maxvalByte, magic);
  for (int32_t i = 0; i < count; ++i) row[i] = bits[i];
  FreeRowScratch(bits);
  return PBM_OK;
}

ResultCode ReadPpmRowFrom(NetpbmByteSource* source, uint8_t* row, int32_t count, uint8_t maxvalByte,
                          int32_t magic) {
  if (magic == kMagicP3) {
    ReadPlainPpmRow(source, row, count);
    return PBM_OK;
  }
  if (magic == kMagicP6) {
    ReadRawPpmRow(source, row, count);
    return PBM_OK;
  }
  const bool isPbm = IsPbmMagic(magic);
  if (!isPbm && magic != kMagicP2 && magic != kMagicP5) return PBM_E_UNSUPPORTED;
  // One scratch row per image row, for PBM as for PGM: the bits become grey
  // in place before they become grey triples.
  uint8_t* grey = nullptr;
  if (AllocRowScratch(count, 1, &grey) != PBM_OK) return PBM_E_NO_MEMORY;
  if (isPbm) {
    ReadPbmRowAsGrey(source, grey, count, maxvalByte, magic);
  } else {
    ReadPgmRowFrom(source, grey, count, maxvalByte, magic);
  }
  uint8_t* pixel = row;
  for (int32_t i = 0; i < count; ++i, pixel += 3) {
    pixel[0] = grey[i];
    pixel[1] = grey[i];
    pixel[2] = grey[i];
  }
  FreeRowScratch(grey);
  return PBM_OK;
}

ResultCode ReadPbmRow(FILE* stream, uint8_t* row, int32_t count, int32_t magic) {
  NetpbmByteSource source = StreamByteSource(stream);
  return ReadPbmRowFrom(&source, row, count, magic);
}

ResultCode ReadPgmRow(FILE* stream, uint8_t* row, int32_t count, uint8_t maxvalByte,
                      int32_t magic) {
  NetpbmByteSource source = StreamByteSource(stream);
  return ReadPgmRowFrom(&source, row, count, maxvalByte, magic);
}

ResultCode ReadPpmRow(FILE* stream, uint8_t* row, int32_t count, uint8_t maxvalByte,
                      int32_t magic) {
  NetpbmByteSource source = StreamByteSource(stream);
  return ReadPpmRowFrom(&source, row, count, maxvalByte, magic);
}

}  // namespace quentarpbm
