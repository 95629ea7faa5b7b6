// Files for tests: a private directory per test process and byte streams.
#ifndef QUENTARPBM_TESTS_SUPPORT_TEST_FILES_H
#define QUENTARPBM_TESTS_SUPPORT_TEST_FILES_H

#include <stdio.h>

#include <string>

namespace quentarpbm::testing {

// The bytes of a string literal, embedded NULs included.
template <size_t N>
std::string Bytes(const char (&literal)[N]) {
  return std::string(literal, N - 1);
}

// A directory of this process's own under the system's temporary directory,
// made on first use, with a trailing separator.
const std::string& TestDirectory();

// Writes bytes to TestDirectory() + name (subdirectories are made as needed)
// and returns the path.
std::string WriteTestFile(const std::string& name, const std::string& bytes);

// Reads a whole file; fails the current test when it cannot.
std::string ReadWholeFile(const std::string& path);

// True when a file or directory exists at path.
bool PathExists(const std::string& path);

// A stream opened "rb" over bytes, backed by a fresh file; the caller fcloses it.
FILE* OpenBytes(const std::string& bytes);

}  // namespace quentarpbm::testing

#endif  // QUENTARPBM_TESTS_SUPPORT_TEST_FILES_H
