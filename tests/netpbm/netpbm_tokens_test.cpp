// Tests of the Netpbm token readers, through real streams.
#include <gtest/gtest.h>
#include <stdint.h>
#include <stdio.h>

#include <string>

#include "netpbm/netpbm.h"
#include "support/param_label.h"
#include "support/test_files.h"

namespace quentarpbm {
namespace {

using testing::OpenBytes;

constexpr int kEnd = EOF;  // "the next read finds the end of the stream"

// Cases share one shape: the stream, the result, the out-parameter (or that it
// stays unwritten) and the byte that the next read gets, which shows exactly
// how much the token consumed.
struct TokenCase {
  const char* label;
  std::string bytes;
  ResultCode result;
  bool written;
  int32_t value;
  int next;
};

void PrintTo(const TokenCase& c, std::ostream* os) { *os << c.label; }

class NetpbmChar : public ::testing::TestWithParam<TokenCase> {};

TEST_P(NetpbmChar, ReadsOneByteOrOneWholeComment) {
  const TokenCase& c = GetParam();
  FILE* stream = OpenBytes(c.bytes);
  ASSERT_NE(stream, nullptr);
  uint8_t character = 0xEE;
  EXPECT_EQ(ReadNetpbmChar(stream, &character), c.result);
  EXPECT_EQ(character, c.written ? c.value : 0xEE);
  EXPECT_EQ(getc(stream), c.next);
  fclose(stream);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NetpbmChar,
    ::testing::Values(TokenCase{"PlainByte", "AB", PBM_OK, true, 'A', 'B'},
                      TokenCase{"HighByteIsJustAByte", "\xA0\x01", PBM_OK, true, 0xA0, 1},
                      TokenCase{"CommentReadsAsItsLineFeed", "#abc\nZ", PBM_OK, true, '\n', 'Z'},
                      TokenCase{"CarriageReturnEndsCommentAlone", "#abc\r\nZ", PBM_OK, true, '\r',
                                '\n'},
                      TokenCase{"HashInsideCommentIsText", "##\nZ", PBM_OK, true, '\n', 'Z'},
                      TokenCase{"EmptyCommentLine", "#\n", PBM_OK, true, '\n', kEnd},
                      TokenCase{"EndOfStreamLeavesCharacter", "", PBM_E_READ, false, 0, kEnd},
                      TokenCase{"CommentCutOffHoldsLastByte", "#abc", PBM_E_READ, true, 'c', kEnd},
                      TokenCase{"LoneHashHoldsHash", "#", PBM_E_READ, true, '#', kEnd}),
    testing::ParamLabel<TokenCase>);

class NetpbmInt : public ::testing::TestWithParam<TokenCase> {};

TEST_P(NetpbmInt, ReadsDigitsAndExactlyOneDelimiter) {
  const TokenCase& c = GetParam();
  FILE* stream = OpenBytes(c.bytes);
  ASSERT_NE(stream, nullptr);
  int32_t value = 12345;  // ReadNetpbmInt always writes, so this must vanish
  EXPECT_EQ(ReadNetpbmInt(stream, &value), c.result);
  EXPECT_EQ(value, c.value);
  EXPECT_EQ(getc(stream), c.next);
  fclose(stream);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NetpbmInt,
    ::testing::Values(
        TokenCase{"SpaceDelimiter", "123 x", PBM_OK, true, 123, 'x'},
        TokenCase{"LeadingWhitespaceOfAllFourKinds", " \t\r\n42\n7", PBM_OK, true, 42, '7'},
        TokenCase{"LeadingZeros", "007 ", PBM_OK, true, 7, kEnd},
        TokenCase{"LetterIsDelimiter", "12x7", PBM_OK, true, 12, '7'},
        TokenCase{"CommentIsDelimiter", "12#note\n7", PBM_OK, true, 12, '7'},
        TokenCase{"CommentEndingInCrLfLeavesLf", "12#note\r\n7", PBM_OK, true, 12, '\n'},
        TokenCase{"CommentBeforeNumber", "#c\n5 6", PBM_OK, true, 5, '6'},
        TokenCase{"EndBeforeDigitIsZero", "", PBM_OK, true, 0, kEnd},
        TokenCase{"WhitespaceThenEndIsZero", " \n ", PBM_OK, true, 0, kEnd},
        TokenCase{"CommentToEndIsZero", "# only a comment", PBM_OK, true, 0, kEnd},
        TokenCase{"NumberCutOffKeepsDigits", "5", PBM_E_READ, true, 5, kEnd},
        TokenCase{"CommentAfterDigitsCutOff", "12#cut", PBM_E_READ, true, 12, kEnd},
        TokenCase{"MinusIsNotADigit", "-3 ", PBM_E_READ, true, 0, '3'},
        TokenCase{"PlusIsNotADigit", "+3 ", PBM_E_READ, true, 0, '3'},
        TokenCase{"VerticalTabIsNotWhitespace", "\v3 ", PBM_E_READ, true, 0, '3'},
        TokenCase{"FormFeedIsNotWhitespace", "\f3 ", PBM_E_READ, true, 0, '3'},
        TokenCase{"NonBreakingSpaceIsNotWhitespace",
                  "\xA0"
                  "3 ",
                  PBM_E_READ, true, 0, '3'},
        TokenCase{"HighDigitLookalikeIsNotADigit", "\xB3 ", PBM_E_READ, true, 0, ' '},
        TokenCase{"HighByteEndsNumber",
                  "7\xB9"
                  "8",
                  PBM_OK, true, 7, '8'},
        TokenCase{"LargestSigned", "2147483647 ", PBM_OK, true, INT32_MAX, kEnd},
        TokenCase{"WrapsToMostNegative", "2147483648 ", PBM_OK, true, INT32_MIN, kEnd},
        TokenCase{"WrapsToMinusOne", "4294967295 ", PBM_OK, true, -1, kEnd},
        TokenCase{"WrapsToZero", "4294967296 ", PBM_OK, true, 0, kEnd},
        // 99999999999 - 23 * 2^32 = 1215752191
        TokenCase{"ManyDigitsWrapModulo2To32", "99999999999 ", PBM_OK, true, 1215752191, kEnd}),
    testing::ParamLabel<TokenCase>);

class PlainPbmBit : public ::testing::TestWithParam<TokenCase> {};

TEST_P(PlainPbmBit, ReadsOneNonWhitespaceCharacter) {
  const TokenCase& c = GetParam();
  FILE* stream = OpenBytes(c.bytes);
  ASSERT_NE(stream, nullptr);
  uint8_t bit = 0xEE;
  EXPECT_EQ(ReadPlainPbmBit(stream, &bit), c.result);
  EXPECT_EQ(bit, c.written ? c.value : 0xEE);
  EXPECT_EQ(getc(stream), c.next);
  fclose(stream);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PlainPbmBit,
    ::testing::Values(TokenCase{"One", "1", PBM_OK, true, 1, kEnd},
                      TokenCase{"Zero", "0", PBM_OK, true, 0, kEnd},
                      TokenCase{"NoSeparatorNeeded", "01", PBM_OK, true, 0, '1'},
                      TokenCase{"SkipsWhitespace", " \n\t\r1x", PBM_OK, true, 1, 'x'},
                      TokenCase{"SkipsComment", "#c\n1", PBM_OK, true, 1, kEnd},
                      TokenCase{"TwoIsNoPixel", "2 1", PBM_E_READ, false, 0, ' '},
                      TokenCase{"LetterIsNoPixel", "a", PBM_E_READ, false, 0, kEnd},
                      TokenCase{"VerticalTabIsNoPixel", "\v1", PBM_E_READ, false, 0, '1'},
                      TokenCase{"EndOfStreamFails", "", PBM_E_READ, false, 0, kEnd},
                      TokenCase{"WhitespaceThenEndFails", "  ", PBM_E_READ, false, 0, kEnd},
                      TokenCase{"CommentToEndFails", "#c", PBM_E_READ, false, 0, kEnd}),
    testing::ParamLabel<TokenCase>);

class NetpbmRawByte : public ::testing::TestWithParam<TokenCase> {};

TEST_P(NetpbmRawByte, ReadsOneByteWithNoTokenRules) {
  const TokenCase& c = GetParam();
  FILE* stream = OpenBytes(c.bytes);
  ASSERT_NE(stream, nullptr);
  uint8_t byte = 0xEE;
  EXPECT_EQ(ReadNetpbmRawByte(stream, &byte), c.result);
  EXPECT_EQ(byte, c.written ? c.value : 0xEE);
  EXPECT_EQ(getc(stream), c.next);
  fclose(stream);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NetpbmRawByte,
    ::testing::Values(TokenCase{"HashIsAValue", "#\n", PBM_OK, true, '#', '\n'},
                      TokenCase{"SpaceIsAValue", " x", PBM_OK, true, ' ', 'x'},
                      TokenCase{"Zero", std::string(1, '\0'), PBM_OK, true, 0, kEnd},
                      TokenCase{"Largest", "\xFF", PBM_OK, true, 255, kEnd},
                      TokenCase{"EndOfStream", "", PBM_E_READ, false, 0, kEnd}),
    testing::ParamLabel<TokenCase>);

class NetpbmMagicToken : public ::testing::TestWithParam<TokenCase> {};

TEST_P(NetpbmMagicToken, ReadsExactlyTwoBytes) {
  const TokenCase& c = GetParam();
  FILE* stream = OpenBytes(c.bytes);
  ASSERT_NE(stream, nullptr);
  int32_t magic = -7;
  EXPECT_EQ(ReadNetpbmMagic(stream, &magic), c.result);
  EXPECT_EQ(magic, c.written ? c.value : -7);
  EXPECT_EQ(getc(stream), c.next);
  fclose(stream);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NetpbmMagicToken,
    ::testing::Values(TokenCase{"P1", "P1\n", PBM_OK, true, 20529, '\n'},
                      TokenCase{"P6NeedsNoWhitespace", "P63", PBM_OK, true, 20534, '3'},
                      TokenCase{"LowercaseIsItsOwnNumber", "p1", PBM_OK, true, 28721, kEnd},
                      TokenCase{"LeadingSpaceIsPartOfIt", " P1", PBM_OK, true, 0x2050, '1'},
                      TokenCase{"BytesAreUnsigned", "\xFF\xFE", PBM_OK, true, 65534, kEnd},
                      TokenCase{"OneByteFails", "P", PBM_E_READ, false, 0, kEnd},
                      TokenCase{"EmptyFails", "", PBM_E_READ, false, 0, kEnd}),
    testing::ParamLabel<TokenCase>);

}  // namespace
}  // namespace quentarpbm
