// The images of the data one after another: where one ends, whitespace, then the next one's
// whole header.
#include <stdint.h>

#include "netpbm/netpbm.h"
#include "wic/wic_decode.h"
#include "wic/wic_image.h"

namespace quentarpbm {

namespace {

constexpr size_t kGapBlockBytes = 256;

// Moves *offset past whitespace; false when the data ends first.
bool SkipWhitespace(NetpbmOffsetReader reader, uint64_t* offset) {
  uint8_t block[kGapBlockBytes];
  for (;;) {
    const size_t got = reader.readAt(reader.context, *offset, block, sizeof block);
    if (got == 0) return false;
    for (size_t i = 0; i < got; ++i) {
      if (!HasNetpbmClass(block[i], kNetpbmWhitespace)) {
        *offset += i;
        return true;
      }
    }
    *offset += got;
  }
}

}  // namespace

ResultCode FindNextNetpbmImage(NetpbmOffsetReader reader, WicFrame* frame, WicFrame* next) {
  // A plain raster ends where its last row's text does: read on from the
  // last row known to the end.
  if (frame->endOffset == 0) {
    const WicRect last{0, frame->header.height - 1, frame->header.width, 1};
    const ResultCode read = ReadWicFrameRows(reader, frame, last, nullptr, nullptr);
    if (read != PBM_OK) return read;
  }
  uint64_t at = frame->endOffset;
  if (!SkipWhitespace(reader, &at)) return PBM_E_READ;
  return OpenWicFrame(reader, at, next) == PBM_OK ? PBM_OK : PBM_E_READ;
}

uint32_t CountNetpbmImages(NetpbmOffsetReader reader, uint32_t limit, bool headersOnly) {
  WicFrame frame{};
  if (limit == 0 || OpenWicFrame(reader, 0, &frame) != PBM_OK) return 0;
  uint32_t count = 1;
  WicFrame next{};
  while (count < limit && !(headersOnly && frame.endOffset == 0) &&
         FindNextNetpbmImage(reader, &frame, &next) == PBM_OK) {
    CloseWicFrame(&frame);
    frame = next;
    ++count;
  }
  CloseWicFrame(&frame);
  return count;
}

}  // namespace quentarpbm
