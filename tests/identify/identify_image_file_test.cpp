// Format identification over real files: signatures, names, short files.
#include <gtest/gtest.h>

#include <string>

#include "identify/identify.h"
#include "support/non_disk_files.h"
#include "support/param_label.h"
#include "support/test_files.h"

namespace quentarpbm {
namespace {

using testing::NonDiskCase;
using testing::NonDiskFile;
using testing::WriteTestFile;

struct IdentifyCase {
  const char* label;
  std::string bytes;
  const char* name;  // relative to the test directory; may hold directories
  ResultCode result;
  int32_t code;
};

void PrintTo(const IdentifyCase& c, std::ostream* os) { *os << c.label; }

// A placeable metafile header: key, handle 0, box 0 0 100 50, 1440 dpi,
// reserved 0, then the XOR of the ten words before it (worked out by hand:
// 0xCDD7 ^ 0x9AC6 = 0x5711, ^ 0x0064 ^ 0x0032 = 0x5747, ^ 0x05A0 = 0x52E7).
std::string PlaceableHeader(bool goodChecksum) {
  std::string header(
      "\xD7\xCD\xC6\x9A\x00\x00\x00\x00\x00\x00\x64\x00\x32\x00\xA0\x05"
      "\x00\x00\x00\x00",
      20);
  header += goodChecksum ? std::string("\xE7\x52", 2) : std::string("\xE6\x52", 2);
  return header;
}

const std::string kBitmap("BM\x36\x00\x00\x00", 6);
const std::string kTiffLittle("II*\x00", 4);
const std::string kPcx("\x0A\x05\x01\x08", 4);
const std::string kPlainMetafile("\x01\x00\x09\x00\x00\x03", 6);

class IdentifyImageFileTable : public ::testing::TestWithParam<IdentifyCase> {};

TEST_P(IdentifyImageFileTable, GivesTheCodeOfTheFirstDecidingTest) {
  const IdentifyCase& c = GetParam();
  const std::string path = WriteTestFile(c.name, c.bytes);
  int32_t code = -1;
  EXPECT_EQ(IdentifyImageFile(path.c_str(), &code), c.result);
  EXPECT_EQ(code, c.code);
}

const IdentifyCase kCases[] = {
    {"EmptyFile", "", "empty.pbm", PBM_E_UNSUPPORTED, kFormatUnknown},
    {"TwoZeroBytes", std::string(2, '\0'), "zeros.ico", PBM_E_UNSUPPORTED, kFormatUnknown},
    {"ThreeByteIconReadsFourthAsZero", std::string("\x00\x00\x01", 3), "a.bin", PBM_OK,
     kFormatIcon},
    {"ThreeByteIconNamed", std::string("\x00\x00\x01", 3), "a.ico", PBM_OK, kFormatIconNamed},
    {"IconUpperCaseName", std::string("\x00\x00\x01\x00", 4), "A.ICO", PBM_OK, kFormatIconNamed},
    {"CursorNamed", std::string("\x00\x00\x02\x00", 4), "arrow.cur", PBM_OK, kFormatCursorNamed},
    {"Cursor", std::string("\x00\x00\x02\x00", 4), "arrow.Cur", PBM_OK, kFormatCursor},
    {"CgcImappAnyCase", "cGcImApP and more", "x", PBM_OK, kFormatCgcImapp},
    {"Gif89aMixedCase", "gif89A....", "x", PBM_OK, kFormatGif},
    {"Gif87a", "GIF87a", "x.gif", PBM_OK, kFormatGif},
    {"GifOtherVersionFallsThrough", "GIF90a", "x.gif", PBM_E_UNSUPPORTED, kFormatUnknown},
    {"PlainPbm", "P1\n1 1\n1\n", "x", PBM_OK, kFormatPbm},
    {"RawPbm", "P4 8 1\n\xff", "x", PBM_OK, kFormatPbm},
    {"PlainPgm", "P2 1 1 255 0", "x", PBM_OK, kFormatPgm},
    {"LowerCaseP5IsStillPgmHere", "p5 1 1 255\n\x00", "x", PBM_OK, kFormatPgm},
    {"PlainPpm", "P3 1 1 255 0 0 0", "x", PBM_OK, kFormatPpm},
    {"RawPpmLowerCase", "p6", "x", PBM_OK, kFormatPpm},
    {"P7IsNothing", "P7 332", "x", PBM_E_UNSUPPORTED, kFormatUnknown},
    {"Fif", "fif....", "x", PBM_OK, kFormatFif},
    {"PlaceableMetafileNamed", PlaceableHeader(true), "logo.wmf", PBM_OK,
     kFormatPlaceableMetafileNamed},
    {"PlaceableMetafile", PlaceableHeader(true), "logo.img", PBM_OK, kFormatPlaceableMetafile},
    {"PlaceableBadChecksum", PlaceableHeader(false), "logo.wmf", PBM_E_UNSUPPORTED, kFormatUnknown},
    {"PlaceableKeyOnly", std::string("\xD7\xCD\xC6\x9A", 4), "logo.wmf", PBM_E_UNSUPPORTED,
     kFormatUnknown},
    {"ClipboardNamed", std::string("\x50\xC3\x01\x00", 4), "a.CLP", PBM_OK, kFormatClipboardNamed},
    {"Clipboard", std::string("\x50\xC3\x01\x00", 4), "a.clip", PBM_OK, kFormatClipboard},
    {"BitmapNamedRunsTheOtherWay", kBitmap, "photo.bmp", PBM_OK, kFormatBitmapNamed},
    {"BitmapNameWithMoreAfterExtension", kBitmap, "photo.bmpx", PBM_OK, kFormatBitmapNamed},
    {"BitmapDibName", kBitmap, "photo.DIB", PBM_OK, kFormatBitmapNamed},
    {"BitmapRleName", kBitmap, "photo.rle", PBM_OK, kFormatBitmapNamed},
    {"BitmapMixedCaseNameDoesNotCount", kBitmap, "photo.Bmp", PBM_OK, kFormatBitmap},
    {"BitmapOtherName", kBitmap, "photo.gif", PBM_OK, kFormatBitmap},
    {"LowerCaseBmIsNoBitmap", "bm\x36\x00", "photo.bmp", PBM_E_UNSUPPORTED, kFormatUnknown},
    {"BAloneIsNoBitmap", "BA\x36\x00", "photo.bmp", PBM_E_UNSUPPORTED, kFormatUnknown},
    {"PcxWhateverFollows", kPcx, "scan.dat", PBM_OK, kFormatPcx},
    {"PcxNamedThroughDirectory", kPcx, "old.pcx/image.dat", PBM_OK, kFormatPcxNamed},
    {"TiffInsideLongerExtension", kTiffLittle, "scan.tiff", PBM_OK, kFormatTiffNamed},
    {"TiffUpperCase", std::string("MM\x00*", 4), "scan.TIFF", PBM_OK, kFormatTiffNamed},
    {"TiffMixedCaseName", kTiffLittle, "scan.Tif", PBM_OK, kFormatTiff},
    {"MetafileNeedsItsName", kPlainMetafile, "chart.WMF", PBM_OK, kFormatMetafileNamed},
    {"MetafileType2", std::string("\x02\x00\x09\x00", 4), "chart.wmf", PBM_OK,
     kFormatMetafileNamed},
    {"MetafileMixedCaseName", kPlainMetafile, "chart.Wmf", PBM_E_UNSUPPORTED, kFormatUnknown},
    {"MetafileOtherName", kPlainMetafile, "chart.emf", PBM_E_UNSUPPORTED, kFormatUnknown},
    {"MetafileWrongHeaderSize", std::string("\x02\x00\x0A\x00", 4), "chart.wmf", PBM_E_UNSUPPORTED,
     kFormatUnknown},
    {"Jpeg", std::string("\xFF\xD8\xFF\xE0", 4), "photo.bmp", PBM_OK, kFormatJpeg},
    {"JpegNeedsItsSecondByte", std::string("\xFF\xD9\xFF\xE0", 4), "photo.jpg", PBM_E_UNSUPPORTED,
     kFormatUnknown},
    {"TextFile", "hello world", "notes.txt", PBM_E_UNSUPPORTED, kFormatUnknown},
};

INSTANTIATE_TEST_SUITE_P(Signatures, IdentifyImageFileTable, ::testing::ValuesIn(kCases),
                         testing::ParamLabel<IdentifyCase>);

TEST(IdentifyImageFile, NullArgumentsLeaveTheCodeAlone) {
  const std::string path = WriteTestFile("null-args.pgm", "P5 1 1 255\n\x00");
  int32_t code = 77;
  EXPECT_EQ(IdentifyImageFile(nullptr, &code), PBM_E_ARGUMENT);
  EXPECT_EQ(code, 77);
  EXPECT_EQ(IdentifyImageFile(path.c_str(), nullptr), PBM_E_ARGUMENT);
}

TEST(IdentifyImageFile, MissingFileIsAnOpenFailureWithUnknownCode) {
  int32_t code = 77;
  const std::string path = testing::TestDirectory() + "does-not-exist.pbm";
  EXPECT_EQ(IdentifyImageFile(path.c_str(), &code), PBM_E_OPEN);
  EXPECT_EQ(code, kFormatUnknown);
}

TEST(IdentifyImageFile, DirectoryCannotBeOpened) {
  WriteTestFile("a-directory/inner", "x");
  int32_t code = 77;
  const std::string path = testing::TestDirectory() + "a-directory";
  EXPECT_EQ(IdentifyImageFile(path.c_str(), &code), PBM_E_OPEN);
  EXPECT_EQ(code, kFormatUnknown);
}

// Refused before any read, so a device or pipe that never answers cannot hold the call.
class IdentifyNonDiskFile : public ::testing::TestWithParam<NonDiskCase> {};

TEST_P(IdentifyNonDiskFile, IsAnOpenFailureWithUnknownCode) {
  const NonDiskFile file(GetParam());
  int32_t code = 77;
  EXPECT_EQ(IdentifyImageFile(file.Path().c_str(), &code), PBM_E_OPEN);
  EXPECT_EQ(code, kFormatUnknown);
}

INSTANTIATE_TEST_SUITE_P(NotDiskFiles, IdentifyNonDiskFile,
                         ::testing::ValuesIn(testing::kNonDiskCases),
                         testing::ParamLabel<NonDiskCase>);

TEST(IdentifyImageFile, ReadsFilesUnderPathsLongerThanOldOpenRecords) {
  // Over 200 characters: the old 128-character open record cannot hold it.
  const std::string deep =
      std::string(70, 'd') + "/" + std::string(70, 'e') + "/" + std::string(40, 'f') + ".pgm";
  const std::string path = WriteTestFile(deep, "P5 1 1 255\n\x7f");
  ASSERT_GT(path.size(), 200u);
  int32_t code = 0;
  EXPECT_EQ(IdentifyImageFile(path.c_str(), &code), PBM_OK);
  EXPECT_EQ(code, kFormatPgm);
}

TEST(PlaceableHeaderChecksum, XorsTheTenLeadingWords) {
  // Low bytes 2, 4, ... 20 XOR to 0x16; high bytes 1, 3, ... 19 XOR to 0x02.
  uint8_t header[22];
  for (int i = 0; i < 20; i += 2) {
    header[i] = static_cast<uint8_t>(i + 2);
    header[i + 1] = static_cast<uint8_t>(i + 1);
  }
  header[20] = 0x16;
  header[21] = 0x02;
  EXPECT_EQ(PlaceableHeaderChecksum(header), 0x0216);
  EXPECT_EQ(PlaceableHeaderChecksumOk(header), 1);
  header[21] = 0x03;
  EXPECT_EQ(PlaceableHeaderChecksumOk(header), 0);
  EXPECT_EQ(PlaceableHeaderChecksumOk(nullptr), PBM_E_ARGUMENT);
}

}  // namespace
}  // namespace quentarpbm
