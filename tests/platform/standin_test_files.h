// Files opened the ways the library and its hosts open them, for the stand-in's tests.
#ifndef QUENTARPBM_TESTS_PLATFORM_STANDIN_TEST_FILES_H
#define QUENTARPBM_TESTS_PLATFORM_STANDIN_TEST_FILES_H

#include <string>

#include "platform/win32_api.h"
#include "support/test_files.h"

namespace quentarpbm {

constexpr DWORD kReadWrite = GENERIC_READ | GENERIC_WRITE;
constexpr DWORD kPixelFileFlags = FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_SEQUENTIAL_SCAN;

// As format identification opens a file: reading, shared with other readers.
inline HANDLE OpenForReading(const std::string& path) {
  return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

// As the library opens its pixel file: read/write, unshared, created anew.
inline HANDLE OpenPixelFile(const std::string& path) {
  return CreateFileA(path.c_str(), kReadWrite, 0, nullptr, CREATE_ALWAYS, kPixelFileFlags, nullptr);
}

// Writes a test file of bytes to name, stores its path and opens it read/write
// and unshared without truncating it.
inline HANDLE MakePixelFile(const std::string& name, const std::string& bytes, std::string* path) {
  *path = testing::WriteTestFile(name, bytes);
  return CreateFileA(path->c_str(), kReadWrite, 0, nullptr, OPEN_EXISTING, kPixelFileFlags,
                     nullptr);
}

}  // namespace quentarpbm

#endif  // QUENTARPBM_TESTS_PLATFORM_STANDIN_TEST_FILES_H
