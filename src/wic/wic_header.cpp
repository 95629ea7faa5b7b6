// The header as the codec reads it: the magic, width, height and maxval up to 65535.
#include <stdint.h>
#include <stdio.h>

#include "netpbm/fast/netpbm_source_reads.h"
#include "netpbm/netpbm.h"
#include "wic/wic_decode.h"

namespace quentarpbm {

namespace {

// A size or maxval token: a number with its delimiter. Unlike PBMOpen's
// header, the end of the data before a digit is a header cut short, not 0.
bool ReadHeaderNumber(NetpbmByteSource* source, int32_t* value) {
  return ReadNetpbmIntFrom(source, value) == PBM_OK && !source->ended;
}

}  // namespace

ResultCode ReadWicHeader(NetpbmByteSource* source, WicHeader* header) {
  const int first = NextSourceByte(source);
  const int second = first != EOF ? NextSourceByte(source) : EOF;
  if (second == EOF) return PBM_E_READ;
  const int32_t magic = first * 256 + second;
  // Samples per pixel: 0 for PBM's bits, 1 for grey, 3 for colour.
  int32_t samples = 0;
  if (magic == kMagicP2 || magic == kMagicP5) {
    samples = 1;
  } else if (magic == kMagicP3 || magic == kMagicP6) {
    samples = 3;
  } else if (magic != kMagicP1 && magic != kMagicP4) {
    return PBM_E_UNSUPPORTED;
  }
  int32_t width = 0;
  int32_t height = 0;
  if (!ReadHeaderNumber(source, &width) || !ReadHeaderNumber(source, &height)) return PBM_E_READ;
  if (width <= 0 || height <= 0) return PBM_E_READ;
  int32_t maxval = 1;
  if (samples > 0) {
    if (!ReadHeaderNumber(source, &maxval)) return PBM_E_READ;
    // Wrapped past 2^31, a maxval reads as negative: refused as well.
    if (maxval <= 0 || maxval > 65535) return PBM_E_MAXVAL;
  }
  const bool wide = maxval > 255;
  WicPixelLayout layout = WicPixelLayout::kBlackWhite;
  if (samples == 1) layout = wide ? WicPixelLayout::kGray16 : WicPixelLayout::kGray8;
  if (samples == 3) layout = wide ? WicPixelLayout::kRgb48 : WicPixelLayout::kBgr24;
  *header = WicHeader{magic, width, height, maxval, layout};
  return PBM_OK;
}

}  // namespace quentarpbm
