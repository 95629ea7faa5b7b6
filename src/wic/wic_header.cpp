// The header as the codec reads it: every number in the data, pixels, and maxvals up to 65535.
#include <stdint.h>

#include "netpbm/netpbm.h"
#include "wic/wic_decode.h"
#include "wic/wic_image.h"

namespace quentarpbm {

namespace {

// Every format; 16-bit samples; a header the data does not hold whole, or an
// image without pixels, is nothing to show.
constexpr NetpbmHeaderRules kCodecHeaderRules = {3, 65535, true};

}  // namespace

ResultCode ReadWicHeader(NetpbmByteSource* source, WicHeader* header) {
  int32_t magic = 0;
  int32_t width = 0;
  int32_t height = 0;
  int32_t maxval = 0;
  const ResultCode result =
      ReadNetpbmHeaderFrom(source, kCodecHeaderRules, &width, &height, &maxval, &magic);
  if (result != PBM_OK) return result;
  *header = WicHeader{magic, width, height, maxval, LayoutOfImage(magic, maxval)};
  return PBM_OK;
}

}  // namespace quentarpbm
