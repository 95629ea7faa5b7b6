// Every platform call a conversion acquires something with, failing in turn
// in the stand-in: each failure gives its code and leaves no handle, block or
// pixel file.
#include <gtest/gtest.h>

#include "platform/posix/standin_control.h"
#include "support/conversion_faults.h"
#include "support/open_descriptors.h"
#include "support/param_label.h"
#include "support/private_temp_directory.h"

namespace quentarpbm {
namespace {

using testing::FaultCall;
using testing::FaultVariant;

// The calls the stand-in fails, by its own names; DeleteFileA is only counted.
struct StandinCall {
  FaultCall call;
  StandinApi api;
};
constexpr StandinCall kStandinCalls[] = {
    {FaultCall::kCreateFileA, StandinApi::kCreateFileA},
    {FaultCall::kGetFileType, StandinApi::kGetFileType},
    {FaultCall::kReadFile, StandinApi::kReadFile},
    {FaultCall::kVirtualAlloc, StandinApi::kVirtualAlloc},
    {FaultCall::kGetTempPathA, StandinApi::kGetTempPathA},
    {FaultCall::kGetTempFileNameA, StandinApi::kGetTempFileNameA},
    {FaultCall::kCreateFileMappingA, StandinApi::kCreateFileMappingA},
    {FaultCall::kReserveFileSpace, StandinApi::kReserveFileSpace},
    {FaultCall::kMapViewOfFile, StandinApi::kMapViewOfFile},
    {FaultCall::kGlobalAlloc, StandinApi::kGlobalAlloc},
    {FaultCall::kGlobalLock, StandinApi::kGlobalLock},
    {FaultCall::kCreatePalette, StandinApi::kCreatePalette},
    {FaultCall::kGetObjectA, StandinApi::kGetObjectA},
    {FaultCall::kGetPaletteEntries, StandinApi::kGetPaletteEntries},
    {FaultCall::kDeleteFileA, StandinApi::kDeleteFileA},
};

StandinApi StandinApiFor(FaultCall call) {
  for (const StandinCall& known : kStandinCalls)
    if (known.call == call) return known.api;
  ADD_FAILURE() << "the stand-in has no call " << static_cast<int>(call);
  return StandinApi::kCount;
}

testing::FaultPlatform Standin() {
  testing::FaultPlatform standin = {
      {},
      &FaultVariant::standinCalls,
      StandinReset,
      [](FaultCall call, int nth) { StandinFailCall(StandinApiFor(call), nth); },
      [](FaultCall call) { return StandinCallCount(StandinApiFor(call)); },
      StandinLiveHandles,
      testing::OpenDescriptorCount,
      PBMOpen};
  for (const StandinCall& known : kStandinCalls)
    if (known.call != FaultCall::kDeleteFileA) standin.failable.push_back(known.call);
  return standin;
}

class ConversionFaultSweep : public ::testing::TestWithParam<FaultVariant> {};

TEST_P(ConversionFaultSweep, EachFailingCallGivesItsCodeAndLeavesNothing) {
  SweepConversionFaults(Standin(), GetParam(), testing::UsePrivateTempDirectory());
}

INSTANTIATE_TEST_SUITE_P(Netpbm, ConversionFaultSweep, ::testing::ValuesIn(testing::kFaultVariants),
                         testing::ParamLabel<FaultVariant>);

}  // namespace
}  // namespace quentarpbm
