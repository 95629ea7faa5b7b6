// CopyPixels' arguments, and IWICBitmapSourceTransform's scales, formats, flips and turns, one
// row each, against bytes worked out by hand; refusals write nothing.
#include <windows.h>

#include <gtest/gtest.h>
#include <stdint.h>
#include <wincodec.h>

#include <string>
#include <vector>

#include "support/param_label.h"
#include "support/wic_codec.h"
#include "wic/com/wic_codec_interfaces.h"

namespace quentarpbm {
namespace {

using testing::ComRef;

// 10 x 2 PBM. WIC's 0 is black, so its bits are the file's inverted; the row
// pads with white (1) bits: row 0 is 0100 1101 | 00 11 1111 (0x4D 0x3F) and
// row 1 is 1111 0000 | 10 11 1111 (0xF0 0xBF).
const char kBits[] = "P1 10 2\n1011001011\n0000111101\n";
// 3 x 2 PPM: rows of blue, green, red.
const char kColour[] = "P3 3 2 255 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18\n";
// maxval 1000 scaled to 65535, little-endian: 0, 500 -> 32768, 1000 -> 65535.
const char kDeepGrey[] = "P2 3 1 1000 0 500 1000\n";

constexpr uint8_t kSentinel = 0xCD;
constexpr UINT kBufferBytes = 64;

struct CopyCase {
  const char* label;
  const char* image;
  bool wholeFrame;  // a null rect
  WICRect rect;
  UINT stride;
  UINT size;  // the size CopyPixels is told; the buffer really has kBufferBytes
  bool nullBuffer;
  HRESULT result;
  std::vector<int> bytes;  // what the buffer starts with; -1: left as it was
};

class WicCopyPixels : public ::testing::TestWithParam<CopyCase> {
 protected:
  void SetUp() override { ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK); }
  void TearDown() override { CoUninitialize(); }
};

TEST_P(WicCopyPixels, GivesTheRectOrRefusesWithoutWriting) {
  const CopyCase& c = GetParam();
  ComRef<IWICBitmapFrameDecode> frame;
  ASSERT_EQ(testing::FrameFromBytes(c.image, frame.put()), S_OK);

  std::vector<uint8_t> buffer(kBufferBytes, kSentinel);
  const HRESULT result = frame->CopyPixels(c.wholeFrame ? nullptr : &c.rect, c.stride, c.size,
                                           c.nullBuffer ? nullptr : buffer.data());
  EXPECT_EQ(result, c.result);
  std::vector<uint8_t> want(kBufferBytes, kSentinel);
  for (size_t i = 0; i < c.bytes.size(); ++i) {
    if (c.bytes[i] >= 0) want[i] = static_cast<uint8_t>(c.bytes[i]);
  }
  EXPECT_EQ(buffer, want);
}

const int k_ = -1;  // a byte the copy must not touch
const CopyCase kCases[] = {
    {"BitsWholeFrame", kBits, true, {}, 2, 4, false, S_OK, {0x4D, 0x3F, 0xF0, 0xBF}},
    {"BitsWholeFrameWiderStride", kBits, true, {}, 3, 5, false, S_OK, {0x4D, 0x3F, k_, 0xF0, 0xBF}},
    // Bits 3 to 10 of each row, the last one the row's white padding.
    {"BitsFromBit3", kBits, false, {3, 0, 5, 2}, 1, 2, false, S_OK, {0x69, 0x85}},
    // Bits 1 to 16: past the row's two bytes everything reads white.
    {"BitsFromBit1", kBits, false, {1, 0, 9, 1}, 2, 2, false, S_OK, {0x9A, 0x7F}},
    {"BitsSecondByteAligned", kBits, false, {8, 1, 2, 1}, 1, 1, false, S_OK, {0xBF}},
    {"BitsLastColumn", kBits, false, {9, 0, 1, 2}, 1, 2, false, S_OK, {0x7F, 0x7F}},
    {"ColourWholeFrame",
     kColour,
     true,
     {},
     9,
     18,
     false,
     S_OK,
     {3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10, 15, 14, 13, 18, 17, 16}},
    // The last row need not be a full stride: 10 + 9 bytes suffice.
    {"ColourPaddedStrideShortLastRow",
     kColour,
     true,
     {},
     10,
     19,
     false,
     S_OK,
     {3, 2, 1, 6, 5, 4, 9, 8, 7, k_, 12, 11, 10, 15, 14, 13, 18, 17, 16}},
    {"ColourInsideRect", kColour, false, {1, 1, 2, 1}, 6, 6, false, S_OK, {15, 14, 13, 18, 17, 16}},
    {"DeepGreyWholeFrame",
     kDeepGrey,
     true,
     {},
     6,
     6,
     false,
     S_OK,
     {0x00, 0x00, 0x00, 0x80, 0xFF, 0xFF}},
    {"DeepGreyRightTwo",
     kDeepGrey,
     false,
     {1, 0, 2, 1},
     4,
     4,
     false,
     S_OK,
     {0x00, 0x80, 0xFF, 0xFF}},
    {"RectPastRightEdge", kColour, false, {2, 0, 2, 1}, 6, 64, false, E_INVALIDARG, {}},
    {"RectPastBottomEdge", kColour, false, {0, 1, 3, 2}, 9, 64, false, E_INVALIDARG, {}},
    {"RectNegativeLeft", kColour, false, {-1, 0, 2, 1}, 6, 64, false, E_INVALIDARG, {}},
    {"RectEmptyWidth", kColour, false, {0, 0, 0, 1}, 9, 64, false, E_INVALIDARG, {}},
    {"RectEmptyHeight", kBits, false, {0, 0, 8, 0}, 2, 64, false, E_INVALIDARG, {}},
    {"RectHugeWidthDoesNotWrap",
     kBits,
     false,
     {1, 0, 0x7FFFFFFF, 1},
     2,
     64,
     false,
     E_INVALIDARG,
     {}},
    {"RectFarLeftDoesNotWrap",
     kColour,
     false,
     {0x7FFFFFF0, 0, 16, 1},
     48,
     64,
     false,
     E_INVALIDARG,
     {}},
    {"RectHugeHeightDoesNotWrap",
     kColour,
     false,
     {0, 1, 3, 0x7FFFFFFF},
     9,
     64,
     false,
     E_INVALIDARG,
     {}},
    {"StrideBelowRow", kColour, true, {}, 8, 64, false, E_INVALIDARG, {}},
    // 0xFFFFFFFF + 9 bytes wrap to 8 in 32 bits.
    {"StrideTimesRowsPasses32Bits",
     kColour,
     true,
     {},
     0xFFFFFFFF,
     64,
     false,
     WINCODEC_ERR_INSUFFICIENTBUFFER,
     {}},
    {"BitsStrideBelowRow", kBits, false, {1, 0, 9, 1}, 1, 64, false, E_INVALIDARG, {}},
    {"BufferOneByteShort", kColour, true, {}, 9, 17, false, WINCODEC_ERR_INSUFFICIENTBUFFER, {}},
    {"BufferShortOfPaddedRows",
     kColour,
     true,
     {},
     10,
     18,
     false,
     WINCODEC_ERR_INSUFFICIENTBUFFER,
     {}},
    {"NullBuffer", kColour, true, {}, 9, 18, true, E_INVALIDARG, {}},
};
INSTANTIATE_TEST_SUITE_P(Arguments, WicCopyPixels, ::testing::ValuesIn(kCases),
                         testing::ParamLabel<CopyCase>);

// The same images through IWICBitmapSourceTransform. The bits in grey are
// row 0: 0 255 0 0 255 255 0 255 0 0 and row 1: 255 255 255 255 0 0 0 0 255 0.
struct TransformCase {
  const char* label;
  const char* image;
  WICRect rect;  // empty: the whole frame
  UINT width;
  UINT height;
  const GUID* format;  // null: none given
  UINT options;
  UINT stride;
  UINT size;
  HRESULT result;
  const char* bytes;  // what the buffer starts with, in hex
};

// The bytes of hex, two digits each; spaces are for the eye.
std::vector<uint8_t> FromHex(const char* hex) {
  std::vector<uint8_t> bytes;
  for (const char* at = hex; *at != '\0'; ++at) {
    if (*at == ' ') continue;
    bytes.push_back(static_cast<uint8_t>(std::stoi(std::string(at, 2), nullptr, 16)));
    ++at;
  }
  return bytes;
}

class WicSourceTransform : public ::testing::TestWithParam<TransformCase> {
 protected:
  void SetUp() override { ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK); }
  void TearDown() override { CoUninitialize(); }
};

TEST_P(WicSourceTransform, GivesTheCopyOrRefusesWithoutWriting) {
  const TransformCase& c = GetParam();
  ComRef<IWICBitmapFrameDecode> frame;
  ASSERT_EQ(testing::FrameFromBytes(c.image, frame.put()), S_OK);
  ComRef<IWICBitmapSourceTransform> transform;
  ASSERT_EQ(
      frame->QueryInterface(kIidBitmapSourceTransform, reinterpret_cast<void**>(transform.put())),
      S_OK);
  std::vector<uint8_t> buffer(kBufferBytes, kSentinel);
  GUID format = c.format != nullptr ? *c.format : GUID{};
  const WICRect* rect = c.rect.Width != 0 ? &c.rect : nullptr;
  EXPECT_EQ(transform->CopyPixels(rect, c.width, c.height, c.format != nullptr ? &format : nullptr,
                                  static_cast<WICBitmapTransformOptions>(c.options), c.stride,
                                  c.size, buffer.data()),
            c.result);
  std::vector<uint8_t> want = FromHex(c.bytes);
  want.resize(kBufferBytes, kSentinel);
  EXPECT_EQ(buffer, want);
}

constexpr WICRect kWhole = {};
constexpr WICRect Area(INT x, INT y, INT width, INT height) { return WICRect{x, y, width, height}; }
const GUID* const kGrey = &GUID_WICPixelFormat8bppGray;
const GUID* const kBgr = &GUID_WICPixelFormat24bppBGR;
const GUID* const kBw = &GUID_WICPixelFormatBlackWhite;
constexpr UINT kTurn = WICBitmapTransformRotate90;
constexpr UINT kTurnBack = WICBitmapTransformRotate270;
constexpr HRESULT kFormat = WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT;
const TransformCase kTransforms[] = {
    {"BitsInGrey", kBits, kWhole, 10, 2, kGrey, 0, 10, 20, S_OK,
     "00FF0000FFFF00FF0000 FFFFFFFF00000000FF00"},
    // 2 x 2 blocks: 765/4 -> 191, 510/4 = 127.5 -> 128 (half up), 255/4 -> 64.
    {"BitsScaledToFiveByOne", kBits, kWhole, 5, 1, kGrey, 0, 5, 5, S_OK, "BF80804040"},
    // Source pixels 3 units wide, output 10: weights 3,3,3,1 | 2,3,3,2 |
    // 1,3,3,3 over both rows, of 20: 3315 -> 166, 2040 -> 102, 1530 -> 77.
    {"BitsScaledToThreeByOne", kBits, kWhole, 3, 1, kGrey, 0, 3, 3, S_OK, "A6664D"},
    {"BitsUpsideDown", kBits, kWhole, 10, 2, kBw, WICBitmapTransformFlipVertical, 2, 4, S_OK,
     "F0BF 4D3F"},
    {"ColourMirrored", kColour, kWhole, 3, 2, kBgr, WICBitmapTransformFlipHorizontal, 9, 18, S_OK,
     "090807 060504 030201 121110 0F0E0D 0C0B0A"},
    {"ColourTurnedClockwise", kColour, kWhole, 3, 2, kBgr, kTurn, 6, 18, S_OK,
     "0C0B0A 030201 0F0E0D 060504 121110 090807"},
    {"ColourRectTurnedBack", kColour, Area(1, 0, 2, 2), 3, 2, kBgr, kTurnBack, 6, 12, S_OK,
     "090807 121110 060504 0F0E0D"},
    // (0 + 32768 + 65535) / 3 -> 32768.
    {"DeepGreyScaledToOne", kDeepGrey, kWhole, 1, 1, &GUID_WICPixelFormat16bppGray, 0, 2, 2, S_OK,
     "0080"},
    {"NoFormat", kColour, kWhole, 3, 2, nullptr, 0, 9, 64, E_INVALIDARG, ""},
    {"FormatNotOurs", kColour, kWhole, 3, 2, &GUID_WICPixelFormat32bppBGRA, 0, 12, 64, kFormat, ""},
    {"BitsScaledInBits", kBits, kWhole, 5, 1, kBw, 0, 1, 64, kFormat, ""},
    {"TurnAndOneFlip", kColour, kWhole, 3, 2, kBgr, kTurn | WICBitmapTransformFlipHorizontal, 6, 64,
     WINCODEC_ERR_UNSUPPORTEDOPERATION, ""},
    {"ScaledUp", kBits, kWhole, 11, 2, kGrey, 0, 11, 64, E_INVALIDARG, ""},
    {"RectOutsideScaled", kBits, Area(4, 0, 2, 1), 5, 1, kGrey, 0, 5, 64, E_INVALIDARG, ""},
    {"BufferShortOfTurnedRows", kColour, kWhole, 3, 2, kBgr, kTurn, 6, 17,
     WINCODEC_ERR_INSUFFICIENTBUFFER, ""},
};
INSTANTIATE_TEST_SUITE_P(Requests, WicSourceTransform, ::testing::ValuesIn(kTransforms),
                         testing::ParamLabel<TransformCase>);

// What the transform offers: sizes no larger than the frame, grey for bits
// whatever is asked but bits, the frame's own format otherwise, and every
// flip and turn but a quarter turn with one flip.
class WicTransformOffers : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK); }
  void TearDown() override { CoUninitialize(); }
};

TEST_F(WicTransformOffers, SizesFormatsAndTransforms) {
  ComRef<IWICBitmapFrameDecode> bits;
  ComRef<IWICBitmapFrameDecode> colour;
  ASSERT_EQ(testing::FrameFromBytes(kBits, bits.put()), S_OK);
  ASSERT_EQ(testing::FrameFromBytes(kColour, colour.put()), S_OK);
  ComRef<IWICBitmapSourceTransform> bitsTransform;
  ComRef<IWICBitmapSourceTransform> colourTransform;
  ASSERT_EQ(bits->QueryInterface(kIidBitmapSourceTransform,
                                 reinterpret_cast<void**>(bitsTransform.put())),
            S_OK);
  ASSERT_EQ(colour->QueryInterface(kIidBitmapSourceTransform,
                                   reinterpret_cast<void**>(colourTransform.put())),
            S_OK);
  UINT width = 100;
  UINT height = 0;
  EXPECT_EQ(bitsTransform->GetClosestSize(&width, &height), S_OK);
  EXPECT_EQ(width, 10u);
  EXPECT_EQ(height, 1u);
  EXPECT_EQ(bitsTransform->GetClosestSize(nullptr, &height), E_INVALIDARG);
  GUID format = GUID_WICPixelFormat32bppBGRA;
  EXPECT_EQ(bitsTransform->GetClosestPixelFormat(&format), S_OK);
  EXPECT_TRUE(IsEqualGUID(format, GUID_WICPixelFormat8bppGray));
  format = GUID_WICPixelFormatBlackWhite;
  EXPECT_EQ(bitsTransform->GetClosestPixelFormat(&format), S_OK);
  EXPECT_TRUE(IsEqualGUID(format, GUID_WICPixelFormatBlackWhite));
  format = GUID_WICPixelFormat8bppGray;
  EXPECT_EQ(colourTransform->GetClosestPixelFormat(&format), S_OK);
  EXPECT_TRUE(IsEqualGUID(format, GUID_WICPixelFormat24bppBGR));
  EXPECT_EQ(colourTransform->GetClosestPixelFormat(nullptr), E_INVALIDARG);
  BOOL supported = FALSE;
  EXPECT_EQ(colourTransform->DoesSupportTransform(WICBitmapTransformFlipVertical, &supported),
            S_OK);
  EXPECT_EQ(supported, TRUE);
  EXPECT_EQ(colourTransform->DoesSupportTransform(
                static_cast<WICBitmapTransformOptions>(WICBitmapTransformRotate270 |
                                                       WICBitmapTransformFlipVertical),
                &supported),
            S_OK);
  EXPECT_EQ(supported, FALSE);
  EXPECT_EQ(colourTransform->DoesSupportTransform(WICBitmapTransformRotate90, nullptr),
            E_INVALIDARG);
}

}  // namespace
}  // namespace quentarpbm
