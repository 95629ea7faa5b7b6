// The checksum test of the 22-byte placeable metafile header.
#include "identify/identify.h"

namespace quentarpbm {

namespace {

constexpr int kChecksumOffset = 20;

uint16_t LittleEndianWord(const uint8_t* bytes) {
  return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
}

}  // namespace

uint16_t PlaceableHeaderChecksum(const uint8_t* header) {
  uint16_t checksum = LittleEndianWord(header);
  for (int offset = 2; offset < kChecksumOffset; offset += 2) {
    checksum = static_cast<uint16_t>(checksum ^ LittleEndianWord(header + offset));
  }
  return checksum;
}

int32_t PlaceableHeaderChecksumOk(const uint8_t* header) {
  if (header == nullptr) return PBM_E_ARGUMENT;
  return PlaceableHeaderChecksum(header) == LittleEndianWord(header + kChecksumOffset) ? 1 : 0;
}

}  // namespace quentarpbm
