// Replays the regression corpus through PBMOpen: inputs that once took a reader somewhere bad.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "quentarpbm.h"
#include "support/dib_result.h"
#include "support/private_temp_directory.h"
#include "support/test_files.h"

namespace quentarpbm {
namespace {

namespace fs = std::filesystem;
using testing::DibResult;
using testing::Dword;
using testing::OpenAsHost;
using testing::UsePrivateTempDirectory;

// Each file is named <what happened>.code<result>, e.g. "wrapped-width.code-1".
bool ExpectedCode(const fs::path& file, int32_t* code) {
  const std::string name = file.filename().string();
  const size_t marker = name.rfind(".code");
  if (marker == std::string::npos) return false;
  *code = static_cast<int32_t>(std::stol(name.substr(marker + 5)));
  return true;
}

TEST(RegressionCorpus, EveryFileGivesItsCodeAndLeavesNothing) {
  const std::string& temp = UsePrivateTempDirectory();
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(QUENTARPBM_REGRESSION_DIR))
    if (entry.is_regular_file()) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  ASSERT_FALSE(files.empty()) << "no corpus in " << QUENTARPBM_REGRESSION_DIR;

  for (const fs::path& file : files) {
    SCOPED_TRACE(file.filename().string());
    int32_t expected = 0;
    ASSERT_TRUE(ExpectedCode(file, &expected)) << "the name does not say its code";
    const DibResult result = OpenAsHost(file.string());
    EXPECT_EQ(result.code, expected);
    if (result.code == PBM_OK) {
      // The header block describes exactly the pixels handed over.
      EXPECT_EQ(Dword(result.header, 20), result.pixels.size());
      EXPECT_EQ(result.progressCalls, Dword(result.header, 8));
    }
    testing::ExpectNothingLeft(result, temp);
  }
}

}  // namespace
}  // namespace quentarpbm
