// CountNetpbmImages: the images of a file one after another, from their headers alone.
#include <stdint.h>
#include <stdio.h>

#include "netpbm/netpbm.h"
#include "wic/wic_decode.h"
#include "wic/wic_image.h"

namespace quentarpbm {

namespace {

// Whitespace allowed between one image's raster and the next magic: more
// would be read a byte at a time, and a file of blanks is no image.
constexpr int kMostGapBytes = 255;

bool IsNetpbmSpace(int byte) {
  return byte == ' ' || byte == '\t' || byte == '\n' || byte == '\v' || byte == '\f' ||
         byte == '\r';
}

// A raw raster's bytes as the file lays them out, which is WIC's row for
// every raw layout; 0 when that exceeds what a stream can hold.
uint64_t RawRasterBytes(const WicHeader& header) {
  const uint32_t row = WicRowBytes(header.layout, header.width);
  return static_cast<uint64_t>(row) * static_cast<uint32_t>(header.height);
}

// Skips whitespace, then reads the next header; false when none is there.
bool ReadNextHeader(NetpbmByteSource* source, WicHeader* header) {
  int byte = NextSourceByte(source);
  for (int gap = 0; byte != EOF && IsNetpbmSpace(byte); ++gap) {
    if (gap == kMostGapBytes) return false;
    byte = NextSourceByte(source);
  }
  if (byte == EOF) return false;
  // The magic's first byte goes back through a one-byte source of its own:
  // the header reader starts at the magic.
  const uint8_t first = static_cast<uint8_t>(byte);
  NetpbmByteSource rest = *source;
  rest.next = &first;
  rest.end = &first + 1;
  const bool read = ReadWicHeader(&rest, header) == PBM_OK;
  source->ended = rest.ended;
  return read;
}

bool IsRaw(int32_t magic) { return magic == kMagicP4 || magic == kMagicP5 || magic == kMagicP6; }

}  // namespace

uint32_t CountNetpbmImages(NetpbmByteSource* source, const WicHeader& first,
                           NetpbmStreamSkipper skipper, uint32_t limit) {
  uint32_t count = 1;
  WicHeader header = first;
  while (count < limit && IsRaw(header.magic)) {
    const uint64_t raster = RawRasterBytes(header);
    if (raster == 0 || !skipper.skip(skipper.context, raster)) break;
    if (!ReadNextHeader(source, &header)) break;
    ++count;
  }
  return count;
}

}  // namespace quentarpbm
