// The core's scaled, grey, flipped and turned copies of the WIC reference images against the
// area averages of netpbm's own decoding of each, and a file of several images against
// netpbm's split of it.
#include <gtest/gtest.h>
#include <stdint.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "memory_stream_reader.h"
#include "support/test_files.h"
#include "wic/wic_image.h"
#include "wic_model.h"

#ifndef QUENTARPBM_WIC_REFERENCE_DIR
#error "QUENTARPBM_WIC_REFERENCE_DIR names the directory made by make_wic_reference_images.sh"
#endif

namespace quentarpbm {
namespace {

using fuzz::MemoryOffsetReader;
using fuzz::MemoryStream;
using fuzz::ModelImage;
using fuzz::ModelRequest;

const std::string kDirectory = QUENTARPBM_WIC_REFERENCE_DIR "/";
constexpr uint8_t kSentinel = 0xCD;

// The sizes a host asks for: the image's own, a half and a third, a
// thumbnail 64 wide, one row of at most 7 pixels.
std::vector<std::pair<uint32_t, uint32_t>> SizesOf(uint32_t width, uint32_t height) {
  const uint32_t thumbnailHeight = (height * 64 + width / 2) / width;
  return {{width, height},
          {(width + 1) / 2, (height + 2) / 3},
          {width < 64 ? width : 64, thumbnailHeight < 1        ? 1
                                    : thumbnailHeight > height ? height
                                                               : thumbnailHeight},
          {width < 7 ? width : 7, 1}};
}

TEST(WicTransformReference, CopiesEqualTheAveragesOfNetpbmsDecode) {
  std::ifstream manifest(kDirectory + "wic_manifest.txt");
  ASSERT_TRUE(manifest.good()) << "no " << kDirectory << "wic_manifest.txt: run the fixture";
  std::string source;
  std::string expected;
  size_t images = 0;
  size_t copies = 0;
  while (manifest >> source >> expected) {
    SCOPED_TRACE(source);
    ModelImage netpbm;
    ASSERT_TRUE(fuzz::ModelImageOfNetpbm(testing::ReadWholeFile(kDirectory + expected), &netpbm));
    MemoryStream stream{testing::ReadWholeFile(kDirectory + source)};
    WicFrame frame{};
    ASSERT_EQ(OpenWicFrame(MemoryOffsetReader(&stream), 0, &frame), PBM_OK);
    const auto width = static_cast<uint32_t>(netpbm.width);
    const auto height = static_cast<uint32_t>(netpbm.height);
    const WicPixelLayout grey =
        netpbm.layout == WicPixelLayout::kBlackWhite ? WicPixelLayout::kGray8 : netpbm.layout;
    for (const auto& [scaledWidth, scaledHeight] : SizesOf(width, height)) {
      const bool scaled = scaledWidth != width || scaledHeight != height;
      for (int t = 0; t <= static_cast<int>(WicTransform::kFlipVertical); ++t) {
        for (const WicPixelLayout layout : {netpbm.layout, grey}) {
          if (layout == WicPixelLayout::kBlackWhite && scaled) continue;
          const auto transform = static_cast<WicTransform>(t);
          const bool turned =
              transform == WicTransform::kRotate90 || transform == WicTransform::kRotate270;
          const ModelRequest request{
              {0, 0, static_cast<int32_t>(scaledWidth), static_cast<int32_t>(scaledHeight)},
              scaledWidth,
              scaledHeight,
              layout,
              transform};
          const uint32_t stride =
              WicRowBytes(layout, static_cast<int32_t>(turned ? scaledHeight : scaledWidth));
          const size_t bytes = static_cast<size_t>(stride) * (turned ? scaledWidth : scaledHeight);
          std::vector<uint8_t> got(bytes, kSentinel);
          const WicCopyRequest copy{nullptr,
                                    scaledWidth,
                                    scaledHeight,
                                    layout,
                                    transform,
                                    stride,
                                    static_cast<uint32_t>(bytes),
                                    got.data()};
          ASSERT_EQ(CopyWicFramePixels(MemoryOffsetReader(&stream), &frame, copy, nullptr), PBM_OK);
          EXPECT_EQ(got, fuzz::ModelWicCopy(netpbm, request, stride, bytes, kSentinel))
              << scaledWidth << "x" << scaledHeight << " layout " << static_cast<int>(layout)
              << " transform " << t;
          ++copies;
        }
      }
    }
    CloseWicFrame(&frame);
    ++images;
  }
  EXPECT_GE(images, 70u);
  printf(
      "%zu copies (4 sizes, 6 flips and turns, own format and grey) of %zu images equal "
      "the averages of netpbm's decoding\n",
      copies, images);
}

TEST(WicTransformReference, FramesOfAFileOfSeveralEqualNetpbmsSplit) {
  std::ifstream manifest(kDirectory + "multi_manifest.txt");
  std::string line;
  ASSERT_TRUE(std::getline(manifest, line)) << "no multi_manifest.txt: run the fixture";
  std::istringstream names(line);
  std::string source;
  names >> source;
  std::vector<std::string> parts;
  for (std::string part; names >> part;) parts.push_back(part);
  MemoryStream stream{testing::ReadWholeFile(kDirectory + source)};
  const NetpbmOffsetReader reader = MemoryOffsetReader(&stream);
  ASSERT_EQ(CountNetpbmImages(reader, 100, false), parts.size());
  WicFrame frame{};
  ASSERT_EQ(OpenWicFrame(reader, 0, &frame), PBM_OK);
  for (size_t i = 0; i < parts.size(); ++i) {
    SCOPED_TRACE(parts[i]);
    ModelImage netpbm;
    ASSERT_TRUE(fuzz::ModelImageOfNetpbm(testing::ReadWholeFile(kDirectory + parts[i]), &netpbm));
    WicImage image{};
    ASSERT_EQ(DecodeWicFrame(reader, &frame, &image), PBM_OK);
    const ModelImage decoded = fuzz::ModelImageOf(image);
    FreeWicImage(&image);
    EXPECT_EQ(decoded.width, netpbm.width);
    EXPECT_EQ(decoded.height, netpbm.height);
    EXPECT_EQ(decoded.layout, netpbm.layout);
    EXPECT_EQ(decoded.pixels, netpbm.pixels);
    WicFrame next{};
    const ResultCode found = FindNextNetpbmImage(reader, &frame, &next);
    CloseWicFrame(&frame);
    ASSERT_EQ(found, i + 1 < parts.size() ? PBM_OK : PBM_E_READ);
    frame = next;
  }
  printf("%zu images of %s equal pnmsplit's\n", parts.size(), source.c_str());
}

}  // namespace
}  // namespace quentarpbm
