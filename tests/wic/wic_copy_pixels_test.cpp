// CopyPixels' arguments, one row each, against bytes worked out by hand; refusals write nothing.
#include <windows.h>

#include <gtest/gtest.h>
#include <stdint.h>
#include <wincodec.h>

#include <string>
#include <vector>

#include "support/param_label.h"
#include "support/wic_codec.h"

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
    {"StrideBelowRow", kColour, true, {}, 8, 64, false, E_INVALIDARG, {}},
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

}  // namespace
}  // namespace quentarpbm
