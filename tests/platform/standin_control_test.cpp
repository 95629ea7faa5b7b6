// The stand-in's own controls and the strictness it adds beyond what Wine shows: native only.
#include "platform/posix/standin_control.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/standin_test_files.h"
#include "platform/win32_api.h"
#include "support/open_descriptors.h"
#include "support/test_files.h"

namespace quentarpbm {
namespace {

namespace fs = std::filesystem;
using testing::PathExists;
using testing::ReadWholeFile;
using testing::TestDirectory;
using testing::WriteTestFile;

// A fault in one call, or in one step of the stand-in's own inside it: the
// nth call of api from the moment the call under test begins.
struct FaultCase {
  const char* name;
  StandinApi api;
  int nth;
  bool (*attempt)(const FaultCase* inject);
};

void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.name; }

// Each attempt makes the call under test once on objects it sets up, with the
// fault injected when inject is set, checks that a failed call left everything
// as it was, cleans up, and tells whether the call succeeded.

void FailNextCallIf(const FaultCase* inject) {
  if (inject != nullptr) StandinFailCall(inject->api, inject->nth);
}

bool AttemptCreateFile(const FaultCase* inject) {
  const std::string path = WriteTestFile("fault-create", "keep");
  FailNextCallIf(inject);
  const HANDLE file = OpenPixelFile(path);
  const bool ok = file != INVALID_HANDLE_VALUE;
  if (ok) {
    EXPECT_TRUE(CloseHandle(file));
  } else {
    EXPECT_EQ(ReadWholeFile(path), "keep");
  }
  EXPECT_TRUE(DeleteFileA(path.c_str()));
  return ok;
}

// Opening an existing file as format identification does, which truncates nothing.
bool AttemptOpenForReading(const FaultCase* inject) {
  const std::string path = WriteTestFile("fault-open", "keep");
  FailNextCallIf(inject);
  const HANDLE file = OpenForReading(path);
  const bool ok = file != INVALID_HANDLE_VALUE;
  if (ok) {
    EXPECT_TRUE(CloseHandle(file));
  }
  EXPECT_EQ(ReadWholeFile(path), "keep");
  EXPECT_TRUE(DeleteFileA(path.c_str()));
  return ok;
}

bool AttemptReadFile(const FaultCase* inject) {
  const std::string path = WriteTestFile("fault-read", "abc");
  const HANDLE file = OpenForReading(path);
  char bytes[3] = {};
  DWORD got = 99;
  FailNextCallIf(inject);
  const bool ok = ReadFile(file, bytes, 3, &got, nullptr) != FALSE;
  EXPECT_EQ(got, ok ? 3u : 0u);
  EXPECT_TRUE(CloseHandle(file));
  EXPECT_TRUE(DeleteFileA(path.c_str()));
  return ok;
}

bool AttemptGetFileType(const FaultCase* inject) {
  const std::string path = WriteTestFile("fault-type", "abc");
  const HANDLE file = OpenForReading(path);
  FailNextCallIf(inject);
  const DWORD type = GetFileType(file);
  EXPECT_TRUE(CloseHandle(file));
  EXPECT_TRUE(DeleteFileA(path.c_str()));
  return type == FILE_TYPE_DISK;
}

bool AttemptCloseHandle(const FaultCase* inject) {
  const std::string path = WriteTestFile("fault-close", "abc");
  const HANDLE file = OpenForReading(path);
  FailNextCallIf(inject);
  const bool ok = CloseHandle(file) != FALSE;
  if (!ok) {
    EXPECT_FALSE(DeleteFileA(path.c_str()));
    EXPECT_TRUE(CloseHandle(file));
  }
  EXPECT_TRUE(DeleteFileA(path.c_str()));
  return ok;
}

bool AttemptDeleteFile(const FaultCase* inject) {
  const std::string path = WriteTestFile("fault-delete", "abc");
  FailNextCallIf(inject);
  const bool ok = DeleteFileA(path.c_str()) != FALSE;
  EXPECT_EQ(PathExists(path), !ok);
  if (!ok) {
    EXPECT_TRUE(DeleteFileA(path.c_str()));
  }
  return ok;
}

bool AttemptGetTempPath(const FaultCase* inject) {
  char path[MAX_PATH + 1] = "untouched";
  FailNextCallIf(inject);
  const bool ok = GetTempPathA(sizeof path, path) != 0;
  if (!ok) {
    EXPECT_STREQ(path, "untouched");
  }
  return ok;
}

size_t EntriesIn(const std::string& directory) {
  return static_cast<size_t>(std::distance(fs::directory_iterator(directory), {}));
}

bool AttemptGetTempFileName(const FaultCase* inject) {
  const size_t before = EntriesIn(TestDirectory());
  char name[MAX_PATH] = "untouched";
  FailNextCallIf(inject);
  const bool ok = GetTempFileNameA(TestDirectory().c_str(), "tp", 0, name) != 0;
  EXPECT_EQ(EntriesIn(TestDirectory()), before + (ok ? 1 : 0));
  if (ok) {
    EXPECT_TRUE(DeleteFileA(name));
  } else {
    EXPECT_STREQ(name, "untouched");
  }
  return ok;
}

// A mapping that grows a four-byte file to 16 bytes.
bool AttemptGrowingMapping(const FaultCase* inject) {
  std::string path;
  const HANDLE file = MakePixelFile("fault-mapping", "abcd", &path);
  FailNextCallIf(inject);
  const HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READWRITE, 0, 16, nullptr);
  const bool ok = mapping != nullptr;
  if (ok) {
    EXPECT_TRUE(CloseHandle(mapping));
  }
  EXPECT_TRUE(CloseHandle(file));
  // A failed mapping must not have grown the file.
  EXPECT_EQ(ReadWholeFile(path), ok ? "abcd" + std::string(12, '\0') : "abcd");
  EXPECT_TRUE(DeleteFileA(path.c_str()));
  return ok;
}

bool AttemptMapViewOfFile(const FaultCase* inject) {
  std::string path;
  const HANDLE file = MakePixelFile("fault-view", "abcd", &path);
  const HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READWRITE, 0, 0, nullptr);
  FailNextCallIf(inject);
  void* view = MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0);
  const bool ok = view != nullptr;
  if (ok) {
    EXPECT_TRUE(UnmapViewOfFile(view));
  }
  EXPECT_TRUE(CloseHandle(mapping));
  EXPECT_TRUE(CloseHandle(file));
  EXPECT_TRUE(DeleteFileA(path.c_str()));
  return ok;
}

bool AttemptUnmapViewOfFile(const FaultCase* inject) {
  std::string path;
  const HANDLE file = MakePixelFile("fault-unmap", "abcd", &path);
  const HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READWRITE, 0, 0, nullptr);
  const auto* view = static_cast<const char*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0));
  FailNextCallIf(inject);
  const bool ok = UnmapViewOfFile(view) != FALSE;
  if (!ok) {
    EXPECT_EQ(view[3], 'd');
    EXPECT_TRUE(UnmapViewOfFile(view));
  }
  EXPECT_TRUE(CloseHandle(mapping));
  EXPECT_TRUE(CloseHandle(file));
  EXPECT_TRUE(DeleteFileA(path.c_str()));
  return ok;
}

bool AttemptGlobalAlloc(const FaultCase* inject) {
  FailNextCallIf(inject);
  const HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 8);
  if (block != nullptr) {
    EXPECT_EQ(GlobalFree(block), nullptr);
  }
  return block != nullptr;
}

bool AttemptGlobalLock(const FaultCase* inject) {
  const HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 8);
  EXPECT_NE(GlobalLock(block), nullptr);
  FailNextCallIf(inject);
  const bool ok = GlobalLock(block) != nullptr;
  if (ok) {
    EXPECT_TRUE(GlobalUnlock(block));
  }
  // A failed lock did not count: one unlock is enough.
  EXPECT_FALSE(GlobalUnlock(block));
  EXPECT_EQ(GlobalFree(block), nullptr);
  return ok;
}

bool AttemptGlobalUnlock(const FaultCase* inject) {
  const HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 8);
  EXPECT_NE(GlobalLock(block), nullptr);
  EXPECT_NE(GlobalLock(block), nullptr);
  FailNextCallIf(inject);
  const bool ok = GlobalUnlock(block) != FALSE;
  if (!ok) {
    EXPECT_TRUE(GlobalUnlock(block));
  }
  EXPECT_FALSE(GlobalUnlock(block));
  EXPECT_EQ(GlobalFree(block), nullptr);
  return ok;
}

bool AttemptGlobalFree(const FaultCase* inject) {
  const HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 8);
  FailNextCallIf(inject);
  const HGLOBAL result = GlobalFree(block);
  const bool ok = result == nullptr;
  if (!ok) {
    EXPECT_EQ(result, block);
    EXPECT_EQ(GlobalSize(block), 8u);
    EXPECT_EQ(GlobalFree(block), nullptr);
  }
  return ok;
}

void* AllocRegion() {
  return VirtualAlloc(nullptr, 5000, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

bool AttemptVirtualAlloc(const FaultCase* inject) {
  FailNextCallIf(inject);
  void* region = AllocRegion();
  if (region != nullptr) {
    EXPECT_TRUE(VirtualFree(region, 0, MEM_RELEASE));
  }
  return region != nullptr;
}

// Large enough to be mapped on its own rather than taken from the heap.
bool AttemptLargeVirtualAlloc(const FaultCase* inject) {
  FailNextCallIf(inject);
  void* region = VirtualAlloc(nullptr, size_t{4} << 20, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  if (region != nullptr) {
    EXPECT_TRUE(VirtualFree(region, 0, MEM_RELEASE));
  }
  return region != nullptr;
}

bool AttemptVirtualFree(const FaultCase* inject) {
  void* region = AllocRegion();
  FailNextCallIf(inject);
  const bool ok = VirtualFree(region, 0, MEM_RELEASE) != FALSE;
  if (!ok) {
    // Still there, and still released whole.
    static_cast<unsigned char*>(region)[4999] = 1;
    EXPECT_TRUE(VirtualFree(region, 0, MEM_RELEASE));
  }
  return ok;
}

// A one-entry palette.
HPALETTE MakePalette() {
  LOGPALETTE palette = {0x300, 1, {{10, 20, 30, 0}}};
  return CreatePalette(&palette);
}

bool AttemptCreatePalette(const FaultCase* inject) {
  FailNextCallIf(inject);
  const HPALETTE palette = MakePalette();
  if (palette != nullptr) {
    EXPECT_TRUE(DeleteObject(palette));
  }
  return palette != nullptr;
}

bool AttemptGetObject(const FaultCase* inject) {
  const HPALETTE palette = MakePalette();
  WORD count = 0xBEEF;
  FailNextCallIf(inject);
  const bool ok = GetObjectA(palette, sizeof count, &count) == 2;
  EXPECT_EQ(count, ok ? 1u : 0xBEEFu);
  EXPECT_TRUE(DeleteObject(palette));
  return ok;
}

bool AttemptGetPaletteEntries(const FaultCase* inject) {
  const HPALETTE palette = MakePalette();
  PALETTEENTRY entry = {1, 1, 1, 1};
  FailNextCallIf(inject);
  const bool ok = GetPaletteEntries(palette, 0, 1, &entry) == 1;
  EXPECT_EQ(entry.peRed, ok ? 10 : 1);
  EXPECT_TRUE(DeleteObject(palette));
  return ok;
}

bool AttemptDeleteObject(const FaultCase* inject) {
  const HPALETTE palette = MakePalette();
  FailNextCallIf(inject);
  const bool ok = DeleteObject(palette) != FALSE;
  if (!ok) {
    EXPECT_TRUE(DeleteObject(palette));
  }
  return ok;
}

class StandinFaults : public ::testing::TestWithParam<FaultCase> {};

// Nothing left behind: no handle or object of the stand-in's own, and no
// descriptor of the process, which the stand-in's count does not see.
TEST_P(StandinFaults, OnlyTheChosenCallFailsAndLeavesNothingBehind) {
  const FaultCase& c = GetParam();
  StandinReset();
  const int live = StandinLiveHandles();
  const int descriptors = testing::OpenDescriptorCount();
  EXPECT_TRUE(c.attempt(nullptr));
  EXPECT_FALSE(c.attempt(&c));
  EXPECT_EQ(StandinLiveHandles(), live);
  EXPECT_EQ(testing::OpenDescriptorCount(), descriptors);
  // The fault was used up by the one call.
  EXPECT_TRUE(c.attempt(nullptr));
  EXPECT_EQ(StandinLiveHandles(), live);
  EXPECT_EQ(testing::OpenDescriptorCount(), descriptors);
}

std::string FaultCaseName(const ::testing::TestParamInfo<FaultCase>& case_info) {
  return case_info.param.name;
}

INSTANTIATE_TEST_SUITE_P(
    EveryApi, StandinFaults,
    ::testing::Values(
        FaultCase{"CreateFileA", StandinApi::kCreateFileA, 1, AttemptCreateFile},
        FaultCase{"ReadFile", StandinApi::kReadFile, 1, AttemptReadFile},
        FaultCase{"GetFileType", StandinApi::kGetFileType, 1, AttemptGetFileType},
        FaultCase{"CloseHandle", StandinApi::kCloseHandle, 1, AttemptCloseHandle},
        FaultCase{"DeleteFileA", StandinApi::kDeleteFileA, 1, AttemptDeleteFile},
        FaultCase{"GetTempPathA", StandinApi::kGetTempPathA, 1, AttemptGetTempPath},
        FaultCase{"GetTempFileNameA", StandinApi::kGetTempFileNameA, 1, AttemptGetTempFileName},
        FaultCase{"CreateFileMappingA", StandinApi::kCreateFileMappingA, 1, AttemptGrowingMapping},
        FaultCase{"ReserveFileSpace", StandinApi::kReserveFileSpace, 1, AttemptGrowingMapping},
        FaultCase{"MapViewOfFile", StandinApi::kMapViewOfFile, 1, AttemptMapViewOfFile},
        FaultCase{"UnmapViewOfFile", StandinApi::kUnmapViewOfFile, 1, AttemptUnmapViewOfFile},
        FaultCase{"GlobalAlloc", StandinApi::kGlobalAlloc, 1, AttemptGlobalAlloc},
        FaultCase{"GlobalLock", StandinApi::kGlobalLock, 1, AttemptGlobalLock},
        FaultCase{"GlobalUnlock", StandinApi::kGlobalUnlock, 1, AttemptGlobalUnlock},
        FaultCase{"GlobalFree", StandinApi::kGlobalFree, 1, AttemptGlobalFree},
        FaultCase{"VirtualAlloc", StandinApi::kVirtualAlloc, 1, AttemptVirtualAlloc},
        FaultCase{"VirtualFree", StandinApi::kVirtualFree, 1, AttemptVirtualFree},
        FaultCase{"CreatePalette", StandinApi::kCreatePalette, 1, AttemptCreatePalette},
        FaultCase{"GetObjectA", StandinApi::kGetObjectA, 1, AttemptGetObject},
        FaultCase{"GetPaletteEntries", StandinApi::kGetPaletteEntries, 1, AttemptGetPaletteEntries},
        FaultCase{"DeleteObject", StandinApi::kDeleteObject, 1, AttemptDeleteObject}),
    FaultCaseName);

// The stand-in's own steps inside a call: each failure must undo the steps
// before it, as the call's own failure does.
INSTANTIATE_TEST_SUITE_P(
    OwnSteps, StandinFaults,
    ::testing::Values(
        FaultCase{"CreateFileA_ClearingNonBlocking", StandinApi::kClearNonBlocking, 1,
                  AttemptOpenForReading},
        FaultCase{"CreateFileA_Record", StandinApi::kOwnAllocation, 1, AttemptOpenForReading},
        FaultCase{"CreateFileA_ClaimEntry", StandinApi::kOwnTableEntry, 1, AttemptOpenForReading},
        FaultCase{"CreateFileA_HandleEntry", StandinApi::kOwnTableEntry, 2, AttemptOpenForReading},
        FaultCase{"CreateFileMappingA_Record", StandinApi::kOwnAllocation, 1,
                  AttemptGrowingMapping},
        FaultCase{"CreateFileMappingA_Descriptor", StandinApi::kDuplicateDescriptor, 1,
                  AttemptGrowingMapping},
        FaultCase{"MapViewOfFile_ViewEntry", StandinApi::kOwnTableEntry, 1, AttemptMapViewOfFile},
        FaultCase{"GlobalAlloc_Record", StandinApi::kOwnAllocation, 1, AttemptGlobalAlloc},
        FaultCase{"GlobalAlloc_Bytes", StandinApi::kOwnAllocation, 2, AttemptGlobalAlloc},
        FaultCase{"GlobalAlloc_HandleEntry", StandinApi::kOwnTableEntry, 1, AttemptGlobalAlloc},
        FaultCase{"VirtualAlloc_HeapBytes", StandinApi::kOwnAllocation, 1, AttemptVirtualAlloc},
        FaultCase{"VirtualAlloc_HeapRegionEntry", StandinApi::kOwnTableEntry, 1,
                  AttemptVirtualAlloc},
        FaultCase{"VirtualAlloc_MappedBytes", StandinApi::kOwnAllocation, 1,
                  AttemptLargeVirtualAlloc},
        FaultCase{"VirtualAlloc_MappedRegionEntry", StandinApi::kOwnTableEntry, 1,
                  AttemptLargeVirtualAlloc},
        FaultCase{"CreatePalette_Record", StandinApi::kOwnAllocation, 1, AttemptCreatePalette},
        FaultCase{"CreatePalette_Entries", StandinApi::kOwnTableEntry, 1, AttemptCreatePalette},
        FaultCase{"CreatePalette_HandleEntry", StandinApi::kOwnTableEntry, 2,
                  AttemptCreatePalette}),
    FaultCaseName);

// GetTempFileNameA near the end of its names, with some of the names it will
// try already there. Names are prefix + the number in four hex digits.
struct TempNameCase {
  const char* name;
  unsigned first;
  unsigned left;
  std::vector<const char*> taken;
  const char* made;  // null when none is left
};

class TempNameCounter : public ::testing::TestWithParam<TempNameCase> {};

TEST_P(TempNameCounter, TriesTheNamesLeftInTurnAndFailsWhenAllAreTaken) {
  const TempNameCase& c = GetParam();
  const std::string folder = std::string("counter-") + c.name;
  const std::string directory = TestDirectory() + folder;
  fs::create_directories(directory);
  for (const char* taken : c.taken) WriteTestFile(folder + "/nc" + taken + ".tmp", "");
  char name[MAX_PATH] = "untouched";
  StandinStartTempNameCounter(c.first, c.left);
  const UINT number = GetTempFileNameA(directory.c_str(), "nc", 0, name);
  if (c.made == nullptr) {
    EXPECT_EQ(number, 0u);
    EXPECT_STREQ(name, "untouched");
  } else {
    EXPECT_EQ(number, std::stoul(c.made, nullptr, 16));
    EXPECT_EQ(std::string(name), directory + "/nc" + c.made + ".tmp");
  }
  EXPECT_EQ(EntriesIn(directory), c.taken.size() + (c.made != nullptr ? 1 : 0));
  fs::remove_all(directory);
}

INSTANTIATE_TEST_SUITE_P(
    NearTheEnd, TempNameCounter,
    ::testing::Values(TempNameCase{"FirstFree", 0xFFFE, 3, {}, "FFFE"},
                      TempNameCase{
                          "AfterTheLastComesTheFirst", 0xFFFE, 3, {"FFFE", "FFFF"}, "0001"},
                      TempNameCase{"EveryNameTaken", 0xFFFE, 3, {"FFFE", "FFFF", "0001"}, nullptr}),
    [](const ::testing::TestParamInfo<TempNameCase>& case_info) { return case_info.param.name; });

TEST(StandinControl, CountsCallsSinceResetAndResetDropsPendingFaults) {
  StandinReset();
  StandinFailCall(StandinApi::kGlobalAlloc, 1);
  StandinReset();
  EXPECT_EQ(StandinCallCount(StandinApi::kGlobalAlloc), 0);
  EXPECT_TRUE(AttemptGlobalAlloc(nullptr));
  EXPECT_TRUE(AttemptGlobalAlloc(nullptr));
  EXPECT_EQ(StandinCallCount(StandinApi::kGlobalAlloc), 2);
  EXPECT_EQ(StandinCallCount(StandinApi::kGlobalFree), 2);
  EXPECT_EQ(StandinCallCount(StandinApi::kCreateFileA), 0);
  // Failing calls count too.
  EXPECT_EQ(GlobalAlloc(0, 8), nullptr);
  EXPECT_EQ(StandinCallCount(StandinApi::kGlobalAlloc), 3);
}

TEST(StandinControl, FailsTheNthCallFromNowAndOnlyThatOne) {
  StandinReset();
  StandinFailCall(StandinApi::kGlobalAlloc, 3);
  std::vector<HGLOBAL> blocks;
  for (int i = 0; i < 4; ++i) blocks.push_back(GlobalAlloc(GMEM_MOVEABLE, 4));
  EXPECT_NE(blocks[0], nullptr);
  EXPECT_NE(blocks[1], nullptr);
  EXPECT_EQ(blocks[2], nullptr);
  EXPECT_NE(blocks[3], nullptr);
  for (const HGLOBAL block : blocks) {
    if (block != nullptr) {
      EXPECT_EQ(GlobalFree(block), nullptr);
    }
  }
}

TEST(StandinControl, LiveHandlesCountMappingsThatViewsKeepAlive) {
  const int live = StandinLiveHandles();
  std::string path;
  const HANDLE file = MakePixelFile("live", "abcd", &path);
  const HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READWRITE, 0, 0, nullptr);
  void* view = MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0);
  const HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 4);
  const HPALETTE palette = MakePalette();
  EXPECT_EQ(StandinLiveHandles(), live + 5);
  EXPECT_TRUE(CloseHandle(file));
  EXPECT_TRUE(CloseHandle(mapping));
  EXPECT_EQ(StandinLiveHandles(), live + 4);
  EXPECT_TRUE(UnmapViewOfFile(view));
  EXPECT_EQ(StandinLiveHandles(), live + 2);
  EXPECT_EQ(GlobalFree(block), nullptr);
  EXPECT_TRUE(DeleteObject(palette));
  EXPECT_EQ(StandinLiveHandles(), live);
  EXPECT_TRUE(DeleteFileA(path.c_str()));
}

TEST(StandinHandles, AHandleOfTheWrongKindOrNoHandleAtAllIsRefused) {
  std::string path;
  const HANDLE file = MakePixelFile("wrong-kind", "abcd", &path);
  const HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READWRITE, 0, 0, nullptr);
  const HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 4);
  const HPALETTE palette = MakePalette();
  ASSERT_TRUE(file != INVALID_HANDLE_VALUE && mapping && block && palette);
  int stack_value = 0;
  const std::vector<HANDLE> not_files = {mapping, block, palette, &stack_value,
                                         INVALID_HANDLE_VALUE};
  for (const HANDLE other : not_files) {
    char byte;
    DWORD got;
    WORD count = 0xBEEF;
    EXPECT_FALSE(ReadFile(other, &byte, 1, &got, nullptr));
    EXPECT_EQ(GetFileType(other), FILE_TYPE_UNKNOWN);
    EXPECT_EQ(CreateFileMappingA(other, nullptr, PAGE_READWRITE, 0, 0, nullptr), nullptr);
    if (other != mapping) {
      EXPECT_FALSE(CloseHandle(other));
      EXPECT_EQ(MapViewOfFile(other, FILE_MAP_READ, 0, 0, 0), nullptr);
    }
    if (other != block) {
      EXPECT_EQ(GlobalLock(other), nullptr);
      EXPECT_FALSE(GlobalUnlock(other));
      EXPECT_EQ(GlobalSize(other), 0u);
      EXPECT_EQ(GlobalFree(other), other);
    }
    if (other != palette) {
      EXPECT_EQ(GetObjectA(other, sizeof count, &count), 0);
      EXPECT_EQ(count, 0xBEEFu);
      EXPECT_EQ(GetPaletteEntries(static_cast<HPALETTE>(other), 0, 1, nullptr), 0u);
      EXPECT_FALSE(DeleteObject(other));
    }
  }
  EXPECT_FALSE(DeleteObject(file));
  EXPECT_EQ(GlobalFree(file), file);
  // Every object survived the wrong calls and releases normally, once.
  EXPECT_TRUE(DeleteObject(palette));
  EXPECT_FALSE(DeleteObject(palette));
  EXPECT_EQ(GlobalFree(block), nullptr);
  EXPECT_EQ(GlobalFree(block), block);
  EXPECT_EQ(GlobalLock(block), nullptr);
  EXPECT_TRUE(CloseHandle(mapping));
  EXPECT_FALSE(CloseHandle(mapping));
  EXPECT_EQ(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0), nullptr);
  EXPECT_TRUE(CloseHandle(file));
  EXPECT_TRUE(DeleteFileA(path.c_str()));
}

TEST(StandinFiles, ReadFileWithoutACountOrWithOverlappedFails) {
  const std::string path = WriteTestFile("no-count", "abc");
  const HANDLE file = OpenForReading(path);
  char bytes[3];
  DWORD got = 5;
  int overlapped = 0;
  EXPECT_FALSE(ReadFile(file, bytes, 3, nullptr, nullptr));
  EXPECT_FALSE(ReadFile(file, bytes, 3, &got, &overlapped));
  EXPECT_TRUE(ReadFile(file, bytes, 3, &got, nullptr));
  EXPECT_EQ(got, 3u);
  EXPECT_TRUE(CloseHandle(file));
  EXPECT_TRUE(DeleteFileA(path.c_str()));
}

// Opens outside what the library and its hosts ask for are refused, and the
// file is left as it was, so that code starting to rely on more shows here.
TEST(StandinFiles, OpensOutsideWhatTheLibraryUsesAreRefused) {
  const std::string path = WriteTestFile("refused-open", "keep");
  const int liveBefore = StandinLiveHandles();
  int attributes = 0;
  struct Open {
    const char* name;
    DWORD access;
    DWORD shareMode;
    void* security;
    DWORD disposition;
    HANDLE templateFile;
  };
  const Open refused[] = {
      {nullptr, GENERIC_READ, 0, nullptr, OPEN_EXISTING, nullptr},
      {"", GENERIC_READ, 0, nullptr, OPEN_EXISTING, nullptr},
      {path.c_str(), 0, 0, nullptr, OPEN_EXISTING, nullptr},
      {path.c_str(), GENERIC_READ | 0x20000000u, 0, nullptr, OPEN_EXISTING, nullptr},
      {path.c_str(), GENERIC_READ, 0x8u, nullptr, OPEN_EXISTING, nullptr},
      {path.c_str(), GENERIC_READ, 0, &attributes, OPEN_EXISTING, nullptr},
      {path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, &attributes},
      {path.c_str(), kReadWrite, 0, nullptr, 4u /* OPEN_ALWAYS */, nullptr},
      {path.c_str(), GENERIC_READ, 0, nullptr, CREATE_ALWAYS, nullptr},  // no write access
  };
  for (const Open& open : refused) {
    SCOPED_TRACE(&open - refused);
    EXPECT_EQ(CreateFileA(open.name, open.access, open.shareMode, open.security, open.disposition,
                          0, open.templateFile),
              INVALID_HANDLE_VALUE);
  }
  EXPECT_EQ(ReadWholeFile(path), "keep");
  EXPECT_EQ(StandinLiveHandles(), liveBefore);
  EXPECT_TRUE(DeleteFileA(path.c_str()));
}

TEST(StandinFiles, FilesAreOpenedCloseOnExec) {
  const std::string path = WriteTestFile("cloexec", "x");
  const HANDLE file = OpenForReading(path);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  // The pixel file's descriptor must not leak into programs the host starts.
  int leaked = 0;
  for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
    std::error_code error;
    const fs::path target = fs::read_symlink(entry.path(), error);
    if (!error && fs::equivalent(target, path, error) && !error) {
      const int descriptor = std::stoi(entry.path().filename().string());
      if ((fcntl(descriptor, F_GETFD) & FD_CLOEXEC) == 0) ++leaked;
    }
  }
  EXPECT_EQ(leaked, 0);
  EXPECT_TRUE(CloseHandle(file));
  EXPECT_TRUE(DeleteFileA(path.c_str()));
}

// Sharing belongs to file handles, as on Windows: once the pixel file's own
// handle is closed, readers may open it, but the mapping still keeps it
// from being deleted or truncated.
TEST(StandinMappings, AMappingBlocksDeleteAndTruncationButNotReaders) {
  char name[MAX_PATH];
  ASSERT_NE(GetTempFileNameA(TestDirectory().c_str(), "tp", 0, name), 0u);
  const HANDLE file = OpenPixelFile(name);
  const HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READWRITE, 0, 4, nullptr);
  ASSERT_NE(mapping, nullptr);
  EXPECT_TRUE(CloseHandle(file));
  const HANDLE reader = OpenForReading(name);
  EXPECT_NE(reader, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(CloseHandle(reader));
  EXPECT_EQ(OpenPixelFile(name), INVALID_HANDLE_VALUE);
  EXPECT_FALSE(DeleteFileA(name));
  EXPECT_TRUE(CloseHandle(mapping));
  EXPECT_TRUE(DeleteFileA(name));
  EXPECT_FALSE(PathExists(name));
}

TEST(StandinMappings, DeleteRefusesAFileWithAViewOnIt) {
  std::string path;
  const HANDLE file = MakePixelFile("viewed", "pixels", &path);
  const HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READWRITE, 0, 0, nullptr);
  ASSERT_NE(mapping, nullptr);
  EXPECT_TRUE(CloseHandle(file));
  void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
  ASSERT_NE(view, nullptr);
  EXPECT_TRUE(CloseHandle(mapping));
  EXPECT_FALSE(DeleteFileA(path.c_str()));
  EXPECT_TRUE(PathExists(path));
  EXPECT_TRUE(UnmapViewOfFile(view));
  EXPECT_TRUE(DeleteFileA(path.c_str()));
  EXPECT_FALSE(PathExists(path));
}

TEST(StandinMappings, AMappedFileCannotBeTruncated) {
  const std::string path = WriteTestFile("mapped-truncate", "abcd");
  const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
  const HANDLE file =
      CreateFileA(path.c_str(), kReadWrite, share, nullptr, OPEN_EXISTING, 0, nullptr);
  const HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READWRITE, 0, 0, nullptr);
  ASSERT_NE(mapping, nullptr);
  EXPECT_EQ(CreateFileA(path.c_str(), kReadWrite, share, nullptr, CREATE_ALWAYS, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_TRUE(CloseHandle(mapping));
  EXPECT_TRUE(CloseHandle(file));
  EXPECT_EQ(ReadWholeFile(path), "abcd");
  EXPECT_TRUE(DeleteFileA(path.c_str()));
}

// Growing a file past the process's file-size limit would raise SIGXFSZ:
// such a mapping is refused instead, with the file left as it was.
TEST(StandinMappings, AMappingMayGrowTheFileUpToTheFileSizeLimitOnly) {
  struct rlimit saved;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  const rlim_t limit = 8192;
  ASSERT_TRUE(saved.rlim_max >= limit);
  struct rlimit lowered = {limit, saved.rlim_max};
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &lowered), 0);
  std::string pathAt;
  std::string pathPast;
  const HANDLE fileAt = MakePixelFile("limit-at", "", &pathAt);
  const HANDLE filePast = MakePixelFile("limit-past", "ab", &pathPast);
  const HANDLE mappingAt = CreateFileMappingA(fileAt, nullptr, PAGE_READWRITE, 0, 8192, nullptr);
  const HANDLE mappingPast =
      CreateFileMappingA(filePast, nullptr, PAGE_READWRITE, 0, 8193, nullptr);
  EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &saved), 0);
  EXPECT_NE(mappingAt, nullptr);
  EXPECT_EQ(mappingPast, nullptr);
  if (mappingAt != nullptr) {
    EXPECT_TRUE(CloseHandle(mappingAt));
  }
  EXPECT_TRUE(CloseHandle(fileAt));
  EXPECT_TRUE(CloseHandle(filePast));
  EXPECT_EQ(ReadWholeFile(pathAt).size(), 8192u);
  EXPECT_EQ(ReadWholeFile(pathPast), "ab");
  EXPECT_TRUE(DeleteFileA(pathAt.c_str()));
  EXPECT_TRUE(DeleteFileA(pathPast.c_str()));
}

// Sets TMPDIR for one test and puts the old value back.
class StandinTempPath : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* old = getenv("TMPDIR");
    had_tmpdir_ = old != nullptr;
    if (had_tmpdir_) old_tmpdir_ = old;
  }
  void TearDown() override {
    if (had_tmpdir_) {
      setenv("TMPDIR", old_tmpdir_.c_str(), 1);
    } else {
      unsetenv("TMPDIR");
    }
  }
  std::string TempPath() {
    char path[MAX_PATH + 1] = "";
    const DWORD length = GetTempPathA(sizeof path, path);
    EXPECT_EQ(length, strlen(path));
    return path;
  }

 private:
  bool had_tmpdir_ = false;
  std::string old_tmpdir_;
};

TEST_F(StandinTempPath, ComesFromTmpdirWithATrailingSlash) {
  setenv("TMPDIR", "/var/spool/scratch", 1);
  EXPECT_EQ(TempPath(), "/var/spool/scratch/");
  setenv("TMPDIR", "/var/tmp/", 1);
  EXPECT_EQ(TempPath(), "/var/tmp/");
}

TEST_F(StandinTempPath, IsSlashTmpWithoutTmpdir) {
  unsetenv("TMPDIR");
  EXPECT_EQ(TempPath(), "/tmp/");
  setenv("TMPDIR", "", 1);
  EXPECT_EQ(TempPath(), "/tmp/");
}

TEST_F(StandinTempPath, ShortBufferIsNotWritten) {
  setenv("TMPDIR", "/var/tmp", 1);
  char path[10] = "#########";
  EXPECT_EQ(GetTempPathA(9, path), 10u);
  EXPECT_STREQ(path, "#########");
  EXPECT_EQ(GetTempPathA(10, path), 9u);
  EXPECT_STREQ(path, "/var/tmp/");
}

TEST(StandinTempFiles, NameIsPrefixFourHexDigitsAndTmpAndTheFileIsPrivate) {
  std::string directory = TestDirectory();
  directory.pop_back();  // the separator is added when missing
  char name[MAX_PATH];
  const UINT number = GetTempFileNameA(directory.c_str(), "tp", 0, name);
  ASSERT_NE(number, 0u);
  char expected[32];
  snprintf(expected, sizeof expected, "/tp%04X.tmp", number);
  EXPECT_EQ(std::string(name), directory + expected);
  struct stat status;
  ASSERT_EQ(stat(name, &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0600u);
  EXPECT_EQ(status.st_size, 0);
  EXPECT_TRUE(DeleteFileA(name));
}

TEST(StandinTempFiles, FullPathMustFitMaxPath) {
  // dir + "/" + "tp" + "XXXX.tmp" + zero: a 248-character directory just fits.
  const std::string base = TestDirectory() + "long";
  const std::string fits = base + std::string(248 - base.size(), 'd');
  const std::string too_long = fits + "e";
  ASSERT_TRUE(fs::create_directories(too_long));
  ASSERT_TRUE(fs::create_directories(fits));
  char name[MAX_PATH] = "untouched";
  EXPECT_EQ(GetTempFileNameA(too_long.c_str(), "tp", 0, name), 0u);
  EXPECT_STREQ(name, "untouched");
  EXPECT_TRUE(fs::is_empty(too_long));
  ASSERT_NE(GetTempFileNameA(fits.c_str(), "tp", 0, name), 0u);
  EXPECT_EQ(strlen(name), MAX_PATH - 1u);
  EXPECT_TRUE(DeleteFileA(name));
  fs::remove(too_long);
  fs::remove(fits);
}

TEST(StandinTempFiles, OnlyUniqueNumberZeroIsProvided) {
  char name[MAX_PATH] = "untouched";
  EXPECT_EQ(GetTempFileNameA(TestDirectory().c_str(), "tp", 0x1234, name), 0u);
  EXPECT_STREQ(name, "untouched");
}

TEST(StandinGlobalMemory, OnlyMoveableBlocksOfSomeBytesAreMade) {
  EXPECT_EQ(GlobalAlloc(0, 8), nullptr);
  EXPECT_EQ(GlobalAlloc(GMEM_ZEROINIT, 8), nullptr);
  EXPECT_EQ(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 0), nullptr);
}

// Only what the row store asks for: a new region, reserved and committed at
// once, readable and writable, of some bytes.
TEST(StandinVirtualMemory, OnlyNewCommittedReadWriteRegionsOfSomeBytesAreMade) {
  int here = 0;
  EXPECT_EQ(VirtualAlloc(&here, 8, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE), nullptr);
  EXPECT_EQ(VirtualAlloc(nullptr, 8, MEM_COMMIT, PAGE_READWRITE), nullptr);
  EXPECT_EQ(VirtualAlloc(nullptr, 8, MEM_RESERVE | MEM_COMMIT, 0), nullptr);
  EXPECT_EQ(VirtualAlloc(nullptr, 0, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE), nullptr);
}

TEST(StandinGlobalMemory, BlockWithoutZeroInitIsNotZeroed) {
  const HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 64);
  ASSERT_NE(block, nullptr);
  const auto* bytes = static_cast<const unsigned char*>(GlobalLock(block));
  ASSERT_NE(bytes, nullptr);
  EXPECT_NE(std::vector<unsigned char>(bytes, bytes + 64), std::vector<unsigned char>(64, 0));
  EXPECT_FALSE(GlobalUnlock(block));
  EXPECT_EQ(GlobalFree(block), nullptr);
}

TEST(StandinGlobalMemory, ALockedBlockCanStillBeFreed) {
  const int live = StandinLiveHandles();
  const HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 8);
  ASSERT_NE(GlobalLock(block), nullptr);
  EXPECT_EQ(GlobalFree(block), nullptr);
  EXPECT_EQ(StandinLiveHandles(), live);
}

TEST(StandinPalettes, NeedsEntriesAndAWordSizedBuffer) {
  LOGPALETTE empty = {0x300, 0, {{1, 2, 3, 0}}};
  EXPECT_EQ(CreatePalette(&empty), nullptr);
  EXPECT_EQ(CreatePalette(nullptr), nullptr);
  const HPALETTE palette = MakePalette();
  WORD count = 0xBEEF;
  EXPECT_EQ(GetObjectA(palette, 1, &count), 0);
  EXPECT_EQ(count, 0xBEEFu);
  EXPECT_EQ(GetObjectA(palette, 2, nullptr), 2);
  EXPECT_EQ(GetPaletteEntries(palette, 0, 0, nullptr), 1u);
  EXPECT_TRUE(DeleteObject(palette));
}

TEST(StandinThreads, ConcurrentPixelFilesGetDistinctNamesAndLeaveNothingOpen) {
  const int live = StandinLiveHandles();
  constexpr int kThreads = 4;
  constexpr int kFilesEach = 40;
  std::vector<std::vector<std::string>> names(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &names] {
      for (int i = 0; i < kFilesEach; ++i) {
        char name[MAX_PATH];
        if (GetTempFileNameA(TestDirectory().c_str(), "tp", 0, name) == 0) continue;
        const HANDLE file = OpenPixelFile(name);
        const HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READWRITE, 0, 3, nullptr);
        CloseHandle(file);
        auto* view = static_cast<char*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0));
        if (view != nullptr) {
          view[0] = static_cast<char>('a' + t);
          UnmapViewOfFile(view);
        }
        CloseHandle(mapping);
        names[static_cast<size_t>(t)].push_back(name);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(StandinLiveHandles(), live);
  std::set<std::string> distinct;
  for (int t = 0; t < kThreads; ++t) {
    for (const std::string& name : names[static_cast<size_t>(t)]) {
      distinct.insert(name);
      EXPECT_EQ(ReadWholeFile(name), std::string(1, static_cast<char>('a' + t)) + '\0' + '\0');
      EXPECT_TRUE(DeleteFileA(name.c_str()));
    }
  }
  EXPECT_EQ(distinct.size(), static_cast<size_t>(kThreads * kFilesEach));
}

}  // namespace
}  // namespace quentarpbm
