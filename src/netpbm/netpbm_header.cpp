// Netpbm headers: the magic, then width, height and (for PGM and PPM) maxval.
#include <stdint.h>
#include <stdio.h>

#include "netpbm/netpbm.h"

namespace quentarpbm {

namespace {

// PBMOpen's header rules, but for the formats each of its readers takes.
constexpr int32_t kPbmOpenLargestMaxval = 255;
constexpr NetpbmHeaderRules PbmOpenRules(int32_t highestFormat) {
  return NetpbmHeaderRules{highestFormat, kPbmOpenLargestMaxval, false};
}

// A size or maxval number. ReadNetpbmIntFrom gives PBM_OK for the end of the
// data before a digit, and only then with the source ended.
ResultCode ReadHeaderNumber(NetpbmByteSource* source, const NetpbmHeaderRules& rules,
                            int32_t* value) {
  const ResultCode result = ReadNetpbmIntFrom(source, value);
  if (rules.wholeHeader && result == PBM_OK && source->ended) return PBM_E_READ;
  return result;
}

ResultCode ReadSizeFrom(NetpbmByteSource* source, const NetpbmHeaderRules& rules, int32_t* width,
                        int32_t* height) {
  ResultCode result = ReadHeaderNumber(source, rules, width);
  if (result == PBM_OK) result = ReadHeaderNumber(source, rules, height);
  if (result == PBM_OK && rules.wholeHeader && (*width < 1 || *height < 1)) return PBM_E_READ;
  return result;
}

ResultCode ReadSizeAndMaxvalFrom(NetpbmByteSource* source, const NetpbmHeaderRules& rules,
                                 int32_t* width, int32_t* height, int32_t* maxval) {
  const ResultCode result = ReadSizeFrom(source, rules, width, height);
  if (result != PBM_OK) return result;
  // Taken as far as the file holds it, a maxval cut off by the end of the
  // file keeps its digits, and a missing or malformed one is 0; either way
  // the header stands.
  if (ReadHeaderNumber(source, rules, maxval) != PBM_OK && rules.wholeHeader) return PBM_E_READ;
  if (*maxval > rules.largestMaxval) return PBM_E_MAXVAL;
  if (rules.wholeHeader && *maxval < 1) return PBM_E_MAXVAL;
  return PBM_OK;
}

ResultCode ReadFileHeader(FILE* stream, int32_t highestFormat, int32_t* width, int32_t* height,
                          int32_t* maxval, int32_t* magic) {
  NetpbmByteSource source = StreamByteSource(stream);
  return ReadNetpbmHeaderFrom(&source, PbmOpenRules(highestFormat), width, height, maxval, magic);
}

}  // namespace

int32_t NetpbmFormatOf(int32_t magic) {
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

ResultCode ReadNetpbmHeaderFrom(NetpbmByteSource* source, const NetpbmHeaderRules& rules,
                                int32_t* width, int32_t* height, int32_t* maxval, int32_t* magic) {
  if (ReadNetpbmMagicFrom(source, magic) != PBM_OK) return PBM_E_READ;
  const int32_t format = NetpbmFormatOf(*magic);
  if (format == 0 || format > rules.highestFormat) return PBM_E_UNSUPPORTED;
  if (format > 1) return ReadSizeAndMaxvalFrom(source, rules, width, height, maxval);
  const ResultCode result = ReadSizeFrom(source, rules, width, height);
  // PBM has no maxval in the file; 1 makes a promoted white sample 1.
  if (maxval != nullptr) *maxval = 1;
  return result;
}

ResultCode ReadNetpbmSize(FILE* stream, int32_t* width, int32_t* height) {
  NetpbmByteSource source = StreamByteSource(stream);
  return ReadSizeFrom(&source, PbmOpenRules(1), width, height);
}

ResultCode ReadNetpbmSizeAndMaxval(FILE* stream, int32_t* width, int32_t* height, int32_t* maxval) {
  NetpbmByteSource source = StreamByteSource(stream);
  return ReadSizeAndMaxvalFrom(&source, PbmOpenRules(3), width, height, maxval);
}

ResultCode ReadPbmHeader(FILE* stream, int32_t* width, int32_t* height, int32_t* magic) {
  return ReadFileHeader(stream, 1, width, height, nullptr, magic);
}

ResultCode ReadPgmHeader(FILE* stream, int32_t* width, int32_t* height, int32_t* maxval,
                         int32_t* magic) {
  return ReadFileHeader(stream, 2, width, height, maxval, magic);
}

ResultCode ReadPpmHeader(FILE* stream, int32_t* width, int32_t* height, int32_t* maxval,
                         int32_t* magic) {
  return ReadFileHeader(stream, 3, width, height, maxval, magic);
}

}  // namespace quentarpbm
