// A copy through the WIC core against the model of the whole image; apart from the model, which
// programs over the codec's DLL use without linking the core.
#include <stdint.h>

#include <vector>

#include "wic_model.h"

namespace quentarpbm::fuzz {

bool CopyMatchesModel(NetpbmOffsetReader reader, WicFrame* frame, const ModelImage& whole,
                      const ModelRequest& request) {
  constexpr uint8_t kSentinel = 0xCD;
  const bool turned =
      request.transform == WicTransform::kRotate90 || request.transform == WicTransform::kRotate270;
  const int32_t outWidth = turned ? request.rect.height : request.rect.width;
  const int32_t outHeight = turned ? request.rect.width : request.rect.height;
  const uint32_t stride = WicRowBytes(request.layout, outWidth) + 1;
  const size_t bytes = static_cast<size_t>(stride) * static_cast<size_t>(outHeight);
  std::vector<uint8_t> got(bytes, kSentinel);
  const WicCopyRequest copy{&request.rect,
                            request.width,
                            request.height,
                            request.layout,
                            request.transform,
                            stride,
                            static_cast<uint32_t>(bytes),
                            got.data()};
  return CopyWicFramePixels(reader, frame, copy, nullptr) == PBM_OK &&
         got == ModelWicCopy(whole, request, stride, bytes, kSentinel);
}

}  // namespace quentarpbm::fuzz
