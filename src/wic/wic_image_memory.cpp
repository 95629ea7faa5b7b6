// The decoded image's memory: its row size, one zeroed block, and its release.
#include <stdint.h>

#include "common/int32_math.h"
#include "platform/win32_api.h"
#include "wic/wic_decode.h"
#include "wic/wic_image.h"

namespace quentarpbm {

uint32_t WicRowBytes(WicPixelLayout layout, int32_t width) {
  if (width <= 0) return 0;
  const uint64_t bytes =
      (static_cast<uint64_t>(width) * static_cast<uint64_t>(TraitsOfLayout(layout).bitsPerPixel) +
       7) /
      8;
  return bytes <= UINT32_MAX ? static_cast<uint32_t>(bytes) : 0;
}

ResultCode AllocWicImage(WicPixelLayout layout, int32_t width, int32_t height, WicImage* image) {
  // The same bound as the row store's: a 32-bit process has only 2 to 4 GB
  // of address space, and the frame that holds the image adds little more.
  const uint32_t stride = WicRowBytes(layout, width);
  int32_t bytes = 0;
  if (stride == 0 || stride > INT32_MAX ||
      !MulFitsInt32(height, static_cast<int32_t>(stride), &bytes)) {
    return PBM_E_NO_MEMORY;
  }
  // Committed pages from the system are zero already: no second clearing.
  void* pixels =
      VirtualAlloc(nullptr, static_cast<SIZE_T>(bytes), MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  if (pixels == nullptr) return PBM_E_NO_MEMORY;
  *image = WicImage{width, height, layout, stride, static_cast<uint8_t*>(pixels)};
  return PBM_OK;
}

void FreeWicImage(WicImage* image) {
  if (image->pixels == nullptr) return;
  VirtualFree(image->pixels, 0, MEM_RELEASE);
  image->pixels = nullptr;
}

}  // namespace quentarpbm
