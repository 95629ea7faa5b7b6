// Header block, grey palette and pixel file when a platform call fails (stand-in fault injection).
#include <dirent.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "dib/dib.h"
#include "platform/posix/standin_control.h"
#include "support/open_descriptors.h"
#include "support/param_label.h"
#include "support/test_files.h"

namespace quentarpbm {
namespace {

// Pixel files go to a temporary directory of this test's own, so what is
// left on disk can be listed; faults and counts start afresh.
class DibOutputFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* previous = getenv("TMPDIR");
    hadTmpdir_ = previous != nullptr;
    if (hadTmpdir_) previousTmpdir_ = previous;
    std::string pattern =
        (hadTmpdir_ ? previousTmpdir_ : std::string("/tmp")) + "/dib-faults-XXXXXX";
    ASSERT_NE(mkdtemp(&pattern[0]), nullptr) << pattern;
    directory_ = pattern + "/";
    setenv("TMPDIR", directory_.c_str(), 1);
    StandinReset();
    liveAtStart_ = StandinLiveHandles();
    descriptorsAtStart_ = testing::OpenDescriptorCount();
  }

  void TearDown() override {
    StandinReset();
    EXPECT_EQ(StandinLiveHandles(), liveAtStart_);
    EXPECT_EQ(testing::OpenDescriptorCount(), descriptorsAtStart_);
    for (const std::string& name : Files()) unlink((directory_ + name).c_str());
    rmdir(directory_.c_str());
    if (hadTmpdir_) {
      setenv("TMPDIR", previousTmpdir_.c_str(), 1);
    } else {
      unsetenv("TMPDIR");
    }
  }

  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    DIR* listing = opendir(directory_.c_str());
    if (listing == nullptr) return names;
    while (const dirent* entry = readdir(listing)) {
      if (strcmp(entry->d_name, ".") != 0 && strcmp(entry->d_name, "..") != 0) {
        names.push_back(entry->d_name);
      }
    }
    closedir(listing);
    return names;
  }

  std::string directory_;
  int liveAtStart_ = 0;
  int descriptorsAtStart_ = 0;

 private:
  bool hadTmpdir_ = false;
  std::string previousTmpdir_;
};

// --- the pixel file ---

TEST_F(DibOutputFaults, PixelFileSuccessLeavesExactlyTheMappingOpen) {
  char name[MAX_PATH] = {};
  HANDLE mapping = nullptr;
  ASSERT_EQ(CreatePixelFile(64, &mapping, name), PBM_OK);
  EXPECT_EQ(StandinLiveHandles(), liveAtStart_ + 1);
  EXPECT_EQ(std::string(name).rfind(directory_ + "tp", 0), 0u) << name;
  EXPECT_EQ(Files().size(), 1u);
  // As on Windows, a mapped file cannot be deleted until the mapping is closed.
  EXPECT_FALSE(DeleteFileA(name));
  EXPECT_TRUE(CloseHandle(mapping));
  EXPECT_EQ(StandinLiveHandles(), liveAtStart_);
  EXPECT_TRUE(DeleteFileA(name));
}

struct PixelFileFault {
  const char* label;
  StandinApi api;
  ResultCode result;
  bool mappingWritten;  // null stored through the mapping pointer
  bool nameWritten;     // the buffer holds the path
  bool fileRemains;     // the empty named file is left for the caller
};

void PrintTo(const PixelFileFault& c, std::ostream* os) { *os << c.label; }

class PixelFileFaults : public DibOutputFaults,
                        public ::testing::WithParamInterface<PixelFileFault> {};

TEST_P(PixelFileFaults, LeaveOutArgumentsAndDiskAsDocumented) {
  const PixelFileFault& c = GetParam();
  char name[MAX_PATH];
  strcpy(name, "untouched");
  HANDLE mapping = &mapping;
  StandinFailCall(c.api, 1);
  EXPECT_EQ(CreatePixelFile(64, &mapping, name), c.result);
  EXPECT_EQ(mapping, c.mappingWritten ? nullptr : static_cast<HANDLE>(&mapping));
  if (c.nameWritten) {
    EXPECT_EQ(std::string(name).rfind(directory_ + "tp", 0), 0u) << name;
  } else {
    EXPECT_STREQ(name, "untouched");
  }
  EXPECT_EQ(StandinLiveHandles(), liveAtStart_);
  const std::vector<std::string> files = Files();
  if (c.fileRemains) {
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(directory_ + files[0], name);
    EXPECT_EQ(testing::ReadWholeFile(name), "");
  } else {
    EXPECT_TRUE(files.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Calls, PixelFileFaults,
    ::testing::Values(PixelFileFault{"NoTemporaryDirectory", StandinApi::kGetTempPathA,
                                     PBM_E_TEMP_PATH, false, false, false},
                      PixelFileFault{"NoUniqueName", StandinApi::kGetTempFileNameA, PBM_E_TEMP_NAME,
                                     false, false, false},
                      PixelFileFault{"OpenFails", StandinApi::kCreateFileA, PBM_E_OPEN, false, true,
                                     true},
                      PixelFileFault{"MappingFails", StandinApi::kCreateFileMappingA, PBM_E_MAPPING,
                                     true, true, false},
                      PixelFileFault{"DiskFull", StandinApi::kReserveFileSpace, PBM_E_MAPPING, true,
                                     true, false}),
    testing::ParamLabel<PixelFileFault>);

TEST_F(DibOutputFaults, TemporaryDirectoryLongerThanThePathBufferIsNoTemporaryDirectory) {
  const std::string longDirectory = directory_ + std::string(300, 'd');
  setenv("TMPDIR", longDirectory.c_str(), 1);
  char name[MAX_PATH];
  strcpy(name, "untouched");
  HANDLE mapping = &mapping;
  EXPECT_EQ(CreatePixelFile(64, &mapping, name), PBM_E_TEMP_PATH);
  EXPECT_EQ(MakeTempPixelFileName(name), PBM_E_TEMP_PATH);
  EXPECT_STREQ(name, "untouched");
  EXPECT_EQ(mapping, static_cast<HANDLE>(&mapping));
  EXPECT_EQ(StandinCallCount(StandinApi::kGetTempFileNameA), 0);
}

// --- the header block ---

TEST_F(DibOutputFaults, UnsupportedBitCountAllocatesNothingAndAsksNothing) {
  HPALETTE grey = CreateGreyPalette();
  ASSERT_NE(grey, nullptr);
  StandinReset();
  HGLOBAL block = &block;
  EXPECT_EQ(CreateDibHeader(&block, 1, 1, 16, grey, 0, 0), PBM_E_ARGUMENT);
  EXPECT_EQ(block, static_cast<HGLOBAL>(&block));
  EXPECT_EQ(StandinCallCount(StandinApi::kGetObjectA), 0);
  EXPECT_EQ(StandinCallCount(StandinApi::kGlobalAlloc), 0);
  EXPECT_TRUE(DeleteObject(grey));
}

TEST_F(DibOutputFaults, OversizedPaletteAllocatesNothing) {
  std::vector<unsigned char> record(sizeof(LOGPALETTE) + 16384 * sizeof(PALETTEENTRY));
  auto* logPalette = reinterpret_cast<LOGPALETTE*>(record.data());
  logPalette->palVersion = 0x300;
  logPalette->palNumEntries = 16384;
  HPALETTE palette = CreatePalette(logPalette);
  ASSERT_NE(palette, nullptr);
  HGLOBAL block = &block;
  EXPECT_EQ(CreateDibHeader(&block, 1, 1, 8, palette, 0, 0), PBM_E_ARGUMENT);
  EXPECT_EQ(block, static_cast<HGLOBAL>(&block));
  EXPECT_EQ(StandinCallCount(StandinApi::kGlobalAlloc), 0);
  EXPECT_TRUE(DeleteObject(palette));
}

TEST_F(DibOutputFaults, BlockAllocationFailureLeavesNull) {
  HGLOBAL block = &block;
  StandinFailCall(StandinApi::kGlobalAlloc, 1);
  EXPECT_EQ(CreateDibHeader(&block, 2, 2, 8, nullptr, 0, 0), PBM_E_NO_MEMORY);
  EXPECT_EQ(block, nullptr);
  EXPECT_EQ(StandinLiveHandles(), liveAtStart_);
}

TEST_F(DibOutputFaults, BlockLockFailureFreesTheBlockAndLeavesNull) {
  HGLOBAL block = &block;
  StandinFailCall(StandinApi::kGlobalLock, 1);
  EXPECT_EQ(CreateDibHeader(&block, 2, 2, 8, nullptr, 0, 0), PBM_E_LOCK);
  EXPECT_EQ(block, nullptr);
  EXPECT_EQ(StandinCallCount(StandinApi::kGlobalFree), 1);
  EXPECT_EQ(StandinLiveHandles(), liveAtStart_);
}

// A palette whose size or entries cannot be read would give a colour table
// of zeros, a black image reported as a success: no block is made instead.
struct PaletteQueryFault {
  const char* label;
  StandinApi api;
  int blockAllocations;  // the size comes before the block, the entries after
};

void PrintTo(const PaletteQueryFault& c, std::ostream* os) { *os << c.label; }

class PaletteQueryFaults : public DibOutputFaults,
                           public ::testing::WithParamInterface<PaletteQueryFault> {};

TEST_P(PaletteQueryFaults, GivePaletteFailureAndLeaveNoBlock) {
  HPALETTE grey = CreateGreyPalette();
  ASSERT_NE(grey, nullptr);
  StandinReset();
  HGLOBAL block = &block;
  StandinFailCall(GetParam().api, 1);
  EXPECT_EQ(CreateDibHeader(&block, 2, 2, 8, grey, 0, 0), PBM_E_PALETTE);
  EXPECT_EQ(block, nullptr);
  EXPECT_EQ(StandinCallCount(StandinApi::kGlobalAlloc), GetParam().blockAllocations);
  EXPECT_EQ(StandinLiveHandles(), liveAtStart_ + 1);  // the palette alone, still the caller's
  EXPECT_TRUE(DeleteObject(grey));
}

INSTANTIATE_TEST_SUITE_P(
    Calls, PaletteQueryFaults,
    ::testing::Values(PaletteQueryFault{"SizeUnknown", StandinApi::kGetObjectA, 0},
                      PaletteQueryFault{"NoEntriesDelivered", StandinApi::kGetPaletteEntries, 1}),
    testing::ParamLabel<PaletteQueryFault>);

// --- the grey palette ---

struct GreyPaletteFault {
  const char* label;
  StandinApi api;
  int blockFrees;  // GlobalFree calls: the LOGPALETTE block goes in every case
};

void PrintTo(const GreyPaletteFault& c, std::ostream* os) { *os << c.label; }

class GreyPaletteFaults : public DibOutputFaults,
                          public ::testing::WithParamInterface<GreyPaletteFault> {};

TEST_P(GreyPaletteFaults, GiveNullAndLeaveNothing) {
  const GreyPaletteFault& c = GetParam();
  StandinFailCall(c.api, 1);
  EXPECT_EQ(CreateGreyPalette(), nullptr);
  EXPECT_EQ(StandinCallCount(StandinApi::kGlobalFree), c.blockFrees);
  EXPECT_EQ(StandinLiveHandles(), liveAtStart_);
}

INSTANTIATE_TEST_SUITE_P(
    Calls, GreyPaletteFaults,
    ::testing::Values(GreyPaletteFault{"AllocationFails", StandinApi::kGlobalAlloc, 0},
                      GreyPaletteFault{"LockFails", StandinApi::kGlobalLock, 1},
                      GreyPaletteFault{"CreatePaletteFails", StandinApi::kCreatePalette, 1}),
    testing::ParamLabel<GreyPaletteFault>);

TEST_F(DibOutputFaults, GreyPaletteSuccessLeavesOnlyThePalette) {
  HPALETTE grey = CreateGreyPalette();
  ASSERT_NE(grey, nullptr);
  EXPECT_EQ(StandinLiveHandles(), liveAtStart_ + 1);
  EXPECT_EQ(StandinCallCount(StandinApi::kGlobalFree), 1);
  EXPECT_TRUE(DeleteObject(grey));
}

}  // namespace
}  // namespace quentarpbm
