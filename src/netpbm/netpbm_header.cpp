// Netpbm headers: the magic, then width, height and (for PGM and PPM) maxval.
#include <stdint.h>
#include <stdio.h>

#include "netpbm/netpbm.h"

namespace quentarpbm {

namespace {

// 1 for PBM, 2 for PGM, 3 for PPM (plain or raw), 0 for anything else. A
// reader accepts its own rank and every lower one.
int FormatRank(int32_t magic) {
  switch (magic) {
    case kMagicP1:
    case kMagicP4:
      return 1;
    case kMagicP2:
    case kMagicP5:
      return 2;
    case kMagicP3:
    case kMagicP6:
      return 3;
    default:
      return 0;
  }
}

// The shared body of the three header readers; maxval is null for PBM.
ResultCode ReadHeaderUpTo(FILE* stream, int highestRank, int32_t* width, int32_t* height,
                          int32_t* maxval, int32_t* magic) {
  if (ReadNetpbmMagic(stream, magic) != PBM_OK) return PBM_E_READ;
  const int rank = FormatRank(*magic);
  if (rank == 0 || rank > highestRank) return PBM_E_UNSUPPORTED;
  if (rank > 1) return ReadNetpbmSizeAndMaxval(stream, width, height, maxval);
  const ResultCode result = ReadNetpbmSize(stream, width, height);
  // PBM has no maxval in the file; 1 makes a promoted white sample 1.
  if (maxval != nullptr) *maxval = 1;
  return result;
}

}  // namespace

ResultCode ReadNetpbmSize(FILE* stream, int32_t* width, int32_t* height) {
  const ResultCode result = ReadNetpbmInt(stream, width);
  if (result != PBM_OK) return result;
  return ReadNetpbmInt(stream, height);
}

ResultCode ReadNetpbmSizeAndMaxval(FILE* stream, int32_t* width, int32_t* height, int32_t* maxval) {
  const ResultCode result = ReadNetpbmSize(stream, width, height);
  if (result != PBM_OK) return result;
  // A maxval cut off by the end of the file keeps its digits, and a missing or
  // malformed one is 0; either way the header stands.
  ReadNetpbmInt(stream, maxval);
  if (*maxval > 255) return PBM_E_MAXVAL;
  return PBM_OK;
}

ResultCode ReadPbmHeader(FILE* stream, int32_t* width, int32_t* height, int32_t* magic) {
  return ReadHeaderUpTo(stream, 1, width, height, nullptr, magic);
}

ResultCode ReadPgmHeader(FILE* stream, int32_t* width, int32_t* height, int32_t* maxval,
                         int32_t* magic) {
  return ReadHeaderUpTo(stream, 2, width, height, maxval, magic);
}

ResultCode ReadPpmHeader(FILE* stream, int32_t* width, int32_t* height, int32_t* maxval,
                         int32_t* magic) {
  return ReadHeaderUpTo(stream, 3, width, height, maxval, magic);
}

}  // namespace quentarpbm
