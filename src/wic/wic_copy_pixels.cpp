// CopyWicFramePixels: WIC's argument rules, then the rows read straight into the caller's buffer
// (flipped or reversed in place), turned a band at a time, or resampled.
#include <stddef.h>
#include <stdint.h>

#include "netpbm/netpbm.h"
#include "wic/wic_decode.h"
#include "wic/wic_image.h"

namespace quentarpbm {

ResultCode CopyWicFramePixels(NetpbmOffsetReader reader, WicFrame* frame,
                              const WicCopyRequest& request, WicProgress* progress) {
  const WicHeader& header = frame->header;
  if (request.buffer == nullptr) return PBM_E_ARGUMENT;
  // Only what GetClosestSize and GetClosestPixelFormat would give.
  uint32_t width = request.width;
  uint32_t height = request.height;
  ClosestWicSize(*frame, &width, &height);
  if (width != request.width || height != request.height) return PBM_E_ARGUMENT;
  if (ClosestWicLayout(*frame, &request.layout) != request.layout) return kWicUnsupportedFormat;
  const bool resampled = width != static_cast<uint32_t>(header.width) ||
                         height != static_cast<uint32_t>(header.height) ||
                         request.layout != header.layout;
  // A mean is no bit: scaled PBM comes in grey.
  if (resampled && request.layout == WicPixelLayout::kBlackWhite) return kWicUnsupportedFormat;
  const WicRect whole{0, 0, static_cast<int32_t>(width), static_cast<int32_t>(height)};
  const WicRect rect = request.rect != nullptr ? *request.rect : whole;
  if (rect.x < 0 || rect.y < 0 || rect.width <= 0 || rect.height <= 0) return PBM_E_ARGUMENT;
  if (int64_t{rect.x} + rect.width > whole.width) return PBM_E_ARGUMENT;
  if (int64_t{rect.y} + rect.height > whole.height) return PBM_E_ARGUMENT;
  const bool turned =
      request.transform == WicTransform::kRotate90 || request.transform == WicTransform::kRotate270;
  const int32_t outWidth = turned ? rect.height : rect.width;
  const int32_t outHeight = turned ? rect.width : rect.height;
  const uint32_t rowBytes = WicRowBytes(request.layout, outWidth);
  if (rowBytes == 0 || request.stride < rowBytes) return PBM_E_ARGUMENT;
  // In 64 bits: a stride times the rows may pass 32.
  const uint64_t needed =
      uint64_t{request.stride} * static_cast<uint32_t>(outHeight - 1) + uint64_t{rowBytes};
  if (needed > request.bufferSize) return kWicBufferTooSmall;

  if (resampled) return CopyResampledWicPixels(reader, frame, request, rect, progress);
  if (turned) return CopyTurnedWicRows(reader, frame, request, rect, progress);
  if (!BeginWicProgress(progress, static_cast<uint64_t>(rect.height))) return kWicStopped;
  const bool upsideDown = request.transform == WicTransform::kFlipVertical ||
                          request.transform == WicTransform::kRotate180;
  const bool mirrored = request.transform == WicTransform::kFlipHorizontal ||
                        request.transform == WicTransform::kRotate180;
  const WicRowTarget target{request.buffer, request.stride, rect.height, upsideDown};
  const ResultCode read = ReadWicFrameRows(reader, frame, rect, &target, progress);
  if (read != PBM_OK || !mirrored) return read;
  for (int32_t i = 0; i < rect.height; ++i)
    ReverseWicRow(WicTargetRow(target, i), request.layout, rect.width);
  return PBM_OK;
}

}  // namespace quentarpbm
