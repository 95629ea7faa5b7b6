// Scratch files for the fuzz targets, and the size cap they apply to inputs.
#include "fuzz_scratch.h"

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "netpbm/fast/simd/simd_control.h"

namespace quentarpbm::fuzz {

namespace fs = std::filesystem;

namespace {

// Removes the scratch directory when the process ends normally.
struct DirectoryRemover {
  fs::path path;
  ~DirectoryRemover() {
    std::error_code ignored;
    fs::remove_all(path, ignored);
  }
};

}  // namespace

const std::string& ScratchDirectory() {
  static const std::string directory = [] {
    const fs::path path =
        fs::temp_directory_path() / ("quentarpbm-fuzz-" + std::to_string(getpid()));
    fs::create_directories(path);
    static const DirectoryRemover remover{path};
    return path.string() + "/";
  }();
  return directory;
}

const std::string& PixelDirectory() {
  static const std::string directory = [] {
    const std::string path = ScratchDirectory() + "pixels/";
    fs::create_directories(path);
    setenv("TMPDIR", path.c_str(), 1);
    return path;
  }();
  return directory;
}

std::string WriteScratchFile(const std::string& name, const uint8_t* data, size_t size) {
  const std::string path = ScratchDirectory() + name;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  if (!out.good()) Fail("cannot write a scratch file");
  return path;
}

int FilesIn(const std::string& directory) {
  int count = 0;
  for (const auto& entry : fs::directory_iterator(directory)) count += entry.is_regular_file();
  return count;
}

FILE* OpenMemory(const uint8_t* data, size_t size) {
  // fmemopen refuses an empty buffer.
  FILE* stream =
      size == 0 ? fopen("/dev/null", "rb") : fmemopen(const_cast<uint8_t*>(data), size, "rb");
  if (stream == nullptr) Fail("cannot open a memory stream");
  return stream;
}

bool DeclaresTooManyPixels(const uint8_t* data, size_t size) {
  FILE* stream = OpenMemory(data, size);
  const bool tooMany = DeclaresTooManyPixels(stream);
  fclose(stream);
  return tooMany;
}

void LimitScannersBelowHighest(int levelsBelow) {
  const int highest = static_cast<int>(SimdLevel::kAvx2);
  LimitSimdLevel(static_cast<SimdLevel>(levelsBelow < highest ? highest - levelsBelow : 0));
}

void Fail(const char* what) {
  fprintf(stderr, "fuzz check failed: %s\n", what);
  abort();
}

}  // namespace quentarpbm::fuzz
