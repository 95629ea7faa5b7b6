// DibColourCount and DibColourTableSize: the colour table a DIB header implies.
#include <stddef.h>
#include <string.h>

#include "dib/dib.h"

namespace quentarpbm {
namespace {

// Headers in memory may sit at any address, so fields are copied out.
template <typename Field>
Field ReadField(const void* dibHeader, size_t offset) {
  Field value;
  memcpy(&value, static_cast<const unsigned char*>(dibHeader) + offset, sizeof value);
  return value;
}

// The older 12-byte header has 3-byte RGBTRIPLE entries and no entry count.
bool IsCoreHeader(const void* dibHeader) {
  return ReadField<DWORD>(dibHeader, 0) == sizeof(BITMAPCOREHEADER);
}

}  // namespace

uint16_t DibColourCount(const void* dibHeader) {
  WORD bitCount;
  if (IsCoreHeader(dibHeader)) {
    bitCount = ReadField<WORD>(dibHeader, offsetof(BITMAPCOREHEADER, bcBitCount));
  } else {
    // An explicit count wins over the bit count, even when it is larger.
    const auto used = ReadField<DWORD>(dibHeader, offsetof(BITMAPINFOHEADER, biClrUsed));
    if (used != 0) return static_cast<uint16_t>(used);
    bitCount = ReadField<WORD>(dibHeader, offsetof(BITMAPINFOHEADER, biBitCount));
  }
  switch (bitCount) {
    case 1:
      return 2;
    case 4:
      return 16;
    case 8:
      return 256;
    default:
      return 0;
  }
}

uint16_t DibColourTableSize(const void* dibHeader) {
  const unsigned entrySize = IsCoreHeader(dibHeader) ? 3u : 4u;
  // A 16-bit size, as the header's kind defines it; CreateDibHeader refuses
  // palettes whose table would not fit.
  return static_cast<uint16_t>(DibColourCount(dibHeader) * entrySize);
}

}  // namespace quentarpbm
