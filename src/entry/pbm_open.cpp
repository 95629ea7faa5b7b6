// PBMOpen: argument checks, identification and dispatch to a converter.
#include <stdio.h>

#include "dib/converters.h"
#include "identify/identify.h"
#include "platform/disk_file_stream.h"
#include "quentarpbm.h"

using namespace quentarpbm;

namespace {

// Only the three Netpbm formats are converted; every other recognised format
// has no converter here.
Converter ConverterFor(int32_t formatCode) {
  switch (formatCode) {
    case kFormatPbm:
      return LoadPbmAsDib;
    case kFormatPgm:
      return LoadPgmAsDib;
    case kFormatPpm:
      return LoadPpmAsDib;
    default:
      return nullptr;
  }
}

}  // namespace

extern "C" int32_t PBM_CALL PBMOpen(const char* fileName, char* pixelFileName, void** pixelMapping,
                                    void** dibHeader, PBMProgressCallback progress,
                                    uint32_t userValue) {
  if (dibHeader == nullptr) return PBM_E_ARGUMENT;
  // Checked before anything is touched: the converters write through both.
  if (pixelFileName == nullptr) return PBM_E_ARGUMENT;
  if (pixelMapping == nullptr) return PBM_E_ARGUMENT;
  *dibHeader = nullptr;

  int32_t formatCode = kFormatUnknown;
  const ResultCode identified = IdentifyImageFile(fileName, &formatCode);
  if (identified != PBM_OK) return identified;

  // The stream is a second opening of the name, owned by this call: what it
  // names now is checked again, since it may no longer be the file identified.
  FILE* stream = nullptr;
  const ResultCode opened = OpenDiskFileStream(fileName, &stream);
  if (opened != PBM_OK) return opened;
  const Converter convert = ConverterFor(formatCode);
  const ResultCode result = convert == nullptr ? PBM_E_UNSUPPORTED
                                               : convert(stream, pixelFileName, pixelMapping,
                                                         dibHeader, progress, userValue);
  // Nothing was written to the stream, so closing it cannot lose anything.
  (void)fclose(stream);
  return result;
}
