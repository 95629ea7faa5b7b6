// Format identification over a file name and leading bytes, both taken from
// the input (see IdentifyInput).
#include <stdio.h>

#include <string>

#include "fuzz_scratch.h"
#include "identify/identify.h"
#include "platform/posix/standin_control.h"

using namespace quentarpbm;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InputFile file;
  if (!fuzz::IdentifyInput(data, size, &file)) return 0;
  const std::string path = fuzz::WriteScratchFile(file.name, file.bytes, file.size);

  const int liveBefore = StandinLiveHandles();
  int32_t code = 0;
  const ResultCode result = IdentifyImageFile(path.c_str(), &code);
  if (result == PBM_OK) {
    if (code <= kFormatUnknown || code > kFormatPpm) fuzz::Fail("success with no format");
  } else if (result == PBM_E_UNSUPPORTED) {
    if (code != kFormatUnknown) fuzz::Fail("unrecognised with a format");
  } else {
    fuzz::Fail("a result identification never gives for an existing file");
  }
  if (StandinLiveHandles() != liveBefore) fuzz::Fail("identification left a handle open");
  remove(path.c_str());
  return 0;
}
