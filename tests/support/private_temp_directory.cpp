// A temporary directory of the test process's own, so leftover pixel files show.
#include "support/private_temp_directory.h"

#include <filesystem>

#include "support/test_files.h"

namespace quentarpbm::testing {

namespace fs = std::filesystem;

const std::string& UsePrivateTempDirectory() {
  static const std::string directory = [] {
    const fs::path path = fs::path(TestDirectory()) / "temp";
    fs::create_directories(path);
    const std::string withSeparator =
        path.string() + static_cast<char>(fs::path::preferred_separator);
    SetTempDirectoryVariable(withSeparator);
    return withSeparator;
  }();
  return directory;
}

int FilesIn(const std::string& directory) {
  int count = 0;
  for (const auto& entry : fs::directory_iterator(directory)) count += entry.is_regular_file();
  return count;
}

}  // namespace quentarpbm::testing
