// CopyWicFramePixels against the whole frame's decode: every rectangle, band, flip, turn and
// scale of generated images, whole and cut short, equals the model worked out from the whole.
#include <gtest/gtest.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "memory_stream_reader.h"
#include "wic/wic_image.h"
#include "wic_model.h"

namespace quentarpbm {
namespace {

using fuzz::MemoryOffsetReader;
using fuzz::MemoryStream;
using fuzz::ModelImage;
using fuzz::ModelRequest;

// A Netpbm file of magic P<kind>, its samples from a simple generator (some
// above maxval, which the codec takes as maxval): plain numbers spaced by
// blanks and line ends, a comment in the header, compact or spaced PBM.
// *header gets the header's length.
std::string MakeImage(int kind, int32_t maxval, int32_t width, int32_t height,
                      size_t* header = nullptr) {
  uint32_t state = static_cast<uint32_t>(kind * 7919 + maxval * 31 + width * height);
  auto next = [&state](uint32_t bound) {
    state = state * 1103515245u + 12345u;
    return (state >> 8) % bound;
  };
  std::string file = "P" + std::to_string(kind) + "\n# made by the test\n" + std::to_string(width) +
                     " " + std::to_string(height) + "\n";
  const bool bits = kind == 1 || kind == 4;
  if (!bits) file += std::to_string(maxval) + "\n";
  if (header != nullptr) *header = file.size();
  const int32_t samples = (kind == 3 || kind == 6 ? 3 : 1) * width;
  const auto top = static_cast<uint32_t>(maxval) + 12;
  for (int32_t y = 0; y < height; ++y) {
    if (kind == 4) {
      for (int32_t i = 0; i < (width + 7) / 8; ++i) file += static_cast<char>(next(256));
    }
    for (int32_t i = 0; i < samples && kind != 4; ++i) {
      const uint32_t value = bits ? next(2) : next(top > 65535 && kind > 3 ? 65536 : top);
      if (kind <= 3) {
        file += std::to_string(value) + (i % 5 == 4 ? "\n" : bits && y % 2 == 0 ? "" : " ");
      } else if (maxval > 255) {
        file += {static_cast<char>(value >> 8), static_cast<char>(value)};
      } else {
        file += static_cast<char>(value);
      }
    }
  }
  return file;
}

struct Checked {
  size_t images = 0;
  size_t copies = 0;
};

// The copy of request against the model of the whole, counted.
bool CopyMatches(MemoryStream* stream, WicFrame* frame, const ModelImage& whole,
                 const ModelRequest& request, Checked* checked) {
  ++checked->copies;
  const bool same = fuzz::CopyMatchesModel(MemoryOffsetReader(stream), frame, whole, request);
  EXPECT_TRUE(same) << "rect " << request.rect.x << "," << request.rect.y << " "
                    << request.rect.width << "x" << request.rect.height << " of " << request.width
                    << "x" << request.height << " layout " << static_cast<int>(request.layout)
                    << " transform " << static_cast<int>(request.transform);
  return same;
}

// Every check on one file: rectangles from the bottom up, bands top down,
// then flips, turns and scales, all on one frame, as a host reuses it.
void CheckFile(const std::string& file, Checked* checked) {
  MemoryStream stream{file, 0};
  WicImage image{};
  ASSERT_EQ(DecodeNetpbmForWic(MemoryOffsetReader(&stream), &image), PBM_OK);
  const ModelImage whole = fuzz::ModelImageOf(image);
  FreeWicImage(&image);
  WicFrame frame{};
  ASSERT_EQ(OpenWicFrame(MemoryOffsetReader(&stream), 0, &frame), PBM_OK);
  ++checked->images;
  const int32_t w = whole.width;
  const int32_t h = whole.height;
  const auto width = static_cast<uint32_t>(w);
  const auto height = static_cast<uint32_t>(h);
  const WicPixelLayout own = whole.layout;
  bool same = true;
  for (int32_t y = h - 1; y >= 0 && same; y -= (h > 40 ? 97 : 1)) {
    for (int32_t x = 0; x < w && same; x += (w > 40 ? 1021 : 1)) {
      for (const int32_t wanted : {1, 7, 9, w - x}) {
        const int32_t rectWidth = wanted < w - x ? wanted : w - x;
        const ModelRequest request{
            {x, y, rectWidth, h - y < 3 ? h - y : 3}, width, height, own, WicTransform::kNone};
        same = same && CopyMatches(&stream, &frame, whole, request, checked);
      }
    }
  }
  for (const int32_t band : {1, 2, 64}) {
    for (int32_t y = 0; y < h && same; y += band) {
      const ModelRequest request{
          {0, y, w, h - y < band ? h - y : band}, width, height, own, WicTransform::kNone};
      same = CopyMatches(&stream, &frame, whole, request, checked);
    }
  }
  const WicPixelLayout grey = own == WicPixelLayout::kBlackWhite ? WicPixelLayout::kGray8 : own;
  for (int t = 0; t <= static_cast<int>(WicTransform::kFlipVertical) && same; ++t) {
    const auto transform = static_cast<WicTransform>(t);
    for (const uint32_t scaledWidth : {width, (width + 1) / 2, 1u}) {
      for (const uint32_t scaledHeight : {height, (height + 2) / 3}) {
        const bool scaled = scaledWidth != width || scaledHeight != height;
        const WicRect all{0, 0, static_cast<int32_t>(scaledWidth),
                          static_cast<int32_t>(scaledHeight)};
        const WicRect inner{all.width / 3, all.height / 2, all.width - all.width / 3,
                            all.height - all.height / 2};
        for (const WicRect& rect : {all, inner}) {
          for (const WicPixelLayout layout : {own, grey}) {
            if (scaled && layout == WicPixelLayout::kBlackWhite) continue;
            const ModelRequest request{rect, scaledWidth, scaledHeight, layout, transform};
            same = same && CopyMatches(&stream, &frame, whole, request, checked);
          }
        }
      }
    }
  }
  CloseWicFrame(&frame);
}

TEST(WicCopyRects, EqualTheModelOfTheWholeFrame) {
  Checked checked;
  const int32_t kMaxvals[] = {1, 100, 255, 256, 65535};
  for (int kind = 1; kind <= 6; ++kind) {
    for (const int32_t maxval : kMaxvals) {
      if ((kind == 1 || kind == 4) && maxval != 1) continue;
      size_t header = 0;
      const std::string file = MakeImage(kind, maxval, 13, 7, &header);
      // Whole, and cut short just after the header, in a sample's middle,
      // in a row's and after a third of the raster.
      for (const size_t size : {file.size(), header + 1, file.size() - 5,
                                (file.size() + header) / 2, header + (file.size() - header) / 3}) {
        SCOPED_TRACE("P" + std::to_string(kind) + " maxval " + std::to_string(maxval) + " cut to " +
                     std::to_string(size) + " of " + std::to_string(file.size()));
        CheckFile(file.substr(0, size), &checked);
      }
    }
  }
  // Plain rows past the row index's first entries, and rows of more than one
  // piece of the plain readers.
  for (const int kind : {1, 2, 3}) {
    SCOPED_TRACE("P" + std::to_string(kind) + " tall and wide");
    CheckFile(MakeImage(kind, 300, 3, 700), &checked);
    CheckFile(MakeImage(kind, 200, 8200, 2), &checked);
  }
  // A grey row that ends at a bad sample in its first piece.
  std::string badRow = "P2 8200 2 255\n5 x";
  for (int i = 0; i < 8300; ++i) badRow += " 7";
  CheckFile(badRow, &checked);
  printf("%zu copies of %zu images equal the model of the whole frame\n", checked.copies,
         checked.images);
  EXPECT_GT(checked.copies, 10000u);
}

}  // namespace
}  // namespace quentarpbm
