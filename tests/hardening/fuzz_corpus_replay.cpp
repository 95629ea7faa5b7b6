// fuzz_corpus_replay: runs every file of the fuzz corpus through PBMOpen as a
// host does (QUENTARPBM.dll loaded at run time on Windows, the library linked
// natively) and prints one line per file, so that builds can be compared.
// Usage: fuzz_corpus_replay WORKDIR CORPUSDIR
// Each target's input becomes the file that target reads: identify's named
// file, netpbm_reader's stream after its option byte (opened as a file, so
// PBMOpen picks the reader by the magic, not by the option), pbm_open's
// whole input. Files the targets cap (too many pixels) are not converted.
#include <stdint.h>
#include <stdio.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz_inputs.h"
#include "platform/win32_api.h"
#include "quentarpbm.h"
#include "support/private_temp_directory.h"

namespace {

namespace fs = std::filesystem;
using quentarpbm::fuzz::InputFile;
using OpenFunction = decltype(&PBMOpen);

struct Target {
  const char* name;
  // The file the target reads from its input, or false when it reads none.
  bool (*fileOf)(const std::vector<uint8_t>& input, InputFile* file);
};

constexpr Target kTargets[] = {
    {"identify",
     [](const std::vector<uint8_t>& input, InputFile* file) {
       return quentarpbm::fuzz::IdentifyInput(input.data(), input.size(), file);
     }},
    {"netpbm_reader",
     [](const std::vector<uint8_t>& input, InputFile* file) {
       quentarpbm::fuzz::ReaderOptions ignored;
       return quentarpbm::fuzz::NetpbmReaderInput(input.data(), input.size(), &ignored, file);
     }},
    {"pbm_open",
     [](const std::vector<uint8_t>& input, InputFile* file) {
       *file = quentarpbm::fuzz::PbmOpenInput(input.data(), input.size());
       return true;
     }},
};

// FNV-1a, 64 bits: enough to tell two byte strings apart here.
uint64_t Hash(const uint8_t* bytes, size_t size) {
  uint64_t hash = 0xcbf29ce484222325u;
  for (size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 0x100000001b3u;
  return hash;
}

std::string Described(size_t size, uint64_t hash) {
  std::string text = std::to_string(size) + ":";
  for (int shift = 60; shift >= 0; shift -= 4) text += "0123456789abcdef"[(hash >> shift) & 15u];
  return text;
}

int progressCalls = 0;
void PBM_CALL CountProgress(int32_t, int32_t, uint32_t) { ++progressCalls; }

// Converts one file and releases what the library handed over. Returns the
// line's result part; *clean is false when a failure left a handle set or
// the pixel file on disk, or a success could not be read or released.
std::string Convert(OpenFunction open, const std::string& path, bool* clean) {
  char name[MAX_PATH] = "";
  void* mapping = nullptr;
  void* header = nullptr;
  progressCalls = 0;
  const int32_t code = open(path.c_str(), name, &mapping, &header, CountProgress, 0);
  std::string line = "code=" + std::to_string(code) + " rows=" + std::to_string(progressCalls);
  if (code != PBM_OK) {
    std::error_code ignored;
    *clean =
        header == nullptr && mapping == nullptr && (name[0] == '\0' || !fs::exists(name, ignored));
    return line;
  }
  const SIZE_T blockBytes = GlobalSize(header);
  const auto* block = static_cast<const uint8_t*>(GlobalLock(header));
  std::error_code sizeError;
  const auto fileBytes = static_cast<size_t>(fs::file_size(name, sizeError));
  const auto* view = static_cast<const uint8_t*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0));
  *clean = block != nullptr && !sizeError && view != nullptr;
  if (*clean) {
    line += " header=" + Described(blockBytes, Hash(block, blockBytes)) +
            " pixels=" + Described(fileBytes, Hash(view, fileBytes));
  }
  if (view != nullptr) *clean = UnmapViewOfFile(view) && *clean;
  if (block != nullptr) GlobalUnlock(header);
  *clean = CloseHandle(mapping) && GlobalFree(header) == nullptr && DeleteFileA(name) && *clean;
  return line;
}

std::vector<uint8_t> ReadInput(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool WriteFile(const std::string& path, const InputFile& file) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(file.bytes), static_cast<std::streamsize>(file.size));
  return out.good();
}

int FilesIn(const fs::path& directory) {
  const auto entries = fs::directory_iterator(directory);
  return static_cast<int>(std::distance(fs::begin(entries), fs::end(entries)));
}

bool TooManyPixels(const std::string& path) {
  FILE* stream = fopen(path.c_str(), "rb");
  if (stream == nullptr) return false;
  const bool tooMany = quentarpbm::fuzz::DeclaresTooManyPixels(stream);
  (void)fclose(stream);  // only read
  return tooMany;
}

// Windows hosts load the DLL at run time (it stays loaded until the process
// ends); natively the library is linked.
OpenFunction LoadPbmOpen() {
#if defined(_WIN32)
  HMODULE library = LoadLibraryA("QUENTARPBM.dll");
  if (library == nullptr) return nullptr;
  return reinterpret_cast<OpenFunction>(
      reinterpret_cast<void*>(GetProcAddress(library, "PBMOpen")));
#else
  return PBMOpen;
#endif
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: fuzz_corpus_replay WORKDIR CORPUSDIR\n");
    return 2;
  }
  const OpenFunction open = LoadPbmOpen();
  if (open == nullptr) {
    fprintf(stderr, "fuzz_corpus_replay: cannot load QUENTARPBM.dll\n");
    return 1;
  }
  // Inputs are written to the work directory; pixel files go to a folder of
  // their own, which must be empty after every file.
  const fs::path work = fs::absolute(argv[1]);
  const fs::path temp = work / "temp";
  fs::create_directories(temp);
  quentarpbm::testing::SetTempDirectoryVariable(temp.string() +
                                                static_cast<char>(fs::path::preferred_separator));

  bool allClean = true;
  for (const Target& target : kTargets) {
    std::vector<fs::path> inputs;
    for (const auto& entry : fs::directory_iterator(fs::path(argv[2]) / target.name))
      if (entry.is_regular_file()) inputs.push_back(entry.path());
    std::sort(inputs.begin(), inputs.end());
    for (const fs::path& input : inputs) {
      const std::vector<uint8_t> bytes = ReadInput(input);
      InputFile file;
      std::string result;
      if (!target.fileOf(bytes, &file)) {
        result = "no file";
      } else {
        const std::string path = (work / file.name).string();
        bool clean = WriteFile(path, file);
        if (!clean) {
          result = "cannot write " + path;
        } else if (TooManyPixels(path)) {
          result = "more pixels than the targets convert";
        } else {
          result = Convert(open, path, &clean);
        }
        fs::remove(path);
        const int left = FilesIn(temp);
        if (!clean || left != 0) {
          fprintf(stderr, "%s/%s: not released cleanly (%d files left)\n", target.name,
                  input.filename().string().c_str(), left);
          allClean = false;
          for (const auto& entry : fs::directory_iterator(temp)) fs::remove(entry.path());
        }
      }
      printf("%s/%s %s\n", target.name, input.filename().string().c_str(), result.c_str());
    }
  }
  return allClean ? 0 : 1;
}
