// The Win32 services the library relies on, checked the same way natively and under Wine.
#include <gtest/gtest.h>
#include <string.h>

#include <string>
#include <vector>

#include "platform/standin_test_files.h"
#include "platform/win32_api.h"
#include "support/test_files.h"

namespace quentarpbm {
namespace {

using testing::PathExists;
using testing::ReadWholeFile;
using testing::TestDirectory;
using testing::WriteTestFile;

std::string ReadUpTo(HANDLE file, DWORD count) {
  std::string bytes(count, '\0');
  DWORD got = 12345;
  EXPECT_TRUE(ReadFile(file, &bytes[0], count, &got, nullptr));
  bytes.resize(got);
  return bytes;
}

TEST(StandinFiles, ReadsTheSignatureThenTheRestThenNothing) {
  const std::string path = WriteTestFile("signature", "P5 3 2 255\nabcdefghijklmnopqrstuvwxyz");
  const HANDLE file = OpenForReading(path);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(ReadUpTo(file, 24), "P5 3 2 255\nabcdefghijklm");
  EXPECT_EQ(ReadUpTo(file, 24), "nopqrstuvwxyz");
  EXPECT_EQ(ReadUpTo(file, 24), "");
  EXPECT_TRUE(CloseHandle(file));
  EXPECT_TRUE(DeleteFileA(path.c_str()));
}

TEST(StandinFiles, OpenExistingWithFlagsZeroReadsAShortFile) {
  const std::string path = WriteTestFile("short", "P1\n");
  const HANDLE file =
      CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(ReadUpTo(file, 24), "P1\n");
  EXPECT_TRUE(CloseHandle(file));
  EXPECT_TRUE(DeleteFileA(path.c_str()));
}

TEST(StandinFiles, OpenExistingFailsOnAMissingFileOrADirectory) {
  const std::string missing = TestDirectory() + "no-such-file";
  EXPECT_EQ(OpenForReading(missing), INVALID_HANDLE_VALUE);
  EXPECT_FALSE(PathExists(missing));
  EXPECT_EQ(OpenForReading(TestDirectory()), INVALID_HANDLE_VALUE);
}

TEST(StandinFiles, CreateAlwaysTruncatesAnExistingFile) {
  const std::string path = WriteTestFile("truncated", "old contents");
  const HANDLE file = OpenPixelFile(path);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(CloseHandle(file));
  EXPECT_EQ(ReadWholeFile(path), "");
  EXPECT_TRUE(DeleteFileA(path.c_str()));
}

TEST(StandinFiles, CreateAlwaysMakesAMissingFile) {
  const std::string path = TestDirectory() + "created";
  const HANDLE file = OpenPixelFile(path);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(CloseHandle(file));
  EXPECT_TRUE(PathExists(path));
  EXPECT_TRUE(DeleteFileA(path.c_str()));
  EXPECT_FALSE(PathExists(path));
}

TEST(StandinFiles, ReadingAHandleOpenedOnlyForWritingFails) {
  const std::string path = TestDirectory() + "write-only";
  const HANDLE file =
      CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  char byte = 0;
  DWORD got = 7;
  EXPECT_FALSE(ReadFile(file, &byte, 1, &got, nullptr));
  EXPECT_EQ(got, 0u);
  EXPECT_TRUE(CloseHandle(file));
  EXPECT_TRUE(DeleteFileA(path.c_str()));
}

TEST(StandinFiles, ClosingTwiceOrClosingNullFails) {
  const std::string path = WriteTestFile("closed-twice", "x");
  const HANDLE file = OpenForReading(path);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(CloseHandle(file));
  EXPECT_FALSE(CloseHandle(file));
  EXPECT_FALSE(CloseHandle(nullptr));
  EXPECT_TRUE(DeleteFileA(path.c_str()));
}

// A second open of the same file while the first is still open.
struct SharingCase {
  const char* name;
  DWORD first_access;
  DWORD first_share;
  DWORD second_access;
  DWORD second_share;
  bool second_opens;
};

void PrintTo(const SharingCase& c, std::ostream* os) { *os << c.name; }

class StandinSharing : public ::testing::TestWithParam<SharingCase> {};

TEST_P(StandinSharing, SecondOpenFollowsBothSidesShareModes) {
  const SharingCase& c = GetParam();
  const std::string path = WriteTestFile(std::string("shared-") + c.name, "data");
  const HANDLE first =
      CreateFileA(path.c_str(), c.first_access, c.first_share, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(first, INVALID_HANDLE_VALUE);
  const HANDLE second = CreateFileA(path.c_str(), c.second_access, c.second_share, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(second != INVALID_HANDLE_VALUE, c.second_opens);
  if (second != INVALID_HANDLE_VALUE) {
    EXPECT_TRUE(CloseHandle(second));
  }
  EXPECT_TRUE(CloseHandle(first));
  // Once the first handle is gone nothing stands in the way.
  const HANDLE again = CreateFileA(path.c_str(), c.second_access, c.second_share, nullptr,
                                   OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(again, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(CloseHandle(again));
  EXPECT_TRUE(DeleteFileA(path.c_str()));
}

std::string SharingCaseName(const ::testing::TestParamInfo<SharingCase>& case_info) {
  std::string name = case_info.param.name;
  for (char& c : name) {
    if (c == '-') c = '_';
  }
  return name;
}

constexpr DWORD kShareReadWrite = FILE_SHARE_READ | FILE_SHARE_WRITE;

INSTANTIATE_TEST_SUITE_P(
    Modes, StandinSharing,
    ::testing::Values(
        SharingCase{"readers", GENERIC_READ, FILE_SHARE_READ, GENERIC_READ, FILE_SHARE_READ, true},
        SharingCase{"exclusive-reader", GENERIC_READ, 0, GENERIC_READ, FILE_SHARE_READ, false},
        SharingCase{"exclusive-writer", kReadWrite, 0, GENERIC_READ, kShareReadWrite, false},
        SharingCase{"writer-after-reader", GENERIC_READ, FILE_SHARE_READ, kReadWrite,
                    kShareReadWrite, false},
        SharingCase{"reader-refusing-writer", kReadWrite, kShareReadWrite, GENERIC_READ,
                    FILE_SHARE_READ, false},
        SharingCase{"writer-sharing-both", GENERIC_READ, kShareReadWrite, kReadWrite,
                    FILE_SHARE_READ, true}),
    SharingCaseName);

TEST(StandinFiles, DeleteRefusesAnOpenFileAndAMissingOne) {
  const std::string path = WriteTestFile("still-open", "x");
  const HANDLE file = OpenForReading(path);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(DeleteFileA(path.c_str()));
  EXPECT_TRUE(PathExists(path));
  EXPECT_TRUE(CloseHandle(file));
  EXPECT_TRUE(DeleteFileA(path.c_str()));
  EXPECT_FALSE(PathExists(path));
  EXPECT_FALSE(DeleteFileA(path.c_str()));
}

TEST(StandinTempFiles, TempPathEndsInASeparatorAndReportsItsLength) {
  char path[MAX_PATH + 1];
  const DWORD length = GetTempPathA(sizeof path, path);
  ASSERT_GT(length, 0u);
  ASSERT_LT(length, sizeof path);
  EXPECT_EQ(strlen(path), length);
  EXPECT_TRUE(path[length - 1] == '/' || path[length - 1] == '\\');
}

TEST(StandinTempFiles, TempPathAsksForRoomForTheZeroWhenTheBufferIsShort) {
  char path[MAX_PATH + 1];
  const DWORD length = GetTempPathA(sizeof path, path);
  ASSERT_GT(length, 0u);
  std::vector<char> short_buffer(length, '#');
  EXPECT_EQ(GetTempPathA(length, short_buffer.data()), length + 1);
  EXPECT_EQ(GetTempPathA(0, nullptr), length + 1);
}

TEST(StandinTempFiles, TempFileNameCreatesADistinctEmptyFileWithThePrefix) {
  const std::string directory = TestDirectory();
  char first[MAX_PATH];
  char second[MAX_PATH];
  ASSERT_NE(GetTempFileNameA(directory.c_str(), "tp", 0, first), 0u);
  ASSERT_NE(GetTempFileNameA(directory.c_str(), "tp", 0, second), 0u);
  EXPECT_STRNE(first, second);
  for (const char* name : {first, second}) {
    const std::string path = name;
    EXPECT_EQ(path.compare(0, directory.size() + 2, directory + "tp"), 0) << path;
    EXPECT_TRUE(PathExists(path));
    EXPECT_EQ(ReadWholeFile(path), "");
    EXPECT_TRUE(DeleteFileA(name));
  }
}

TEST(StandinTempFiles, TempFileNameKeepsThreeCharactersOfAPrefix) {
  const std::string directory = TestDirectory();
  char name[MAX_PATH];
  // The fourth character is no hex digit, so it cannot pass for the number.
  ASSERT_NE(GetTempFileNameA(directory.c_str(), "abcxyz", 0, name), 0u);
  const std::string path = name;
  EXPECT_EQ(path.compare(0, directory.size() + 3, directory + "abc"), 0) << path;
  EXPECT_NE(path.compare(0, directory.size() + 4, directory + "abcx"), 0) << path;
  EXPECT_TRUE(DeleteFileA(name));
}

TEST(StandinTempFiles, TempFileNameFailsInAMissingDirectoryAndLeavesTheBuffer) {
  const std::string directory = TestDirectory() + "missing-directory";
  char name[MAX_PATH] = "untouched";
  EXPECT_EQ(GetTempFileNameA(directory.c_str(), "tp", 0, name), 0u);
  EXPECT_STREQ(name, "untouched");
  EXPECT_FALSE(PathExists(directory));
}

TEST(StandinMappings, ALargerMappingGrowsTheFileWithZeroes) {
  // Small pixel files and large ones (past 8 MB the stand-in reserves the
  // space instead of writing the zeros) alike.
  for (const DWORD size : {DWORD{6}, DWORD{12} << 20}) {
    SCOPED_TRACE(size);
    std::string path;
    const HANDLE file = MakePixelFile("grown", "", &path);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    const HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READWRITE, 0, size, nullptr);
    ASSERT_NE(mapping, nullptr);
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_TRUE(CloseHandle(mapping));
    EXPECT_EQ(ReadWholeFile(path), std::string(size, '\0'));
    EXPECT_TRUE(DeleteFileA(path.c_str()));
  }
}

TEST(StandinMappings, SizeZeroOnAnEmptyFileFails) {
  std::string path;
  const HANDLE file = MakePixelFile("empty", "", &path);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(CreateFileMappingA(file, nullptr, PAGE_READWRITE, 0, 0, nullptr), nullptr);
  EXPECT_TRUE(CloseHandle(file));
  EXPECT_TRUE(DeleteFileA(path.c_str()));
}

TEST(StandinMappings, WritesThroughAViewReachTheFileAfterEveryHandleIsClosed) {
  std::string path;
  const HANDLE file = MakePixelFile("written", "", &path);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  const HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READWRITE, 0, 8, nullptr);
  ASSERT_NE(mapping, nullptr);
  // The library closes its file handle at once: the mapping must stay usable.
  EXPECT_TRUE(CloseHandle(file));
  auto* view = static_cast<char*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 8));
  ASSERT_NE(view, nullptr);
  memcpy(view, "rows\0\0ok", 8);
  EXPECT_TRUE(UnmapViewOfFile(view));
  EXPECT_TRUE(CloseHandle(mapping));
  EXPECT_EQ(ReadWholeFile(path), std::string("rows\0\0ok", 8));
  EXPECT_TRUE(DeleteFileA(path.c_str()));
}

TEST(StandinMappings, AViewOutlivesItsMappingHandle) {
  std::string path;
  const HANDLE file = MakePixelFile("outlived", "abcd", &path);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  const HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READWRITE, 0, 0, nullptr);
  ASSERT_NE(mapping, nullptr);
  EXPECT_TRUE(CloseHandle(file));
  auto* view = static_cast<char*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0));
  ASSERT_NE(view, nullptr);
  EXPECT_TRUE(CloseHandle(mapping));
  EXPECT_EQ(std::string(view, 4), "abcd");
  view[3] = 'D';
  EXPECT_TRUE(UnmapViewOfFile(view));
  EXPECT_EQ(ReadWholeFile(path), "abcD");
  EXPECT_TRUE(DeleteFileA(path.c_str()));
}

TEST(StandinMappings, RefusesViewsBeyondTheMappingAndWritesToAReadOnlyOne) {
  std::string path;
  const HANDLE file = MakePixelFile("bounded", "0123456789", &path);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  const HANDLE writable = CreateFileMappingA(file, nullptr, PAGE_READWRITE, 0, 0, nullptr);
  ASSERT_NE(writable, nullptr);
  EXPECT_EQ(MapViewOfFile(writable, FILE_MAP_WRITE, 0, 0, 11), nullptr);
  const HANDLE read_only = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
  ASSERT_NE(read_only, nullptr);
  EXPECT_EQ(MapViewOfFile(read_only, FILE_MAP_WRITE, 0, 0, 0), nullptr);
  const void* view = MapViewOfFile(read_only, FILE_MAP_READ, 0, 0, 10);
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(std::string(static_cast<const char*>(view), 10), "0123456789");
  EXPECT_TRUE(UnmapViewOfFile(view));
  EXPECT_TRUE(CloseHandle(read_only));
  EXPECT_TRUE(CloseHandle(writable));
  EXPECT_TRUE(CloseHandle(file));
  EXPECT_TRUE(DeleteFileA(path.c_str()));
}

// Hosts read a large pixel file through several views, each at a multiple
// of the 64 KB allocation granularity.
TEST(StandinMappings, ViewsStartOnTheAllocationGranularityWithinTheMapping) {
  std::string path;
  const HANDLE file = MakePixelFile("offsets", std::string(65536, 'a') + "tail", &path);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  const HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
  ASSERT_NE(mapping, nullptr);
  for (SIZE_T bytes : {SIZE_T{0}, SIZE_T{4}}) {
    const void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 65536, bytes);
    ASSERT_NE(view, nullptr) << bytes;
    EXPECT_EQ(std::string(static_cast<const char*>(view), 4), "tail");
    EXPECT_TRUE(UnmapViewOfFile(view));
  }
  EXPECT_EQ(MapViewOfFile(mapping, FILE_MAP_READ, 0, 4096, 4), nullptr);
  EXPECT_EQ(MapViewOfFile(mapping, FILE_MAP_READ, 0, 65536, 5), nullptr);
  EXPECT_EQ(MapViewOfFile(mapping, FILE_MAP_READ, 0, 131072, 0), nullptr);
  EXPECT_EQ(MapViewOfFile(mapping, FILE_MAP_READ, 1, 0, 0), nullptr);
  EXPECT_TRUE(CloseHandle(mapping));
  EXPECT_TRUE(CloseHandle(file));
  EXPECT_TRUE(DeleteFileA(path.c_str()));
}

TEST(StandinMappings, AReadOnlyMappingCannotGrowTheFileNorComeFromAReadHandle) {
  const std::string path = WriteTestFile("read-only", "abc");
  const HANDLE file = OpenForReading(path);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 4, nullptr), nullptr);
  EXPECT_EQ(CreateFileMappingA(file, nullptr, PAGE_READWRITE, 0, 0, nullptr), nullptr);
  EXPECT_TRUE(CloseHandle(file));
  EXPECT_EQ(ReadWholeFile(path), "abc");
  EXPECT_TRUE(DeleteFileA(path.c_str()));
}

TEST(StandinMappings, AHostReadsThePixelFileThroughItsOwnReadOnlyMapping) {
  const std::string path = WriteTestFile("host-view", "\x01\x02\x03\x04");
  const HANDLE file = OpenForReading(path);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  const HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
  ASSERT_NE(mapping, nullptr);
  const void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(memcmp(view, "\x01\x02\x03\x04", 4), 0);
  EXPECT_TRUE(UnmapViewOfFile(view));
  EXPECT_TRUE(CloseHandle(mapping));
  EXPECT_TRUE(CloseHandle(file));
  EXPECT_TRUE(DeleteFileA(path.c_str()));
}

TEST(StandinMappings, UnmappingAnAddressThatIsNoViewFails) {
  std::string path;
  const HANDLE file = MakePixelFile("unmapped", "abcd", &path);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  const HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READWRITE, 0, 0, nullptr);
  ASSERT_NE(mapping, nullptr);
  void* view = MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0);
  ASSERT_NE(view, nullptr);
  int local = 0;
  EXPECT_FALSE(UnmapViewOfFile(&local));
  EXPECT_TRUE(UnmapViewOfFile(view));
  EXPECT_FALSE(UnmapViewOfFile(view));
  EXPECT_TRUE(CloseHandle(mapping));
  EXPECT_TRUE(CloseHandle(file));
  EXPECT_TRUE(DeleteFileA(path.c_str()));
}

TEST(StandinGlobalMemory, ZeroInitialisedMoveableBlockKeepsItsBytesAcrossLocks) {
  const HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 300);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(GlobalSize(block), 300u);
  auto* bytes = static_cast<unsigned char*>(GlobalLock(block));
  ASSERT_NE(bytes, nullptr);
  EXPECT_EQ(std::vector<unsigned char>(bytes, bytes + 300), std::vector<unsigned char>(300, 0));
  bytes[0] = 40;
  bytes[299] = 7;
  EXPECT_FALSE(GlobalUnlock(block));
  bytes = static_cast<unsigned char*>(GlobalLock(block));
  ASSERT_NE(bytes, nullptr);
  EXPECT_EQ(bytes[0], 40);
  EXPECT_EQ(bytes[299], 7);
  EXPECT_FALSE(GlobalUnlock(block));
  EXPECT_EQ(GlobalFree(block), nullptr);
}

TEST(StandinGlobalMemory, UnlockCountsLocksDownAndFailsWhenNotLocked) {
  const HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 16);
  ASSERT_NE(block, nullptr);
  EXPECT_FALSE(GlobalUnlock(block));
  void* first = GlobalLock(block);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(GlobalLock(block), first);
  EXPECT_TRUE(GlobalUnlock(block));
  EXPECT_FALSE(GlobalUnlock(block));
  EXPECT_FALSE(GlobalUnlock(block));
  EXPECT_EQ(GlobalFree(block), nullptr);
}

TEST(StandinVirtualMemory, CommittedRegionIsZeroedWritableAndReleasedWhole) {
  // Small and large regions alike, odd sizes included.
  for (const size_t size :
       {size_t{5000}, size_t{3} * 1024 * 1024 + 5, size_t{9} * 1024 * 1024 + 5}) {
    SCOPED_TRACE(size);
    auto* region = static_cast<unsigned char*>(
        VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    ASSERT_NE(region, nullptr);
    size_t nonZero = 0;
    for (size_t i = 0; i < size; ++i) nonZero += region[i] != 0 ? 1u : 0u;
    EXPECT_EQ(nonZero, 0u);
    memset(region, 0x5A, size);
    // Only the whole region, from its start, with no size.
    EXPECT_FALSE(VirtualFree(region + 4096, 0, MEM_RELEASE));
    EXPECT_FALSE(VirtualFree(region, size, MEM_RELEASE));
    EXPECT_EQ(region[size - 1], 0x5A);
    EXPECT_TRUE(VirtualFree(region, 0, MEM_RELEASE));
    EXPECT_FALSE(VirtualFree(region, 0, MEM_RELEASE));
  }
}

TEST(StandinGlobalMemory, NullIsNoBlock) {
  EXPECT_EQ(GlobalLock(nullptr), nullptr);
  EXPECT_FALSE(GlobalUnlock(nullptr));
  EXPECT_EQ(GlobalSize(nullptr), 0u);
}

// A LOGPALETTE with room for n entries.
std::vector<unsigned char> LogPalette(const std::vector<PALETTEENTRY>& entries) {
  std::vector<unsigned char> storage(offsetof(LOGPALETTE, palPalEntry) +
                                     (entries.size() + 1) * sizeof(PALETTEENTRY));
  LOGPALETTE header = {};
  header.palVersion = 0x300;
  header.palNumEntries = static_cast<WORD>(entries.size());
  memcpy(storage.data(), &header, offsetof(LOGPALETTE, palPalEntry));
  if (!entries.empty()) {
    memcpy(storage.data() + offsetof(LOGPALETTE, palPalEntry), entries.data(),
           entries.size() * sizeof(PALETTEENTRY));
  }
  return storage;
}

const LOGPALETTE* AsLogPalette(const std::vector<unsigned char>& storage) {
  return reinterpret_cast<const LOGPALETTE*>(storage.data());
}

// Entries as red, green, blue, flags bytes, for comparing.
std::string EntryBytes(const std::vector<PALETTEENTRY>& entries) {
  std::string bytes;
  for (const PALETTEENTRY& e : entries) {
    bytes += {static_cast<char>(e.peRed), static_cast<char>(e.peGreen), static_cast<char>(e.peBlue),
              static_cast<char>(e.peFlags)};
  }
  return bytes;
}

const std::vector<PALETTEENTRY> kThreeEntries = {{1, 2, 3, 0}, {4, 5, 6, 0}, {7, 8, 9, 0}};

TEST(StandinPalettes, PaletteKeepsItsOwnCopyAndReportsItsEntryCount) {
  std::vector<unsigned char> storage = LogPalette(kThreeEntries);
  const HPALETTE palette = CreatePalette(AsLogPalette(storage));
  ASSERT_NE(palette, nullptr);
  std::fill(storage.begin() + offsetof(LOGPALETTE, palPalEntry), storage.end(), 0xEE);
  WORD count = 0;
  EXPECT_EQ(GetObjectA(palette, sizeof count, &count), 2);
  EXPECT_EQ(count, 3u);
  std::vector<PALETTEENTRY> entries(3);
  EXPECT_EQ(GetPaletteEntries(palette, 0, 3, entries.data()), 3u);
  EXPECT_EQ(EntryBytes(entries), EntryBytes(kThreeEntries));
  EXPECT_TRUE(DeleteObject(palette));
}

TEST(StandinPalettes, EntriesAreClippedToThePalette) {
  const std::vector<unsigned char> storage = LogPalette(kThreeEntries);
  const HPALETTE palette = CreatePalette(AsLogPalette(storage));
  ASSERT_NE(palette, nullptr);
  const PALETTEENTRY fill = {0xEE, 0xEE, 0xEE, 0xEE};
  std::vector<PALETTEENTRY> entries(5, fill);
  EXPECT_EQ(GetPaletteEntries(palette, 1, 5, entries.data()), 2u);
  EXPECT_EQ(EntryBytes(entries),
            EntryBytes({kThreeEntries[1], kThreeEntries[2], fill, fill, fill}));
  EXPECT_EQ(GetPaletteEntries(palette, 3, 1, entries.data()), 0u);
  EXPECT_TRUE(DeleteObject(palette));
}

TEST(StandinPalettes, GetObjectOfNoPaletteLeavesTheWordAlone) {
  WORD count = 0xBEEF;
  EXPECT_EQ(GetObjectA(nullptr, sizeof count, &count), 0);
  EXPECT_EQ(count, 0xBEEFu);
}

TEST(StandinPalettes, DeletingTwiceFails) {
  const std::vector<unsigned char> storage = LogPalette(kThreeEntries);
  const HPALETTE palette = CreatePalette(AsLogPalette(storage));
  ASSERT_NE(palette, nullptr);
  EXPECT_TRUE(DeleteObject(palette));
  EXPECT_FALSE(DeleteObject(palette));
}

}  // namespace
}  // namespace quentarpbm
