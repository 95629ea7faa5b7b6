// Interim converters until DIB output exists: Netpbm files are not converted yet.
#include "entry/converters.h"

namespace quentarpbm {

ResultCode LoadPbmAsDib(FILE*, char*, HANDLE* pixelMapping, HGLOBAL* dibHeader,
                        PBMProgressCallback, uint32_t) {
  *pixelMapping = nullptr;
  *dibHeader = nullptr;
  return PBM_E_UNSUPPORTED;
}

ResultCode LoadPgmAsDib(FILE* stream, char* name, HANDLE* pixelMapping, HGLOBAL* dibHeader,
                        PBMProgressCallback progress, uint32_t userValue) {
  return LoadPbmAsDib(stream, name, pixelMapping, dibHeader, progress, userValue);
}

ResultCode LoadPpmAsDib(FILE* stream, char* name, HANDLE* pixelMapping, HGLOBAL* dibHeader,
                        PBMProgressCallback progress, uint32_t userValue) {
  return LoadPbmAsDib(stream, name, pixelMapping, dibHeader, progress, userValue);
}

}  // namespace quentarpbm
