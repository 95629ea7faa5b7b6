// Tests of the Netpbm row readers: sample values, failures, promotion and where each row ends.
#include <gtest/gtest.h>
#include <stdint.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "netpbm/netpbm.h"
#include "support/netpbm_readers.h"
#include "support/param_label.h"
#include "support/test_files.h"

namespace quentarpbm {
namespace {

using testing::OpenBytes;
using testing::Reader;
using testing::ReadRowWith;
using Bytes = std::vector<uint8_t>;

constexpr uint8_t S = 0xEE;  // a row byte that no read has written
constexpr int kEnd = EOF;

struct RowCase {
  const char* label;
  Reader reader;
  int32_t magic;
  std::string bytes;
  int32_t count;
  uint8_t maxvalByte;
  ResultCode result;
  Bytes row;  // the whole row as expected, count (x 3 for PPM) bytes
  int next;   // the first byte the next row would read
};

void PrintTo(const RowCase& c, std::ostream* os) { *os << c.label; }

class NetpbmRow : public ::testing::TestWithParam<RowCase> {};

TEST_P(NetpbmRow, StoresSamplesAndConsumesExactlyTheRow) {
  const RowCase& c = GetParam();
  FILE* stream = OpenBytes(c.bytes);
  ASSERT_NE(stream, nullptr);
  // Two guard bytes past the row catch a reader that writes too far.
  Bytes row(c.row.size() + 2, S);
  EXPECT_EQ(ReadRowWith(c.reader, stream, row.data(), c.count, c.maxvalByte, c.magic), c.result);
  Bytes expected = c.row;
  expected.push_back(S);
  expected.push_back(S);
  EXPECT_EQ(row, expected);
  EXPECT_EQ(getc(stream), c.next);
  fclose(stream);
}

using testing::kPbm;
using testing::kPgm;
using testing::kPpm;

INSTANTIATE_TEST_SUITE_P(
    Pbm, NetpbmRow,
    ::testing::Values(
        RowCase{"PlainSeparated", kPbm, kMagicP1, "0 1\n1 0", 3, 0, PBM_OK, {0, 1, 1}, ' '},
        RowCase{"PlainUnseparated", kPbm, kMagicP1, "0110", 3, 0, PBM_OK, {0, 1, 1}, '0'},
        RowCase{
            "PlainStopsAtBadPixel", kPbm, kMagicP1, "012x", 4, 0, PBM_E_READ, {0, 1, S, S}, 'x'},
        RowCase{"PlainCutOff", kPbm, kMagicP1, "1\n", 3, 0, PBM_E_READ, {1, S, S}, kEnd},
        RowCase{"RawMostSignificantBitFirst",
                kPbm,
                kMagicP4,
                "\xA5",
                8,
                0,
                PBM_OK,
                {1, 0, 1, 0, 0, 1, 0, 1},
                kEnd},
        // Width 10 takes two bytes; the low six bits of the second are skipped.
        RowCase{"RawWidth10TakesTwoBytes",
                kPbm,
                kMagicP4,
                "\xA5\xFF\x0F",
                10,
                0,
                PBM_OK,
                {1, 0, 1, 0, 0, 1, 0, 1, 1, 1},
                0x0F},
        RowCase{"RawWidth1TakesOneByte", kPbm, kMagicP4, "\x7F\x80", 1, 0, PBM_OK, {0}, 0x80},
        RowCase{"RawCutOff",
                kPbm,
                kMagicP4,
                "\xFF",
                10,
                0,
                PBM_E_READ,
                {1, 1, 1, 1, 1, 1, 1, 1, S, S},
                kEnd},
        RowCase{"WidthZeroReadsNothing", kPbm, kMagicP4, "\xFF", 0, 0, PBM_OK, {}, 0xFF},
        RowCase{"PgmMagicRefused", kPbm, kMagicP5, "\xFF", 1, 0, PBM_E_UNSUPPORTED, {S}, 0xFF}),
    testing::ParamLabel<RowCase>);

INSTANTIATE_TEST_SUITE_P(
    Pgm, NetpbmRow,
    ::testing::Values(
        RowCase{
            "PlainKeepsLow8Bits", kPgm, kMagicP2, "1 300 7\n", 3, 255, PBM_OK, {1, 44, 7}, kEnd},
        RowCase{"PlainLastNumberAtEndKept",
                kPgm,
                kMagicP2,
                "1 2 7",
                3,
                255,
                PBM_E_READ,
                {1, 2, 7},
                kEnd},
        RowCase{
            "PlainEndBetweenNumbersIsZero", kPgm, kMagicP2, "5 ", 3, 255, PBM_OK, {5, 0, 0}, kEnd},
        // The letter stores 0 and ends the row; the next row starts after it.
        RowCase{"PlainLetterEndsRow", kPgm, kMagicP2, "5 x 9", 3, 255, PBM_E_READ, {5, 0, S}, ' '},
        RowCase{"PlainNotScaledNorClipped",
                kPgm,
                kMagicP2,
                "15 16 0",
                3,
                15,
                PBM_E_READ,
                {15, 16, 0},
                kEnd},
        RowCase{"RawBytesAsTheyAre",
                kPgm,
                kMagicP5,
                std::string("#\x20\x00\xFFz", 5),
                4,
                255,
                PBM_OK,
                {'#', ' ', 0, 255},
                'z'},
        RowCase{"RawCutOff", kPgm, kMagicP5, "\x01\x02", 4, 255, PBM_E_READ, {1, 2, S, S}, kEnd},
        RowCase{"PlainPbmPromoted", kPgm, kMagicP1, "0 1 1", 3, 1, PBM_OK, {1, 0, 0}, kEnd},
        RowCase{"RawPbmPromotedWhiteIsMaxvalByte",
                kPgm,
                kMagicP4,
                "\x40\xC0",
                3,
                200,
                PBM_OK,
                {200, 0, 200},
                0xC0},
        // Pixels a cut-off PBM row never reached count as white bits.
        RowCase{"CutOffPbmPromotedRestIsWhite", kPgm, kMagicP1, "1", 3, 9, PBM_OK, {0, 9, 9}, kEnd},
        RowCase{"PpmMagicRefused", kPgm, kMagicP3, "1 2 3", 1, 255, PBM_E_UNSUPPORTED, {S}, '1'},
        RowCase{"RawPpmMagicRefused", kPgm, kMagicP6, "\x01", 1, 255, PBM_E_UNSUPPORTED, {S}, 1},
        RowCase{"ScratchRefusedForNegativeCount",
                kPgm,
                kMagicP4,
                "\x01",
                -1,
                255,
                PBM_E_NO_MEMORY,
                {},
                1}),
    testing::ParamLabel<RowCase>);

INSTANTIATE_TEST_SUITE_P(
    Ppm, NetpbmRow,
    ::testing::Values(
        RowCase{"PlainStoredBlueGreenRed",
                kPpm,
                kMagicP3,
                "1 2 3 4 5 300\n",
                2,
                255,
                PBM_OK,
                {3, 2, 1, 44, 5, 4},
                kEnd},
        RowCase{"PlainCutOffAfterRed",
                kPpm,
                kMagicP3,
                "10 ",
                2,
                255,
                PBM_OK,
                {0, 0, 10, 0, 0, 0},
                kEnd},
        RowCase{
            "PlainLastNumberAtEndKept", kPpm, kMagicP3, "1 2 3", 1, 255, PBM_OK, {3, 2, 1}, kEnd},
        // A bad token costs its one character and reads as 0; reading goes on.
        RowCase{"PlainBadTokenCostsOneCharacter",
                kPpm,
                kMagicP3,
                "1 x 3 4 5 6 7",
                2,
                255,
                PBM_OK,
                {3, 0, 1, 6, 5, 4},
                '7'},
        RowCase{"RawStoredBlueGreenRed",
                kPpm,
                kMagicP6,
                "\x0A\x14\x1E!",
                1,
                255,
                PBM_OK,
                {30, 20, 10},
                '!'},
        RowCase{"RawCutOffRepeatsPreviousPixel",
                kPpm,
                kMagicP6,
                "\x0A\x14\x1E\x28",
                2,
                255,
                PBM_OK,
                {30, 20, 10, 30, 20, 40},
                kEnd},
        RowCase{"RawCutOffAtFirstPixelIsZero",
                kPpm,
                kMagicP6,
                "\x0A",
                2,
                255,
                PBM_OK,
                {0, 0, 10, 0, 0, 10},
                kEnd},
        RowCase{"RawPgmPromotedToGreyTriples",
                kPpm,
                kMagicP5,
                "\x07\xC8",
                2,
                255,
                PBM_OK,
                {7, 7, 7, 200, 200, 200},
                kEnd},
        RowCase{"PlainPgmPromoted",
                kPpm,
                kMagicP2,
                "7 300\n",
                2,
                255,
                PBM_OK,
                {7, 7, 7, 44, 44, 44},
                kEnd},
        RowCase{"CutOffPgmPromotedRestIsBlack",
                kPpm,
                kMagicP5,
                "\x07",
                2,
                255,
                PBM_OK,
                {7, 7, 7, 0, 0, 0},
                kEnd},
        RowCase{"RawPbmPromoted",
                kPpm,
                kMagicP4,
                "\x80\x01",
                2,
                255,
                PBM_OK,
                {0, 0, 0, 255, 255, 255},
                1},
        RowCase{"PlainPbmPromotedWithMaxval1",
                kPpm,
                kMagicP1,
                "01",
                2,
                1,
                PBM_OK,
                {1, 1, 1, 0, 0, 0},
                kEnd},
        RowCase{
            "UnknownMagicRefused", kPpm, 20535, "\x01", 1, 255, PBM_E_UNSUPPORTED, {S, S, S}, 1},
        RowCase{"ScratchRefusedForNegativeCount",
                kPpm,
                kMagicP5,
                "\x01",
                -1,
                255,
                PBM_E_NO_MEMORY,
                {},
                1}),
    testing::ParamLabel<RowCase>);

TEST(NetpbmRow, RawPbmRowsEachStartOnAFreshByte) {
  FILE* stream = OpenBytes("\xC0\x40");
  ASSERT_NE(stream, nullptr);
  Bytes first(3, S);
  Bytes second(3, S);
  EXPECT_EQ(ReadPbmRow(stream, first.data(), 3, kMagicP4), PBM_OK);
  EXPECT_EQ(ReadPbmRow(stream, second.data(), 3, kMagicP4), PBM_OK);
  EXPECT_EQ(first, (Bytes{1, 1, 0}));
  EXPECT_EQ(second, (Bytes{0, 1, 0}));
  fclose(stream);
}

TEST(NetpbmRow, RawPpmRepeatsOnlyWithinOneRow) {
  FILE* stream = OpenBytes("\x01\x02\x03");
  ASSERT_NE(stream, nullptr);
  Bytes first(3, S);
  Bytes second(3, S);
  EXPECT_EQ(ReadPpmRow(stream, first.data(), 1, 255, kMagicP6), PBM_OK);
  EXPECT_EQ(ReadPpmRow(stream, second.data(), 1, 255, kMagicP6), PBM_OK);
  EXPECT_EQ(first, (Bytes{3, 2, 1}));
  EXPECT_EQ(second, (Bytes{0, 0, 0}));
  fclose(stream);
}

}  // namespace
}  // namespace quentarpbm
