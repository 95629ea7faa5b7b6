// Platform calls failing one at a time under a whole PBMOpen, and the code
// each failure must give: one table and one sweep for the stand-in and the DLL.
#ifndef QUENTARPBM_TESTS_SUPPORT_CONVERSION_FAULTS_H
#define QUENTARPBM_TESTS_SUPPORT_CONVERSION_FAULTS_H

#include <stdint.h>

#include <ostream>
#include <string>
#include <vector>

#include "quentarpbm.h"

namespace quentarpbm::testing {

// Every call a conversion makes that a sweep fails or counts. Not every one
// exists on both sides: the stand-in grows the pixel file in a step of its
// own that fails as a full disk, and the DLL opens its stream and allocates
// through the C runtime.
enum class FaultCall {
  kCreateFileA,
  kGetFileType,
  kReadFile,
  kOpenOsfHandle,  // DLL only
  kFdopen,         // DLL only
  kCalloc,         // DLL only: natively the allocation sweep fails it
  kVirtualAlloc,
  kGetTempPathA,
  kGetTempFileNameA,
  kCreateFileMappingA,
  kReserveFileSpace,  // stand-in only
  kMapViewOfFile,
  kGlobalAlloc,
  kGlobalLock,
  kCreatePalette,
  kGetObjectA,
  kGetPaletteEntries,
  kDeleteFileA,  // counted, never failed: a release
  kCount
};

// One small file per Netpbm variant, and how many calls each side fails in
// its conversion (every one of them fails the conversion).
struct FaultVariant {
  const char* label;
  std::string file;
  bool grey;         // the PGM path makes a grey palette
  bool whiteBlack;   // the PBM path locks the header block a second time
  int standinCalls;  // calls the stand-in's sweep fails
  int dllCalls;      // calls the DLL's sweep fails
};
extern const FaultVariant kFaultVariants[6];

// Failures name the variant rather than dump its bytes.
inline void PrintTo(const FaultVariant& variant, std::ostream* out) { *out << variant.label; }

// What one side can do to its platform calls.
struct FaultPlatform {
  std::vector<FaultCall> failable;  // the calls this side can make fail
  int FaultVariant::*expectedCalls;
  void (*reset)();  // clears the pending fault and the counts
  void (*failCall)(FaultCall call, int nth);
  int (*callCount)(FaultCall call);
  int (*liveObjects)();      // handles, blocks, views, palettes, regions
  int (*openDescriptors)();  // the process's file descriptors; null where not counted
  decltype(&PBMOpen) open;
};

// The code PBMOpen must give when the nth call of `call` fails.
int32_t ExpectedFaultCode(const FaultVariant& variant, FaultCall call, int nth);

// Converts the variant's file cleanly to count the calls, then fails each
// of them in turn: each failure gives its code, both handles come back null
// (the mapping handle is the caller's own when the failure comes before a
// converter runs), the pixel file is deleted at most once, and no object,
// descriptor or file in tempDirectory is left; the number of calls failed is
// printed.
void SweepConversionFaults(const FaultPlatform& platform, const FaultVariant& variant,
                           const std::string& tempDirectory);

}  // namespace quentarpbm::testing

#endif  // QUENTARPBM_TESTS_SUPPORT_CONVERSION_FAULTS_H
