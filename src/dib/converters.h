// The converter contract: what PBMOpen hands a recognised Netpbm file to.
#ifndef QUENTARPBM_DIB_CONVERTERS_H
#define QUENTARPBM_DIB_CONVERTERS_H

#include <stdint.h>
#include <stdio.h>

#include "common/result_code.h"
#include "platform/win32_api.h"

namespace quentarpbm {

// Each converter reads the open stream (positioned at the file's first byte,
// owned and closed by the caller) and builds the DIB. Both handles are set to
// null first thing. On PBM_OK *dibHeader holds the unlocked header block,
// *pixelMapping the mapping over the pixel file and pixelFileName (room for
// MAX_PATH chars) its path; all three then belong to the caller. On failure
// both handles are null and nothing the converter made is left behind.
using Converter = ResultCode (*)(FILE* stream, char* pixelFileName, HANDLE* pixelMapping,
                                 HGLOBAL* dibHeader, PBMProgressCallback progress,
                                 uint32_t userValue);

ResultCode LoadPbmAsDib(FILE* stream, char* pixelFileName, HANDLE* pixelMapping, HGLOBAL* dibHeader,
                        PBMProgressCallback progress, uint32_t userValue);
ResultCode LoadPgmAsDib(FILE* stream, char* pixelFileName, HANDLE* pixelMapping, HGLOBAL* dibHeader,
                        PBMProgressCallback progress, uint32_t userValue);
ResultCode LoadPpmAsDib(FILE* stream, char* pixelFileName, HANDLE* pixelMapping, HGLOBAL* dibHeader,
                        PBMProgressCallback progress, uint32_t userValue);

}  // namespace quentarpbm

#endif  // QUENTARPBM_DIB_CONVERTERS_H
