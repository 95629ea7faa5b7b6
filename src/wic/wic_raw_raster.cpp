// Raw rasters straight into the image: a chunk of rows per read, then finished in place.
#include <stddef.h>
#include <stdint.h>

#include "netpbm/netpbm.h"
#include "wic/wic_decode.h"

namespace quentarpbm {

namespace {

// Whole rows of about kRawChunkBytes (rounded up, so at least one): each
// chunk is finished while it is still in the cache.
int32_t RowsPerChunk(const WicImage& image) {
  const size_t rows = (kRawChunkBytes + image.stride - 1) / image.stride;
  return rows < static_cast<size_t>(image.height) ? static_cast<int32_t>(rows) : image.height;
}

// The file's rows are the image's rows to the byte: Netpbm's 1 is black,
// WIC's 0, so every byte is inverted, and with it the zeros the file did not
// fill become white. The last byte's unused bits are made white too, whatever
// the file held there.
void ReadRawBlackWhite(NetpbmByteSource* source, const WicImage& image) {
  const int32_t chunkRows = RowsPerChunk(image);
  const auto padBits = static_cast<uint8_t>(0xFFu >> (image.width % 8 == 0 ? 8 : image.width % 8));
  for (int32_t row = 0; row < image.height; row += chunkRows) {
    const int32_t rows = image.height - row < chunkRows ? image.height - row : chunkRows;
    uint8_t* first = image.pixels + static_cast<size_t>(row) * image.stride;
    const size_t bytes = static_cast<size_t>(rows) * image.stride;
    if (!source->ended) ReadSourceBytes(source, first, bytes);
    for (size_t i = 0; i < bytes; ++i) first[i] = static_cast<uint8_t>(~first[i]);
    for (int32_t j = 1; j <= rows; ++j) first[static_cast<size_t>(j) * image.stride - 1] |= padBits;
  }
}

// 8-bit grey and colour rows as PBMOpen reads them, red and blue swapped
// for colour; then scaled where maxval is not 255.
void ReadRawBytes(NetpbmByteSource* source, const WicHeader& header, const WicImage& image) {
  const RawRowLayout layout =
      header.magic == kMagicP5 ? RawRowLayout::kGreyBytes : RawRowLayout::kRgbTriples;
  uint8_t table[256];
  if (header.maxval != 255) MakeSampleTable(header.maxval, table);
  for (int32_t row = 0; row < image.height && !source->ended;) {
    uint8_t* first = image.pixels + static_cast<size_t>(row) * image.stride;
    const int32_t done =
        ReadRawRowChunk(source, layout, first, image.height - row, image.width, nullptr, 0);
    if (header.maxval != 255) ScaleSamples(first, static_cast<size_t>(done) * image.stride, table);
    row += done;
  }
}

// Two bytes a sample, most significant first, in file order (red, green,
// blue for colour, as WIC's 48-bit format has it). A sample cut in half
// keeps its first byte, the missing one 0.
void ReadRawWideSamples(NetpbmByteSource* source, const WicHeader& header, const WicImage& image) {
  const int32_t chunkRows = RowsPerChunk(image);
  for (int32_t row = 0; row < image.height && !source->ended; row += chunkRows) {
    const int32_t rows = image.height - row < chunkRows ? image.height - row : chunkRows;
    uint8_t* first = image.pixels + static_cast<size_t>(row) * image.stride;
    const size_t got = ReadSourceBytes(source, first, static_cast<size_t>(rows) * image.stride);
    FinishRawWideSamples(first, (got + 1) / 2, static_cast<uint32_t>(header.maxval));
  }
}

}  // namespace

void ReadRawWicRaster(NetpbmByteSource* source, const WicHeader& header, const WicImage& image) {
  if (header.layout == WicPixelLayout::kBlackWhite) {
    ReadRawBlackWhite(source, image);
  } else if (!TraitsOfLayout(header.layout).wideSamples) {
    ReadRawBytes(source, header, image);
  } else {
    ReadRawWideSamples(source, header, image);
  }
}

}  // namespace quentarpbm
