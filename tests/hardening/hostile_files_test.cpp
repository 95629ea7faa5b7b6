// Hostile Netpbm files through PBMOpen: each gives its code and leaves no pixel file.
#include <gtest/gtest.h>

#include <filesystem>
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

namespace fs = std::filesystem;
using testing::Bytes;
using testing::DibResult;
using testing::Dword;
using testing::ExpectNothingLeft;
using testing::FilesIn;
using testing::OpenAsHost;
using testing::PathExists;
using testing::UsePrivateTempDirectory;
using testing::WriteTestFile;

struct HostileCase {
  const char* label;
  std::string file;
  int32_t code;
  size_t progressCalls;
  std::string pixels;  // the whole pixel file on success, bottom-up rows, worked out by hand
};

void PrintTo(const HostileCase& c, std::ostream* os) { *os << c.label; }

class HostileFile : public ::testing::TestWithParam<HostileCase> {};

TEST_P(HostileFile, GivesItsCodeAndLeavesNoPixelFile) {
  UsePrivateTempDirectory();
  const HostileCase& c = GetParam();
  const DibResult result = OpenAsHost(WriteTestFile(std::string(c.label) + ".pnm", c.file));
  EXPECT_EQ(result.code, c.code);
  // Refusals before the rows are read never reach the callback, so no
  // refused size was ever walked row by row.
  EXPECT_EQ(result.progressCalls, c.progressCalls);
  EXPECT_TRUE(result.progressInOrder);
  if (result.code == PBM_OK) {
    EXPECT_EQ(std::string(result.pixels.begin(), result.pixels.end()), c.pixels);
    EXPECT_EQ(Dword(result.header, 20), result.pixels.size());
  }
  ExpectNothingLeft(result, UsePrivateTempDirectory());
}

// Sizes that cannot be held are refused as memory failures (-1) before any
// allocation; a size that wraps to 0 gives an empty pixel file, which cannot
// be mapped (-46).
const HostileCase kWrappingSizes[] = {
    // 3 x 1431655766 is 2 modulo 2^32.
    {"PpmWidthWhoseTripleWraps", "P6 1431655766 1 255\n\x01\x02\x03", PBM_E_NO_MEMORY, 0, ""},
    {"Square65536", "P5 65536 65536 255\n\x01", PBM_E_NO_MEMORY, 0, ""},
    // 2^30 row pointers of 4 bytes are 0 bytes on 32 bits.
    {"RowPointersWrapOn32Bits", "P5 1 1073741824 255\n\x01", PBM_E_NO_MEMORY, 0, ""},
    // 2^29 row pointers of 8 bytes are 0 bytes on 64 bits.
    {"RowPointersWrapOn64Bits", "P4 1 536870912\n\x80", PBM_E_NO_MEMORY, 0, ""},
    // The 268 MB of rows fit; 8 bits a pixel plus padding do not.
    {"StrideOverflowsOnlyAtTheDib", "P4 268435453 1\n\xff", PBM_E_NO_MEMORY, 1, ""},
    {"GreyStrideOverflowsOnlyAtTheDib", "P5 268435453 1 255\n\x01", PBM_E_NO_MEMORY, 1, ""},
    {"Width2147483648", "P5 2147483648 1 255\n\x01", PBM_E_NO_MEMORY, 0, ""},
    {"Height2147483648", "P5 1 2147483648 255\n\x01", PBM_E_NO_MEMORY, 0, ""},
    {"Width4294967295", "P5 4294967295 1 255\n\x01", PBM_E_NO_MEMORY, 0, ""},
    {"Height4294967295", "P2 1 4294967295 255\n1", PBM_E_NO_MEMORY, 0, ""},
    {"Width4294967296IsZero", "P5 4294967296 2 255\n\x01", PBM_E_MAPPING, 2, ""},
    {"Height4294967296IsZero", "P5 2 4294967296 255\n\x01\x02", PBM_E_MAPPING, 0, ""},
    {"Maxval2147483648IsAccepted", "P5 1 1 2147483648\n\x07", PBM_OK, 1, Bytes("\x07\0\0\0")},
    {"Maxval4294967295IsAccepted", "P2 1 1 4294967295\n9", PBM_OK, 1, Bytes("\x09\0\0\0")},
    {"Maxval4294967296IsZero", "P5 1 1 4294967296\n\x07", PBM_OK, 1, Bytes("\x07\0\0\0")},
    {"WidthOver4BillionWraps", "P6 4000000000 4000000000 255\n", PBM_E_NO_MEMORY, 0, ""},
};
INSTANTIATE_TEST_SUITE_P(WrappingSizes, HostileFile, ::testing::ValuesIn(kWrappingSizes),
                         testing::ParamLabel<HostileCase>);

const HostileCase kHugeWithTinyBody[] = {
    {"Grey100000Square", "P5 100000 100000 255\n\x01", PBM_E_NO_MEMORY, 0, ""},
    {"PlainPbm99999999Square", "P1 99999999 99999999\n1", PBM_E_NO_MEMORY, 0, ""},
    {"PlainPpm50000Square", "P3 50000 50000 255\n1 2 3", PBM_E_NO_MEMORY, 0, ""},
    {"RawPpm30000Square", "P6 30000 30000 255\n\x01\x02\x03", PBM_E_NO_MEMORY, 0, ""},
    // No pixels at all: every row is walked and the empty pixel file cannot be
    // mapped, but the store takes no memory per declared row.
    {"PlainPbmZeroWideTenMillionRows", "P1 0 10000000\n", PBM_E_MAPPING, 10000000, ""},
    {"RawPbmZeroWideTenMillionRows", "P4 0 10000000\n", PBM_E_MAPPING, 10000000, ""},
    {"PlainPgmZeroWideTenMillionRows", "P2 0 10000000 255\n", PBM_E_MAPPING, 10000000, ""},
    {"RawPgmZeroWideTenMillionRows", "P5 0 10000000 255\n", PBM_E_MAPPING, 10000000, ""},
    {"PlainPpmZeroWideTenMillionRows", "P3 0 10000000 255\n", PBM_E_MAPPING, 10000000, ""},
    {"RawPpmZeroWideTenMillionRows", "P6 0 10000000 255\n", PBM_E_MAPPING, 10000000, ""},
};
INSTANTIATE_TEST_SUITE_P(HugeWithTinyBody, HostileFile, ::testing::ValuesIn(kHugeWithTinyBody),
                         testing::ParamLabel<HostileCase>);

const HostileCase kMaxvals[] = {
    {"Maxval256", "P2 1 1 256\n0", PBM_E_MAXVAL, 0, ""},
    {"Maxval256Ppm", "P6 1 1 256\n\0\0\0", PBM_E_MAXVAL, 0, ""},
    {"MaxvalWrapsTo256", "P5 1 1 4294967552\n\x01", PBM_E_MAXVAL, 0, ""},
    // Samples are kept as read: maxval plays no part.
    {"Maxval0", "P5 2 1 0\n\x03\x04", PBM_OK, 1, Bytes("\x03\x04\0\0")},
    {"MaxvalWrapsToMinus1", "P3 1 1 4294967295\n1 2 3", PBM_OK, 1, Bytes("\x03\x02\x01\0")},
};
INSTANTIATE_TEST_SUITE_P(Maxvals, HostileFile, ::testing::ValuesIn(kMaxvals),
                         testing::ParamLabel<HostileCase>);

const HostileCase kComments[] = {
    // A comment running into the end of the file reads as a missing number: 0.
    {"CommentToEndWhereMaxvalIs", "P5 2 1 #no end", PBM_OK, 1, Bytes("\0\0\0\0")},
    {"CommentToEndWhereWidthIs", "P1\n# nothing but this", PBM_E_MAPPING, 0, ""},
    {"CommentToEndInPlainRaster", "P2 2 1 255\n3 # rest", PBM_OK, 1, Bytes("\x03\0\0\0")},
    {"CommentToEndInPlainPbmRaster", "P1 2 1\n1# rest", PBM_OK, 1, Bytes("\x01\0\0\0")},
    // A lone CR ends a comment; the raster starts right after the one that
    // ends the comment delimiting maxval, so LF and CR are samples.
    {"CommentsEndWithCrAlone", "P5\r#a\r2\r#b\r1 255#c\r\x0a\x0d", PBM_OK, 1,
     Bytes("\x0a\x0d\0\0")},
    {"DigitsInCommentAfterNumber", "P2 2#99\n1 255#7\n5 6", PBM_OK, 1, Bytes("\x05\x06\0\0")},
    {"DigitsInCommentBeforeRawRaster", "P5 2 1 255#12\n\x05\x06", PBM_OK, 1, Bytes("\x05\x06\0\0")},
    {"RawRasterOfHashes", "P5 2 2 255\n####", PBM_OK, 2, Bytes("##\0\0##\0\0")},
    {"PlainRasterOfHashes", "P2 2 2 255\n####", PBM_OK, 2, Bytes("\0\0\0\0\0\0\0\0")},
    {"PlainPbmRasterOfHashes", "P1 2 2\n####", PBM_OK, 2, Bytes("\0\0\0\0\0\0\0\0")},
    // '#' is 0x23: bits 0010 0011.
    {"RawPbmRasterOfHashes", "P4 8 1\n#", PBM_OK, 1, Bytes("\0\0\x01\0\0\0\x01\x01")},
};
INSTANTIATE_TEST_SUITE_P(Comments, HostileFile, ::testing::ValuesIn(kComments),
                         testing::ParamLabel<HostileCase>);

// Bytes that a text-mode read would change or that a signed char would take
// for the end of the file.
const HostileCase kRawBytes[] = {
    {"GreyEofCrLfFf", "P5 5 1 255\n\x1a\x0d\x0a\xff\x1a", PBM_OK, 1,
     Bytes("\x1a\x0d\x0a\xff\x1a\0\0\0")},
    {"GreyFfThenMore", "P5 2 2 255\n\xff\xff\x1a\x1a", PBM_OK, 2,
     Bytes("\x1a\x1a\0\0\xff\xff\0\0")},
    {"ColourEofCrLfFf", "P6 2 1 255\n\x1a\x0d\x0a\xff\x1a\x0d", PBM_OK, 1,
     Bytes("\x0a\x0d\x1a\x0d\x1a\xff\0\0")},
    // 0x1A is 0001 1010; the first file row becomes the last DIB row.
    {"BitsFfThenEof", "P4 8 2\n\xff\x1a", PBM_OK, 2,
     Bytes("\0\0\0\x01\x01\0\x01\0\x01\x01\x01\x01\x01\x01\x01\x01")},
    {"CrLfRightAfterHeader", "P5 2 1 255\r\n\x0d", PBM_OK, 1, Bytes("\x0a\x0d\0\0")},
};
INSTANTIATE_TEST_SUITE_P(RawBytes, HostileFile, ::testing::ValuesIn(kRawBytes),
                         testing::ParamLabel<HostileCase>);

// Only space, tab, LF and CR are whitespace; nothing above 127 is a digit.
const HostileCase kNumberStarts[] = {
    {"VerticalTabBeforeWidth",
     "P2\x0b"
     "1 1 255 0",
     PBM_E_READ, 0, ""},
    {"FormFeedBeforeHeight",
     "P2 1 \x0c"
     "1 255 0",
     PBM_E_READ, 0, ""},
    {"HighByteBeforeWidth",
     "P5 \xb5"
     "1 1 255\n\x01",
     PBM_E_READ, 0, ""},
    // A malformed maxval is 0 and its failure is not reported; the byte it
    // swallowed is gone and the raster starts at '2'.
    {"HighByteBeforeMaxval",
     "P5 1 1 \xff"
     "255\n",
     PBM_OK, 1, Bytes("2\0\0\0")},
    {"VerticalTabWhereSampleIs",
     "P2 2 1 255\n\x0b"
     "7",
     PBM_OK, 1, Bytes("\0\0\0\0")},
    {"FormFeedWherePixelIs",
     "P1 1 1\n\x0c"
     "1",
     PBM_OK, 1, Bytes("\0\0\0\0")},
};
INSTANTIATE_TEST_SUITE_P(NumberStarts, HostileFile, ::testing::ValuesIn(kNumberStarts),
                         testing::ParamLabel<HostileCase>);

// Identification folds case, the header reader does not.
const HostileCase kMagics[] = {
    {"LowercaseP1", "p1 1 1 1", PBM_E_UNSUPPORTED, 0, ""},
    {"LowercaseP4", "p4 8 1\n\xff", PBM_E_UNSUPPORTED, 0, ""},
    {"LowercaseP5", "p5 1 1 255\n\x01", PBM_E_UNSUPPORTED, 0, ""},
    {"LowercaseP3", "p3 1 1 255 1 2 3", PBM_E_UNSUPPORTED, 0, ""},
    {"P7", "P7 1 1 255\n\x01", PBM_E_UNSUPPORTED, 0, ""},
    {"P0", "P0\n1 1", PBM_E_UNSUPPORTED, 0, ""},
    {"PX", "PX 1 1", PBM_E_UNSUPPORTED, 0, ""},
    {"SpaceBeforeMagic", " P5 1 1 255\n\x01", PBM_E_UNSUPPORTED, 0, ""},
};
INSTANTIATE_TEST_SUITE_P(Magics, HostileFile, ::testing::ValuesIn(kMagics),
                         testing::ParamLabel<HostileCase>);

const HostileCase kTextFiles[] = {
    {"P1ease", "P1ease read this note.\n", PBM_E_READ, 0, ""},
    {"P2IsAParagraph", "P2 is the second paragraph.\n", PBM_E_READ, 0, ""},
    {"P3Apples", "P3\n12 apples and 3 pears\n", PBM_E_READ, 0, ""},
    // A valid header over prose: the pixels that cannot be read stay white.
    {"P1HeaderOverProse", "P1 2 1 is white\n", PBM_OK, 1, Bytes("\0\0\0\0")},
};
INSTANTIATE_TEST_SUITE_P(TextFiles, HostileFile, ::testing::ValuesIn(kTextFiles),
                         testing::ParamLabel<HostileCase>);

const HostileCase kNulBytes[] = {
    {"NulAfterMagic", Bytes("P5\0 1 1 255\n\x01"), PBM_E_READ, 0, ""},
    {"NulBeforeMagic", Bytes("\0P5 1 1 255\n\x01"), PBM_E_UNSUPPORTED, 0, ""},
    {"NulDelimitsHeight", Bytes("P2 1 1\0 255 7"), PBM_OK, 1, Bytes("\x07\0\0\0")},
    {"OnlyNuls", Bytes("\0\0\0\0\0\0"), PBM_E_UNSUPPORTED, 0, ""},
};
INSTANTIATE_TEST_SUITE_P(NulBytes, HostileFile, ::testing::ValuesIn(kNulBytes),
                         testing::ParamLabel<HostileCase>);

// A header that ends before its first digit reads as 0 x 0: an empty pixel file.
const HostileCase kTinyFiles[] = {
    {"Empty", "", PBM_E_UNSUPPORTED, 0, ""},
    {"P", "P", PBM_E_UNSUPPORTED, 0, ""},
    {"LineFeedIsPcx", "\n", PBM_E_UNSUPPORTED, 0, ""},
    {"P5", "P5", PBM_E_MAPPING, 0, ""},
    {"P1", "P1", PBM_E_MAPPING, 0, ""},
    {"P4LineFeed", "P4\n", PBM_E_MAPPING, 0, ""},
    {"P6Space", "P6 ", PBM_E_MAPPING, 0, ""},
    {"WidthCutOff", "P41", PBM_E_READ, 0, ""},
    {"IconWords", Bytes("\0\0\x01"), PBM_E_UNSUPPORTED, 0, ""},
};
INSTANTIATE_TEST_SUITE_P(TinyFiles, HostileFile, ::testing::ValuesIn(kTinyFiles),
                         testing::ParamLabel<HostileCase>);

TEST(HostileFiles, HugeRasterWithTinyBodyKeepsTheHeaderSizeAndZeroesTheRest) {
  UsePrivateTempDirectory();
  const DibResult result = OpenAsHost(WriteTestFile("tiny-body.pgm", "P5 1024 1024 255\n\x05"));
  ASSERT_EQ(result.code, PBM_OK);
  EXPECT_EQ(result.progressCalls, 1024u);
  ASSERT_EQ(result.pixels.size(), 1024u * 1024u);
  // The one sample read is the top row's first, at the start of the last DIB row.
  std::vector<uint8_t> expected(1024u * 1024u, 0);
  expected[1023u * 1024u] = 5;
  EXPECT_TRUE(result.pixels == expected);
  ExpectNothingLeft(result, UsePrivateTempDirectory());
}

TEST(HostileFiles, DirectoryGivenAsTheFileCannotBeOpened) {
  UsePrivateTempDirectory();
  const std::string directory = WriteTestFile("folder.pgm/inside.pgm", "P5 1 1 255\n\x01");
  const DibResult result = OpenAsHost(fs::path(directory).parent_path().string());
  EXPECT_EQ(result.code, PBM_E_OPEN);
  EXPECT_EQ(result.progressCalls, 0u);
  ExpectNothingLeft(result, UsePrivateTempDirectory());
}

TEST(HostileFiles, PathOf259CharactersIsConverted) {
  UsePrivateTempDirectory();
  // MAX_PATH less its terminating zero; the directory parts stay short.
  const std::string base = fs::path(testing::TestDirectory()).string();
  std::string relative;
  while (base.size() + relative.size() + 60 < 259)
    relative += std::string(50, 'd') + static_cast<char>(fs::path::preferred_separator);
  relative += std::string(259 - base.size() - relative.size() - 4, 'f') + ".pgm";
  const std::string path = WriteTestFile(relative, "P5 2 1 255\n\x09\x08");
  ASSERT_EQ(path.size(), 259u) << path;
  const DibResult result = OpenAsHost(path);
  ASSERT_EQ(result.code, PBM_OK);
  EXPECT_EQ(result.pixels, std::vector<uint8_t>({9, 8, 0, 0}));
  ExpectNothingLeft(result, UsePrivateTempDirectory());
}

// Shrinks the file being read once its first row is in: the rows that the
// stream had not buffered then meet the end of the file.
std::string shrinkingPath;
bool shrunk = false;
void PBM_CALL ShrinkAfterFirstRow(int32_t row, int32_t /*rows*/, uint32_t /*user*/) {
  std::error_code error;
  if (row == 0) fs::resize_file(shrinkingPath, 3, error);
  shrunk = shrunk || (row == 0 && !error);
}

TEST(HostileFiles, FileThatShrinksWhileReadGivesTheHeaderSizeWithZeroRows) {
  UsePrivateTempDirectory();
  constexpr int32_t kSide = 256;
  std::string file = "P5 256 256 255\n";
  for (int32_t row = 0; row < kSide; ++row) file += std::string(kSide, static_cast<char>(row + 1));
  shrinkingPath = WriteTestFile("shrinking.pgm", file);

  char name[MAX_PATH] = "";
  void* mapping = nullptr;
  void* header = nullptr;
  ASSERT_EQ(PBMOpen(shrinkingPath.c_str(), name, &mapping, &header, ShrinkAfterFirstRow, 0),
            PBM_OK);
  ASSERT_TRUE(shrunk);
  const auto* block = static_cast<const uint8_t*>(GlobalLock(header));
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(static_cast<int32_t>(block[4] | block[5] << 8), kSide);
  EXPECT_EQ(static_cast<int32_t>(block[8] | block[9] << 8), kSide);
  GlobalUnlock(header);
  const auto* view = static_cast<const uint8_t*>(
      MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, static_cast<SIZE_T>(kSide * kSide)));
  ASSERT_NE(view, nullptr);
  // The top row was read whole before the file shrank; the bottom row, far
  // beyond any stream buffer, met the end of the file and stays zero.
  const std::vector<uint8_t> top(view + (kSide - 1) * kSide, view + kSide * kSide);
  const std::vector<uint8_t> bottom(view, view + kSide);
  EXPECT_EQ(top, std::vector<uint8_t>(kSide, 1));
  EXPECT_EQ(bottom, std::vector<uint8_t>(kSide, 0));
  EXPECT_TRUE(UnmapViewOfFile(view));
  EXPECT_TRUE(CloseHandle(mapping));
  EXPECT_EQ(GlobalFree(header), nullptr);
  EXPECT_TRUE(DeleteFileA(name));
  EXPECT_EQ(FilesIn(UsePrivateTempDirectory()), 0);
}

}  // namespace
}  // namespace quentarpbm
