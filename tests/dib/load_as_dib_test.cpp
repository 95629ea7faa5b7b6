// Whole conversions through PBMOpen: header block, colour table, bottom-up rows.
#include <gtest/gtest.h>
#include <string.h>

#include <string>
#include <vector>

#include "platform/win32_api.h"
#include "quentarpbm.h"
#include "support/dib_result.h"
#include "support/param_label.h"
#include "support/private_temp_directory.h"
#include "support/test_files.h"

namespace quentarpbm {
namespace {

using testing::DibResult;
using testing::Dword;
using testing::OpenAsHost;
using testing::Word;
using testing::WriteTestFile;
using Bytes = std::vector<uint8_t>;

struct ConversionCase {
  const char* label;
  std::string file;
  int32_t width;
  int32_t height;
  uint16_t bitCount;
  uint32_t colourEntries;  // entries in the block's colour table
  uint32_t coloursUsed;    // biClrUsed
  Bytes pixels;            // the whole pixel file, worked out by hand
};

void PrintTo(const ConversionCase& c, std::ostream* os) { *os << c.label; }

class Conversion : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(Conversion, GivesTheHeaderAndBottomUpPaddedRows) {
  const ConversionCase& c = GetParam();
  const DibResult result = OpenAsHost(WriteTestFile(std::string(c.label) + ".pnm", c.file));
  ASSERT_EQ(result.code, PBM_OK);
  EXPECT_FALSE(result.headerNull);
  EXPECT_FALSE(result.mappingNull);
  ASSERT_EQ(result.header.size(), 40 + 4 * c.colourEntries);
  EXPECT_EQ(Dword(result.header, 0), 40u);
  EXPECT_EQ(static_cast<int32_t>(Dword(result.header, 4)), c.width);
  EXPECT_EQ(static_cast<int32_t>(Dword(result.header, 8)), c.height);
  EXPECT_EQ(Word(result.header, 12), 1);
  EXPECT_EQ(Word(result.header, 14), c.bitCount);
  EXPECT_EQ(Dword(result.header, 16), 0u);
  EXPECT_EQ(Dword(result.header, 20), c.pixels.size());
  EXPECT_EQ(Dword(result.header, 24), 0u);
  EXPECT_EQ(Dword(result.header, 28), 0u);
  EXPECT_EQ(Dword(result.header, 32), c.coloursUsed);
  EXPECT_EQ(Dword(result.header, 36), 0u);
  EXPECT_EQ(result.pixels, c.pixels);
  EXPECT_TRUE(result.pixelFileRemoved) << "the host must be able to delete " << result.pixelFile;
  EXPECT_EQ(result.progressCalls, static_cast<size_t>(c.height));
  EXPECT_TRUE(result.progressInOrder);
}

const ConversionCase kConversions[] = {
    {"PlainPbmOnePixel", "P1 1 1 1", 1, 1, 8, 256, 0, {1, 0, 0, 0}},
    {"PlainPbmTwoRowsBottomUp",
     "P1\n3 2\n1 0 0\n0 1 1\n",
     3,
     2,
     8,
     256,
     0,
     {0, 1, 1, 0, 1, 0, 0, 0}},
    // 0xA5 0xC0: pixels 1 0 1 0 0 1 0 1 then 1 1; the low bits are skipped.
    {"RawPbmTenWide", "P4 10 1\n\xA5\xC0", 10, 1, 8, 256, 0, {1, 0, 1, 0, 0, 1, 0, 1, 1, 1, 0, 0}},
    // Maxval plays no part: the samples are the palette indices.
    {"PlainPgmMaxvalOneStaysDark", "P2 2 1 1 0 1", 2, 1, 8, 256, 256, {0, 1, 0, 0}},
    {"RawPgmThreeByTwo",
     "P5 3 2 255\n\x0A\x14\x1E\x28\x32\x3C",
     3,
     2,
     8,
     256,
     256,
     {40, 50, 60, 0, 10, 20, 30, 0}},
    {"PlainPpmOnePixelIsBlueGreenRed", "P3 1 1 255 10 20 30", 1, 1, 24, 0, 0, {30, 20, 10, 0}},
    {"RawPpmThreeWidePadsToTwelve",
     "P6 3 2 255\n\x01\x02\x03\x04\x05\x06\x07\x08\x09"
     "\x0A\x0B\x0C\x0D\x0E\x0F\x10\x11\x12",
     3,
     2,
     24,
     0,
     0,
     {12, 11, 10, 15, 14, 13, 18, 17, 16, 0, 0, 0, 3, 2, 1, 6, 5, 4, 9, 8, 7, 0, 0, 0}},
    // A cut-off raster still gives the header's size; missing samples are 0.
    {"TruncatedRawPgmKeepsItsSize",
     "P5 2 2 255\n\x07",
     2,
     2,
     8,
     256,
     256,
     {0, 0, 0, 0, 7, 0, 0, 0}},
};

INSTANTIATE_TEST_SUITE_P(Netpbm, Conversion, ::testing::ValuesIn(kConversions),
                         testing::ParamLabel<ConversionCase>);

TEST(ConversionColourTable, PbmIsWhiteThenBlackAndTheRestZero) {
  const DibResult result = OpenAsHost(WriteTestFile("table.pbm", "P1 1 1 0"));
  ASSERT_EQ(result.code, PBM_OK);
  const Bytes table(result.header.begin() + 40, result.header.end());
  Bytes expected(1024, 0);
  expected[0] = expected[1] = expected[2] = 255;
  EXPECT_EQ(table, expected);
}

TEST(ConversionColourTable, PgmIsTheGreyRamp) {
  const DibResult result = OpenAsHost(WriteTestFile("table.pgm", "P2 1 1 255 9"));
  ASSERT_EQ(result.code, PBM_OK);
  ASSERT_EQ(result.header.size(), 1064u);
  for (int i = 0; i < 256; ++i) {
    const Bytes entry(result.header.begin() + 40 + 4 * i, result.header.begin() + 44 + 4 * i);
    EXPECT_EQ(entry, (Bytes{uint8_t(i), uint8_t(i), uint8_t(i), 0})) << "entry " << i;
  }
}

TEST(ConversionProgress, CallsOncePerRowInOrderWithTheHeight) {
  const DibResult result = OpenAsHost(WriteTestFile("progress.pgm", "P2 1 3 255 1 2 3"));
  ASSERT_EQ(result.code, PBM_OK);
  EXPECT_EQ(result.progressCalls, 3u);
  EXPECT_TRUE(result.progressInOrder);
  EXPECT_EQ(result.progressHeight, 3);
}

TEST(ConversionPixelFile, IsNamedTpInTheTemporaryDirectory) {
  const DibResult result = OpenAsHost(WriteTestFile("name.pbm", "P1 1 1 1"));
  ASSERT_EQ(result.code, PBM_OK);
  char tempDir[MAX_PATH + 1] = "";
  ASSERT_NE(GetTempPathA(sizeof tempDir, tempDir), 0u);
  ASSERT_EQ(result.pixelFile.rfind(tempDir, 0), 0u) << result.pixelFile;
  EXPECT_EQ(result.pixelFile.substr(strlen(tempDir), 2), "tp");
}

// Failures inside a conversion leave both handles null and no pixel file.
struct FailureCase {
  const char* label;
  std::string file;
  int32_t code;
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.label; }

class ConversionFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(ConversionFailure, LeavesNothingBehind) {
  const std::string& temp = testing::UsePrivateTempDirectory();
  const FailureCase& c = GetParam();
  const DibResult result = OpenAsHost(WriteTestFile(std::string(c.label) + ".pnm", c.file));
  EXPECT_EQ(result.code, c.code);
  testing::ExpectNothingLeft(result, temp);
}

const FailureCase kFailures[] = {
    {"ZeroWidthCannotBeMapped", "P5 0 4 255\n", PBM_E_MAPPING},
    {"ZeroHeightCannotBeMapped", "P1 4 0 ", PBM_E_MAPPING},
    {"MaxvalAbove255", "P2 1 1 256 0", PBM_E_MAXVAL},
    {"HeightRunsIntoEndOfFile", "P2 5 2", PBM_E_READ},
    {"PgmReaderRefusesPpm", "P2x", PBM_E_READ},
    {"LowerCaseMagic", "p6 1 1 255 abc", PBM_E_UNSUPPORTED},
    {"NegativeWidthAfterWrap", "P5 4294967295 1 255\n", PBM_E_NO_MEMORY},
    // Fits the row store, but not a DIB stride at 8 bits per pixel.
    {"StrideOverflowsOnlyAtTheDibStep", "P5 300000000 1 255\n", PBM_E_NO_MEMORY},
};

INSTANTIATE_TEST_SUITE_P(Netpbm, ConversionFailure, ::testing::ValuesIn(kFailures),
                         testing::ParamLabel<FailureCase>);

}  // namespace
}  // namespace quentarpbm
