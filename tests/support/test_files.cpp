// Files for tests: a private directory per test process and byte streams.
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace quentarpbm::testing {

namespace fs = std::filesystem;

// Removes the process's test directory when the process ends.
struct DirectoryRemover {
  fs::path path;
  ~DirectoryRemover() {
    std::error_code ignored;
    fs::remove_all(path, ignored);
  }
};

const std::string& TestDirectory() {
  static const std::string directory = [] {
    std::random_device seed;
    fs::path dir;
    do {
      dir = fs::temp_directory_path() / ("quentarpbm-test-" + std::to_string(seed()));
    } while (!fs::create_directory(dir));
    static const DirectoryRemover remover{dir};
    return dir.string() + static_cast<char>(fs::path::preferred_separator);
  }();
  return directory;
}

std::string WriteTestFile(const std::string& name, const std::string& bytes) {
  const fs::path path = fs::path(TestDirectory()) / name;
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  EXPECT_TRUE(out.good()) << "cannot write " << path.string();
  return path.string();
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in.good()) << "cannot read " << path;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

bool PathExists(const std::string& path) {
  std::error_code ignored;
  return fs::exists(path, ignored);
}

FILE* OpenBytes(const std::string& bytes) {
  static std::atomic<int> counter{0};
  const std::string path = WriteTestFile("stream-" + std::to_string(++counter), bytes);
  FILE* stream = fopen(path.c_str(), "rb");
  EXPECT_NE(stream, nullptr) << "cannot open " << path;
  return stream;
}

}  // namespace quentarpbm::testing
