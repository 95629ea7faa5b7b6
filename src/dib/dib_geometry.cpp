// DIB stride and image size: the wrapping form of the header's fields and the checked form.
#include "common/int32_math.h"
#include "dib/dib.h"

namespace quentarpbm {

// A row is its bits rounded up to whole 32-bit words; both forms take the
// same steps, so they agree wherever the checked one succeeds.
DWORD DibImageSizeWrapping(int32_t width, int32_t height, uint32_t bitCount) {
  const int32_t bits = MulWrapping(width, static_cast<int32_t>(bitCount));
  const int32_t stride = MulWrapping(AddWrapping(bits, 31) / 32, 4);
  return static_cast<DWORD>(MulWrapping(height, stride));
}

bool DibGeometryFits(int32_t width, int32_t height, uint32_t bitCount, int32_t* stride,
                     int32_t* imageSize) {
  int32_t bits = 0;
  int32_t paddedBits = 0;
  if (!MulFitsInt32(width, static_cast<int32_t>(bitCount), &bits)) return false;
  if (!AddFitsInt32(bits, 31, &paddedBits)) return false;
  if (!MulFitsInt32(paddedBits / 32, 4, stride)) return false;
  return MulFitsInt32(height, *stride, imageSize);
}

}  // namespace quentarpbm
