// DecodeNetpbmForWic: hand-worked images in WIC's layouts, read whole and a few bytes at a time.
#include <gtest/gtest.h>
#include <stdint.h>

#include <ostream>
#include <string>

#include "memory_stream_reader.h"
#include "support/param_label.h"
#include "support/test_files.h"
#include "wic/wic_image.h"

namespace quentarpbm {
namespace {

using fuzz::MemoryOffsetReader;
using fuzz::MemoryStream;
using testing::Bytes;
using Layout = WicPixelLayout;

// Samples scale as (v * top + maxval / 2) / maxval, top 255 or 65535, and a
// sample above maxval becomes top; 16-bit samples are stored low byte first.
struct Case {
  const char* label;
  std::string file;
  ResultCode code;
  Layout layout;
  int32_t width;
  int32_t height;
  uint32_t stride;
  std::string pixels;
};

const Case kCases[] = {
    // PBM: 1 is black in the file, 0 in WIC; a row's unused bits are white.
    {"PlainPbmWidth1", "P1 1 2 1 0", PBM_OK, Layout::kBlackWhite, 1, 2, 1, Bytes("\x7F\xFF")},
    {"PlainPbmWidth7Compact", "P1 7 1\n1010101", PBM_OK, Layout::kBlackWhite, 7, 1, 1,
     Bytes("\x55")},
    {"PlainPbmWidth8", "P1 8 1 1 1 1 1 0 0 0 0", PBM_OK, Layout::kBlackWhite, 8, 1, 1,
     Bytes("\x0F")},
    {"PlainPbmWidth9", "P1 9 1 0 0 0 0 0 0 0 0 1", PBM_OK, Layout::kBlackWhite, 9, 1, 2,
     Bytes("\xFF\x7F")},
    {"RawPbmWidth1PadBitsIgnored", Bytes("P4 1 2\n\x81\x00"), PBM_OK, Layout::kBlackWhite, 1, 2, 1,
     Bytes("\x7F\xFF")},
    {"RawPbmWidth7", Bytes("P4 7 1\n\x55"), PBM_OK, Layout::kBlackWhite, 7, 1, 1, Bytes("\xAB")},
    {"RawPbmWidth8", Bytes("P4 8 1\n\xA5"), PBM_OK, Layout::kBlackWhite, 8, 1, 1, Bytes("\x5A")},
    {"RawPbmWidth9", Bytes("P4 9 2\n\x00\x80\xFF\x7F"), PBM_OK, Layout::kBlackWhite, 9, 2, 2,
     Bytes("\xFF\x7F\x00\xFF")},
    {"PlainPbmCutShortIsWhite", "P1 3 2 1 0", PBM_OK, Layout::kBlackWhite, 3, 2, 1,
     Bytes("\x7F\xFF")},
    // A row cut short after a fuller one: nothing of the first carries over.
    {"PlainPbmShortRowAfterFullRow", "P1 4 2\n1111\n10", PBM_OK, Layout::kBlackWhite, 4, 2, 1,
     Bytes("\x0F\x7F")},
    {"RawPbmCutShortIsWhite", Bytes("P4 9 2\n\xF0\x80\x0F"), PBM_OK, Layout::kBlackWhite, 9, 2, 2,
     Bytes("\x0F\x7F\xF0\xFF")},
    // 8-bit grey.
    {"PlainPgmMaxval1", "P2 3 1 1 0 1 2", PBM_OK, Layout::kGray8, 3, 1, 3, Bytes("\x00\xFF\xFF")},
    {"PlainPgmMaxval3", "P2 4 1 3 0 1 2 3", PBM_OK, Layout::kGray8, 4, 1, 4,
     Bytes("\x00\x55\xAA\xFF")},
    {"RawPgmMaxval15", Bytes("P5 4 1 15\n\x00\x07\x08\x0F"), PBM_OK, Layout::kGray8, 4, 1, 4,
     Bytes("\x00\x77\x88\xFF")},
    {"PlainPgmMaxval200", "P2 4 1 200 1 100 199 250", PBM_OK, Layout::kGray8, 4, 1, 4,
     Bytes("\x01\x80\xFE\xFF")},
    {"RawPgmMaxval200", Bytes("P5 4 1 200\n\x01\x64\xC7\xFA"), PBM_OK, Layout::kGray8, 4, 1, 4,
     Bytes("\x01\x80\xFE\xFF")},
    {"RawPgmMaxval255", Bytes("P5 3 1 255\n\x00\x11\xFF"), PBM_OK, Layout::kGray8, 3, 1, 3,
     Bytes("\x00\x11\xFF")},
    {"PlainPgmMaxval255", "P2 3 1 255 0 128 255", PBM_OK, Layout::kGray8, 3, 1, 3,
     Bytes("\x00\x80\xFF")},
    {"RawPgmMaxval1", Bytes("P5 3 1 1\n\x00\x01\x02"), PBM_OK, Layout::kGray8, 3, 1, 3,
     Bytes("\x00\xFF\xFF")},
    // The row readers keep a plain sample's low 8 bits: 300 is 44, which scales to 56.
    {"PlainPgmLowEightBits", "P2 1 1 200 300 ", PBM_OK, Layout::kGray8, 1, 1, 1, Bytes("\x38")},
    {"PlainPgmCutShort", "P2 2 2 255 7 8 9", PBM_OK, Layout::kGray8, 2, 2, 2,
     Bytes("\x07\x08\x09\x00")},
    {"RawPgmCutShort", Bytes("P5 2 2 255\n\x07\x08\x09"), PBM_OK, Layout::kGray8, 2, 2, 2,
     Bytes("\x07\x08\x09\x00")},
    // 8-bit colour, blue first.
    {"PlainPpmMaxval255", "P3 2 1 255 1 2 3 4 5 6", PBM_OK, Layout::kBgr24, 2, 1, 6,
     Bytes("\x03\x02\x01\x06\x05\x04")},
    {"RawPpmMaxval3", Bytes("P6 1 1 3\n\x01\x02\x03"), PBM_OK, Layout::kBgr24, 1, 1, 3,
     Bytes("\xFF\xAA\x55")},
    {"RawPpmMaxval1", Bytes("P6 1 1 1\n\x01\x00\x01"), PBM_OK, Layout::kBgr24, 1, 1, 3,
     Bytes("\xFF\x00\xFF")},
    {"RawPpmMaxval255", Bytes("P6 2 1 255\n\x01\x02\x03\x04\x05\x06"), PBM_OK, Layout::kBgr24, 2, 1,
     6, Bytes("\x03\x02\x01\x06\x05\x04")},
    {"PlainPpmMaxval1", "P3 2 1 1 0 1 0 1 0 1", PBM_OK, Layout::kBgr24, 2, 1, 6,
     Bytes("\x00\xFF\x00\xFF\x00\xFF")},
    // Every sample of both pixels scaled: 50 -> 128, 25 -> 64, 75 -> 191, 101 -> 255.
    {"PlainPpmMaxval100", "P3 2 1 100 0 50 100 25 75 101", PBM_OK, Layout::kBgr24, 2, 1, 6,
     Bytes("\xFF\x80\x00\xFF\xBF\x40")},
    {"PlainPpmCutShort", "P3 2 1 255 1 2 3 4", PBM_OK, Layout::kBgr24, 2, 1, 6,
     Bytes("\x03\x02\x01\x00\x00\x04")},
    // The pixel where the bytes run out takes what it got over the previous pixel's components.
    {"RawPpmCutShort", Bytes("P6 2 2 255\n\x01\x02\x03\x04"), PBM_OK, Layout::kBgr24, 2, 2, 6,
     Bytes("\x03\x02\x01\x03\x02\x04\x00\x00\x00\x00\x00\x00")},
    // 16-bit grey and colour, red first.
    {"PlainPgmMaxval256", "P2 4 1 256 0 1 128 300", PBM_OK, Layout::kGray16, 4, 1, 8,
     Bytes("\x00\x00\x00\x01\x00\x80\xFF\xFF")},
    {"RawPgmMaxval1000", Bytes("P5 3 1 1000\n\x01\xF4\x00\x01\x03\xE7"), PBM_OK, Layout::kGray16, 3,
     1, 6, Bytes("\x00\x80\x42\x00\xBD\xFF")},
    {"RawPgmMaxval65535", Bytes("P5 2 1 65535\n\x12\x34\xFF\xFE"), PBM_OK, Layout::kGray16, 2, 1, 4,
     Bytes("\x34\x12\xFE\xFF")},
    {"PlainPpmMaxval65535", "P3 1 1 65535 4660 1 65535", PBM_OK, Layout::kRgb48, 1, 1, 6,
     Bytes("\x34\x12\x01\x00\xFF\xFF")},
    {"PlainPgmMaxval65535", "P2 3 1 65535 0 4660 65535", PBM_OK, Layout::kGray16, 3, 1, 6,
     Bytes("\x00\x00\x34\x12\xFF\xFF")},
    {"RawPgmMaxval256", Bytes("P5 2 1 256\n\x00\x80\x01\x00"), PBM_OK, Layout::kGray16, 2, 1, 4,
     Bytes("\x00\x80\xFF\xFF")},
    // 128 -> 32768, 256 -> 65535, 64 -> 16384.
    {"PlainPpmMaxval256", "P3 1 1 256 0 128 256", PBM_OK, Layout::kRgb48, 1, 1, 6,
     Bytes("\x00\x00\x00\x80\xFF\xFF")},
    {"RawPpmMaxval256", Bytes("P6 1 1 256\n\x00\x80\x01\x00\x00\x40"), PBM_OK, Layout::kRgb48, 1, 1,
     6, Bytes("\x00\x80\xFF\xFF\x00\x40")},
    {"RawPpmMaxval65535", Bytes("P6 1 1 65535\n\x12\x34\x56\x78\x9A\xBC"), PBM_OK, Layout::kRgb48,
     1, 1, 6, Bytes("\x34\x12\x78\x56\xBC\x9A")},
    // A colour row reads on past a bad sample (x, read as 0): 1 -> 66,
    // 3 -> 197, 4 -> 262, 5 -> 328, 6 -> 393.
    {"PlainPpmWideBadSample", "P3 2 1 1000 1 x 3 4 5 6", PBM_OK, Layout::kRgb48, 2, 1, 12,
     Bytes("\x42\x00\x00\x00\xC5\x00\x06\x01\x48\x01\x89\x01")},
    {"RawPpmMaxval1000", Bytes("P6 1 1 1000\n\x01\xF4\x00\x01\x03\xE8"), PBM_OK, Layout::kRgb48, 1,
     1, 6, Bytes("\x00\x80\x42\x00\xFF\xFF")},
    {"RawPpmAboveMaxval", Bytes("P6 1 1 1000\n\xFF\xFF\x03\xE9\x00\x00"), PBM_OK, Layout::kRgb48, 1,
     1, 6, Bytes("\xFF\xFF\xFF\xFF\x00\x00")},
    {"PlainPgmWideCutShort", "P2 2 1 1000 500", PBM_OK, Layout::kGray16, 2, 1, 4,
     Bytes("\x00\x80\x00\x00")},
    // Half a sample keeps its high byte.
    {"RawPgmWideCutShort", Bytes("P5 2 2 65535\n\x12\x34\x56"), PBM_OK, Layout::kGray16, 2, 2, 4,
     Bytes("\x34\x12\x00\x56\x00\x00\x00\x00")},
    // Comments anywhere in the header.
    {"PlainHeaderComments", "P2\n# made by hand\n2 # width\n1\n#maxval next\r\n3 3 0", PBM_OK,
     Layout::kGray8, 2, 1, 2, Bytes("\xFF\x00")},
    {"RawHeaderComment", Bytes("P5 #c\n1 1 255\n\x41"), PBM_OK, Layout::kGray8, 1, 1, 1,
     Bytes("\x41")},
    // Headers refused.
    {"OtherFormat", "GIF89a", PBM_E_UNSUPPORTED, Layout::kBlackWhite, 0, 0, 0, ""},
    {"MagicP7", "P7 1 1 255\n", PBM_E_UNSUPPORTED, Layout::kBlackWhite, 0, 0, 0, ""},
    {"Empty", "", PBM_E_READ, Layout::kBlackWhite, 0, 0, 0, ""},
    {"MagicCutShort", "P", PBM_E_READ, Layout::kBlackWhite, 0, 0, 0, ""},
    {"WidthZero", "P2 0 1 255 ", PBM_E_READ, Layout::kBlackWhite, 0, 0, 0, ""},
    {"HeightZero", "P5 1 0 255\n", PBM_E_READ, Layout::kBlackWhite, 0, 0, 0, ""},
    {"WidthWrapsNegative", "P1 4294967295 1 1", PBM_E_READ, Layout::kBlackWhite, 0, 0, 0, ""},
    {"WidthNotANumber", "P3 x 1 255 ", PBM_E_READ, Layout::kBlackWhite, 0, 0, 0, ""},
    {"HeightCutOff", "P1 1 1", PBM_E_READ, Layout::kBlackWhite, 0, 0, 0, ""},
    {"MaxvalMissing", "P2 1 1 ", PBM_E_READ, Layout::kBlackWhite, 0, 0, 0, ""},
    {"MaxvalZero", "P2 1 1 0 5", PBM_E_MAXVAL, Layout::kBlackWhite, 0, 0, 0, ""},
    {"Maxval65536", Bytes("P5 1 1 65536\n\x00\x00"), PBM_E_MAXVAL, Layout::kBlackWhite, 0, 0, 0,
     ""},
    {"MaxvalWrapsNegative", "P3 1 1 4294967295 1 1 1", PBM_E_MAXVAL, Layout::kBlackWhite, 0, 0, 0,
     ""},
    // Sizes that cannot be held: 6 x 2^31 - 6 bytes a row, 2.4e9 bytes a
    // row, 2^32 bytes in all.
    {"RowTooLong", "P6 2147483647 1 65535\n", PBM_E_NO_MEMORY, Layout::kBlackWhite, 0, 0, 0, ""},
    {"RowBeyond2GB", "P6 400000000 1 65535\n", PBM_E_NO_MEMORY, Layout::kBlackWhite, 0, 0, 0, ""},
    {"ImageTooLarge", "P5 65536 65536 255\n", PBM_E_NO_MEMORY, Layout::kBlackWhite, 0, 0, 0, ""},
    // 65537 x 65536 bytes wrap to 64 KB in 32 bits.
    {"ImageWrapsTo64KB", "P5 65537 65536 255\n\x01", PBM_E_NO_MEMORY, Layout::kBlackWhite, 0, 0, 0,
     ""},
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.label; }

// Readers that give everything asked for, or a few bytes per call.
constexpr size_t kBytesPerCall[] = {0, 1, 2, 5, 7};

class DecodeNetpbmForWicTest : public ::testing::TestWithParam<Case> {};

TEST_P(DecodeNetpbmForWicTest, GivesTheImageInWicsLayout) {
  const Case& c = GetParam();
  for (const size_t bytesPerCall : kBytesPerCall) {
    SCOPED_TRACE(bytesPerCall);
    MemoryStream stream{c.file, bytesPerCall};
    const WicImage untouched{-7, -7, Layout::kRgb48, 7, nullptr};
    WicImage image = untouched;
    ASSERT_EQ(DecodeNetpbmForWic(MemoryOffsetReader(&stream), &image), c.code);
    if (c.code != PBM_OK) {
      EXPECT_EQ(image.width, untouched.width);
      EXPECT_EQ(image.pixels, nullptr);
      continue;
    }
    EXPECT_EQ(image.width, c.width);
    EXPECT_EQ(image.height, c.height);
    EXPECT_EQ(image.layout, c.layout);
    EXPECT_EQ(image.stride, c.stride);
    ASSERT_NE(image.pixels, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(image.pixels), c.pixels.size()), c.pixels);
    FreeWicImage(&image);
    EXPECT_EQ(image.pixels, nullptr);
    FreeWicImage(&image);  // released already: nothing to do
  }
}

INSTANTIATE_TEST_SUITE_P(Images, DecodeNetpbmForWicTest, ::testing::ValuesIn(kCases),
                         testing::ParamLabel<Case>);

// Rasters of many chunks: raw rows cross the codec's reads and the
// reader's pieces. At maxval 255 colour only trades red and blue.
TEST(DecodeNetpbmForWic, RawColourAcrossManyReads) {
  constexpr int32_t kWidth = 700;
  constexpr int32_t kHeight = 200;
  std::string file = "P6 700 200 255\n";
  std::string expected;
  for (int32_t i = 0; i < kWidth * kHeight; ++i) {
    const char red = static_cast<char>(i % 251);
    const char green = static_cast<char>(i % 13);
    const char blue = static_cast<char>(i % 7);
    file += {red, green, blue};
    expected += {blue, green, red};
  }
  for (const size_t bytesPerCall : {size_t{0}, size_t{4093}}) {
    MemoryStream stream{file, bytesPerCall};
    WicImage image{};
    ASSERT_EQ(DecodeNetpbmForWic(MemoryOffsetReader(&stream), &image), PBM_OK);
    EXPECT_EQ(image.stride, 3u * kWidth);
    EXPECT_TRUE(std::string(reinterpret_cast<const char*>(image.pixels), expected.size()) ==
                expected);
    FreeWicImage(&image);
  }
}

// A raw PBM of many chunks, cut off within its last row: every byte
// inverted, the pad bits and the missing bytes white.
TEST(DecodeNetpbmForWic, RawBitsAcrossManyReads) {
  constexpr int32_t kRows = 150000;  // 10 pixels a row: two bytes
  std::string file = "P4 10 150000\n";
  std::string expected;
  for (int32_t i = 0; i < kRows; ++i) {
    file += Bytes("\x0F\xC0");
    expected += Bytes("\xF0\x3F");
  }
  file.pop_back();
  expected.back() = '\xFF';
  MemoryStream stream{file, 3};
  WicImage image{};
  ASSERT_EQ(DecodeNetpbmForWic(MemoryOffsetReader(&stream), &image), PBM_OK);
  EXPECT_TRUE(std::string(reinterpret_cast<const char*>(image.pixels), expected.size()) ==
              expected);
  FreeWicImage(&image);
}

// A raw PBM of 1000 bytes a row holding one row of 600: every missing row,
// across several reads of whole rows, white.
TEST(DecodeNetpbmForWic, RawBitsMissingAcrossChunksAreWhite) {
  MemoryStream stream{"P4 8000 600\n" + std::string(1000, '\xFF')};
  WicImage image{};
  ASSERT_EQ(DecodeNetpbmForWic(MemoryOffsetReader(&stream), &image), PBM_OK);
  const std::string pixels(reinterpret_cast<const char*>(image.pixels), 600 * 1000);
  EXPECT_TRUE(pixels == std::string(1000, '\0') + std::string(599 * 1000, '\xFF'));
  FreeWicImage(&image);
}

struct RowBytesCase {
  const char* label;
  Layout layout;
  int32_t width;
  uint32_t bytes;
};

const RowBytesCase kRowBytes[] = {
    {"BlackWhite1", Layout::kBlackWhite, 1, 1},
    {"BlackWhite8", Layout::kBlackWhite, 8, 1},
    {"BlackWhite9", Layout::kBlackWhite, 9, 2},
    {"Gray8", Layout::kGray8, 5, 5},
    {"Bgr24", Layout::kBgr24, 5, 15},
    {"Gray16", Layout::kGray16, 5, 10},
    {"Rgb48", Layout::kRgb48, 5, 30},
    {"Rgb48Largest", Layout::kRgb48, 715827882, 4294967292u},
    {"Rgb48Beyond32Bits", Layout::kRgb48, 715827883, 0},
    {"NoPixels", Layout::kGray8, 0, 0},
    {"NegativeWidth", Layout::kBgr24, -1, 0},
};

void PrintTo(const RowBytesCase& c, std::ostream* os) { *os << c.label; }

class WicRowBytesTest : public ::testing::TestWithParam<RowBytesCase> {};

TEST_P(WicRowBytesTest, CountsPackedRows) {
  EXPECT_EQ(WicRowBytes(GetParam().layout, GetParam().width), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(Layouts, WicRowBytesTest, ::testing::ValuesIn(kRowBytes),
                         testing::ParamLabel<RowBytesCase>);

}  // namespace
}  // namespace quentarpbm
