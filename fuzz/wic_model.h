// What a WIC copy of an image holds, worked out plainly from the whole image: the tests' and fuzz
// targets' model of CopyWicFramePixels.
#ifndef QUENTARPBM_FUZZ_WIC_MODEL_H
#define QUENTARPBM_FUZZ_WIC_MODEL_H

#include <stdint.h>

#include <string>
#include <vector>

#include "wic/wic_image.h"

namespace quentarpbm::fuzz {

// A whole image in WIC's layout, rows packed at stride.
struct ModelImage {
  int32_t width = 0;
  int32_t height = 0;
  WicPixelLayout layout = WicPixelLayout::kBlackWhite;
  uint32_t stride = 0;
  std::vector<uint8_t> pixels;
};

// The image a decode gave.
ModelImage ModelImageOf(const WicImage& image);
// netpbm's raw output (P4, P5 or P6 with maxval 1, 255 or 65535, one
// whitespace before the raster) in WIC's layout: PBM's bits inverted (WIC's
// 0 is black), red and blue swapped for 8-bit colour, 16-bit samples low
// byte first. False when the bytes are none of those.
bool ModelImageOfNetpbm(const std::string& bytes, ModelImage* image);

// A copy as CopyWicFramePixels is asked for one.
struct ModelRequest {
  WicRect rect;
  uint32_t width;
  uint32_t height;
  WicPixelLayout layout;
  WicTransform transform;
};

// The bytes of the copy at stride, in a buffer of bytes (sentinel where
// the copy writes nothing): each pixel of a scaled image the sum over the
// source pixels of each one's sample times the area it shares with the
// output pixel, over the whole area, rounded half up (PBM's white 255);
// then the rectangle, then the flip or quarter turn (clockwise). A
// BlackWhite row's bits past its width are the source's next pixels (white
// past the image) for rows neither mirrored nor turned, white otherwise.
std::vector<uint8_t> ModelWicCopy(const ModelImage& whole, const ModelRequest& request,
                                  uint32_t stride, size_t bytes, uint8_t sentinel);

// Copies request from frame (read through reader) at a stride of a row's
// bytes and one more, which the copy must leave alone, and compares the
// buffer with the model of whole: true when the copy gave PBM_OK and equals
// it (wic_model_copy.cpp; its callers link the WIC core).
bool CopyMatchesModel(NetpbmOffsetReader reader, WicFrame* frame, const ModelImage& whole,
                      const ModelRequest& request);

}  // namespace quentarpbm::fuzz

#endif  // QUENTARPBM_FUZZ_WIC_MODEL_H
