// The pixel file: naming in the temporary directory, its size, its mapping and its handles.
#include <gtest/gtest.h>
#include <string.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "dib/dib.h"
#include "support/private_temp_directory.h"
#include "support/test_files.h"

namespace quentarpbm {
namespace {

std::string TemporaryDirectory() {
  char directory[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathA(sizeof directory, directory);
  EXPECT_GT(length, 0u);
  EXPECT_LT(length, sizeof directory);
  return directory;
}

// The path is the temporary directory followed by a file name that starts
// with "tp" (the rest is the platform's choice).
void ExpectTpNameInTemporaryDirectory(const std::string& path) {
  const std::string directory = TemporaryDirectory();
  ASSERT_GT(path.size(), directory.size() + 2) << path;
  EXPECT_EQ(path.compare(0, directory.size(), directory), 0) << path;
  const std::string name = path.substr(directory.size());
  EXPECT_EQ(name.compare(0, 2, "tp"), 0) << path;
  EXPECT_EQ(name.find_first_of("/\\"), std::string::npos) << path;
}

long long FileSize(const std::string& path) {
  struct stat status;
  if (stat(path.c_str(), &status) != 0) return -1;
  return static_cast<long long>(status.st_size);
}

// What CreatePixelFile gave back; the buffer and handle start out as
// recognisable garbage so that writes show.
struct PixelFileResult {
  ResultCode result;
  HANDLE mapping;
  std::string path;
};

PixelFileResult MakePixelFile(uint32_t byteCount) {
  char name[MAX_PATH];
  memset(name, 'x', sizeof name);
  name[sizeof name - 1] = '\0';
  HANDLE mapping = &mapping;
  const ResultCode result = CreatePixelFile(byteCount, &mapping, name);
  return {result, mapping, name};
}

// Closes the mapping and deletes the file: the mapping is what holds it.
void Release(const PixelFileResult& file) {
  EXPECT_TRUE(CloseHandle(file.mapping));
  EXPECT_TRUE(DeleteFileA(file.path.c_str())) << file.path;
}

TEST(PixelFile, MakesAMappedFileOfExactlyTheRequestedSizeInTheTemporaryDirectory) {
  constexpr uint32_t kBytes = 1000;
  const PixelFileResult file = MakePixelFile(kBytes);
  ASSERT_EQ(file.result, PBM_OK);
  ASSERT_NE(file.mapping, nullptr);
  ExpectTpNameInTemporaryDirectory(file.path);
  EXPECT_EQ(FileSize(file.path), kBytes);

  // The mapping covers the whole file, zero-filled, and writes reach the file.
  auto* view =
      static_cast<unsigned char*>(MapViewOfFile(file.mapping, FILE_MAP_WRITE, 0, 0, kBytes));
  ASSERT_NE(view, nullptr);
  bool allZero = true;
  for (uint32_t i = 0; i < kBytes; ++i) allZero = allZero && view[i] == 0;
  EXPECT_TRUE(allZero);
  view[0] = 'A';
  view[kBytes - 1] = 'Z';
  EXPECT_TRUE(UnmapViewOfFile(view));

  // Only the mapping holds the file: once it is closed, the file can be read
  // and deleted (an unshared file handle left open would refuse both). That
  // the open mapping alone refuses deletion is checked against the stand-in
  // only: Wine deletes a mapped file, unlike Windows.
  EXPECT_TRUE(CloseHandle(file.mapping));
  std::string expected(kBytes, '\0');
  expected.front() = 'A';
  expected.back() = 'Z';
  EXPECT_EQ(testing::ReadWholeFile(file.path), expected);
  EXPECT_TRUE(DeleteFileA(file.path.c_str()));
  EXPECT_FALSE(testing::PathExists(file.path));
}

TEST(PixelFile, TwoCallsMakeTwoDifferentFilesThatBothStay) {
  const PixelFileResult first = MakePixelFile(4);
  const PixelFileResult second = MakePixelFile(8);
  ASSERT_EQ(first.result, PBM_OK);
  ASSERT_EQ(second.result, PBM_OK);
  EXPECT_NE(first.path, second.path);
  EXPECT_NE(first.mapping, second.mapping);
  EXPECT_EQ(FileSize(first.path), 4);
  EXPECT_EQ(FileSize(second.path), 8);
  Release(first);
  Release(second);
}

TEST(PixelFile, ZeroBytesCannotBeMappedAndLeaveNoFile) {
  const PixelFileResult file = MakePixelFile(0);
  EXPECT_EQ(file.result, PBM_E_MAPPING);
  EXPECT_EQ(file.mapping, nullptr);
  ExpectTpNameInTemporaryDirectory(file.path);
  EXPECT_FALSE(testing::PathExists(file.path));
}

TEST(PixelFileName, NamesANewEmptyFileThatExists) {
  char name[MAX_PATH] = {};
  ASSERT_EQ(MakeTempPixelFileName(name), PBM_OK);
  ExpectTpNameInTemporaryDirectory(name);
  EXPECT_EQ(FileSize(name), 0);
  char other[MAX_PATH] = {};
  ASSERT_EQ(MakeTempPixelFileName(other), PBM_OK);
  EXPECT_STRNE(name, other);
  EXPECT_TRUE(DeleteFileA(name));
  EXPECT_TRUE(DeleteFileA(other));
}

// A directory of exactly length characters, its trailing separator
// included, made below the test directory in parts short enough for any file
// system.
std::string DirectoryOfLength(size_t length) {
  std::string directory = testing::TestDirectory();
  const char separator = directory.back();
  for (char part = 'a'; directory.size() < length; ++part) {
    // Characters left for names; a part never takes so many that the next
    // would be empty.
    const size_t room = length - directory.size() - 1;
    const size_t take = room <= 100 ? room : room - 100 >= 2 ? 100 : 50;
    directory += std::string(take, part) + separator;
  }
  std::filesystem::create_directories(directory);
  return directory;
}

// Windows names files only in directories of up to MAX_PATH - 14 characters;
// past that the library refuses before asking, instead of getting a name cut
// short or a file it cannot use.
TEST(PixelFileName, TemporaryDirectoriesLongerThanMaxPathLess14GiveNoName) {
  const std::string usual = TemporaryDirectory();
  for (size_t length = 245; length <= 260; ++length) {
    SCOPED_TRACE("directory of " + std::to_string(length) + " characters");
    const std::string directory = DirectoryOfLength(length);
    ASSERT_EQ(directory.size(), length);
    testing::SetTempDirectoryVariable(directory);
    char reported[MAX_PATH + 1] = {};
    const DWORD reportedLength = GetTempPathA(sizeof reported, reported);
    const PixelFileResult file = MakePixelFile(16);
    if (reportedLength == 0) {
      // Wine reports no temporary directory past 258 characters, Windows
      // does up to 260: then there is none to name a file in.
      EXPECT_GT(length, 258u);
      EXPECT_EQ(file.result, PBM_E_TEMP_PATH);
    } else if (length <= MAX_PATH - 14) {
      ASSERT_EQ(std::string(reported), directory);
      ASSERT_EQ(file.result, PBM_OK);
      ExpectTpNameInTemporaryDirectory(file.path);
      EXPECT_EQ(FileSize(file.path), 16);
      Release(file);
    } else {
      ASSERT_EQ(std::string(reported), directory);
      EXPECT_EQ(file.result, PBM_E_TEMP_NAME);
      EXPECT_EQ(file.path, std::string(MAX_PATH - 1, 'x'));
    }
    // Wine cannot list a directory it does not report; nothing could be made there.
    if (reportedLength != 0) {
      EXPECT_TRUE(std::filesystem::is_empty(directory));
    }
  }
  testing::SetTempDirectoryVariable(usual);
}

}  // namespace
}  // namespace quentarpbm
