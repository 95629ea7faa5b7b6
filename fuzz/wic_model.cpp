// What a WIC copy of an image holds, worked out plainly from the whole image.
#include "wic_model.h"

#include <stdint.h>

#include <sstream>
#include <string>
#include <vector>

namespace quentarpbm::fuzz {

namespace {

int BitsOf(WicPixelLayout layout) {
  switch (layout) {
    case WicPixelLayout::kBlackWhite:
      return 1;
    case WicPixelLayout::kGray8:
      return 8;
    case WicPixelLayout::kGray16:
      return 16;
    case WicPixelLayout::kBgr24:
      return 24;
    case WicPixelLayout::kRgb48:
      return 48;
  }
  return 0;
}

bool Wide(WicPixelLayout layout) {
  return layout == WicPixelLayout::kGray16 || layout == WicPixelLayout::kRgb48;
}

int SamplesOf(WicPixelLayout layout) {
  return layout == WicPixelLayout::kBgr24 || layout == WicPixelLayout::kRgb48 ? 3 : 1;
}

// Sample c of pixel (x, y); a PBM pixel is 0 black or 255 white.
uint32_t SampleOf(const ModelImage& image, int64_t x, int64_t y, int c) {
  const uint8_t* row = image.pixels.data() + static_cast<size_t>(y) * image.stride;
  const int samples = SamplesOf(image.layout);
  if (image.layout == WicPixelLayout::kBlackWhite) return (row[x / 8] >> (7 - x % 8)) & 1 ? 255 : 0;
  const int64_t at = x * samples + c;
  if (!Wide(image.layout)) return row[at];
  return row[2 * at] | static_cast<uint32_t>(row[2 * at + 1]) << 8;
}

// How much [a, a + size) and [b, b + other) share.
uint64_t Shared(uint64_t a, uint64_t size, uint64_t b, uint64_t other) {
  const uint64_t low = a > b ? a : b;
  const uint64_t high = a + size < b + other ? a + size : b + other;
  return high > low ? high - low : 0;
}

// Sample c of pixel (x, y) of the whole image scaled to width x height:
// with every source pixel cut into width x height parts and every output
// pixel made of W x H of those parts, the parts each source pixel gives it.
uint32_t ScaledSampleOf(const ModelImage& whole, const ModelRequest& request, int64_t x, int64_t y,
                        int c) {
  const auto w = static_cast<uint64_t>(whole.width);
  const auto h = static_cast<uint64_t>(whole.height);
  if (request.width == w && request.height == h) return SampleOf(whole, x, y, c);
  const uint64_t left = static_cast<uint64_t>(x) * w;
  const uint64_t top = static_cast<uint64_t>(y) * h;
  uint64_t sum = 0;
  for (uint64_t sy = top / request.height; sy * request.height < top + h; ++sy) {
    const uint64_t rows = Shared(top, h, sy * request.height, request.height);
    for (uint64_t sx = left / request.width; sx * request.width < left + w; ++sx) {
      const uint64_t part = rows * Shared(left, w, sx * request.width, request.width);
      sum += part * SampleOf(whole, static_cast<int64_t>(sx), static_cast<int64_t>(sy), c);
    }
  }
  return static_cast<uint32_t>((2 * sum + w * h) / (2 * w * h));
}

void PutBit(uint8_t* row, int64_t x, bool white) {
  const auto mask = static_cast<uint8_t>(0x80u >> (x % 8));
  row[x / 8] = static_cast<uint8_t>(white ? row[x / 8] | mask : row[x / 8] & ~mask);
}

}  // namespace

ModelImage ModelImageOf(const WicImage& image) {
  ModelImage model{image.width, image.height, image.layout, image.stride, {}};
  model.pixels.assign(image.pixels, image.pixels + static_cast<size_t>(image.stride) *
                                                       static_cast<size_t>(image.height));
  return model;
}

bool ModelImageOfNetpbm(const std::string& bytes, ModelImage* image) {
  std::istringstream in(bytes);
  std::string magic;
  int32_t maxval = 1;
  if (!(in >> magic >> image->width >> image->height)) return false;
  if (magic != "P4" && !(in >> maxval)) return false;
  in.get();
  const std::string raster((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const bool wide = maxval > 255;
  if (magic == "P4") {
    image->layout = WicPixelLayout::kBlackWhite;
  } else if (magic == "P5") {
    image->layout = wide ? WicPixelLayout::kGray16 : WicPixelLayout::kGray8;
  } else if (magic == "P6") {
    image->layout = wide ? WicPixelLayout::kRgb48 : WicPixelLayout::kBgr24;
  } else {
    return false;
  }
  image->stride = static_cast<uint32_t>((int64_t{image->width} * BitsOf(image->layout) + 7) / 8);
  const size_t size = static_cast<size_t>(image->stride) * static_cast<size_t>(image->height);
  if (raster.size() < size) return false;
  image->pixels.assign(raster.begin(), raster.begin() + static_cast<ptrdiff_t>(size));
  for (size_t i = 0; i < image->pixels.size(); ++i) {
    uint8_t* at = &image->pixels[i];
    if (image->layout == WicPixelLayout::kBlackWhite) {
      *at = static_cast<uint8_t>(~*at);
    } else if (wide && i % 2 == 0) {
      std::swap(at[0], at[1]);
    } else if (image->layout == WicPixelLayout::kBgr24 && i % 3 == 0) {
      std::swap(at[0], at[2]);
    }
  }
  return true;
}

std::vector<uint8_t> ModelWicCopy(const ModelImage& whole, const ModelRequest& request,
                                  uint32_t stride, size_t bytes, uint8_t sentinel) {
  std::vector<uint8_t> out(bytes, sentinel);
  const WicRect& rect = request.rect;
  const bool turned =
      request.transform == WicTransform::kRotate90 || request.transform == WicTransform::kRotate270;
  const int64_t outWidth = turned ? rect.height : rect.width;
  const int64_t outHeight = turned ? rect.width : rect.height;
  const int bits = BitsOf(request.layout);
  const int samples = SamplesOf(request.layout);
  const int64_t rowBytes = (outWidth * bits + 7) / 8;
  for (int64_t ty = 0; ty < outHeight; ++ty) {
    uint8_t* row = out.data() + static_cast<size_t>(ty) * stride;
    for (int64_t tx = 0; tx < rowBytes * 8 / bits; ++tx) {
      // The rectangle's pixel that the transform puts at (tx, ty).
      int64_t cx = tx;
      int64_t cy = ty;
      switch (request.transform) {
        case WicTransform::kNone:
          break;
        case WicTransform::kFlipHorizontal:
          cx = rect.width - 1 - tx;
          break;
        case WicTransform::kFlipVertical:
          cy = rect.height - 1 - ty;
          break;
        case WicTransform::kRotate180:
          cx = rect.width - 1 - tx;
          cy = rect.height - 1 - ty;
          break;
        case WicTransform::kRotate90:
          cx = ty;
          cy = rect.height - 1 - tx;
          break;
        case WicTransform::kRotate270:
          cx = rect.width - 1 - ty;
          cy = tx;
          break;
      }
      if (tx >= outWidth) {
        // A BlackWhite row's last bits: the source's own next pixels only
        // where rows are copied as they lie.
        const bool asLying = request.transform == WicTransform::kNone ||
                             request.transform == WicTransform::kFlipVertical;
        const int64_t x = rect.x + tx;
        PutBit(row, tx, !asLying || x >= whole.width || SampleOf(whole, x, rect.y + cy, 0) != 0);
        continue;
      }
      for (int c = 0; c < samples; ++c) {
        const uint32_t value = ScaledSampleOf(whole, request, rect.x + cx, rect.y + cy, c);
        const int64_t at = tx * samples + c;
        if (request.layout == WicPixelLayout::kBlackWhite) {
          PutBit(row, tx, value != 0);
        } else if (Wide(request.layout)) {
          row[2 * at] = static_cast<uint8_t>(value);
          row[2 * at + 1] = static_cast<uint8_t>(value >> 8);
        } else {
          row[at] = static_cast<uint8_t>(value);
        }
      }
    }
  }
  return out;
}

}  // namespace quentarpbm::fuzz
