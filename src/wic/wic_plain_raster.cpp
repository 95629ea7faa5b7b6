// Plain rasters row by row through the text readers, then packed or scaled into the image.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "netpbm/netpbm.h"
#include "wic/wic_decode.h"

namespace quentarpbm {

namespace {

// PBM pixels, a byte each with 1 for black, into WIC's bits: most
// significant first, 1 for white, the last byte's unused bits white.
void PackPbmPixels(const uint8_t* pixels, size_t count, uint8_t* packed) {
  for (size_t i = 0; i < count; i += 8) {
    uint8_t byte = 0xFF;
    const size_t end = count - i < 8 ? count : i + 8;
    for (size_t k = i; k < end; ++k)
      if (pixels[k] != 0) byte = static_cast<uint8_t>(byte & ~(0x80u >> (k - i)));
    packed[i / 8] = byte;
  }
}

// Each row goes through a scratch row cleared first, so that the pixels a
// row cut short does not reach are white, as in PBMOpen's image.
ResultCode ReadPlainBlackWhite(NetpbmByteSource* source, const WicImage& image) {
  uint8_t* pixels = nullptr;
  if (AllocRowScratch(image.width, 1, &pixels) != PBM_OK) return PBM_E_NO_MEMORY;
  const auto count = static_cast<size_t>(image.width);
  int32_t row = 0;
  for (; row < image.height && !source->ended; ++row) {
    memset(pixels, 0, count);
    ReadPbmRowFrom(source, pixels, image.width, kMagicP1);
    PackPbmPixels(pixels, count, image.pixels + static_cast<size_t>(row) * image.stride);
  }
  FreeRowScratch(pixels);
  // Rows from the end of the data on read no pixel: all white.
  const size_t left = static_cast<size_t>(image.height - row) * image.stride;
  memset(image.pixels + static_cast<size_t>(row) * image.stride, 0xFF, left);
  return PBM_OK;
}

// Samples up to 65535, each scaled as it is read. A grey row ends at its
// first failed sample and a colour row reads every one, as ReadPgmRowFrom's
// and ReadPpmRowFrom's rows do; a sample cut off by the end keeps its digits.
void ReadPlainWideRow(NetpbmByteSource* source, uint8_t* row, size_t samples, uint32_t maxval,
                      bool endsAtFailure) {
  for (size_t i = 0; i < samples; ++i) {
    int32_t value = 0;
    const ResultCode result = ReadNetpbmIntFrom(source, &value);
    StoreWideSample(row + 2 * i, ScaleWideSample(static_cast<uint32_t>(value), maxval));
    if (result != PBM_OK && endsAtFailure) return;
  }
}

}  // namespace

// Rows are read until the data ends; every row after that would read as
// zeros, which the image already holds (or, for PBM, as white).
ResultCode ReadPlainWicRaster(NetpbmByteSource* source, const WicHeader& header,
                              const WicImage& image) {
  if (header.layout == WicPixelLayout::kBlackWhite) return ReadPlainBlackWhite(source, image);
  const WicLayoutTraits& traits = TraitsOfLayout(header.layout);
  const bool grey = traits.samplesPerPixel == 1;
  const auto samples =
      static_cast<size_t>(image.width) * static_cast<size_t>(traits.samplesPerPixel);
  const bool wide = traits.wideSamples;
  uint8_t table[256];
  if (!wide && header.maxval != 255) MakeSampleTable(header.maxval, table);
  for (int32_t i = 0; i < image.height && !source->ended; ++i) {
    uint8_t* row = image.pixels + static_cast<size_t>(i) * image.stride;
    if (wide) {
      ReadPlainWideRow(source, row, samples, static_cast<uint32_t>(header.maxval), grey);
      continue;
    }
    // The maxval byte only matters for PBM rows, which these are not.
    if (grey) {
      ReadPgmRowFrom(source, row, image.width, 0, kMagicP2);
    } else {
      ReadPpmRowFrom(source, row, image.width, 0, kMagicP3);
    }
    if (header.maxval != 255) ScaleSamples(row, samples, table);
  }
  return PBM_OK;
}

}  // namespace quentarpbm
