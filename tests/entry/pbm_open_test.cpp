// PBMOpen's argument checks and the outcomes decided before any conversion.
#include <gtest/gtest.h>

#include <string>

#include "quentarpbm.h"
#include "support/non_disk_files.h"
#include "support/param_label.h"
#include "support/test_files.h"

namespace quentarpbm {
namespace {

using testing::NonDiskCase;
using testing::NonDiskFile;
using testing::WriteTestFile;

// What the host passed in, so each test can see which outputs were touched.
struct HostOutputs {
  char name[260] = "untouched";
  void* mapping = &mapping;
  void* header = &header;
};

TEST(PBMOpen, NullHeaderPointerIsCheckedFirstAndTouchesNothing) {
  HostOutputs out;
  EXPECT_EQ(PBMOpen(nullptr, out.name, &out.mapping, nullptr, nullptr, 0), PBM_E_ARGUMENT);
  EXPECT_STREQ(out.name, "untouched");
  EXPECT_EQ(out.mapping, &out.mapping);
}

TEST(PBMOpen, NullNameBufferOrMappingPointerTouchesNothing) {
  const std::string path = WriteTestFile("args.pgm", "P2 1 1 255 7");
  HostOutputs out;
  EXPECT_EQ(PBMOpen(path.c_str(), nullptr, &out.mapping, &out.header, nullptr, 0), PBM_E_ARGUMENT);
  EXPECT_EQ(PBMOpen(path.c_str(), out.name, nullptr, &out.header, nullptr, 0), PBM_E_ARGUMENT);
  EXPECT_EQ(out.header, &out.header);
  EXPECT_EQ(out.mapping, &out.mapping);
  EXPECT_STREQ(out.name, "untouched");
}

// Failures before a converter runs: the header handle is null, the mapping
// handle and name buffer are as the host passed them.
struct EarlyFailure {
  const char* label;
  std::string bytes;  // empty label "missing": no file is written
  const char* name;
  int32_t result;
};

void PrintTo(const EarlyFailure& c, std::ostream* os) { *os << c.label; }

void ExpectRefusedBeforeConversion(const char* fileName, int32_t result) {
  HostOutputs out;
  EXPECT_EQ(PBMOpen(fileName, out.name, &out.mapping, &out.header, nullptr, 0), result);
  EXPECT_EQ(out.header, nullptr);
  EXPECT_EQ(out.mapping, &out.mapping);
  EXPECT_STREQ(out.name, "untouched");
}

class PBMOpenEarlyFailure : public ::testing::TestWithParam<EarlyFailure> {};

TEST_P(PBMOpenEarlyFailure, LeavesMappingAndNameAsPassed) {
  const EarlyFailure& c = GetParam();
  const std::string path = c.name == nullptr ? std::string()
                           : c.bytes.empty() ? testing::TestDirectory() + c.name
                                             : WriteTestFile(c.name, c.bytes);
  ExpectRefusedBeforeConversion(c.name == nullptr ? nullptr : path.c_str(), c.result);
}

const EarlyFailure kEarlyFailures[] = {
    {"NullFileName", "", nullptr, PBM_E_ARGUMENT},
    {"MissingFile", "", "missing.pgm", PBM_E_OPEN},
    {"UnrecognisedBytes", "just some text", "notes.txt", PBM_E_UNSUPPORTED},
    {"GifIsRecognisedButNotConverted", "GIF89a\x01\x00\x01\x00", "a.gif", PBM_E_UNSUPPORTED},
    {"TiffIsRecognisedButNotConverted", std::string("II*\x00\x08\x00", 6), "a.tif",
     PBM_E_UNSUPPORTED},
    {"BitmapIsRecognisedButNotConverted", std::string("BM\x3a\x00\x00\x00", 6), "a.bmp",
     PBM_E_UNSUPPORTED},
};

INSTANTIATE_TEST_SUITE_P(BeforeConversion, PBMOpenEarlyFailure, ::testing::ValuesIn(kEarlyFailures),
                         testing::ParamLabel<EarlyFailure>);

class PBMOpenNonDiskFile : public ::testing::TestWithParam<NonDiskCase> {};

// Refused before any read: a device or pipe that never answers cannot hold the call.
TEST_P(PBMOpenNonDiskFile, IsAnOpenFailureLeavingMappingAndNameAsPassed) {
  const NonDiskFile file(GetParam());
  ExpectRefusedBeforeConversion(file.Path().c_str(), PBM_E_OPEN);
}

INSTANTIATE_TEST_SUITE_P(NotDiskFiles, PBMOpenNonDiskFile,
                         ::testing::ValuesIn(testing::kNonDiskCases),
                         testing::ParamLabel<NonDiskCase>);

TEST(PBMOpen, LowerCaseMagicIsIdentifiedButRefusedByTheReader) {
  const std::string path = WriteTestFile("lower.pgm", "p5 1 1 255\n\x10");
  HostOutputs out;
  EXPECT_EQ(PBMOpen(path.c_str(), out.name, &out.mapping, &out.header, nullptr, 0),
            PBM_E_UNSUPPORTED);
  EXPECT_EQ(out.header, nullptr);
  EXPECT_EQ(out.mapping, nullptr);  // the converter clears both handles first
}

}  // namespace
}  // namespace quentarpbm
