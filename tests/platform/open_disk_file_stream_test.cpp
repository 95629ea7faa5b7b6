// OpenDiskFileStream: binary streams over disk files, anything else refused before a read.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "platform/disk_file_stream.h"
#include "support/non_disk_files.h"
#include "support/param_label.h"
#include "support/test_files.h"

namespace quentarpbm {
namespace {

using testing::NonDiskCase;
using testing::NonDiskFile;
using testing::WriteTestFile;

TEST(OpenDiskFileStream, ReadsADiskFileByteForByteWhileOthersMayWriteIt) {
  // CR LF, Ctrl-Z and 0xFF are what a text-mode stream would change or stop at.
  const std::string bytes = testing::Bytes("P5 2 1 255\r\n\x1a\xff\x00\x0d\x0a");
  const std::string path = WriteTestFile("disk.pgm", bytes);
  FILE* stream = nullptr;
  ASSERT_EQ(OpenDiskFileStream(path.c_str(), &stream), PBM_OK);
  ASSERT_NE(stream, nullptr);
  // Shared with writers, as fopen "rb" is.
  EXPECT_TRUE(std::ofstream(path, std::ios::binary | std::ios::app).good());
  std::string read(bytes.size() + 1, '?');
  EXPECT_EQ(fread(&read[0], 1, read.size(), stream), bytes.size());
  read.resize(bytes.size());
  EXPECT_EQ(read, bytes);
  EXPECT_NE(feof(stream), 0);
  EXPECT_EQ(fclose(stream), 0);
}

void ExpectRefused(const std::string& path) {
  FILE* stream = reinterpret_cast<FILE*>(&stream);
  EXPECT_EQ(OpenDiskFileStream(path.c_str(), &stream), PBM_E_OPEN);
  EXPECT_EQ(stream, nullptr);
  if (stream != nullptr && stream != reinterpret_cast<FILE*>(&stream)) fclose(stream);
}

TEST(OpenDiskFileStream, MissingFileAndDirectoryAreRefused) {
  ExpectRefused(testing::TestDirectory() + "missing.pgm");
  WriteTestFile("folder/inside.pgm", "P5 1 1 255\n\x01");
  ExpectRefused(testing::TestDirectory() + "folder");
}

// A FIFO or device put where the identified file was must fail at once.
class OpenNonDiskFileStream : public ::testing::TestWithParam<NonDiskCase> {};

TEST_P(OpenNonDiskFileStream, IsRefusedBeforeAnyRead) {
  const NonDiskFile file(GetParam());
  ExpectRefused(file.Path());
}

INSTANTIATE_TEST_SUITE_P(NotDiskFiles, OpenNonDiskFileStream,
                         ::testing::ValuesIn(testing::kNonDiskCases),
                         testing::ParamLabel<NonDiskCase>);

}  // namespace
}  // namespace quentarpbm
