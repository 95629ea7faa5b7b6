// Netpbm header readers: accepted magics, fields, failures and where the raster starts.
#include <gtest/gtest.h>
#include <stdint.h>
#include <stdio.h>

#include <string>

#include "netpbm/netpbm.h"
#include "support/netpbm_readers.h"
#include "support/param_label.h"
#include "support/test_files.h"

namespace quentarpbm {
namespace {

using testing::OpenBytes;
using testing::Reader;
using testing::ReadHeaderWith;

constexpr int32_t kUnwritten = 0x5EED;  // what the caller had in a field
constexpr int kEnd = EOF;

struct HeaderCase {
  const char* label;
  Reader reader;
  std::string bytes;
  ResultCode result;
  int32_t width;
  int32_t height;
  int32_t maxval;  // ReadPbmHeader has none: always kUnwritten there
  int32_t magic;
  int next;  // the byte after the header: the raster's first
};

void PrintTo(const HeaderCase& c, std::ostream* os) { *os << c.label; }

class NetpbmHeader : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(NetpbmHeader, FillsFieldsAndStopsAtTheRaster) {
  const HeaderCase& c = GetParam();
  FILE* stream = OpenBytes(c.bytes);
  ASSERT_NE(stream, nullptr);
  int32_t width = kUnwritten;
  int32_t height = kUnwritten;
  int32_t maxval = kUnwritten;
  int32_t magic = kUnwritten;
  EXPECT_EQ(ReadHeaderWith(c.reader, stream, &width, &height, &maxval, &magic), c.result);
  EXPECT_EQ(width, c.width);
  EXPECT_EQ(height, c.height);
  EXPECT_EQ(maxval, c.maxval);
  EXPECT_EQ(magic, c.magic);
  EXPECT_EQ(getc(stream), c.next);
  fclose(stream);
}

constexpr int32_t U = kUnwritten;
using testing::kPbm;
using testing::kPgm;
using testing::kPpm;

INSTANTIATE_TEST_SUITE_P(
    Accepted, NetpbmHeader,
    ::testing::Values(
        HeaderCase{"PbmPlain", kPbm, "P1\n3 2\n01", PBM_OK, 3, 2, U, kMagicP1, '0'},
        HeaderCase{"PbmRawStartsAfterOneDelimiter", kPbm, "P4 3 2\n\n", PBM_OK, 3, 2, U, kMagicP4,
                   '\n'},
        HeaderCase{"MagicNeedsNoWhitespace", kPgm, "P53 2 255\n", PBM_OK, 3, 2, 255, kMagicP5,
                   kEnd},
        HeaderCase{"CommentLineWhereNumberExpected", kPbm, "P1\n# made by hand\n3 2\n", PBM_OK, 3,
                   2, U, kMagicP1, kEnd},
        HeaderCase{"CommentRightAfterDigitsIsDelimiter", kPgm, "P2 12#note\n7 255 ", PBM_OK, 12, 7,
                   255, kMagicP2, kEnd},
        HeaderCase{"AnyNonDigitIsDelimiter", kPgm, "P2 12x7 255 ", PBM_OK, 12, 7, 255, kMagicP2,
                   kEnd},
        HeaderCase{"CrOfCrLfIsDelimiterLfIsRaster", kPgm, "P5 3 2 255\r\n\x07", PBM_OK, 3, 2, 255,
                   kMagicP5, '\n'},
        HeaderCase{"CommentAfterMaxvalRasterFollowsItsLineEnd", kPpm, "P6 1 1 255#c\n\x01", PBM_OK,
                   1, 1, 255, kMagicP6, 1},
        HeaderCase{"HashAfterCommentIsRaster", kPpm, "P6 1 1 255\n#", PBM_OK, 1, 1, 255, kMagicP6,
                   '#'},
        HeaderCase{"EndBeforeHeightReadsZero", kPgm, "P2 5 ", PBM_OK, 5, 0, 0, kMagicP2, kEnd},
        HeaderCase{"MaxvalCutOffKeepsDigits", kPgm, "P5 5 2 255", PBM_OK, 5, 2, 255, kMagicP5,
                   kEnd},
        HeaderCase{"MalformedMaxvalIsZero", kPgm, "P5 5 2 x1", PBM_OK, 5, 2, 0, kMagicP5, '1'},
        HeaderCase{"Maxval255", kPgm, "P2 1 1 255 ", PBM_OK, 1, 1, 255, kMagicP2, kEnd},
        HeaderCase{"Maxval0", kPgm, "P2 1 1 0 ", PBM_OK, 1, 1, 0, kMagicP2, kEnd},
        HeaderCase{"MaxvalWrappedNegative", kPpm, "P3 1 1 4294967295 ", PBM_OK, 1, 1, -1, kMagicP3,
                   kEnd},
        HeaderCase{"SizesWrapUnchecked", kPgm, "P2 4294967295 2147483648 255 ", PBM_OK, -1,
                   INT32_MIN, 255, kMagicP2, kEnd},
        HeaderCase{"ZeroSizes", kPbm, "P4 0 0 ", PBM_OK, 0, 0, U, kMagicP4, kEnd},
        HeaderCase{"PgmReadsPbmWithMaxval1", kPgm, "P4 3 2\n", PBM_OK, 3, 2, 1, kMagicP4, kEnd},
        HeaderCase{"PpmReadsPlainPbm", kPpm, "P1 3 2\n", PBM_OK, 3, 2, 1, kMagicP1, kEnd},
        HeaderCase{"PpmReadsRawPbm", kPpm, "P4 3 2\n", PBM_OK, 3, 2, 1, kMagicP4, kEnd},
        HeaderCase{"PpmReadsPlainPgm", kPpm, "P2 3 2 9\n", PBM_OK, 3, 2, 9, kMagicP2, kEnd},
        HeaderCase{"PpmReadsRawPgm", kPpm, "P5 3 2 9\n", PBM_OK, 3, 2, 9, kMagicP5, kEnd},
        HeaderCase{"PpmPlain", kPpm, "P3 3 2 200\n", PBM_OK, 3, 2, 200, kMagicP3, kEnd}),
    testing::ParamLabel<HeaderCase>);

INSTANTIATE_TEST_SUITE_P(
    Refused, NetpbmHeader,
    ::testing::Values(
        HeaderCase{"PbmRefusesPgm", kPbm, "P5 3 2 255\n", PBM_E_UNSUPPORTED, U, U, U, kMagicP5,
                   ' '},
        HeaderCase{"PbmRefusesPpm", kPbm, "P3 3 2 255\n", PBM_E_UNSUPPORTED, U, U, U, kMagicP3,
                   ' '},
        HeaderCase{"PgmRefusesPlainPpm", kPgm, "P3 3 2 255\n", PBM_E_UNSUPPORTED, U, U, U, kMagicP3,
                   ' '},
        HeaderCase{"PgmRefusesRawPpm", kPgm, "P6 3 2 255\n", PBM_E_UNSUPPORTED, U, U, U, kMagicP6,
                   ' '},
        HeaderCase{"PbmLeadingSpace", kPbm, " P1 3 2\n", PBM_E_UNSUPPORTED, U, U, U, 0x2050, '1'},
        HeaderCase{"PgmLeadingSpace", kPgm, " P2 3 2\n", PBM_E_UNSUPPORTED, U, U, U, 0x2050, '2'},
        HeaderCase{"PpmLeadingSpace", kPpm, " P3 3 2\n", PBM_E_UNSUPPORTED, U, U, U, 0x2050, '3'},
        HeaderCase{"PbmLowercase", kPbm, "p1 3 2\n", PBM_E_UNSUPPORTED, U, U, U, 28721, ' '},
        HeaderCase{"PgmLowercase", kPgm, "p5 3 2\n", PBM_E_UNSUPPORTED, U, U, U, 28725, ' '},
        HeaderCase{"PpmLowercase", kPpm, "p6 3 2\n", PBM_E_UNSUPPORTED, U, U, U, 28726, ' '},
        HeaderCase{"PbmP7", kPbm, "P7 3 2\n", PBM_E_UNSUPPORTED, U, U, U, 20535, ' '},
        HeaderCase{"PgmP7", kPgm, "P7 3 2\n", PBM_E_UNSUPPORTED, U, U, U, 20535, ' '},
        HeaderCase{"PpmP0", kPpm, "P0 3 2\n", PBM_E_UNSUPPORTED, U, U, U, 20528, ' '},
        HeaderCase{"PbmOneByte", kPbm, "P", PBM_E_READ, U, U, U, U, kEnd},
        HeaderCase{"PgmOneByte", kPgm, "P", PBM_E_READ, U, U, U, U, kEnd},
        HeaderCase{"PpmOneByte", kPpm, "P", PBM_E_READ, U, U, U, U, kEnd},
        HeaderCase{"PpmEmpty", kPpm, "", PBM_E_READ, U, U, U, U, kEnd},
        HeaderCase{"Maxval256", kPgm, "P2 1 1 256 ", PBM_E_MAXVAL, 1, 1, 256, kMagicP2, kEnd},
        HeaderCase{"PpmMaxval65535", kPpm, "P6 1 1 65535\n", PBM_E_MAXVAL, 1, 1, 65535, kMagicP6,
                   kEnd}),
    testing::ParamLabel<HeaderCase>);

// A field is written as soon as its read starts (0, then the digits); the
// fields after a failed one keep what the caller had, except the maxval of a
// PBM file read as PGM or PPM, which is 1 in any case.
INSTANTIATE_TEST_SUITE_P(
    Malformed, NetpbmHeader,
    ::testing::Values(
        HeaderCase{"MinusWidth", kPgm, "P2 -3 2 255", PBM_E_READ, 0, U, U, kMagicP2, '3'},
        HeaderCase{"PlusWidth", kPgm, "P2 +3 2 255", PBM_E_READ, 0, U, U, kMagicP2, '3'},
        HeaderCase{"FormFeedBeforeWidth", kPgm, "P2\f3 2 255", PBM_E_READ, 0, U, U, kMagicP2, '3'},
        HeaderCase{"VerticalTabBeforeHeight", kPgm, "P2 3\v2 255", PBM_OK, 3, 2, 255, kMagicP2,
                   kEnd},
        HeaderCase{"VerticalTabAfterDelimiter", kPgm, "P2 3 \v2 255", PBM_E_READ, 3, 0, U, kMagicP2,
                   '2'},
        HeaderCase{"HighByteBeforeMaxvalIsZero", kPgm,
                   "P2 3 2 \xA0"
                   "255",
                   PBM_OK, 3, 2, 0, kMagicP2, '2'},
        HeaderCase{"HeightRunsIntoEnd", kPgm, "P2 5 2", PBM_E_READ, 5, 2, U, kMagicP2, kEnd},
        HeaderCase{"WidthRunsIntoEnd", kPpm, "P6 5", PBM_E_READ, 5, U, U, kMagicP6, kEnd},
        HeaderCase{"LetterForHeight", kPpm, "P6 3 x 255", PBM_E_READ, 3, 0, U, kMagicP6, ' '},
        HeaderCase{"PbmHeightRunsIntoEnd", kPbm, "P1 3 2", PBM_E_READ, 3, 2, U, kMagicP1, kEnd},
        HeaderCase{"PbmAsPgmHeightFailsMaxvalStill1", kPgm, "P1 3 2", PBM_E_READ, 3, 2, 1, kMagicP1,
                   kEnd},
        HeaderCase{"PbmAsPpmWidthFailsMaxvalStill1", kPpm, "P4 x", PBM_E_READ, 0, U, 1, kMagicP4,
                   kEnd}),
    testing::ParamLabel<HeaderCase>);

TEST(NetpbmHeader, SizeReaderStopsAfterAFailedWidth) {
  FILE* stream = OpenBytes("-1 2 ");
  ASSERT_NE(stream, nullptr);
  int32_t width = kUnwritten;
  int32_t height = kUnwritten;
  EXPECT_EQ(ReadNetpbmSize(stream, &width, &height), PBM_E_READ);
  EXPECT_EQ(width, 0);
  EXPECT_EQ(height, kUnwritten);
  EXPECT_EQ(getc(stream), '1');
  fclose(stream);
}

TEST(NetpbmHeader, MaxvalAboveLimitIsReportedWithItsValue) {
  FILE* stream = OpenBytes("3 2 300 x");
  ASSERT_NE(stream, nullptr);
  int32_t width = kUnwritten;
  int32_t height = kUnwritten;
  int32_t maxval = kUnwritten;
  EXPECT_EQ(ReadNetpbmSizeAndMaxval(stream, &width, &height, &maxval), PBM_E_MAXVAL);
  EXPECT_EQ(width, 3);
  EXPECT_EQ(height, 2);
  EXPECT_EQ(maxval, 300);
  EXPECT_EQ(getc(stream), 'x');
  fclose(stream);
}

}  // namespace
}  // namespace quentarpbm
