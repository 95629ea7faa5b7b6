// Every reference image through the stock WIC factory: our decoder is the one chosen, and
// its pixels equal netpbm's own decoding, scaled by pamdepth to the format's range.
#include <windows.h>

#include <gtest/gtest.h>
#include <stdint.h>

#include <fstream>
#include <string>
#include <vector>

#include "support/param_label.h"
#include "support/test_files.h"
#include "support/wic_codec.h"
#include "wic_model.h"

#ifndef QUENTARPBM_WIC_REFERENCE_DIR
#error "QUENTARPBM_WIC_REFERENCE_DIR names the directory made by make_wic_reference_images.sh"
#endif

namespace quentarpbm {
namespace {

using testing::ComRef;
using testing::WicSource;

const std::string kDirectory = QUENTARPBM_WIC_REFERENCE_DIR "/";

// WIC's format for netpbm's raw output as the model reads it, written here
// apart from the codec's own table.
GUID FormatOfNetpbm(WicPixelLayout layout) {
  switch (layout) {
    case WicPixelLayout::kBlackWhite:
      return GUID_WICPixelFormatBlackWhite;
    case WicPixelLayout::kGray8:
      return GUID_WICPixelFormat8bppGray;
    case WicPixelLayout::kBgr24:
      return GUID_WICPixelFormat24bppBGR;
    case WicPixelLayout::kGray16:
      return GUID_WICPixelFormat16bppGray;
    case WicPixelLayout::kRgb48:
      return GUID_WICPixelFormat48bppRGB;
  }
  return GUID{};
}

// Clears the bits past a 1-bit row's width, which netpbm and WIC pad differently.
void ClearPadding(std::vector<uint8_t>* rows, UINT width, UINT stride) {
  if (width % 8 == 0) return;
  const auto keep = static_cast<uint8_t>(0xFF00u >> (width % 8));
  for (size_t end = stride; end <= rows->size(); end += stride) (*rows)[end - 1] &= keep;
}

// What 32bppBGRA holds for a frame of 1, 8 or 24 bits a pixel, opaque.
std::vector<uint8_t> ExpectedBgra(const testing::WicPixels& frame, const GUID& format) {
  std::vector<uint8_t> bgra;
  for (UINT y = 0; y < frame.height; ++y) {
    const uint8_t* row = frame.bytes.data() + static_cast<size_t>(y) * frame.stride;
    for (UINT x = 0; x < frame.width; ++x) {
      uint8_t pixel[3];
      if (IsEqualGUID(format, GUID_WICPixelFormatBlackWhite)) {
        pixel[0] = ((row[x / 8] >> (7 - x % 8)) & 1) != 0 ? 255 : 0;
        pixel[1] = pixel[2] = pixel[0];
      } else if (IsEqualGUID(format, GUID_WICPixelFormat8bppGray)) {
        pixel[0] = pixel[1] = pixel[2] = row[x];
      } else {
        for (int c = 0; c < 3; ++c) pixel[c] = row[3 * x + static_cast<UINT>(c)];
      }
      bgra.insert(bgra.end(), {pixel[0], pixel[1], pixel[2], 255});
    }
  }
  return bgra;
}

struct SourceCase {
  const char* label;
  WicSource source;
};

class WicReferenceImages : public ::testing::TestWithParam<SourceCase> {
 protected:
  void SetUp() override { ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK); }
  void TearDown() override { CoUninitialize(); }
};

TEST_P(WicReferenceImages, DecodeAsNetpbmDoesAndConvertToBgra) {
  ComRef<IWICImagingFactory> factory;
  ASSERT_EQ(testing::CreateStockFactory(factory.put()), S_OK);
  std::ifstream manifest(kDirectory + "wic_manifest.txt");
  ASSERT_TRUE(manifest.good()) << "no " << kDirectory << "wic_manifest.txt: run the fixture";
  std::string source;
  std::string expectedName;
  size_t images = 0;
  size_t bytes = 0;
  while (manifest >> source >> expectedName) {
    SCOPED_TRACE(source);
    fuzz::ModelImage netpbm;
    ASSERT_TRUE(
        fuzz::ModelImageOfNetpbm(testing::ReadWholeFile(kDirectory + expectedName), &netpbm));
    const GUID wantFormat = FormatOfNetpbm(netpbm.layout);
    const UINT wantStride = netpbm.stride;
    std::vector<uint8_t> want = netpbm.pixels;
    const auto width = static_cast<UINT>(netpbm.width);
    const auto height = static_cast<UINT>(netpbm.height);

    ComRef<IWICBitmapDecoder> decoder;
    ASSERT_EQ(testing::DecoderFor(factory.p, GetParam().source, kDirectory + source, decoder.put()),
              S_OK);
    EXPECT_TRUE(testing::DecoderIsOurs(decoder.p));
    ComRef<IWICBitmapFrameDecode> frame;
    ASSERT_EQ(decoder->GetFrame(0, frame.put()), S_OK);
    testing::WicPixels got;
    ASSERT_EQ(testing::CopyWholeFrame(frame.p, &got), S_OK);
    EXPECT_EQ(got.width, width);
    EXPECT_EQ(got.height, height);
    EXPECT_TRUE(IsEqualGUID(got.format, wantFormat));
    ASSERT_EQ(got.stride, wantStride);
    if (IsEqualGUID(wantFormat, GUID_WICPixelFormatBlackWhite)) {
      ClearPadding(&want, width, wantStride);
      ClearPadding(&got.bytes, width, wantStride);
    }
    EXPECT_EQ(got.bytes, want);

    // What most hosts ask WIC for: 32-bit BGRA through the stock converter.
    ComRef<IWICBitmapSource> bgra;
    ASSERT_EQ(WICConvertBitmapSource(GUID_WICPixelFormat32bppBGRA, frame.p, bgra.put()), S_OK);
    testing::WicPixels converted;
    ASSERT_EQ(testing::CopyWholeFrame(bgra.p, &converted), S_OK);
    EXPECT_EQ(converted.bytes.size(), size_t{4} * width * height);
    // For the 8-bit formats the converter only copies: the grey, blue, green
    // and red it gives are the frame's, black and white for BlackWhite.
    if (!IsEqualGUID(wantFormat, GUID_WICPixelFormat16bppGray) &&
        !IsEqualGUID(wantFormat, GUID_WICPixelFormat48bppRGB)) {
      EXPECT_EQ(ExpectedBgra(got, wantFormat), converted.bytes);
    }
    ++images;
    bytes += want.size();
  }
  EXPECT_GE(images, 60u);
  printf("%s: %zu images, %zu pixel bytes equal netpbm's\n", GetParam().label, images, bytes);
}

const SourceCase kSources[] = {
    {"CreateDecoderFromFilename", WicSource::kFileName},
    {"SHCreateStreamOnFileEx", WicSource::kFileStream},
    {"CreateStreamOnHGlobal", WicSource::kMemoryStream},
};
INSTANTIATE_TEST_SUITE_P(Sources, WicReferenceImages, ::testing::ValuesIn(kSources),
                         testing::ParamLabel<SourceCase>);

}  // namespace
}  // namespace quentarpbm
