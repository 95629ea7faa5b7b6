// The benchmark's codec rows, for both builds: their table, and what they write into the host's
// buffer.
#include <stddef.h>
#include <stdint.h>

#include <vector>

#include "bench_methods.h"
#include "bench_wic_codec.h"

std::vector<BenchMethod> WicCodecMethods() {
  return {{"hdr", RunWicHeader, ReadsEveryVariant, [](const BenchImage&) { return size_t{0}; }},
          {"frame", RunWicFrame, ReadsEveryVariant, WicFrameBytes},
          {"bands", RunWicBands, ReadsEveryVariant, WicBandBytes},
          {"thumb", RunWicThumbnail, ReadsEveryVariant, WicThumbnailBytes}};
}

size_t WicRowBytesOf(const BenchImage& image, uint32_t width, bool scaled) {
  const bool bits = image.variant == "P1" || image.variant == "P4";
  const size_t bitsPerPixel = bits && !scaled ? 1 : 8 * static_cast<size_t>(image.dibBytesPerPixel);
  return (width * bitsPerPixel + 7) / 8;
}

void ThumbnailSize(const BenchImage& image, uint32_t* width, uint32_t* height) {
  const auto ownWidth = static_cast<uint32_t>(image.width);
  const auto ownHeight = static_cast<uint32_t>(image.height);
  *width = ownWidth < kThumbnailWidth ? ownWidth : kThumbnailWidth;
  const uint64_t scaled = (uint64_t{ownHeight} * *width + ownWidth / 2) / ownWidth;
  *height = scaled < 1 ? 1 : static_cast<uint32_t>(scaled);
}

size_t WicFrameBytes(const BenchImage& image) {
  return WicRowBytesOf(image, static_cast<uint32_t>(image.width), false) *
         static_cast<size_t>(image.height);
}

size_t WicBandBytes(const BenchImage& image) {
  const int32_t rows = image.height < kWicBandRows ? image.height : kWicBandRows;
  return WicRowBytesOf(image, static_cast<uint32_t>(image.width), false) *
         static_cast<size_t>(rows);
}

size_t WicThumbnailBytes(const BenchImage& image) {
  uint32_t width = 0;
  uint32_t height = 0;
  ThumbnailSize(image, &width, &height);
  return WicRowBytesOf(image, width, true) * height;
}
