// DecodeNetpbmForWic: the header, the image's memory, then the raster, raw or plain.
#include <stddef.h>
#include <stdint.h>

#include "netpbm/netpbm.h"
#include "wic/wic_decode.h"
#include "wic/wic_image.h"

namespace quentarpbm {

namespace {

bool IsRawMagic(int32_t magic) {
  return magic == kMagicP4 || magic == kMagicP5 || magic == kMagicP6;
}

}  // namespace

ResultCode DecodeNetpbmForWic(NetpbmStreamReader reader, WicImage* image) {
  // The header, a few bytes, is read a call of reader per byte, so that
  // nothing is read ahead of the raster: raw rows then go from the reader
  // straight into the image, and plain text through a buffer sized to it.
  NetpbmByteSource source = ReaderByteSource(reader, nullptr, 0);
  WicHeader header{};
  const ResultCode read = ReadWicHeader(&source, &header);
  if (read != PBM_OK) return read;
  WicImage decoded{};
  if (AllocWicImage(header.layout, header.width, header.height, &decoded) != PBM_OK)
    return PBM_E_NO_MEMORY;
  if (IsRawMagic(header.magic)) {
    ReadRawWicRaster(&source, header, decoded);
    *image = decoded;
    return PBM_OK;
  }
  // On the heap: hosts decode on threads with small stacks.
  const size_t bufferBytes =
      TextBufferBytes(header.width, header.height, TraitsOfLayout(header.layout).samplesPerPixel);
  uint8_t* buffer = nullptr;
  ResultCode result = AllocRowScratch(static_cast<int32_t>(bufferBytes), 1, &buffer);
  if (result == PBM_OK) {
    NetpbmByteSource text = ReaderByteSource(reader, buffer, bufferBytes);
    result = ReadPlainWicRaster(&text, header, decoded);
    // Nothing goes back to a reader, but the source is released as every
    // buffered one is.
    ReleaseByteSource(&text);
  }
  FreeRowScratch(buffer);
  if (result != PBM_OK) {
    FreeWicImage(&decoded);
    return result;
  }
  *image = decoded;
  return PBM_OK;
}

}  // namespace quentarpbm
