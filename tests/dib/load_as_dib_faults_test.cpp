// Every platform call a conversion acquires something with, failing in turn:
// each failure gives its code and leaves no handle, block or pixel file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/posix/standin_control.h"
#include "platform/win32_api.h"
#include "quentarpbm.h"
#include "support/param_label.h"
#include "support/private_temp_directory.h"
#include "support/test_files.h"

namespace quentarpbm {
namespace {

using testing::FilesIn;
using testing::UsePrivateTempDirectory;

struct Format {
  const char* label;
  std::string file;
  bool grey;         // the PGM path makes a grey palette
  bool whiteBlack;   // the PBM path locks the header block a second time
  int failingCalls;  // acquisitions whose failure fails the conversion
};

const Format kFormats[] = {
    // Two file opens, the signature file's type, its read, the row store's
    // block, temp path, temp name, mapping and its space reservation, view,
    // then the blocks: PBM one allocation and two locks, PGM a palette
    // (allocation, lock, creation) and the header (allocation, lock), PPM one
    // allocation and one lock.
    {"PlainPbm", "P1 2 2 1 0 0 1", false, true, 13},
    {"RawPbm", "P4 2 2 \x80\x40", false, true, 13},
    {"PlainPgm", "P2 2 2 255 1 2 3 4", true, false, 15},
    {"RawPgm", "P5 2 2 255 \x01\x02\x03\x04", true, false, 15},
    {"PlainPpm", "P3 1 1 255 1 2 3", false, false, 12},
    {"RawPpm", "P6 1 1 255 \x01\x02\x03", false, false, 12},
};

// The code the conversion must give when the nth call of api fails.
int32_t ExpectedCode(const Format& format, StandinApi api, int nth) {
  switch (api) {
    case StandinApi::kCreateFileA:  // the signature read, then the pixel file
      return PBM_E_OPEN;
    case StandinApi::kGetFileType:  // a file of no type is not read
      return PBM_E_OPEN;
    case StandinApi::kReadFile:  // unread signature bytes are zero: nothing matches
      return PBM_E_UNSUPPORTED;
    case StandinApi::kGetTempPathA:
      return PBM_E_TEMP_PATH;
    case StandinApi::kGetTempFileNameA:
      return PBM_E_TEMP_NAME;
    case StandinApi::kCreateFileMappingA:
    case StandinApi::kReserveFileSpace:  // a full disk
      return PBM_E_MAPPING;
    case StandinApi::kMapViewOfFile:
      return PBM_E_VIEW;
    case StandinApi::kVirtualAlloc:  // the row store's block
      return PBM_E_NO_MEMORY;
    case StandinApi::kCreatePalette:
      return PBM_E_PALETTE;
    case StandinApi::kGlobalAlloc:  // the grey palette's record comes first
      return format.grey && nth == 1 ? PBM_E_PALETTE : PBM_E_NO_MEMORY;
    case StandinApi::kGlobalLock:
      if (format.grey) return nth == 1 ? PBM_E_PALETTE : PBM_E_NO_MEMORY;
      return nth == 2 && format.whiteBlack ? PBM_E_LOCK : PBM_E_NO_MEMORY;
    default:  // palette queries: the colour table is left zero, no failure
      return PBM_OK;
  }
}

const StandinApi kAcquisitions[] = {
    StandinApi::kCreateFileA,       StandinApi::kGetFileType,      StandinApi::kReadFile,
    StandinApi::kGetTempPathA,      StandinApi::kGetTempFileNameA, StandinApi::kCreateFileMappingA,
    StandinApi::kReserveFileSpace,  StandinApi::kMapViewOfFile,    StandinApi::kGlobalAlloc,
    StandinApi::kGlobalLock,        StandinApi::kCreatePalette,    StandinApi::kGetObjectA,
    StandinApi::kGetPaletteEntries, StandinApi::kVirtualAlloc,
};

class ConversionFaultSweep : public ::testing::TestWithParam<Format> {};

TEST_P(ConversionFaultSweep, EachFailingCallGivesItsCodeAndLeavesNothing) {
  const std::string& temp = UsePrivateTempDirectory();
  const Format& format = GetParam();
  const std::string path = testing::WriteTestFile(std::string(format.label) + ".pnm", format.file);

  // A clean run counts the calls to sweep.
  StandinReset();
  char name[MAX_PATH] = "";
  void* mapping = nullptr;
  void* header = nullptr;
  ASSERT_EQ(PBMOpen(path.c_str(), name, &mapping, &header, nullptr, 0), PBM_OK);
  std::vector<int> calls;
  for (StandinApi api : kAcquisitions) calls.push_back(StandinCallCount(api));
  CloseHandle(mapping);
  GlobalFree(header);
  DeleteFileA(name);
  const int liveBefore = StandinLiveHandles();
  ASSERT_EQ(FilesIn(temp), 0);

  int failuresSwept = 0;
  for (size_t a = 0; a < std::size(kAcquisitions); ++a) {
    for (int nth = 1; nth <= calls[a]; ++nth) {
      const StandinApi api = kAcquisitions[a];
      SCOPED_TRACE("api " + std::to_string(static_cast<int>(api)) + " call " + std::to_string(nth));
      StandinReset();
      StandinFailCall(api, nth);
      name[0] = '\0';
      mapping = &mapping;
      header = &header;
      const int32_t code = PBMOpen(path.c_str(), name, &mapping, &header, nullptr, 0);
      const int deletes = StandinCallCount(StandinApi::kDeleteFileA);
      StandinReset();
      EXPECT_EQ(code, ExpectedCode(format, api, nth));
      // A second delete by name could remove a file another call has just been given.
      EXPECT_LE(deletes, 1);
      if (code == PBM_OK) {
        EXPECT_TRUE(CloseHandle(mapping));
        EXPECT_EQ(GlobalFree(header), nullptr);
        EXPECT_TRUE(DeleteFileA(name));
      } else {
        ++failuresSwept;
        EXPECT_EQ(header, nullptr);
        // Before a converter runs the mapping handle is the caller's own.
        const bool beforeConverter = (api == StandinApi::kCreateFileA && nth == 1) ||
                                     api == StandinApi::kGetFileType ||
                                     api == StandinApi::kReadFile;
        EXPECT_EQ(mapping, beforeConverter ? static_cast<void*>(&mapping) : nullptr);
      }
      EXPECT_EQ(FilesIn(temp), 0);
      EXPECT_EQ(StandinLiveHandles(), liveBefore);
    }
  }
  EXPECT_EQ(failuresSwept, format.failingCalls);
}

INSTANTIATE_TEST_SUITE_P(Netpbm, ConversionFaultSweep, ::testing::ValuesIn(kFormats),
                         testing::ParamLabel<Format>);

}  // namespace
}  // namespace quentarpbm
