// Platform calls failing one at a time under a whole PBMOpen, and the code
// each failure must give: one table and one sweep for the stand-in and the DLL.
#include "support/conversion_faults.h"

#include <gtest/gtest.h>
#include <stdio.h>

#include <iterator>

#include "platform/win32_api.h"
#include "support/private_temp_directory.h"
#include "support/test_files.h"

namespace quentarpbm::testing {

// Stand-in: two file opens (the source's signature, the pixel file), the
// signature file's type, its read, the row store's block, temp path, temp
// name, mapping and its space reservation, view, then the blocks: PBM one
// allocation and two locks, PGM a palette (allocation, lock, creation, its
// size and entries) and the header (allocation, lock), PPM one allocation
// and one lock. The DLL: no space reservation, but the stream takes a third
// file open, a second type check, a descriptor and a C stream, and the C
// runtime allocates the row array and the read buffer (and, for PGM, the
// palette's scratch copy).
const FaultVariant kFaultVariants[6] = {
    {"PlainPbm", "P1 2 2 1 0 0 1", false, true, 13, 18},
    {"RawPbm", "P4 2 2 \x80\x40", false, true, 13, 18},
    {"PlainPgm", "P2 2 2 255 1 2 3 4", true, false, 17, 23},
    {"RawPgm", "P5 2 2 255 \x01\x02\x03\x04", true, false, 17, 23},
    {"PlainPpm", "P3 1 1 255 1 2 3", false, false, 12, 17},
    {"RawPpm", "P6 1 1 255 \x01\x02\x03", false, false, 12, 17},
};

int32_t ExpectedFaultCode(const FaultVariant& variant, FaultCall call, int nth) {
  switch (call) {
    case FaultCall::kCreateFileA:  // the source file, then the pixel file
    case FaultCall::kGetFileType:  // a file of no type is not read
    case FaultCall::kOpenOsfHandle:
    case FaultCall::kFdopen:
      return PBM_E_OPEN;
    case FaultCall::kReadFile:  // unread signature bytes are zero: nothing matches
      return PBM_E_UNSUPPORTED;
    case FaultCall::kCalloc:        // the row array, the read buffer, the palette's scratch copy
    case FaultCall::kVirtualAlloc:  // the row store's block
      return PBM_E_NO_MEMORY;
    case FaultCall::kGetTempPathA:
      return PBM_E_TEMP_PATH;
    case FaultCall::kGetTempFileNameA:
      return PBM_E_TEMP_NAME;
    case FaultCall::kCreateFileMappingA:
    case FaultCall::kReserveFileSpace:  // a full disk
      return PBM_E_MAPPING;
    case FaultCall::kMapViewOfFile:
      return PBM_E_VIEW;
    case FaultCall::kCreatePalette:
    case FaultCall::kGetObjectA:  // a palette of unknown size, or none of its entries
    case FaultCall::kGetPaletteEntries:
      return PBM_E_PALETTE;
    case FaultCall::kGlobalAlloc:  // the grey palette's record comes first
      return variant.grey && nth == 1 ? PBM_E_PALETTE : PBM_E_NO_MEMORY;
    case FaultCall::kGlobalLock:
      if (variant.grey) return nth == 1 ? PBM_E_PALETTE : PBM_E_NO_MEMORY;
      return nth == 2 && variant.whiteBlack ? PBM_E_LOCK : PBM_E_NO_MEMORY;
    case FaultCall::kDeleteFileA:
    case FaultCall::kCount:
      break;
  }
  ADD_FAILURE() << "no expectation for call " << static_cast<int>(call);
  return PBM_OK;
}

namespace {

constexpr const char* kFaultCallNames[] = {
    "CreateFileA",        "GetFileType",       "ReadFile",
    "_open_osfhandle",    "_fdopen",           "calloc",
    "VirtualAlloc",       "GetTempPathA",      "GetTempFileNameA",
    "CreateFileMappingA", "ReserveFileSpace",  "MapViewOfFile",
    "GlobalAlloc",        "GlobalLock",        "CreatePalette",
    "GetObjectA",         "GetPaletteEntries", "DeleteFileA"};
static_assert(std::size(kFaultCallNames) == static_cast<size_t>(FaultCall::kCount),
              "a name for every call");

// Only a converter writes the mapping handle. Every call that opens or reads
// the source file comes before it; of the file opens only the last, the
// pixel file's, comes within.
bool FailsBeforeConverter(FaultCall call, int nth, int calls) {
  switch (call) {
    case FaultCall::kCreateFileA:
      return nth < calls;
    case FaultCall::kGetFileType:
    case FaultCall::kReadFile:
    case FaultCall::kOpenOsfHandle:
    case FaultCall::kFdopen:
      return true;
    default:
      return false;
  }
}

// A host's release of what a success hands over: mapping, block, pixel file.
void Release(void* mapping, void* header, const char* name) {
  EXPECT_TRUE(CloseHandle(mapping));
  EXPECT_EQ(GlobalFree(header), nullptr);
  EXPECT_TRUE(DeleteFileA(name));
}

}  // namespace

void SweepConversionFaults(const FaultPlatform& platform, const FaultVariant& variant,
                           const std::string& tempDirectory) {
  const std::string path = WriteTestFile(std::string(variant.label) + ".pnm", variant.file);

  // Open descriptors, where the platform counts them, must come back to this.
  const auto descriptors = [&platform] {
    return platform.openDescriptors != nullptr ? platform.openDescriptors() : 0;
  };
  const int descriptorsBefore = descriptors();

  // A clean run counts the calls to sweep; success holds the block and the mapping.
  platform.reset();
  const int liveBefore = platform.liveObjects();
  char name[MAX_PATH] = "";
  void* mapping = nullptr;
  void* header = nullptr;
  EXPECT_EQ(platform.open(path.c_str(), name, &mapping, &header, nullptr, 0), PBM_OK);
  EXPECT_EQ(platform.liveObjects(), liveBefore + 2);
  std::vector<int> calls;
  for (FaultCall call : platform.failable) calls.push_back(platform.callCount(call));
  Release(mapping, header, name);
  EXPECT_EQ(FilesIn(tempDirectory), 0);
  EXPECT_EQ(descriptors(), descriptorsBefore);

  int failuresSwept = 0;
  for (size_t c = 0; c < platform.failable.size(); ++c) {
    const FaultCall call = platform.failable[c];
    for (int nth = 1; nth <= calls[c]; ++nth) {
      SCOPED_TRACE(std::string(kFaultCallNames[static_cast<int>(call)]) + " call " +
                   std::to_string(nth));
      platform.reset();
      const int live = platform.liveObjects();
      platform.failCall(call, nth);
      name[0] = '\0';
      mapping = &mapping;
      header = &header;
      const int32_t code = platform.open(path.c_str(), name, &mapping, &header, nullptr, 0);
      const int deletes = platform.callCount(FaultCall::kDeleteFileA);
      const int liveAfter = platform.liveObjects();
      platform.reset();
      EXPECT_EQ(code, ExpectedFaultCode(variant, call, nth));
      // A second delete by name could remove a file another call has just been given.
      EXPECT_LE(deletes, 1);
      if (code == PBM_OK) {
        EXPECT_EQ(liveAfter, live + 2);
        Release(mapping, header, name);
      } else {
        ++failuresSwept;
        EXPECT_EQ(liveAfter, live);
        EXPECT_EQ(header, nullptr);
        const bool untouched = FailsBeforeConverter(call, nth, calls[c]);
        EXPECT_EQ(mapping, untouched ? static_cast<void*>(&mapping) : nullptr);
      }
      EXPECT_EQ(FilesIn(tempDirectory), 0);
      EXPECT_EQ(descriptors(), descriptorsBefore);
    }
  }
  EXPECT_EQ(failuresSwept, variant.*platform.expectedCalls);
  printf("%s: %d calls failed one at a time\n", variant.label, failuresSwept);
}

}  // namespace quentarpbm::testing
