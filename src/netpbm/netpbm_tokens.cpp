// Netpbm tokens: characters with comments, decimal numbers, plain bits, raw bytes, the magic.
#include <stdint.h>
#include <stdio.h>

#include "netpbm/netpbm.h"
#include "platform/stream_read.h"

namespace quentarpbm {

// A CR LF pair ends a comment at the CR, leaving the LF as the next
// character, which matters for where a raw raster starts.
ResultCode SkipNetpbmComment(NetpbmByteSource* source, uint8_t* character) {
  int byte;
  do {
    byte = NextSourceByte(source);
    if (byte == EOF) return PBM_E_READ;
    *character = static_cast<uint8_t>(byte);
  } while (!HasNetpbmClass(*character, kNetpbmLineEnd));
  return PBM_OK;
}

ResultCode ReadNetpbmChar(FILE* stream, uint8_t* character) {
  NetpbmByteSource source = StreamByteSource(stream);
  return ReadNetpbmCharFrom(&source, character);
}

ResultCode ReadNetpbmInt(FILE* stream, int32_t* value) {
  NetpbmByteSource source = StreamByteSource(stream);
  return ReadNetpbmIntFrom(&source, value);
}

ResultCode ReadPlainPbmBit(FILE* stream, uint8_t* bit) {
  NetpbmByteSource source = StreamByteSource(stream);
  return ReadPlainPbmBitFrom(&source, bit);
}

ResultCode ReadNetpbmRawByte(FILE* stream, uint8_t* byte) {
  const int read = ReadStreamByte(stream);
  if (read == EOF) return PBM_E_READ;
  *byte = static_cast<uint8_t>(read);
  return PBM_OK;
}

ResultCode ReadNetpbmMagic(FILE* stream, int32_t* magic) {
  NetpbmByteSource source = StreamByteSource(stream);
  return ReadNetpbmMagicFrom(&source, magic);
}

}  // namespace quentarpbm
