// Little-endian fields in byte vectors: how DIB headers and colour tables are laid out.
#ifndef QUENTARPBM_TESTS_SUPPORT_LITTLE_ENDIAN_H
#define QUENTARPBM_TESTS_SUPPORT_LITTLE_ENDIAN_H

#include <stddef.h>
#include <stdint.h>

#include <vector>

namespace quentarpbm::testing {

// The field at offset, or 0 when the bytes end before it.
inline uint32_t Dword(const std::vector<uint8_t>& bytes, size_t offset) {
  if (bytes.size() < offset + 4) return 0;
  return static_cast<uint32_t>(bytes[offset]) | static_cast<uint32_t>(bytes[offset + 1]) << 8 |
         static_cast<uint32_t>(bytes[offset + 2]) << 16 |
         static_cast<uint32_t>(bytes[offset + 3]) << 24;
}

inline uint16_t Word(const std::vector<uint8_t>& bytes, size_t offset) {
  if (bytes.size() < offset + 2) return 0;
  return static_cast<uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}

// Writes the field at offset; the bytes must reach that far.
inline void PutDword(std::vector<uint8_t>& bytes, size_t offset, uint32_t value) {
  for (size_t i = 0; i < 4; ++i) bytes.at(offset + i) = static_cast<uint8_t>(value >> (8 * i));
}

inline void PutWord(std::vector<uint8_t>& bytes, size_t offset, uint16_t value) {
  bytes.at(offset) = static_cast<uint8_t>(value);
  bytes.at(offset + 1) = static_cast<uint8_t>(value >> 8);
}

}  // namespace quentarpbm::testing

#endif  // QUENTARPBM_TESTS_SUPPORT_LITTLE_ENDIAN_H
