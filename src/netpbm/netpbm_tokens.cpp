// Netpbm tokens: characters with comments, decimal numbers, plain bits, raw bytes, the magic.
#include <stdint.h>
#include <stdio.h>

#include "common/int32_math.h"
#include "netpbm/netpbm.h"

namespace quentarpbm {

namespace {

// Exactly these four, not <ctype.h>: VT and FF are not whitespace here, and
// bytes of 128 and above are in no class whatever the C locale says.
bool IsNetpbmWhitespace(uint8_t c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool IsNetpbmDigit(uint8_t c) { return c >= '0' && c <= '9'; }

// Reads characters while they are whitespace; the result is that of the last
// read, and *character the first non-whitespace one when it is PBM_OK.
ResultCode SkipNetpbmWhitespace(FILE* stream, uint8_t* character) {
  ResultCode result;
  do {
    result = ReadNetpbmChar(stream, character);
  } while (result == PBM_OK && IsNetpbmWhitespace(*character));
  return result;
}

}  // namespace

ResultCode ReadNetpbmChar(FILE* stream, uint8_t* character) {
  int byte = getc(stream);
  if (byte == EOF) return PBM_E_READ;
  *character = static_cast<uint8_t>(byte);
  if (byte != '#') return PBM_OK;
  // A comment runs to LF or CR alone; a CR LF pair leaves the LF as the next
  // character, which matters for where a raw raster starts.
  do {
    byte = getc(stream);
    if (byte == EOF) return PBM_E_READ;
    *character = static_cast<uint8_t>(byte);
  } while (byte != '\n' && byte != '\r');
  return PBM_OK;
}

ResultCode ReadNetpbmInt(FILE* stream, int32_t* value) {
  *value = 0;
  uint8_t character = 0;
  ResultCode result = SkipNetpbmWhitespace(stream, &character);
  // Running out before the first digit is not a failure: the number is 0.
  if (result != PBM_OK) return PBM_OK;
  if (!IsNetpbmDigit(character)) return PBM_E_READ;
  int32_t number = 0;
  do {
    number = AppendDecimalDigitWrapping(number, static_cast<uint32_t>(character - '0'));
    *value = number;
    result = ReadNetpbmChar(stream, &character);
  } while (result == PBM_OK && IsNetpbmDigit(character));
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
  const int read = getc(stream);
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
