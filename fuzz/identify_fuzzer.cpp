// Format identification over a file name and leading bytes, both taken from the input.
#include <ctype.h>
#include <stdio.h>

#include <algorithm>
#include <string>

#include "fuzz_scratch.h"
#include "identify/identify.h"
#include "platform/posix/standin_control.h"

using namespace quentarpbm;

namespace {

// Name characters: letters, digits and '.' are kept, so that extensions of
// any case occur; every other byte becomes one of them.
char NameCharacter(uint8_t byte) {
  static const char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789...";
  if (isalnum(byte) || byte == '.') return static_cast<char>(byte);
  return kAlphabet[byte % (sizeof kAlphabet - 1)];
}

}  // namespace

// The first byte is the name's length (up to 31), the next bytes its
// characters, the rest the file.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const size_t nameLength = std::min<size_t>(data[0] % 32u, size - 1);
  std::string name = "id-";
  for (size_t i = 0; i < nameLength; ++i) name += NameCharacter(data[1 + i]);
  const std::string path =
      fuzz::WriteScratchFile(name, data + 1 + nameLength, size - 1 - nameLength);

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
