// Netpbm tokens read from a byte source: the forms every reader uses, and the FILE* readers wrap.
#ifndef QUENTARPBM_NETPBM_NETPBM_SOURCE_H
#define QUENTARPBM_NETPBM_NETPBM_SOURCE_H

#include <stdint.h>
#include <stdio.h>

#include "common/int32_math.h"
#include "common/result_code.h"
#include "netpbm/fast/decimal_digit_run.h"
#include "netpbm/netpbm_byte_source.h"
#include "netpbm/netpbm_char_class.h"

namespace quentarpbm {

// The rest of a comment after its '#', as ReadNetpbmChar reads it: its
// *character is the LF or CR that ends it. Kept out of line: comments are
// rare inside rasters.
ResultCode SkipNetpbmComment(NetpbmByteSource* source, uint8_t* character);

// The token readers of netpbm.h: same results, same bytes consumed.
inline ResultCode ReadNetpbmCharFrom(NetpbmByteSource* source, uint8_t* character) {
  const int byte = NextSourceByte(source);
  if (byte == EOF) return PBM_E_READ;
  *character = static_cast<uint8_t>(byte);
  if (byte != '#') return PBM_OK;
  return SkipNetpbmComment(source, character);
}

// Reads characters while they are whitespace; the result is that of the last
// read, and *character the first non-whitespace one when it is PBM_OK.
inline ResultCode SkipNetpbmWhitespace(NetpbmByteSource* source, uint8_t* character) {
  ResultCode result;
  do {
    result = ReadNetpbmCharFrom(source, character);
  } while (result == PBM_OK && HasNetpbmClass(*character, kNetpbmWhitespace));
  return result;
}

inline ResultCode ReadNetpbmIntFrom(NetpbmByteSource* source, int32_t* value) {
  *value = 0;
  uint8_t character = 0;
  ResultCode result = SkipNetpbmWhitespace(source, &character);
  // Running out before the first digit is not a failure: the number is 0.
  if (result != PBM_OK) return PBM_OK;
  if (!HasNetpbmClass(character, kNetpbmDigit)) return PBM_E_READ;
  uint32_t number = 0;
  do {
    number = number * 10u + static_cast<uint32_t>(character - '0');
    // Digits still in the buffer are taken in runs: no digit ends the
    // stream or starts a comment. The byte after a run goes the usual way.
    while (source->end - source->next >= 8) {
      uint32_t run = 0;
      const uint32_t length = ReadDecimalDigitRun(source->next, &run);
      number = number * kPowersOfTen[length] + run;
      source->next += length;
      if (length < 7) break;
    }
    result = ReadNetpbmCharFrom(source, &character);
  } while (result == PBM_OK && HasNetpbmClass(character, kNetpbmDigit));
  *value = WrapToInt32(number);
  return result;
}

// Two bytes, the first the high one; PBM_E_READ if either is missing.
inline ResultCode ReadNetpbmMagicFrom(NetpbmByteSource* source, int32_t* magic) {
  const int first = NextSourceByte(source);
  const int second = first != EOF ? NextSourceByte(source) : EOF;
  if (second == EOF) return PBM_E_READ;
  *magic = first * 256 + second;
  return PBM_OK;
}

inline ResultCode ReadPlainPbmBitFrom(NetpbmByteSource* source, uint8_t* bit) {
  uint8_t character = 0;
  if (SkipNetpbmWhitespace(source, &character) != PBM_OK) return PBM_E_READ;
  // One unsigned comparison for both pixel values.
  if (static_cast<uint8_t>(character - '0') > 1) return PBM_E_READ;
  *bit = static_cast<uint8_t>(character - '0');
  return PBM_OK;
}

}  // namespace quentarpbm

#endif  // QUENTARPBM_NETPBM_NETPBM_SOURCE_H
