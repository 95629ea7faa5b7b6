// One image of the data: opened at its header, its rows read by the kind of raster, closed.
#include <stdint.h>

#include "netpbm/netpbm.h"
#include "wic/wic_decode.h"
#include "wic/wic_image.h"

namespace quentarpbm {

ResultCode OpenWicFrame(NetpbmOffsetReader reader, uint64_t offset, WicFrame* frame) {
  // Unbuffered, a read per header byte: the cursor then stands exactly at
  // the raster, and no byte of it has been read.
  NetpbmReadCursor cursor{reader, offset};
  NetpbmByteSource source = ReaderByteSource(CursorStreamReader(&cursor), nullptr, 0);
  WicHeader header{};
  const ResultCode read = ReadWicHeader(&source, &header);
  if (read != PBM_OK) return read;
  // CopyPixels' stride is 32 bits: a longer row cannot be given at all.
  const uint32_t stride = WicRowBytes(header.layout, header.width);
  if (stride == 0) return PBM_E_NO_MEMORY;
  // A raw raster is its rows' bytes; a plain one ends where its text does.
  const uint64_t rasterBytes = uint64_t{stride} * static_cast<uint32_t>(header.height);
  const uint64_t endOffset = IsRawMagic(header.magic) ? cursor.offset + rasterBytes : 0;
  *frame = WicFrame{header, stride, offset, cursor.offset, endOffset, UINT64_MAX, WicRowIndex{}};
  return PBM_OK;
}

void CloseWicFrame(WicFrame* frame) {
  FreeRowScratch(reinterpret_cast<uint8_t*>(frame->rows.offsets));
  FreeRowScratch(frame->rows.text);
  FreeRowScratch(frame->rows.scratch);
  frame->rows = WicRowIndex{};
}

ResultCode ReadWicFrameRows(NetpbmOffsetReader reader, WicFrame* frame, const WicRect& rect,
                            const WicRowTarget* target, WicProgress* progress) {
  if (IsRawMagic(frame->header.magic)) return ReadRawWicRows(reader, frame, rect, target, progress);
  return ReadPlainWicRows(reader, frame, rect, target, progress);
}

}  // namespace quentarpbm
