// The Netpbm header and image readers over an in-memory stream; the first byte picks the reader.
#include "fuzz_scratch.h"
#include "netpbm/netpbm.h"

using namespace quentarpbm;

namespace {

void CheckHeader(ResultCode result, int32_t maxval, bool hasMaxval) {
  if (result != PBM_OK && result != PBM_E_UNSUPPORTED && result != PBM_E_MAXVAL &&
      result != PBM_E_READ)
    fuzz::Fail("a header result outside the reader's codes");
  if (!hasMaxval && result == PBM_E_MAXVAL) fuzz::Fail("PBM header refused a maxval");
  if (result == PBM_OK && maxval > 255) fuzz::Fail("maxval above 255 accepted");
  if (result == PBM_E_MAXVAL && maxval <= 255) fuzz::Fail("maxval refused within 255");
}

void ReadHeader(int reader, FILE* stream) {
  int32_t width = 0;
  int32_t height = 0;
  int32_t maxval = 0;
  int32_t magic = 0;
  switch (reader) {
    case 0:
      CheckHeader(ReadPbmHeader(stream, &width, &height, &magic), 0, false);
      break;
    case 1:
      CheckHeader(ReadPgmHeader(stream, &width, &height, &maxval, &magic), maxval, true);
      break;
    default:
      CheckHeader(ReadPpmHeader(stream, &width, &height, &maxval, &magic), maxval, true);
      break;
  }
}

// Every byte of the store is read, so a store smaller than its size shows.
void ReadImage(int reader, FILE* stream) {
  int32_t width = -1;
  int32_t height = -1;
  int32_t maxval = 0;
  ResultCode status = 1;
  RowStore store = nullptr;
  int32_t bytesPerPixel = 1;
  switch (reader) {
    case 0:
      store = ReadPbmImage(stream, &width, &height, &status, nullptr, 0);
      break;
    case 1:
      store = ReadPgmImage(stream, &width, &height, &maxval, &status, nullptr, 0);
      break;
    default:
      store = ReadPpmImage(stream, &width, &height, &maxval, &status, nullptr, 0);
      bytesPerPixel = 3;
      break;
  }
  if ((store != nullptr) != (status == PBM_OK)) fuzz::Fail("store and status disagree");
  if (store == nullptr) return;
  if (width < 0 || height < 0) fuzz::Fail("a store for a negative size");
  volatile uint8_t sum = 0;
  const int64_t rowBytes = int64_t{width} * bytesPerPixel;
  for (int32_t row = 0; row < height; ++row)
    for (int64_t i = 0; i < rowBytes; ++i) sum = static_cast<uint8_t>(sum + store[row][i]);
  if (reader == 0)
    for (int32_t row = 0; row < height; ++row)
      for (int64_t i = 0; i < rowBytes; ++i)
        if (store[row][i] > 1) fuzz::Fail("a PBM pixel other than 0 or 1");
  FreeRowStore(store, height);
}

}  // namespace

// The option byte picks the reader, whether the header alone is read and
// the scanners' level (see NetpbmReaderInput).
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::ReaderOptions options;
  fuzz::InputFile file;
  if (!fuzz::NetpbmReaderInput(data, size, &options, &file)) return 0;
  fuzz::LimitScannersBelowHighest(options.levelsBelow);
  if (!options.headerOnly && fuzz::DeclaresTooManyPixels(file.bytes, file.size)) return 0;
  FILE* stream = fuzz::OpenMemory(file.bytes, file.size);
  if (options.headerOnly)
    ReadHeader(options.reader, stream);
  else
    ReadImage(options.reader, stream);
  fclose(stream);
  return 0;
}
