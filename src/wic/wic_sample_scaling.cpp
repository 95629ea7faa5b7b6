// Samples scaled from the file's 0..maxval to the pixel format's whole range, as Netpbm's tools
// scale.
#include <stddef.h>
#include <stdint.h>

#include "wic/wic_decode.h"
#include "wic/wic_image.h"

namespace quentarpbm {

// Rounded to nearest; a sample above maxval (which the format forbids but
// files hold) is taken as maxval, so it cannot wrap.
void MakeSampleTable(int32_t maxval, uint8_t table[256]) {
  const auto top = static_cast<uint32_t>(maxval);
  for (uint32_t v = 0; v < 256; ++v)
    table[v] = static_cast<uint8_t>(v >= top ? 255u : (v * 255u + top / 2) / top);
}

bool SampleTableOf(const WicHeader& header, uint8_t table[256]) {
  const bool scaled = header.layout != WicPixelLayout::kBlackWhite &&
                      !TraitsOfLayout(header.layout).wideSamples && header.maxval != 255;
  if (scaled) MakeSampleTable(header.maxval, table);
  return scaled;
}

void ScaleSamples(uint8_t* samples, size_t count, const uint8_t table[256]) {
  for (size_t i = 0; i < count; ++i) samples[i] = table[samples[i]];
}

// Below maxval (at most 65535), v * 65535 + maxval / 2 stays under 2^32.
uint32_t ScaleWideSample(uint32_t value, uint32_t maxval) {
  return value >= maxval ? 65535u : (value * 65535u + maxval / 2) / maxval;
}

void FinishRawWideSamples(uint8_t* samples, size_t count, uint32_t maxval) {
  uint8_t* at = samples;
  // Full-range samples only change byte order.
  if (maxval == 65535) {
    for (size_t i = 0; i < count; ++i, at += 2) StoreWideSample(at, at[0] * 256u + at[1]);
    return;
  }
  for (size_t i = 0; i < count; ++i, at += 2)
    StoreWideSample(at, ScaleWideSample(at[0] * 256u + at[1], maxval));
}

}  // namespace quentarpbm
