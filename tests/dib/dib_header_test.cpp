// The DIB header block: field layout, block sizes, bit counts, strides and colour tables.
#include <gtest/gtest.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "dib/dib.h"
#include "support/little_endian.h"
#include "support/param_label.h"

namespace quentarpbm {
namespace {

using Bytes = std::vector<uint8_t>;
using testing::Dword;
using testing::PutDword;
using testing::PutWord;
using testing::Word;

// The block's bytes. Our single lock being the last one (GlobalUnlock gives
// FALSE) shows the block was handed over unlocked.
Bytes BlockBytes(HGLOBAL block) {
  const SIZE_T size = GlobalSize(block);
  const auto* bytes = static_cast<const unsigned char*>(GlobalLock(block));
  EXPECT_NE(bytes, nullptr);
  if (bytes == nullptr) return {};
  Bytes copy(bytes, bytes + size);
  EXPECT_EQ(GlobalUnlock(block), FALSE);
  return copy;
}

// A block made by CreateDibHeader, read back and released.
Bytes MakeHeader(int32_t width, int32_t height, uint32_t bitCount, HPALETTE palette = nullptr,
                 int32_t xPels = 0, int32_t yPels = 0) {
  HGLOBAL block = nullptr;
  EXPECT_EQ(CreateDibHeader(&block, width, height, bitCount, palette, xPels, yPels), PBM_OK);
  EXPECT_NE(block, nullptr);
  if (block == nullptr) return {};
  Bytes bytes = BlockBytes(block);
  EXPECT_EQ(GlobalFree(block), nullptr);
  return bytes;
}

// A logical palette holding entries, made the way a host would make one.
HPALETTE MakePalette(const std::vector<PALETTEENTRY>& entries) {
  Bytes record(sizeof(LOGPALETTE) + entries.size() * sizeof(PALETTEENTRY));
  PutWord(record, 0, 0x300);
  PutWord(record, 2, static_cast<uint16_t>(entries.size()));
  for (size_t i = 0; i < entries.size(); ++i) {
    const size_t at = 4 + 4 * i;
    record[at] = entries[i].peRed;
    record[at + 1] = entries[i].peGreen;
    record[at + 2] = entries[i].peBlue;
    record[at + 3] = entries[i].peFlags;
  }
  HPALETTE palette = CreatePalette(reinterpret_cast<const LOGPALETTE*>(record.data()));
  EXPECT_NE(palette, nullptr);
  return palette;
}

// Entry i of a colour table as (blue, green, red, reserved).
Bytes ColourEntry(const Bytes& block, size_t i) {
  return Bytes(block.begin() + static_cast<ptrdiff_t>(40 + 4 * i),
               block.begin() + static_cast<ptrdiff_t>(44 + 4 * i));
}

bool AllZeroFrom(const Bytes& bytes, size_t offset) {
  for (size_t i = offset; i < bytes.size(); ++i) {
    if (bytes[i] != 0) return false;
  }
  return true;
}

struct LayoutCase {
  const char* label;
  int32_t width;
  int32_t height;
  uint32_t bitCount;
  size_t blockSize;
  uint32_t sizeImage;
};

void PrintTo(const LayoutCase& c, std::ostream* os) { *os << c.label; }

class DibHeaderLayout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(DibHeaderLayout, FillsEveryFieldAndSizesTheZeroTableByBitCount) {
  const LayoutCase& c = GetParam();
  const Bytes block = MakeHeader(c.width, c.height, c.bitCount, nullptr, 2835, -7);
  ASSERT_EQ(block.size(), c.blockSize);
  EXPECT_EQ(Dword(block, 0), 40u);                             // biSize
  EXPECT_EQ(static_cast<int32_t>(Dword(block, 4)), c.width);   // biWidth
  EXPECT_EQ(static_cast<int32_t>(Dword(block, 8)), c.height);  // biHeight
  EXPECT_EQ(Word(block, 12), 1u);                              // biPlanes
  EXPECT_EQ(Word(block, 14), c.bitCount);                      // biBitCount
  EXPECT_EQ(Dword(block, 16), 0u);                             // biCompression
  EXPECT_EQ(Dword(block, 20), c.sizeImage);                    // biSizeImage
  EXPECT_EQ(static_cast<int32_t>(Dword(block, 24)), 2835);     // biXPelsPerMeter
  EXPECT_EQ(static_cast<int32_t>(Dword(block, 28)), -7);       // biYPelsPerMeter
  EXPECT_EQ(Dword(block, 32), 0u);                             // biClrUsed
  EXPECT_EQ(Dword(block, 36), 0u);                             // biClrImportant
  EXPECT_TRUE(AllZeroFrom(block, 40));
}

INSTANTIATE_TEST_SUITE_P(BitCounts, DibHeaderLayout,
                         ::testing::Values(LayoutCase{"Rgb24NoTable", 3, 2, 24, 40, 24},
                                           LayoutCase{"Indexed8Has256Entries", 5, 3, 8, 1064, 24},
                                           LayoutCase{"Indexed4Has16Entries", 9, 2, 4, 104, 16},
                                           LayoutCase{"Bilevel1Has2Entries", 33, 1, 1, 48, 8}),
                         testing::ParamLabel<LayoutCase>);

struct SizeImageCase {
  const char* label;
  int32_t width;
  int32_t height;
  uint32_t bitCount;
  uint32_t sizeImage;
  bool fits;  // the checked form takes it: no step overflows a signed 32-bit integer
};

void PrintTo(const SizeImageCase& c, std::ostream* os) { *os << c.label; }

class DibHeaderSizeImage : public ::testing::TestWithParam<SizeImageCase> {};

TEST_P(DibHeaderSizeImage, IsHeightTimesThePaddedStride) {
  const SizeImageCase& c = GetParam();
  const Bytes block = MakeHeader(c.width, c.height, c.bitCount);
  ASSERT_GE(block.size(), 40u);
  EXPECT_EQ(Dword(block, 20), c.sizeImage);
  EXPECT_EQ(static_cast<int32_t>(Dword(block, 4)), c.width);
  EXPECT_EQ(static_cast<int32_t>(Dword(block, 8)), c.height);
  // The converters' checked form agrees wherever it accepts the size.
  int32_t stride = -1;
  int32_t imageSize = -1;
  ASSERT_EQ(DibGeometryFits(c.width, c.height, c.bitCount, &stride, &imageSize), c.fits);
  if (c.fits) {
    EXPECT_EQ(static_cast<uint32_t>(imageSize), c.sizeImage);
    if (c.height > 0) {
      EXPECT_EQ(imageSize / c.height, stride);
    }
  }
}

// Strides worked out by hand: bits per row rounded up to 32, in bytes.
INSTANTIATE_TEST_SUITE_P(
    Strides, DibHeaderSizeImage,
    ::testing::Values(
        SizeImageCase{"Width33At1BitIs8", 33, 1, 1, 8, true},
        SizeImageCase{"Width9At4BitsIs8", 9, 1, 4, 8, true},
        SizeImageCase{"Width5At8BitsIs8", 5, 1, 8, 8, true},
        SizeImageCase{"Width5At24BitsIs16", 5, 1, 24, 16, true},
        SizeImageCase{"Width640At24BitsIs1920", 640, 1, 24, 1920, true},
        SizeImageCase{"Width32At1BitIs4", 32, 1, 1, 4, true},
        SizeImageCase{"Width1At24BitsTimes7RowsIs28", 1, 7, 24, 28, true},
        SizeImageCase{"ZeroWidthIsEmpty", 0, 5, 8, 0, true},
        SizeImageCase{"ZeroHeightIsEmpty", 5, 0, 24, 0, true},
        // Not validated: the 32-bit arithmetic wraps and division truncates
        // towards zero ((-800 + 31) / 32 = -24, not -25).
        SizeImageCase{"NegativeWidthTruncatesTowardsZero", -100, 1, 8, 4294967200u, false},
        SizeImageCase{"NegativeHeightWraps", 1, -2, 24, 4294967288u, false},
        // 75000 words × 100000 rows × 4 = 30000000000, modulo 2^32.
        SizeImageCase{"LargeImageWrapsModulo2To32", 100000, 100000, 24, 4230196224u, false},
        // 0x7FFFFFFF × 24 wraps to -24; (-24 + 31) / 32 = 0.
        SizeImageCase{"WidthTimesBitCountWraps", 0x7FFFFFFF, 3, 24, 0, false}),
    testing::ParamLabel<SizeImageCase>);

TEST(DibHeader, RefusesUnsupportedBitCountsWithoutTouchingTheHandle) {
  for (const uint32_t bitCount : {0u, 2u, 3u, 16u, 32u, 65537u + 1u}) {
    HGLOBAL block = &block;
    EXPECT_EQ(CreateDibHeader(&block, 1, 1, bitCount, nullptr, 0, 0), PBM_E_ARGUMENT)
        << "bit count " << bitCount;
    EXPECT_EQ(block, &block) << "bit count " << bitCount;
  }
}

TEST(DibHeader, TakesOnlyTheLowSixteenBitsOfTheBitCount) {
  const Bytes block = MakeHeader(5, 1, 65544);  // 0x10008
  ASSERT_EQ(block.size(), 1064u);
  EXPECT_EQ(Word(block, 14), 8u);
  EXPECT_EQ(Dword(block, 20), 8u);
}

TEST(DibHeader, GreyPaletteFillsTheTableBlueGreenRedWithReservedZero) {
  HPALETTE grey = CreateGreyPalette();
  ASSERT_NE(grey, nullptr);
  const Bytes block = MakeHeader(4, 4, 8, grey);
  ASSERT_EQ(block.size(), 1064u);
  EXPECT_EQ(Dword(block, 32), 256u);
  EXPECT_EQ(ColourEntry(block, 0), (Bytes{0, 0, 0, 0}));
  EXPECT_EQ(ColourEntry(block, 255), (Bytes{255, 255, 255, 0}));
  for (size_t i = 0; i < 256; ++i) {
    const auto level = static_cast<unsigned char>(i);
    EXPECT_EQ(ColourEntry(block, i), (Bytes{level, level, level, 0})) << "entry " << i;
  }
  EXPECT_TRUE(DeleteObject(grey));
}

TEST(DibHeader, TableFollowsThePaletteNotTheBitCount) {
  HPALETTE grey = CreateGreyPalette();
  ASSERT_NE(grey, nullptr);
  for (const uint32_t bitCount : {1u, 4u, 24u}) {
    const Bytes block = MakeHeader(2, 2, bitCount, grey);
    ASSERT_EQ(block.size(), 40u + 1024u) << "bit count " << bitCount;
    EXPECT_EQ(Dword(block, 32), 256u);
    EXPECT_EQ(Word(block, 14), bitCount);
    EXPECT_EQ(ColourEntry(block, 200), (Bytes{200, 200, 200, 0}));
  }
  EXPECT_TRUE(DeleteObject(grey));
}

TEST(DibHeader, MapsPaletteEntriesToColourEntriesAndLeavesThePaletteAlone) {
  // Distinct red, green, blue and flags (PC_NOCOLLAPSE, PC_RESERVED) so a
  // swapped byte shows.
  HPALETTE palette = MakePalette({{10, 20, 30, 0x04}, {200, 100, 50, 0x01}, {1, 2, 3, 0}});
  ASSERT_NE(palette, nullptr);
  const Bytes block = MakeHeader(3, 1, 8, palette);
  ASSERT_EQ(block.size(), 40u + 12u);
  EXPECT_EQ(Dword(block, 32), 3u);
  EXPECT_EQ(ColourEntry(block, 0), (Bytes{30, 20, 10, 0x04}));
  EXPECT_EQ(ColourEntry(block, 1), (Bytes{50, 100, 200, 0x01}));
  EXPECT_EQ(ColourEntry(block, 2), (Bytes{3, 2, 1, 0}));

  WORD entries = 0;
  EXPECT_EQ(GetObjectA(palette, 2, &entries), 2);
  EXPECT_EQ(entries, 3u);
  PALETTEENTRY first = {};
  EXPECT_EQ(GetPaletteEntries(palette, 0, 1, &first), 1u);
  EXPECT_EQ(first.peRed, 10);
  EXPECT_TRUE(DeleteObject(palette));
}

// 16383 entries make the largest table a 16-bit size holds (65532 bytes).
std::vector<PALETTEENTRY> NumberedEntries(size_t count) {
  std::vector<PALETTEENTRY> entries(count);
  for (size_t i = 0; i < count; ++i) {
    entries[i] = {static_cast<BYTE>(i), static_cast<BYTE>(i >> 8), 7, 0};
  }
  return entries;
}

TEST(DibHeader, LargestPaletteThatFitsFillsTheWholeBlock) {
  HPALETTE palette = MakePalette(NumberedEntries(16383));
  ASSERT_NE(palette, nullptr);
  const Bytes block = MakeHeader(1, 1, 8, palette);
  ASSERT_EQ(block.size(), 40u + 65532u);
  EXPECT_EQ(Dword(block, 32), 16383u);
  EXPECT_EQ(ColourEntry(block, 16382), (Bytes{7, 16382 >> 8, 16382 & 0xFF, 0}));
  EXPECT_TRUE(DeleteObject(palette));
}

TEST(DibHeader, RefusesAPaletteTooLargeForTheTableSizeWithoutTouchingTheHandle) {
  HPALETTE palette = MakePalette(NumberedEntries(16384));
  ASSERT_NE(palette, nullptr);
  HGLOBAL block = &block;
  EXPECT_EQ(CreateDibHeader(&block, 1, 1, 8, palette, 0, 0), PBM_E_ARGUMENT);
  EXPECT_EQ(block, &block);
  EXPECT_TRUE(DeleteObject(palette));
}

struct ColourCountCase {
  const char* label;
  uint32_t headerSize;  // 12: BITMAPCOREHEADER
  uint16_t bitCount;
  uint32_t clrUsed;  // info headers only
  uint16_t count;
  uint16_t tableSize;
};

void PrintTo(const ColourCountCase& c, std::ostream* os) { *os << c.label; }

class DibColourTable : public ::testing::TestWithParam<ColourCountCase> {};

TEST_P(DibColourTable, CountAndSizeFollowTheHeaderKind) {
  const ColourCountCase& c = GetParam();
  // Exactly the header's bytes, so a read past a core header shows under ASan.
  Bytes header(c.headerSize == 12 ? 12 : 40);
  PutDword(header, 0, c.headerSize);
  if (c.headerSize == 12) {
    PutWord(header, 10, c.bitCount);  // bcBitCount
  } else {
    PutWord(header, 14, c.bitCount);  // biBitCount
    PutDword(header, 32, c.clrUsed);  // biClrUsed
  }
  EXPECT_EQ(DibColourCount(header.data()), c.count);
  EXPECT_EQ(DibColourTableSize(header.data()), c.tableSize);
}

INSTANTIATE_TEST_SUITE_P(
    Headers, DibColourTable,
    ::testing::Values(ColourCountCase{"Core8BitsHas256Triples", 12, 8, 0, 256, 768},
                      ColourCountCase{"Core24BitsHasNone", 12, 24, 0, 0, 0},
                      ColourCountCase{"Core1BitHas2Triples", 12, 1, 0, 2, 6},
                      ColourCountCase{"Core4BitsHas16Triples", 12, 4, 0, 16, 48},
                      ColourCountCase{"InfoExplicitCountWins", 40, 8, 5, 5, 20},
                      ColourCountCase{"InfoExplicitCountAboveBitCount", 40, 1, 300, 300, 1200},
                      ColourCountCase{"InfoCountTakesLow16Bits", 40, 8, 0x10005, 5, 20},
                      ColourCountCase{"InfoTableSizeIs16Bits", 40, 8, 16384, 16384, 0},
                      ColourCountCase{"Info8BitsHas256Quads", 40, 8, 0, 256, 1024},
                      ColourCountCase{"Info4BitsHas16Quads", 40, 4, 0, 16, 64},
                      ColourCountCase{"Info1BitHas2Quads", 40, 1, 0, 2, 8},
                      ColourCountCase{"Info24BitsHasNone", 40, 24, 0, 0, 0},
                      ColourCountCase{"Info16BitsHasNone", 40, 16, 0, 0, 0},
                      ColourCountCase{"LargerHeadersReadAsInfo", 108, 8, 0, 256, 1024}),
    testing::ParamLabel<ColourCountCase>);

TEST(GreyPalette, Has256EntriesFromBlackToWhiteWithFlagsZero) {
  HPALETTE grey = CreateGreyPalette();
  ASSERT_NE(grey, nullptr);
  WORD count = 0;
  EXPECT_EQ(GetObjectA(grey, 2, &count), 2);
  EXPECT_EQ(count, 256u);
  std::vector<PALETTEENTRY> entries(257, PALETTEENTRY{9, 9, 9, 9});
  EXPECT_EQ(GetPaletteEntries(grey, 0, 257, entries.data()), 256u);
  for (size_t i = 0; i < 256; ++i) {
    EXPECT_EQ(entries[i].peRed, i) << "entry " << i;
    EXPECT_EQ(entries[i].peGreen, i) << "entry " << i;
    EXPECT_EQ(entries[i].peBlue, i) << "entry " << i;
    EXPECT_EQ(entries[i].peFlags, 0) << "entry " << i;
  }
  EXPECT_EQ(entries[256].peRed, 9);
  EXPECT_TRUE(DeleteObject(grey));
}

}  // namespace
}  // namespace quentarpbm
