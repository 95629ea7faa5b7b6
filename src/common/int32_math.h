// Size arithmetic in one place: 32-bit wrapping where the file formats want it,
// checked products everywhere a size reaches an allocation or a mapping.
#ifndef QUENTARPBM_COMMON_INT32_MATH_H
#define QUENTARPBM_COMMON_INT32_MATH_H

#include <stdint.h>

namespace quentarpbm {

// A number accumulated modulo 2^32, read back as signed: decimal numbers in
// Netpbm headers have no digit limit and wrap (4294967295 reads as -1).
inline int32_t WrapToInt32(uint32_t value) { return static_cast<int32_t>(value); }

// a * b in signed 32-bit arithmetic that wraps on overflow.
inline int32_t MulWrapping(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}

// a + b in signed 32-bit arithmetic that wraps on overflow.
inline int32_t AddWrapping(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

// a * b into *product when both are non-negative and the product fits in a
// signed 32-bit integer; false (and *product untouched) otherwise.
inline bool MulFitsInt32(int32_t a, int32_t b, int32_t* product) {
  if (a < 0 || b < 0) return false;
  const int64_t wide = static_cast<int64_t>(a) * static_cast<int64_t>(b);
  if (wide > INT32_MAX) return false;
  *product = static_cast<int32_t>(wide);
  return true;
}

// a + b into *sum when both are non-negative and the sum fits in a signed
// 32-bit integer; false (and *sum untouched) otherwise.
inline bool AddFitsInt32(int32_t a, int32_t b, int32_t* sum) {
  if (a < 0 || b < 0) return false;
  const int64_t wide = static_cast<int64_t>(a) + static_cast<int64_t>(b);
  if (wide > INT32_MAX) return false;
  *sum = static_cast<int32_t>(wide);
  return true;
}

}  // namespace quentarpbm

#endif  // QUENTARPBM_COMMON_INT32_MATH_H
