// Netpbm tokens: characters with comments, decimal numbers, plain bits, raw bytes, the magic.
#include <stdint.h>
#include <stdio.h>

#include "common/int32_math.h"
#include "netpbm/netpbm.h"
#include "netpbm/netpbm_char_class.h"
#include "platform/stream_read.h"

namespace quentarpbm {

namespace {

// The rest of a comment after its '#': up to LF or CR alone; a CR LF pair
// leaves the LF as the next character, which matters for where a raw raster
// starts. Kept out of line: comments are rare inside rasters.
ResultCode SkipNetpbmComment(FILE* stream, uint8_t* character) {
  int byte;
  do {
    byte = ReadStreamByte(stream);
    if (byte == EOF) return PBM_E_READ;
    *character = static_cast<uint8_t>(byte);
  } while (!HasNetpbmClass(*character, kNetpbmLineEnd));
  return PBM_OK;
}

inline ResultCode NextNetpbmChar(FILE* stream, uint8_t* character) {
  const int byte = ReadStreamByte(stream);
  if (byte == EOF) return PBM_E_READ;
  *character = static_cast<uint8_t>(byte);
  if (byte != '#') return PBM_OK;
  return SkipNetpbmComment(stream, character);
}

// Reads characters while they are whitespace; the result is that of the last
// read, and *character the first non-whitespace one when it is PBM_OK.
inline ResultCode SkipNetpbmWhitespace(FILE* stream, uint8_t* character) {
  ResultCode result;
  do {
    result = NextNetpbmChar(stream, character);
  } while (result == PBM_OK && HasNetpbmClass(*character, kNetpbmWhitespace));
  return result;
}

}  // namespace

ResultCode ReadNetpbmChar(FILE* stream, uint8_t* character) {
  return NextNetpbmChar(stream, character);
}

ResultCode ReadNetpbmInt(FILE* stream, int32_t* value) {
  *value = 0;
  uint8_t character = 0;
  ResultCode result = SkipNetpbmWhitespace(stream, &character);
  // Running out before the first digit is not a failure: the number is 0.
  if (result != PBM_OK) return PBM_OK;
  if (!HasNetpbmClass(character, kNetpbmDigit)) return PBM_E_READ;
  uint32_t number = 0;
  do {
    number = number * 10u + static_cast<uint32_t>(character - '0');
    result = NextNetpbmChar(stream, &character);
  } while (result == PBM_OK && HasNetpbmClass(character, kNetpbmDigit));
  *value = WrapToInt32(number);
  return result;
}

ResultCode ReadPlainPbmBit(FILE* stream, uint8_t* bit) {
  uint8_t character = 0;
  if (SkipNetpbmWhitespace(stream, &character) != PBM_OK) return PBM_E_READ;
  if (character != '0' && character != '1') return PBM_E_READ;
  *bit = static_cast<uint8_t>(character - '0');
  return PBM_OK;
}

ResultCode ReadNetpbmRawByte(FILE* stream, uint8_t* byte) {
  const int read = ReadStreamByte(stream);
  if (read == EOF) return PBM_E_READ;
  *byte = static_cast<uint8_t>(read);
  return PBM_OK;
}

ResultCode ReadNetpbmMagic(FILE* stream, int32_t* magic) {
  uint8_t first = 0;
  uint8_t second = 0;
  if (ReadNetpbmRawByte(stream, &first) != PBM_OK) return PBM_E_READ;
  if (ReadNetpbmRawByte(stream, &second) != PBM_OK) return PBM_E_READ;
  *magic = first * 256 + second;
  return PBM_OK;
}

}  // namespace quentarpbm
