// DecodeWicFrame and DecodeNetpbmForWic: a whole image into memory of its own, through the rows
// CopyPixels reads.
#include <stdint.h>

#include "netpbm/netpbm.h"
#include "wic/wic_decode.h"
#include "wic/wic_image.h"

namespace quentarpbm {

ResultCode DecodeWicFrame(NetpbmOffsetReader reader, WicFrame* frame, WicImage* image) {
  const WicHeader& header = frame->header;
  WicImage decoded{};
  if (AllocWicImage(header.layout, header.width, header.height, &decoded) != PBM_OK)
    return PBM_E_NO_MEMORY;
  const WicRowTarget target{decoded.pixels, decoded.stride, header.height, false};
  const ResultCode read =
      ReadWicFrameRows(reader, frame, WicRect{0, 0, header.width, header.height}, &target, nullptr);
  if (read != PBM_OK) {
    FreeWicImage(&decoded);
    return read;
  }
  *image = decoded;
  return PBM_OK;
}

ResultCode DecodeNetpbmForWic(NetpbmOffsetReader reader, WicImage* image) {
  WicFrame frame{};
  ResultCode result = OpenWicFrame(reader, 0, &frame);
  if (result != PBM_OK) return result;
  result = DecodeWicFrame(reader, &frame, image);
  CloseWicFrame(&frame);
  return result;
}

}  // namespace quentarpbm
