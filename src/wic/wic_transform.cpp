// Flips and quarter turns: WIC's options read, rows reversed, pixels put where a transform takes
// them, and unscaled rows turned a band at a time.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "netpbm/netpbm.h"
#include "wic/wic_decode.h"
#include "wic/wic_image.h"

namespace quentarpbm {

namespace {

constexpr uint32_t kTurnBits = 3;
constexpr uint32_t kFlipHorizontalBit = 8;
constexpr uint32_t kFlipVerticalBit = 16;

void SetBitAt(uint8_t* row, int64_t x, bool set) {
  const auto mask = static_cast<uint8_t>(0x80u >> (x % 8));
  row[x / 8] = static_cast<uint8_t>(set ? row[x / 8] | mask : row[x / 8] & ~mask);
}

}  // namespace

bool TransformOfWicOptions(uint32_t options, WicTransform* transform) {
  if ((options & ~(kTurnBits | kFlipHorizontalBit | kFlipVerticalBit)) != 0) return false;
  uint32_t turns = options & kTurnBits;
  bool horizontal = (options & kFlipHorizontalBit) != 0;
  bool vertical = (options & kFlipVerticalBit) != 0;
  // Both flips are half a turn, and half a turn with one flip is the other.
  if (horizontal && vertical) {
    turns = (turns + 2) % 4;
    horizontal = vertical = false;
  }
  if (horizontal || vertical) {
    if (turns % 2 == 1) return false;
    if (turns == 2) horizontal = !horizontal;
    *transform = horizontal ? WicTransform::kFlipHorizontal : WicTransform::kFlipVertical;
    return true;
  }
  static constexpr WicTransform kTurns[] = {WicTransform::kNone, WicTransform::kRotate90,
                                            WicTransform::kRotate180, WicTransform::kRotate270};
  *transform = kTurns[turns];
  return true;
}

void ReverseWicRow(uint8_t* row, WicPixelLayout layout, int32_t width) {
  if (layout == WicPixelLayout::kBlackWhite) {
    for (int64_t left = 0, right = width - 1; left < right; ++left, --right) {
      const bool bit = WicBitAt(row, left);
      SetBitAt(row, left, WicBitAt(row, right));
      SetBitAt(row, right, bit);
    }
    WhitenWicPadBits(row, 0, 1, width);
    return;
  }
  const auto pixelBytes = static_cast<size_t>(TraitsOfLayout(layout).bitsPerPixel / 8);
  uint8_t pixel[6];
  for (int64_t left = 0, right = width - 1; left < right; ++left, --right) {
    uint8_t* a = row + static_cast<size_t>(left) * pixelBytes;
    uint8_t* b = row + static_cast<size_t>(right) * pixelBytes;
    memcpy(pixel, a, pixelBytes);
    memcpy(a, b, pixelBytes);
    memcpy(b, pixel, pixelBytes);
  }
}

void PlaceWicPixels(const uint8_t* pixels, int32_t count, int32_t x, int32_t y,
                    WicPixelLayout layout, WicTransform transform, int32_t width, int32_t height,
                    uint8_t* buffer, uint32_t stride) {
  // Where the first pixel lands, and the step to the next, by transform.
  int64_t outX = x;
  int64_t outY = y;
  int64_t stepX = 1;
  int64_t stepY = 0;
  switch (transform) {
    case WicTransform::kNone:
      break;
    case WicTransform::kRotate90:
      outX = height - 1 - y;
      outY = x;
      stepX = 0;
      stepY = 1;
      break;
    case WicTransform::kRotate180:
      outX = width - 1 - x;
      outY = height - 1 - y;
      stepX = -1;
      break;
    case WicTransform::kRotate270:
      outX = y;
      outY = width - 1 - x;
      stepX = 0;
      stepY = -1;
      break;
    case WicTransform::kFlipHorizontal:
      outX = width - 1 - x;
      stepX = -1;
      break;
    case WicTransform::kFlipVertical:
      outY = height - 1 - y;
      break;
  }
  const auto pixelBytes = static_cast<size_t>(TraitsOfLayout(layout).bitsPerPixel / 8);
  for (int32_t i = 0; i < count; ++i, outX += stepX, outY += stepY) {
    uint8_t* row = buffer + static_cast<size_t>(outY) * stride;
    if (pixelBytes == 0) {
      SetBitAt(row, outX, WicBitAt(pixels, i));
    } else {
      memcpy(row + static_cast<size_t>(outX) * pixelBytes,
             pixels + static_cast<size_t>(i) * pixelBytes, pixelBytes);
    }
  }
}

void WhitenWicPadBits(uint8_t* buffer, uint32_t stride, int32_t rows, int32_t width) {
  if (width % 8 == 0) return;
  const uint32_t last = WicRowBytes(WicPixelLayout::kBlackWhite, width) - 1;
  const uint8_t pad = WicPadBits(width);
  for (int32_t i = 0; i < rows; ++i) buffer[static_cast<size_t>(i) * stride + last] |= pad;
}

ResultCode CopyTurnedWicRows(NetpbmOffsetReader reader, WicFrame* frame,
                             const WicCopyRequest& request, const WicRect& rect,
                             WicProgress* progress) {
  // Columns in pieces whose band of a row at least fits kWicBandBytes, and
  // as many rows of them as fit.
  const auto bits = static_cast<uint64_t>(TraitsOfLayout(request.layout).bitsPerPixel);
  const uint64_t fitting = kWicBandBytes * 8 / bits;
  const int32_t pieceWidth =
      fitting < static_cast<uint64_t>(rect.width) ? static_cast<int32_t>(fitting) : rect.width;
  const uint32_t span = WicRowBytes(request.layout, pieceWidth);
  const size_t bandFitting = kWicBandBytes / span;
  const int32_t bandRows = bandFitting < static_cast<size_t>(rect.height)
                               ? static_cast<int32_t>(bandFitting)
                               : rect.height;
  uint8_t* band = nullptr;
  if (AllocRowScratch(bandRows, static_cast<int32_t>(span), &band) != PBM_OK)
    return PBM_E_NO_MEMORY;
  const int64_t pieces = (int64_t{rect.width} + pieceWidth - 1) / pieceWidth;
  ResultCode result = BeginWicProgress(progress, static_cast<uint64_t>(pieces * rect.height))
                          ? PBM_OK
                          : kWicStopped;
  for (int32_t x = 0; x < rect.width && result == PBM_OK; x += pieceWidth) {
    const int32_t width = rect.width - x < pieceWidth ? rect.width - x : pieceWidth;
    const uint32_t bytes = WicRowBytes(request.layout, width);
    for (int32_t y = 0; y < rect.height && result == PBM_OK; y += bandRows) {
      const int32_t rows = rect.height - y < bandRows ? rect.height - y : bandRows;
      const WicRowTarget target{band, bytes, rows, false};
      result = ReadWicFrameRows(reader, frame, WicRect{rect.x + x, rect.y + y, width, rows},
                                &target, progress);
      for (int32_t j = 0; j < rows && result == PBM_OK; ++j) {
        PlaceWicPixels(band + static_cast<size_t>(j) * bytes, width, x, y + j, request.layout,
                       request.transform, rect.width, rect.height, request.buffer, request.stride);
      }
    }
  }
  FreeRowScratch(band);
  // Turned, the output's rows are as long as the rectangle is high.
  if (result == PBM_OK && request.layout == WicPixelLayout::kBlackWhite)
    WhitenWicPadBits(request.buffer, request.stride, rect.width, rect.height);
  return result;
}

}  // namespace quentarpbm
