// The host programs' words for a file that did not open, natively and on Windows.
#include "describe_failure.h"

#include <gtest/gtest.h>

#include <string>

#include "quentarpbm.h"
#include "support/private_temp_directory.h"
#include "support/test_files.h"

namespace quentarpbm {
namespace {

using testing::TestDirectory;
using testing::WriteTestFile;

// A file that opens for reading gave -3 only because its pixel file could not
// be made: the message names the folder the library makes pixel files in,
// which TEMP does not choose.
TEST(DescribeFailure, AReadableFileThatDidNotOpenNamesTheTemporaryFolder) {
  const std::string image = WriteTestFile("readable.pgm", "P5 1 1 255\n\x01");
  const std::string pixelFiles = TestDirectory() + "pixel-files";
  const std::string elsewhere = TestDirectory() + "elsewhere";
  WriteTestFile("pixel-files/keep", "");
  WriteTestFile("elsewhere/keep", "");
  testing::SetTempDirectoryVariable(pixelFiles);
  testing::SetLesserTempVariable(elsewhere);
  const std::string message = DescribeFailure(image.c_str(), PBM_E_OPEN);
  EXPECT_NE(message.find("the file is readable"), std::string::npos) << message;
  EXPECT_NE(message.find(pixelFiles), std::string::npos) << message;
  EXPECT_EQ(message.find(elsewhere), std::string::npos) << message;
}

}  // namespace
}  // namespace quentarpbm
