// What each fuzz target makes of its input.
#include "fuzz_inputs.h"

#include <ctype.h>

#include <algorithm>

#include "netpbm/netpbm.h"

namespace quentarpbm::fuzz {

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

bool IdentifyInput(const uint8_t* data, size_t size, InputFile* file) {
  if (size == 0) return false;
  const size_t nameLength = std::min<size_t>(data[0] % 32u, size - 1);
  file->name = "id-";
  for (size_t i = 0; i < nameLength; ++i) file->name += NameCharacter(data[1 + i]);
  file->bytes = data + 1 + nameLength;
  file->size = size - 1 - nameLength;
  return true;
}

bool NetpbmReaderInput(const uint8_t* data, size_t size, ReaderOptions* options, InputFile* file) {
  if (size == 0) return false;
  options->reader = (data[0] & 3) % 3;
  options->headerOnly = (data[0] & 4) != 0;
  options->levelsBelow = (data[0] >> 3) & 3;
  *file = {"stream.pnm", data + 1, size - 1};
  return true;
}

bool WicDecodeInput(const uint8_t* data, size_t size, WicDecodeOptions* options, InputFile* file) {
  constexpr size_t kOptionBytes = 5;
  if (size < kOptionBytes) return false;
  options->levelsBelow = data[0] & 3;
  options->bytesPerCall = data[0] >> 2;
  options->image = data[1] & 3u;
  options->transformOptions = kWicFuzzOptions[(data[1] >> 2) & 7];
  options->bandRows = kWicFuzzBands[data[1] >> 5];
  options->columns = data[2];
  options->rows = data[3];
  options->scale = data[4];
  *file = {"stream.pnm", data + kOptionBytes, size - kOptionBytes};
  return true;
}

InputFile PbmOpenInput(const uint8_t* data, size_t size) { return {"open.pnm", data, size}; }

bool DeclaresTooManyPixels(FILE* stream) {
  // The PPM header reader accepts all six magics and reads them as every
  // other reader does; any other start fails before a size is used.
  int32_t width = 0;
  int32_t height = 0;
  int32_t maxval = 0;
  int32_t magic = 0;
  const ResultCode read = ReadPpmHeader(stream, &width, &height, &maxval, &magic);
  if (read != PBM_OK || width < 0 || height < 0) return false;
  return int64_t{width > 0 ? width : 1} * int64_t{height > 0 ? height : 1} > kMaxPixels;
}

bool DeclaresTooManyWicPixels(FILE* stream) {
  int32_t magic = 0;
  int32_t width = 0;
  int32_t height = 0;
  if (ReadNetpbmMagic(stream, &magic) != PBM_OK || magic < kMagicP1 || magic > kMagicP6)
    return false;
  // The codec refuses what ends before the size is read, and sizes of 0.
  ReadNetpbmSize(stream, &width, &height);
  return width > 0 && height > 0 && int64_t{width} * int64_t{height} > kMaxPixels;
}

}  // namespace quentarpbm::fuzz
