// Tests of the Netpbm token readers, through real streams.
#include <gtest/gtest.h>
#include <stdint.h>
#include <stdio.h>

#include <string>
#include <vector>

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

// What a token reader did: its result, and its out-parameter if it wrote one.
struct TokenRead {
  ResultCode result;
  bool written;
  int32_t value;
};

// Calls a token reader with its out-parameter primed to a value no case
// expects, so an unwritten one shows.
template <typename T, ResultCode (*Read)(FILE*, T*)>
TokenRead ReadToken(FILE* stream) {
  constexpr T kUnwritten = static_cast<T>(0xEE);
  T value = kUnwritten;
  const ResultCode result = Read(stream, &value);
  return {result, value != kUnwritten, static_cast<int32_t>(value)};
}

constexpr auto ReadCharToken = ReadToken<uint8_t, ReadNetpbmChar>;
constexpr auto ReadIntToken = ReadToken<int32_t, ReadNetpbmInt>;
constexpr auto ReadBitToken = ReadToken<uint8_t, ReadPlainPbmBit>;
constexpr auto ReadRawByteToken = ReadToken<uint8_t, ReadNetpbmRawByte>;
constexpr auto ReadMagicToken = ReadToken<int32_t, ReadNetpbmMagic>;

struct ReaderCase {
  TokenRead (*read)(FILE*);
  TokenCase token;
};

template <size_t N>
std::vector<ReaderCase> WithReader(TokenRead (*read)(FILE*), const TokenCase (&cases)[N]) {
  std::vector<ReaderCase> all;
  for (const TokenCase& c : cases) all.push_back({read, c});
  return all;
}

std::string TokenLabel(const ::testing::TestParamInfo<ReaderCase>& param) {
  return param.param.token.label;
}

void PrintTo(const ReaderCase& c, std::ostream* os) { *os << c.token.label; }

class NetpbmToken : public ::testing::TestWithParam<ReaderCase> {};

// Every token reader: its result, its out-parameter (or that it stays
// unwritten), and the byte the next read gets, which shows exactly how much
// the token consumed.
TEST_P(NetpbmToken, ConsumesExactlyItsBytes) {
  const TokenCase& c = GetParam().token;
  FILE* stream = OpenBytes(c.bytes);
  ASSERT_NE(stream, nullptr);
  const TokenRead read = GetParam().read(stream);
  EXPECT_EQ(read.result, c.result);
  EXPECT_EQ(read.written, c.written);
  if (c.written) {
    EXPECT_EQ(read.value, c.value);
  }
  EXPECT_EQ(getc(stream), c.next);
  fclose(stream);
}

// ReadCharToken: reads one byte or one whole comment.
const TokenCase kCharCases[] = {
    TokenCase{"PlainByte", "AB", PBM_OK, true, 'A', 'B'},
    TokenCase{"HighByteIsJustAByte", "\xA0\x01", PBM_OK, true, 0xA0, 1},
    TokenCase{"CommentReadsAsItsLineFeed", "#abc\nZ", PBM_OK, true, '\n', 'Z'},
    TokenCase{"CarriageReturnEndsCommentAlone", "#abc\r\nZ", PBM_OK, true, '\r', '\n'},
    TokenCase{"HashInsideCommentIsText", "##\nZ", PBM_OK, true, '\n', 'Z'},
    TokenCase{"EmptyCommentLine", "#\n", PBM_OK, true, '\n', kEnd},
    TokenCase{"EndOfStreamLeavesCharacter", "", PBM_E_READ, false, 0, kEnd},
    TokenCase{"CommentCutOffHoldsLastByte", "#abc", PBM_E_READ, true, 'c', kEnd},
    TokenCase{"LoneHashHoldsHash", "#", PBM_E_READ, true, '#', kEnd}};
INSTANTIATE_TEST_SUITE_P(Char, NetpbmToken,
                         ::testing::ValuesIn(WithReader(ReadCharToken, kCharCases)), TokenLabel);

// ReadIntToken: reads digits and exactly one delimiter; always writes its value.
const TokenCase kIntCases[] = {
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
    TokenCase{"ManyDigitsWrapModulo2To32", "99999999999 ", PBM_OK, true, 1215752191, kEnd}};
INSTANTIATE_TEST_SUITE_P(Int, NetpbmToken, ::testing::ValuesIn(WithReader(ReadIntToken, kIntCases)),
                         TokenLabel);

// ReadBitToken: reads one non-whitespace character.
const TokenCase kBitCases[] = {
    TokenCase{"One", "1", PBM_OK, true, 1, kEnd},
    TokenCase{"Zero", "0", PBM_OK, true, 0, kEnd},
    TokenCase{"NoSeparatorNeeded", "01", PBM_OK, true, 0, '1'},
    TokenCase{"SkipsWhitespace", " \n\t\r1x", PBM_OK, true, 1, 'x'},
    TokenCase{"SkipsComment", "#c\n1", PBM_OK, true, 1, kEnd},
    TokenCase{"TwoIsNoPixel", "2 1", PBM_E_READ, false, 0, ' '},
    TokenCase{"LetterIsNoPixel", "a", PBM_E_READ, false, 0, kEnd},
    TokenCase{"VerticalTabIsNoPixel", "\v1", PBM_E_READ, false, 0, '1'},
    TokenCase{"EndOfStreamFails", "", PBM_E_READ, false, 0, kEnd},
    TokenCase{"WhitespaceThenEndFails", "  ", PBM_E_READ, false, 0, kEnd},
    TokenCase{"CommentToEndFails", "#c", PBM_E_READ, false, 0, kEnd}};
INSTANTIATE_TEST_SUITE_P(PlainPbmBit, NetpbmToken,
                         ::testing::ValuesIn(WithReader(ReadBitToken, kBitCases)), TokenLabel);

// ReadRawByteToken: reads one byte with no token rules.
const TokenCase kRawByteCases[] = {TokenCase{"HashIsAValue", "#\n", PBM_OK, true, '#', '\n'},
                                   TokenCase{"SpaceIsAValue", " x", PBM_OK, true, ' ', 'x'},
                                   TokenCase{"Zero", std::string(1, '\0'), PBM_OK, true, 0, kEnd},
                                   TokenCase{"Largest", "\xFF", PBM_OK, true, 255, kEnd},
                                   TokenCase{"EndOfStream", "", PBM_E_READ, false, 0, kEnd}};
INSTANTIATE_TEST_SUITE_P(RawByte, NetpbmToken,
                         ::testing::ValuesIn(WithReader(ReadRawByteToken, kRawByteCases)),
                         TokenLabel);

// ReadMagicToken: reads exactly two bytes.
const TokenCase kMagicCases[] = {
    TokenCase{"P1", "P1\n", PBM_OK, true, 20529, '\n'},
    TokenCase{"P6NeedsNoWhitespace", "P63", PBM_OK, true, 20534, '3'},
    TokenCase{"LowercaseIsItsOwnNumber", "p1", PBM_OK, true, 28721, kEnd},
    TokenCase{"LeadingSpaceIsPartOfIt", " P1", PBM_OK, true, 0x2050, '1'},
    TokenCase{"BytesAreUnsigned", "\xFF\xFE", PBM_OK, true, 65534, kEnd},
    TokenCase{"OneByteFails", "P", PBM_E_READ, false, 0, kEnd},
    TokenCase{"EmptyFails", "", PBM_E_READ, false, 0, kEnd}};
INSTANTIATE_TEST_SUITE_P(Magic, NetpbmToken,
                         ::testing::ValuesIn(WithReader(ReadMagicToken, kMagicCases)), TokenLabel);

}  // namespace
}  // namespace quentarpbm
